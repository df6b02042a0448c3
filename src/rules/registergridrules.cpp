#include "rules/registergridrules.h"

#include <algorithm>

#include "link/workspace.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/convert.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "rules/tabrowflow.h"

namespace rules {

namespace {
constexpr int kIconWarning = 0x30;
const std::string kEmpty;

// A tab name the register file can hold: not empty nor blanks only, no
// control character.
bool TabNameFits(const std::string& name) {
  return !platform::Trim(name).empty() &&
         std::none_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < ' '; });
}
}  // namespace

std::string FormatRegisterStatus(const ST_REGISTER& reg, EcsProtocol ecsType) {
  if (ecsType == EcsProtocol::Ecs2)
    return platform::Format("%s  ID : 0x%04X  Max : %d  Min : %d", reg.LongName.c_str(), reg.ID, reg.Max, reg.Min);
  if (ecsType == EcsProtocol::Ecs3)
    return platform::Format("%s  ID : 0x%08X  Max : %d  Min : %d", reg.LongName.c_str(), reg.ID, reg.Max, reg.Min);
  return std::string();
}

std::string FormatRegisterValue(int word, uint32_t mask, bool hex) {
  if (word == REG_VALUE_UNKNOWN) return " ---";
  const int field = ExtractByMask(word, static_cast<int>(mask));
  return hex ? platform::Format("0x%X", static_cast<unsigned>(field)) : platform::Format("%d", field);
}

RegisterGridPresenter::RegisterGridPresenter(Workspace& ws) : ws_(ws) {
  SetKeptSizes(keptName_, keptValue_, keptRow_);
  cells_.assign(static_cast<size_t>(colCount_ * rowCount_), std::string());
  cellMap_.assign(cells_.size(), -1);
  SelectValuePair();
}

Registers& RegisterGridPresenter::Shown() const { return shown_ == RegKind::H ? ws_.HRegisters : ws_.SRegisters; }

EcsProtocol RegisterGridPresenter::EcsType() const { return ws_.settings.GetEcsType(); }

// ---- Sizes ----

void RegisterGridPresenter::SetKeptSizes(int nameWidth, int valueWidth, int rowHeight) {
  keptName_ = nameWidth;
  keptValue_ = valueWidth;
  keptRow_ = rowHeight;
  colWidths_.assign(static_cast<size_t>(colCount_), 0);
  for (int c = FixedCols; c < colCount_; ++c)
    colWidths_[c] = ((c - FixedCols) % 2 == 0) ? nameWidth : ShownValueWidth();
  rowHeights_.assign(static_cast<size_t>(rowCount_), 0);
  for (int r = FixedRows; r < rowCount_; ++r) rowHeights_[r] = ShownRowHeight();
}

void RegisterGridPresenter::SetLeastValueWidth(int width) {
  leastValue_ = std::max(0, width);
  for (int c = FixedCols + 1; c < colCount_; c += 2) colWidths_[c] = ShownValueWidth();
}

void RegisterGridPresenter::SetLeastRowHeight(int height) {
  leastRow_ = std::max(0, height);
  for (int r = FixedRows; r < rowCount_; ++r) rowHeights_[r] = ShownRowHeight();
}

int RegisterGridPresenter::ColWidth(int col) const {
  return col >= 0 && col < colCount_ ? colWidths_[static_cast<size_t>(col)] : 0;
}

int RegisterGridPresenter::RowHeight(int row) const {
  return row >= 0 && row < rowCount_ ? rowHeights_[static_cast<size_t>(row)] : 0;
}

void RegisterGridPresenter::SetColWidth(int col, int width) {
  if (col >= FixedCols && col < colCount_) colWidths_[static_cast<size_t>(col)] = std::max(0, width);
}

void RegisterGridPresenter::SetRowHeight(int row, int height) {
  if (row >= FixedRows && row < rowCount_) rowHeights_[static_cast<size_t>(row)] = std::max(0, height);
}

bool RegisterGridPresenter::MouseUp() {
  bool changed = false;
  if (ColWidth(1) != keptName_) {
    keptName_ = ColWidth(1);
    for (int c = 3; c < colCount_; c += 2) colWidths_[c] = keptName_;
    changed = true;
  }
  if (ColWidth(2) != ShownValueWidth()) {
    // The width dragged is kept; no value column is shown narrower than its texts.
    keptValue_ = ColWidth(2);
    for (int c = 2; c < colCount_; c += 2) colWidths_[c] = ShownValueWidth();
    changed = true;
  }
  if (RowHeight(1) != ShownRowHeight()) {
    // Likewise no row is shown lower than the font's line.
    keptRow_ = RowHeight(1);
    for (int r = 1; r < rowCount_; ++r) rowHeights_[r] = ShownRowHeight();
    changed = true;
  }
  if (changed) ws_.settings.SetRegGridSizes(keptName_, keptValue_, keptRow_);
  return changed;
}

