// The register grid's rules without a widget: the layout of a tab's
// registers into name/value column pairs, the cell map, the value texts and
// cell colours, the current cell and its normalised selection, the keyboard
// navigation, the kept sizes and the tab strip with its popup commands.
//
// Coordinates are the grid's own: column 0 and row 0 are the fixed (hidden)
// ones, name columns are 1, 3, 5, ..., value columns 2, 4, 6, ..., data rows
// start at 1. The widget shows exactly these cells.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "model/linkkinds.h"
#include "model/registers.h"

class Workspace;

namespace rules {

// Register status bar text for a register: ECS2 (0) and ECS3 (2) settings
// have their own ID width; any other setting gives an empty text.
std::string FormatRegisterStatus(const ST_REGISTER& reg, EcsProtocol ecsType);

// The text of a value cell for a whole register word.
std::string FormatRegisterValue(int word, uint32_t mask, bool hex);

// A rectangle of cells, both corners included.
struct GridRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool Contains(int col, int row) const { return col >= left && col <= right && row >= top && row <= bottom; }
};

// How one cell is painted. Colours are 0x00BBGGRR.
struct CellLook {
  int textColor = 0;
  int backColor = 0xFFFFFF;
  bool alignRight = false;
};

class RegisterGridPresenter {
 public:
  static constexpr int FixedCols = 1;
  static constexpr int FixedRows = 1;
  static constexpr int kWhite = 0xFFFFFF;
  static constexpr int kAqua = 0xFFFF00;
  static constexpr int kMaxTabs = Registers::kMaxTabNumber;

  // What the widget knows of its own size when a layout is computed.
  struct ViewMetrics {
    int width = 0;           // the width the cells may take, in pixels
    int visibleRows = 0;     // data rows that fit the height without scrolling
    int scrollBarWidth = 0;  // the vertical scroll bar's width
    int gridLineWidth = 1;
  };

  enum class Key { Tab, Enter, Home, End, Left, Up, Right, Down, Other };
  enum class KeyAction {
    NotHandled,  // the widget (or the register commands) may use the key
    Consumed,    // the current cell may have moved
    EditValue,   // open the value dialog for the current cell
    TabChanged,  // the tab changed and the grid was rebuilt for it
  };

  // The registers, the sizes kept in the settings, the default tab names and
  // the tab questions are the workspace's.
  explicit RegisterGridPresenter(Workspace& ws);

  // ---- Shown file and display mode ----
  void SetShownFile(RegKind kind) { shown_ = kind; }
  RegKind ShownFile() const { return shown_; }
  Registers& Shown() const;
  // The ECS type of the settings (the width of a register ID on screen).
  EcsProtocol EcsType() const;
  void SetHexDisplay(bool hex) { hex_ = hex; }
  bool HexDisplay() const { return hex_; }

  void SetViewMetrics(const ViewMetrics& metrics) { metrics_ = metrics; }
  // Edit-window colour of the name cells and the selected-register colour.
  void SetColors(int gridColor, int selectedBackColor) {
    gridColor_ = gridColor;
    selBackColor_ = selectedBackColor;
  }

  // ---- Sizes ----
  // The kept sizes (from the settings): every name column, value column and
  // data row takes them.
  void SetKeptSizes(int nameWidth, int valueWidth, int rowHeight);
  int KeptRowHeight() const { return keptRow_; }
  // The least width of a value column, so that no value loses a digit in
  // the font in use; the kept width is shown when it is wider.
  void SetLeastValueWidth(int width);
  int ShownValueWidth() const { return std::max(keptValue_, leastValue_); }
  // The least height of a data row, so that no text is cut in the font in
  // use; the kept height is shown when it is taller.
  void SetLeastRowHeight(int height);
  int ShownRowHeight() const { return std::max(keptRow_, leastRow_); }
  int ColWidth(int col) const;
  int RowHeight(int row) const;
  // A border dragged by the user.
  void SetColWidth(int col, int width);
  void SetRowHeight(int row, int height);
  // After a drag: a changed first name column, first value column or first
  // data row is copied to its kind and the three sizes go into the settings.
  // True when something changed.
  bool MouseUp();
  // After a resize (the metrics set): true when the pairs that fit the
  // present size differ from those shown and the names and values of the
  // current tab are to be built again.
  bool ResizeNeedsRebuild() const;

