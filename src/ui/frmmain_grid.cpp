// The register tabs and their grid, the register list commands, the register
// file commands and the search, as the main window hands them on.
#include <QKeyEvent>

#include "link/workspace.h"
#include "ui/frminiedit.h"
#include "ui/frmmain.h"
#include "ui/registergridtabcontrol.h"
#include "ui/statuswindow.h"

void TFrmMain::BuildTabStrip() { tabs_->BuildTabStrip(); }

void TFrmMain::ShowRegisterTab(int tab) { tabs_->ShowRegisterTab(tab); }

void TFrmMain::SelectFirstValueCell() {
  tabs_->SelectFirstValueCell();
  // The grid is where the keys go first.
  RegisterGrid->setFocus();
}

// ---- What the register commands need ----

int TFrmMain::ShownFile() const { return tabs_->ShownFile(); }

void TFrmMain::SetShownFile(int kind) { tabs_->SetShownFile(kind); }

int TFrmMain::CurrentRegisterIndex() const {
  ui::RegisterGridPresenter& p = tabs_->Presenter();
  return p.RegisterAt(p.Col() - 1, p.Row());
}

int TFrmMain::CurrentTab() const { return tabs_->CurrentTab(); }

void TFrmMain::RedrawRegisterValues() { tabs_->ShowRegisterValues(tabs_->CurrentTab()); }

std::string TFrmMain::RegFileName(int kind) const { return kind == 1 ? hRegFileName_ : sRegFileName_; }

void TFrmMain::SetRegFileName(int kind, const std::string& name) {
  (kind == 1 ? hRegFileName_ : sRegFileName_) = name;
}

bool TFrmMain::EditParameters(std::vector<STEditItem>& rows) { return ui::ShowIniEdit(rows, *choosers_, ws_.ui); }

// ---- Register popup ----

void TFrmMain::mnuRegCopyClick() { regCommands_.CopyRegister(); }

void TFrmMain::mnuRegPasteClick() { regCommands_.PasteRegister(); }

void TFrmMain::mnuRegDeleteClick() { regCommands_.DeleteRegister(); }

// Add and Property read the register's word from the target.
void TFrmMain::mnuRegNewClick() {
  TargetOperation op(*this);
  if (op) regCommands_.AddRegister();
}

void TFrmMain::mnuRegPropertyClick() {
  TargetOperation op(*this);
  if (op) regCommands_.EditRegisterProperty();
}

// ---- Edit menu ----

void TFrmMain::mnuEditSregClick() {
  TargetOperation op(*this);
  if (op) regCommands_.ShowRegisterFile(0);
}

void TFrmMain::mnuHregEditClick() {
  TargetOperation op(*this);
  if (op) regCommands_.ShowRegisterFile(1);
}

void TFrmMain::mnuDataReloadClick() {
  TargetOperation op(*this);
  if (op) regCommands_.ReloadData();
}

// ---- S Reg / H Reg file menus (Tag 0 S Reg, 1 H Reg) ----

void TFrmMain::mnuSregFileSelClick() {
  const int kind = Tag(sender());
  TargetOperation op(*this);
  if (op) regCommands_.SelectRegisterFile(kind);
}

void TFrmMain::mnuSaveAsSregClick() { regCommands_.SaveRegisterFileAs(Tag(sender())); }

void TFrmMain::mnuSregOverWriteClick() { regCommands_.OverwriteRegisterFile(Tag(sender())); }

// ---- View menu and tab popup ----

void TFrmMain::mnuHexDeciClick() {
  tabs_->mnuHexDeciClick();
  status_->SetHexDisplay(tabs_->HexDisplay());
}

void TFrmMain::mnuTabNameChangeClick() { tabs_->mnuTabNameChangeClick(); }

void TFrmMain::mnuNewTabAddClick() { tabs_->mnuNewTabAddClick(); }

void TFrmMain::mnuDeleteTabClick() { tabs_->mnuDeleteTabClick(); }

// ---- Search ----

void TFrmMain::FindNextRegister(const std::string& text, int mode) { FindRegister(text, mode, true); }

void TFrmMain::FindPrevRegister(const std::string& text, int mode) { FindRegister(text, mode, false); }

void TFrmMain::FindRegister(const std::string& text, int mode, bool forward) {
  ui::RegisterGridPresenter& p = tabs_->Presenter();
  const ui::RegisterGridCells cells{p.ColCount(), p.RowCount(),
                                    [&p](int col, int row) { return p.CellText(col, row); }};
  ui::GridCellPos next;
  if (forward)
    ui::FindNextRegisterCell(cells, {p.Col(), p.Row()}, text, mode, next);
  else
    ui::FindPrevRegisterCell(cells, {p.Col(), p.Row()}, text, mode, next);
  p.SetCurrent(next.col, next.row);
  tabs_->SelectValuePair();
}

bool TFrmMain::RegisterGridKeyDown(QKeyEvent* event) {
  // Alt and the Meta key belong to the menus and the desktop.
  if (event->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) return false;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  ui::RegisterKey key = ui::RegisterKey::Other;
  char letter = 0;
  switch (event->key()) {
    case Qt::Key_Delete: key = ui::RegisterKey::Delete; break;
    case Qt::Key_Insert: key = ui::RegisterKey::Insert; break;
    case Qt::Key_F3: key = ui::RegisterKey::F3; break;
    case Qt::Key_F5: key = ui::RegisterKey::F5; break;
    default:
      if (event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z) {
        key = ui::RegisterKey::Letter;
        letter = static_cast<char>('A' + (event->key() - Qt::Key_A));
      }
      break;
  }
  using Command = ui::RegisterKeyCommand;
  switch (ui::RegisterKeyCommandFor(key, letter, ctrl, shift)) {
    case Command::Delete: mnuRegDeleteClick(); return true;
    case Command::Add: mnuRegNewClick(); return true;
    case Command::FindNext: FindNextRegister(lastSearchText_, lastSearchMode_); return true;
    case Command::FindPrev: FindPrevRegister(lastSearchText_, lastSearchMode_); return true;
    case Command::Reload: mnuDataReloadClick(); return true;
    case Command::LetterNext: FindNextRegister(std::string(1, letter), 0); return true;
    case Command::LetterPrev: FindPrevRegister(std::string(1, letter), 0); return true;
    case Command::Copy: mnuRegCopyClick(); return true;
    case Command::Paste: mnuRegPasteClick(); return true;
    case Command::None: break;
  }
  return false;
}