bool RegisterGridPresenter::ResizeNeedsRebuild() const { return pairs_ != 0 && PairsFor(laidOut_) != pairs_; }

// ---- Layout and values ----

int RegisterGridPresenter::PairsFor(int count) const {
  const int pairWidth = ColWidth(FixedCols) + ColWidth(FixedCols + 1) + 4 * metrics_.gridLineWidth;
  // Zero-width columns must not divide by zero: one pair then.
  if (pairWidth <= 0) return 1;
  const auto fit = [pairWidth](int width) { return std::max(1, width / pairWidth); };
  // Decided by the layout being made, not by the one before it, so a size
  // reached by resizing gets the pairs a fresh layout at that size gets.
  const int pairs = fit(metrics_.width);
  const int rows = std::max(1, count / pairs + (count % pairs ? 1 : 0));
  return rows > metrics_.visibleRows ? fit(metrics_.width - metrics_.scrollBarWidth) : pairs;
}

void RegisterGridPresenter::ComputeGridLayout(int count) {
  pairs_ = PairsFor(count);
  laidOut_ = count;
  int rows = count / pairs_ + (count % pairs_ ? 1 : 0);
  if (rows < 1) rows = 1;

  const int nameWidth = ColWidth(FixedCols);
  const int valueWidth = ColWidth(FixedCols + 1);
  const int rowHeight = RowHeight(FixedRows);
  colCount_ = FixedCols + 2 * pairs_;
  rowCount_ = FixedRows + rows;
  colWidths_.assign(static_cast<size_t>(colCount_), 0);
  for (int c = FixedCols; c < colCount_; ++c) colWidths_[c] = ((c - FixedCols) % 2 == 0) ? nameWidth : valueWidth;
  rowHeights_.assign(static_cast<size_t>(rowCount_), 0);
  for (int r = FixedRows; r < rowCount_; ++r) rowHeights_[r] = rowHeight;
  ClampCurrent();
}

int RegisterGridPresenter::PlacedCount(int tab) const {
  const Registers& regs = Shown();
  int n = 0;
  for (int i = 0; i < regs.GetRegisterCount(); ++i)
    if (tab == 0 || regs.GetRegister(static_cast<unsigned>(i))->Tab == tab) ++n;
  return n;
}

void RegisterGridPresenter::BuildRegisterGrid(int tab, int currentRegister) {
  // Sized from the registers that will be placed, not from the tab counts,
  // so a count that went wrong can never overrun the map.
  ComputeGridLayout(PlacedCount(tab));
  cells_.assign(static_cast<size_t>(colCount_ * rowCount_), std::string());
  cellMap_.assign(cells_.size(), -1);

  const Registers& regs = Shown();
  const int dataRows = DataRows();
  int k = 0;
  for (int i = 0; i < regs.GetRegisterCount(); ++i) {
    const ST_REGISTER* r = regs.GetRegister(static_cast<unsigned>(i));
    if (tab != 0 && r->Tab != tab) continue;
    const int row = FixedRows + k % dataRows;
    const int col = FixedCols + 2 * (k / dataRows);
    cells_[Index(col, row)] = r->ShortName;
    cellMap_[Index(col, row)] = i;
    ++k;
  }
  ClampCurrent();
  if (currentRegister >= 0) SelectRegister(currentRegister);
}

void RegisterGridPresenter::ShowRegisterValues() {
  const Registers& regs = Shown();
  for (int c = FixedCols + 1; c < colCount_; c += 2) {
    for (int r = FixedRows; r < rowCount_; ++r) {
      const ST_REGISTER* reg = RegisterOf(c - 1, r);
      if (!reg) continue;
      cells_[Index(c, r)] = FormatRegisterValue(regs.GetValue(reg->ID), reg->Mask, hex_);
    }
  }
}

int RegisterGridPresenter::CellToRegister(int cellIndex) const {
  if (cellIndex < 0 || static_cast<size_t>(cellIndex) >= cellMap_.size()) return -1;
  return cellMap_[static_cast<size_t>(cellIndex)];
}

int RegisterGridPresenter::RegisterAt(int col, int row) const {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) return -1;
  return CellToRegister(Index(col, row));
}

const ST_REGISTER* RegisterGridPresenter::RegisterOf(int col, int row) const {
  const int index = RegisterAt(col, row);
  return index < 0 ? nullptr : Shown().GetRegister(static_cast<unsigned>(index));
}

