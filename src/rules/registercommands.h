// The register list commands of the main window without a widget: copy,
// paste, delete, add and edit a register of the shown file, switch between
// the S Reg and H Reg files, reload every value, select, save as and
// overwrite a register file; the search of the register grid by name and
// the grid's command keys.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/iniproperty.h"
#include "model/registers.h"
#include "rules/mainview.h"

class TLineRate;
class TTargetControl;
class Workspace;

namespace rules {

// The register file names the window holds: a bare name lies in the
// program folder; a file from elsewhere is held by its whole path.
struct RegFileNames {
  std::string s, h;
  std::string& Of(RegKind kind) { return kind == RegKind::H ? h : s; }
};

// A register whose long name begins with a double quote: a label with no
// target value.
bool IsLabelRegister(const ST_REGISTER& reg);

// The register the grid goes on to once the one at list index deleted has
// left regs: the next one shown in tab (0: every register), else the one
// before it; -1 when the tab holds none.
int RegisterAfterDelete(const Registers& regs, int deleted, int tab);

// ---- Property editor ----

// The seven rows the parameter editor shows for reg.
std::vector<STEditItem> RegisterPropertyRows(const ST_REGISTER& reg);
// reg takes the rows' values; throws platform::EConvertError (reg then
// unchanged) for a number that does not convert.
void TakeRegisterPropertyRows(const std::vector<STEditItem>& rows, ST_REGISTER& reg);
// Shows the window's editor on reg: 0 when confirmed and reg's fields
// replaced, 1 when cancelled.
int EditRegisterProperties(ST_REGISTER& reg, MainView& view);

// ---- Register files ----

// Where a held register file name is: a bare or relative name in the program
// folder, a whole path as it is.
std::string RegFilePath(const std::string& heldName);
// The name to hold for a chosen file: its bare name in the program folder,
// else its whole path (so it is never saved over a namesake there).
std::string HeldRegFileName(const std::string& path);

class RegisterCommands {
 public:
  // line: the line rate of ws's target control (a fake in tests).
  RegisterCommands(Workspace& ws, MainView& view, TLineRate& line);

  // The register object of a kind and the shown one.
  Registers& OfKind(RegKind kind) const;
  Registers& Shown() const;

  // ---- Register popup (each true when the list changed, or the copy buffer) ----
  bool AddRegister();           // "新規レジスタの追加(&A)", Insert
  bool DeleteRegister();        // "削除(&D)", Delete
  bool CopyRegister();          // "コピー(&C)", Ctrl+C
  bool PasteRegister();         // "貼り付け(&P)", Ctrl+V
  bool EditRegisterProperty();  // "プロパティ(&R)"

  // ---- Edit menu ----
  // Shows the file; the H values are read once.
  void ShowRegisterFile(RegKind kind);
  // The run's one read of the H values, whoever needs them first; their
  // snapshot is taken then. False when this call's read failed.
  bool ReadHValuesOnce();
  // Reads every value of the shown file again; false when the read failed.
  bool ReloadData();

  // ---- File menu (kind: the menu item's Tag) ----
  bool SelectRegisterFile(RegKind kind);
  bool SaveRegisterFileAs(RegKind kind);
  bool OverwriteRegisterFile(RegKind kind);

  // The status bar's COM port and rate, and the caption with the file names.
  void ShowComStatus();
  void UpdateCaption();

  RegFileNames& FileNames() { return fileNames_; }
  const ST_REGISTER& CopyBuffer() const { return copyBuffer_; }
  bool HValuesRead() const { return hValuesRead_; }

 private:
  // Takes the H snapshot at the run's first read of H.
  void NoteHValuesRead();
  // Before the current register, or -1 (append).
  int InsertPosition() const;
  bool ReadWord(uint32_t id, int& word);
  // The current tab again, its cell on the register at list index current.
  void Rebuild(int current);
  // Where position (InsertPosition) put a register.
  int PlacedAt(int position) const;

  Workspace& ws_;
  TTargetControl& target_;
  MainView& view_;
  TLineRate& line_;
  RegFileNames fileNames_;
  ST_REGISTER copyBuffer_;  // ID 0: empty
  bool hValuesRead_ = false;
};

// ---- Search ----

// Mode 0: first character, either case of a letter; 1: whole name; 2: part
// of the name (1 and 2 ignore the case of ASCII letters).
bool RegisterNameMatches(const std::string& name, const std::string& text, int mode);

// The texts of the register grid: name columns 1, 3, ..., value columns 2,
// 4, ..., data rows from 1 (column 0 and row 0 are the hidden fixed ones).
struct RegisterGridCells {
  int colCount = 0;
  int rowCount = 0;
  std::function<std::string(int col, int row)> text;
};
struct GridCellPos {
  int col = 0;
  int row = 0;
};

// From the current cell down its pair, then through the following pairs; no
// wrap. True with the matching register's value cell in next. Without a
// match next is the first value cell; with an empty text nothing is searched
// and next is current.
bool FindNextRegisterCell(const RegisterGridCells& grid, GridCellPos current, const std::string& text, int mode,
                          GridCellPos& next);
// From the current cell up its pair, then through the pairs before it; no
// wrap. Without a match next is the last value column's lowest filled row.
bool FindPrevRegisterCell(const RegisterGridCells& grid, GridCellPos current, const std::string& text, int mode,
                          GridCellPos& next);

// ---- Keys of the register grid ----

enum class RegisterKey { Delete, Insert, F3, F5, Letter, Other };
enum class RegisterKeyCommand {
  None,
  Delete,
  Add,
  FindNext,  // last search text and mode
  FindPrev,
  Reload,
  LetterNext,  // the letter, mode 0
  LetterPrev,
  Copy,
  Paste,
};
// letter: 'A' to 'Z' with RegisterKey::Letter.
RegisterKeyCommand RegisterKeyCommandFor(RegisterKey key, char letter, bool ctrl, bool shift);

}  // namespace rules