  // ---- Layout and values ----
  int ColCount() const { return colCount_; }
  int RowCount() const { return rowCount_; }
  int DataRows() const { return rowCount_ - FixedRows; }
  void ComputeGridLayout(int count);
  // The pairs that fit the view for count registers: the scroll bar's width
  // is given up only when the rows would not all show without it.
  int PairsFor(int count) const;
  // Lays out the names of tab (0 = every register) and rebuilds the cell map.
  // The pairs re-flow, so the current cell moves with the register it held
  // (by list index): the user acts next on the register still selected.
  void BuildRegisterGrid(int tab) { BuildRegisterGrid(tab, CurrentRegister()); }
  // The same, with the pair of the register at list index currentRegister
  // made current; with -1, or a register the tab does not place, the current
  // cell keeps its place, inside the new grid.
  void BuildRegisterGrid(int tab, int currentRegister);
  // Writes every value cell that holds a register from the value cache.
  void ShowRegisterValues();
  // The register list index of a cell index (column x RowCount + row), or -1.
  int CellToRegister(int cellIndex) const;
  int RegisterAt(int col, int row) const;
  const ST_REGISTER* RegisterOf(int col, int row) const;
  const std::string& CellText(int col, int row) const;
  void SetCellText(int col, int row, const std::string& text);
  CellLook LookOf(int col, int row) const;

  // ---- Current cell and selection ----
  int Col() const { return col_; }
  int Row() const { return row_; }
  // Kept inside the data cells.
  void SetCurrent(int col, int row);
  // The register list index of the current pair, or -1 on an empty pair.
  int CurrentRegister() const;
  // The pair of the register at a list index becomes current; false (nothing
  // moves) when the grid does not place it.
  bool SelectRegister(int index);
  const GridRect& Selection() const { return selection_; }
  // The register status line of the current pair in the settings' ECS type;
  // empty when the pair's name cell is.
  std::string CurrentStatus() const;
  // Moves a name column to its value column and selects the pair.
  void SelectValuePair();
  int TopRow() const { return topRow_; }

  // ---- Events ----
  KeyAction KeyDown(Key key, bool ctrl, bool shift);
  // The value dialog's arguments for the current cell; false when the cell
  // cannot be edited (empty, a label or not read).
  struct EditRequest {
    int registerIndex = -1;
    int value = 0;
  };
  bool PrepareEdit(EditRequest& request) const;
  // After the dialog: the cell shows the word it left, then every value is
  // written again from the cache.
  void FinishEdit(int word);

  // ---- Tabs ----
  // "ALL" and the shown file's tab names; a file without names takes the
  // default names of the target description file.
  void BuildTabStrip();
  const std::vector<std::string>& TabStrip() const { return tabs_; }
  int CurrentTab() const { return tab_; }
  // Rebuilds names and values for the tab and goes to its remembered top row.
  void ChangeTab(int tab);
  // The grid scrolled: remember the top row for the current tab.
  void TopLeftChanged(int topRow);
  // Tab popup commands; true when the strip changed. A name the register
  // file cannot hold (empty, blanks only) is refused: a rename keeps the old
  // name and says so, an add adds nothing.
  bool RenameCurrentTab();
  bool AddNewTab();
  bool DeleteCurrentTab();

 private:
  int Index(int col, int row) const { return col * rowCount_ + row; }
  void ClampCurrent();
  int PlacedCount(int tab) const;

  Workspace& ws_;
  RegKind shown_ = RegKind::S;
  bool hex_ = false;
  ViewMetrics metrics_;
  int gridColor_ = 0xFFFFFF;
  int selBackColor_ = 0x808080;
  int keptName_ = 64;
  int keptValue_ = 64;
  int keptRow_ = 18;
  int leastValue_ = 0;
  int leastRow_ = 0;
  std::vector<int> colWidths_;
  std::vector<int> rowHeights_;
  int colCount_ = FixedCols + 2;
  int rowCount_ = FixedRows + 1;
  int pairs_ = 0;
  int laidOut_ = 0;  // the registers of the last layout
  std::vector<std::string> cells_;
  std::vector<int> cellMap_;
  int col_ = FixedCols + 1;
  int row_ = FixedRows;
  GridRect selection_;
  int topRow_ = FixedRows;
  std::vector<std::string> tabs_;
  int tab_ = 0;
};

}  // namespace rules