const std::string& RegisterGridPresenter::CellText(int col, int row) const {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) return kEmpty;
  return cells_[Index(col, row)];
}

void RegisterGridPresenter::SetCellText(int col, int row, const std::string& text) {
  if (col >= 0 && col < colCount_ && row >= 0 && row < rowCount_) cells_[Index(col, row)] = text;
}

CellLook RegisterGridPresenter::LookOf(int col, int row) const {
  CellLook look;
  if ((col - FixedCols) % 2 == 0) {
    const ST_REGISTER* reg = RegisterOf(col, row);
    look.textColor = reg ? static_cast<int>(reg->Color) : 0;
    look.backColor = selection_.Contains(col, row) ? selBackColor_ : gridColor_;
    return look;
  }
  look.alignRight = true;
  look.backColor = kWhite;
  if (const ST_REGISTER* reg = RegisterOf(col - 1, row)) {
    const Registers& regs = Shown();
    const int mask = static_cast<int>(reg->Mask);
    const int snapshot = regs.GetSnapshotValue(reg->ID);
    // Changed only against a value that was read: nothing was seen to change.
    if (snapshot != REG_VALUE_UNKNOWN && (regs.GetValue(reg->ID) & mask) != (snapshot & mask))
      look.backColor = kAqua;
  }
  return look;
}

// ---- Current cell and selection ----

void RegisterGridPresenter::ClampCurrent() {
  col_ = std::clamp(col_, FixedCols, colCount_ - 1);
  row_ = std::clamp(row_, FixedRows, rowCount_ - 1);
  topRow_ = std::clamp(topRow_, FixedRows, rowCount_ - 1);
  if (!selection_.Contains(col_, row_) || selection_.right >= colCount_ || selection_.bottom >= rowCount_)
    SelectValuePair();
}

void RegisterGridPresenter::SetCurrent(int col, int row) {
  col_ = col;
  row_ = row;
  ClampCurrent();
}

int RegisterGridPresenter::CurrentRegister() const {
  const int nameCol = (col_ - FixedCols) % 2 == 0 ? col_ : col_ - 1;
  return RegisterAt(nameCol, row_);
}

bool RegisterGridPresenter::SelectRegister(int index) {
  if (index < 0) return false;
  const auto at = std::find(cellMap_.begin(), cellMap_.end(), index);
  if (at == cellMap_.end()) return false;
  const int cell = static_cast<int>(at - cellMap_.begin());
  col_ = cell / rowCount_ + 1;  // the value column beside the name
  row_ = cell % rowCount_;
  SelectValuePair();
  return true;
}

std::string RegisterGridPresenter::CurrentStatus() const {
  const int index = CurrentRegister();
  const ST_REGISTER* reg = index < 0 ? nullptr : Shown().GetRegister(static_cast<unsigned>(index));
  return reg ? FormatRegisterStatus(*reg, EcsType()) : std::string();
}

void RegisterGridPresenter::SelectValuePair() {
  if ((col_ - FixedCols) % 2 == 0 && col_ != colCount_ - 1) ++col_;
  selection_ = GridRect{col_ - 1, row_, col_, row_};
}

// ---- Events ----

RegisterGridPresenter::KeyAction RegisterGridPresenter::KeyDown(Key key, bool ctrl, bool shift) {
  const int firstValue = FixedCols + 1;
  const int lastCol = colCount_ - 1;
  const int lastRow = rowCount_ - 1;
  switch (key) {
    case Key::Tab: {
      if (!ctrl) return KeyAction::NotHandled;
      const int next = StepTab(tab_, static_cast<int>(tabs_.size()), shift);
      if (next == tab_) return KeyAction::Consumed;
      ChangeTab(next);
      return KeyAction::TabChanged;
    }
    case Key::Enter:
      return KeyAction::EditValue;
    case Key::Right:
      if (col_ + 2 <= lastCol) {
        col_ += 2;
      } else if (row_ < lastRow) {
        ++row_;
        col_ = firstValue;
      }
      break;
    case Key::Left:
      if (col_ > firstValue) {
        col_ -= 2;
      } else if (row_ > FixedRows) {
        --row_;
        col_ = lastCol;
      }
      break;
    case Key::Up:
      if (row_ > FixedRows) {
        --row_;
      } else if (col_ >= FixedCols + 2) {
        col_ -= 2;
        row_ = lastRow;
      }
      break;
    case Key::Down:
      if (row_ < lastRow) {
        ++row_;
      } else if (col_ + 2 <= lastCol) {
        col_ += 2;
        row_ = FixedRows;
      }
      break;
    case Key::Home:
      col_ = firstValue;
      if (ctrl) row_ = FixedRows;
      break;
    case Key::End:
      col_ = lastCol;
      if (ctrl) row_ = lastRow;
      break;
    case Key::Other:
      return KeyAction::NotHandled;
  }
  SelectValuePair();
  return KeyAction::Consumed;
}

