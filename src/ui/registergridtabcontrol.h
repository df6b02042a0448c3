// The register tab control of the main window: the tab strip ("ALL" and the
// shown file's tabs), the register grid below it and the register status bar,
// with the value dialog opened over a value cell. The main window keeps the
// shown file, the display mode, the sizes and the colours here.
#pragma once
#include <QWidget>
#include <functional>

#include "rules/editregrules.h"
#include "rules/mainview.h"
#include "rules/registergridrules.h"
#include "ui/registergrid.h"

class QMenu;
class QStatusBar;
class TfrmEditReg;
class Workspace;
namespace ui {
class MultiRowTabBar;
class StatusPanel;
}  // namespace ui

class TRegisterTabControl : public QWidget, public rules::RegisterPane {
  Q_OBJECT
 public:
  // The registers, settings and target are the workspace's.
  explicit TRegisterTabControl(Workspace& ws, QWidget* parent = nullptr);
  ~TRegisterTabControl() override;

  ui::MultiRowTabBar* S_HRegTabBar = nullptr;
  TRegisterGrid* RegisterGrid = nullptr;
  QStatusBar* RegisterStatus = nullptr;
  ui::StatusPanel* RegisterStatusPanels[2] = {};

  rules::RegisterGridPresenter& Presenter() { return presenter_; }

  // ---- State the main window sets ----
  // Kept sizes from the settings (GetRegGridSizes).
  void SetGridSizes(int nameWidth, int valueWidth, int rowHeight);
  // Edit-window colour and selected-register back colour (0x00BBGGRR).
  void SetColors(int gridColor, int selectedBackColor);
  // The strip and grid are rebuilt by the caller.
  void SetShownFile(RegKind kind) override { presenter_.SetShownFile(kind); }
  RegKind ShownFile() const override { return presenter_.ShownFile(); }
  bool HexDisplay() const { return presenter_.HexDisplay(); }
  void SetHexDisplay(bool hex);

  // ---- Grid ----
  void BuildTabStrip() override;
  void ShowRegisterValues(int tab);
  // Names and values of a tab, shown at once.
  void ShowRegisterTab(int tab) override;
  void ShowRegisterTabAt(int tab, int currentRegister) override;
  // The values of the current tab again from the cache.
  void RedrawRegisterValues() override { ShowRegisterValues(CurrentTab()); }
  // The first value cell becomes current; the grid takes the keys.
  void SelectFirstValueCell() override;
  // The register list index of the current pair's name cell; -1 when empty.
  int CurrentRegisterIndex() const override;
  void SelectValuePair();
  // Opens the value dialog over the current value cell.
  void EditRegisterValue();
  int CurrentTab() const override { return presenter_.CurrentTab(); }
  // Shows the presenter again after a caller changed it.
  void Refresh();

  // ---- Popups ----
  // The strip's popup (rename, add, delete) and the grid's popup.
  void SetTabPopupMenu(QMenu* menu);
  void SetGridPopupMenu(QMenu* menu);
  // Keys of the grid that it does not use itself; true when used.
  void SetOtherKeyHandler(std::function<bool(QKeyEvent*)> handler);

  // ---- Seams for tests ----
  // Runs the modal dialog (default: exec).
  void SetEditDialogRunner(std::function<void(TfrmEditReg&)> runner) { runner_ = std::move(runner); }

 public slots:
  void S_HRegTabChange(int index);
  void mnuHexDeciClick();
  void mnuTabNameChangeClick();
  void mnuNewTabAddClick();
  void mnuDeleteTabClick();

 private:
  void SyncTabs();
  void ShowStatus(const std::string& text);
  // Rows at least as tall as a line and value columns at least as wide as
  // the shown file's widest value, in the grid's font.
  void FitToFont();

  Workspace& ws_;
  rules::RegisterGridPresenter presenter_;
  rules::RegisterWriter writer_;
  std::function<void(TfrmEditReg&)> runner_;
  bool syncingTabs_ = false;
};