bool RegisterGridPresenter::PrepareEdit(EditRequest& request) const {
  const std::string& name = CellText(col_ - 1, row_);
  if (name.empty() || name[0] == '"') return false;
  const std::string& value = CellText(col_, row_);
  if (value.find('-') != std::string::npos) return false;
  const int index = RegisterAt(col_ - 1, row_);
  if (index < 0) return false;
  int parsed = 0;
  // A value cell not written yet holds no number: nothing to edit.
  if (!platform::TryStrToInt(value, parsed)) return false;
  request.registerIndex = index;
  request.value = parsed;
  return true;
}

void RegisterGridPresenter::FinishEdit(int word) {
  SetCellText(col_, row_, platform::Format("%d", word));
  ShowRegisterValues();
}

// ---- Tabs ----

void RegisterGridPresenter::BuildTabStrip() {
  Registers& regs = Shown();
  std::vector<std::string> names;
  regs.GetTabNames(names);
  if (names.empty()) {
    if (shown_ == RegKind::H)
      ws_.vund.GetHRegWindowNames(names);
    else
      ws_.vund.GetSRegWindowNames(names);
    regs.SetTabNames(names);
  }
  tabs_.assign(1, "ALL");
  tabs_.insert(tabs_.end(), names.begin(), names.end());
  tab_ = 0;
}

void RegisterGridPresenter::ChangeTab(int tab) {
  tab_ = tab;
  // Another tab opens at its remembered top row, not on the register left.
  BuildRegisterGrid(tab, -1);
  ShowRegisterValues();
  const int top = Shown().GetTabTopRow(tab);
  topRow_ = (top < rowCount_ && top >= FixedRows) ? top : FixedRows;
  row_ = topRow_;
  SelectValuePair();
}

void RegisterGridPresenter::TopLeftChanged(int topRow) {
  topRow_ = topRow;
  Shown().SetTabTopRow(topRow, tab_);
}

bool RegisterGridPresenter::RenameCurrentTab() {
  if (tab_ < 0 || tab_ >= static_cast<int>(tabs_.size())) return false;
  const std::string old = tabs_[static_cast<size_t>(tab_)];
  std::string text = old;
  if (!ws_.ui.InputBox("Input", "Tab Name", text)) return false;
  // Refused where it is typed: the register file could not be saved with it.
  if (!TabNameFits(text)) {
    ws_.ui.ShowMessageBoxJE("注意", platform::Format("タブ %s の名前を空には出来ません", old.c_str()), "Warning",
                            platform::Format("The name of tab %s can not be empty", old.c_str()), kIconWarning);
    return false;
  }
  tabs_[static_cast<size_t>(tab_)] = text;
  if (tab_ > 0) Shown().SetTabName(text, tab_ - 1);
  return true;
}

bool RegisterGridPresenter::AddNewTab() {
  // Tab numbers end at 100.
  if (static_cast<int>(tabs_.size()) - 1 >= kMaxTabs) return false;
  std::string text;
  if (!ws_.ui.InputBox("Input", "Tab Name", text) || !TabNameFits(text)) return false;
  tabs_.push_back(text);
  Shown().AddTab(text);
  return true;
}

bool RegisterGridPresenter::DeleteCurrentTab() {
  if (tab_ < 0 || tab_ >= static_cast<int>(tabs_.size())) return false;
  // "ALL" holds every register of the file.
  if (PlacedCount(tab_) > 0 || (tab_ > 0 && Shown().GetTabRegisterCount(tab_) > 0)) {
    ws_.ui.ShowMessageBoxJE("注意", "レジスタが登録されたタブは削除出来ません", "Warning",
                            "Some register are registered in this tab. You can not delete this tab", kIconWarning);
    return false;
  }
  // "ALL" has no tab number of its own: it is never deleted.
  if (tab_ == 0) return false;
  if (!Shown().DeleteTab(tab_)) return false;
  tabs_.erase(tabs_.begin() + tab_);
  // The strip now shows the tab that followed (or the new last one): the
  // grid follows it, so it never shows one tab's registers under another.
  ChangeTab(std::min(tab_, static_cast<int>(tabs_.size()) - 1));
  return true;
}

}  // namespace rules
