#include "rules/registercommands.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "link/targetcontrol.h"
#include "link/workspace.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "rules/pollinghold.h"

namespace rules {

namespace {

constexpr int kYesNoQuestion = 0x24;
constexpr int kYesNoCancelQuestion = 0x23;
constexpr int kErrorIcon = 0x10;

bool StartsWithQuote(const std::string& s) { return !s.empty() && s[0] == '"'; }

// Words of a register file line are split at blanks and tabs.
void ReplaceBlanks(std::string& name) {
  for (char& c : name)
    if (c == ' ' || c == '\t') c = '_';
}

// False, after the message, when a name is empty (the file line would lose a word).
bool CheckNames(platform::Ui& ui, const ST_REGISTER& reg) {
  if (!reg.LongName.empty() && !reg.ShortName.empty()) return true;
  ui.ShowMessageBoxJE("Error", "Long Name ,Short Name を確認してください", "Error", "Check Long name or Short name",
                      kErrorIcon);
  return false;
}

// The register file loader gives these no value slot.
bool HasNoValueSlot(const ST_REGISTER& reg) {
  return reg.ID == 0 || (!reg.LongName.empty() && (reg.LongName[0] == '-' || reg.LongName[0] == '*' ||
                                                   reg.LongName[0] == '"'));
}

std::string Hex(uint32_t v) { return platform::Format("0x%X", v); }

// Where text occurs in name at the start of a character (never from the
// second byte of a double-byte one).
bool ContainsAtCharStart(const std::string& name, const std::string& text) {
  if (text.empty()) return true;
  for (size_t i = 0; i + text.size() <= name.size();) {
    if (name.compare(i, text.size(), text) == 0) return true;
    i += platform::IsSjisLeadByte(static_cast<unsigned char>(name[i])) ? 2 : 1;
  }
  return false;
}

}  // namespace

bool IsLabelRegister(const ST_REGISTER& reg) { return StartsWithQuote(reg.LongName); }

int RegisterAfterDelete(const Registers& regs, int deleted, int tab) {
  const auto shown = [&regs, tab](int i) {
    return tab == 0 || regs.GetRegister(static_cast<unsigned>(i))->Tab == tab;
  };
  for (int i = std::max(0, deleted); i < regs.GetRegisterCount(); ++i)
    if (shown(i)) return i;
  for (int i = std::min(deleted, regs.GetRegisterCount()) - 1; i >= 0; --i)
    if (shown(i)) return i;
  return -1;
}

// ---- Property editor ----

std::vector<STEditItem> RegisterPropertyRows(const ST_REGISTER& reg) {
  return {
      {"Long Name", imDirectString, ";", reg.LongName},
      {"Short Name", imDirectString, ";", reg.ShortName},
      {"ID", imRangeUnsigned, "0;0xFFFFFFFF", Hex(reg.ID)},
      {"Max", imRangeUnsigned, "0;0xFFFFFFFF", Hex(static_cast<uint32_t>(reg.Max))},
      {"Min", imRangeUnsigned, "0;0xFFFFFFFF", Hex(static_cast<uint32_t>(reg.Min))},
      {"Mask", imRangeUnsigned, "1;0xFFFFFFFF", Hex(reg.Mask)},
      {"Color", imSelectColor, ";", Hex(reg.Color)},
  };
}

void TakeRegisterPropertyRows(const std::vector<STEditItem>& rows, ST_REGISTER& reg) {
  ST_REGISTER r = reg;
  r.LongName = rows.at(0).Value;
  r.ShortName = rows.at(1).Value;
  r.ID = static_cast<uint32_t>(platform::StrToInt(rows.at(2).Value));
  r.Max = platform::StrToInt(rows.at(3).Value);
  r.Min = platform::StrToInt(rows.at(4).Value);
  r.Mask = static_cast<uint32_t>(platform::StrToInt(rows.at(5).Value));
  r.Color = static_cast<uint32_t>(platform::StrToInt(rows.at(6).Value));
  reg = r;
}

int EditRegisterProperties(ST_REGISTER& reg, MainView& view) {
  std::vector<STEditItem> rows = RegisterPropertyRows(reg);
  if (!view.EditParameters(rows)) return 1;
  TakeRegisterPropertyRows(rows, reg);
  return 0;
}

// ---- Register files ----

std::string RegFilePath(const std::string& heldName) {
  return platform::IsAbsolutePath(heldName) ? heldName : platform::ProgramFolder() + heldName;
}

std::string HeldRegFileName(const std::string& path) {
  const std::string folder = platform::ExtractFilePath(path);
  if (folder.empty()) return path;
  std::error_code ec;
  if (folder == platform::ProgramFolder() ||
      std::filesystem::equivalent(platform::ToOsPath(folder), platform::ToOsPath(platform::ProgramFolder()), ec))
    return platform::ExtractFileName(path);
  return path;
}

// ---- Commands ----

RegisterCommands::RegisterCommands(Workspace& ws, MainView& view, TLineRate& line)
    : ws_(ws), target_(ws.TargetControl), view_(view), line_(line) {}

void RegisterCommands::ShowComStatus() {
  view_.SetComStatus(FormatComStatus(ws_.settings.GetComPort(), line_.GetBaudIndex()));
}

void RegisterCommands::UpdateCaption() {
  view_.SetCaption(FormatMainCaption(fileNames_.s, ws_.SRegisters.GetMiconVer(), fileNames_.h,
                                     ws_.HRegisters.GetMiconVer()));
}

Registers& RegisterCommands::OfKind(RegKind kind) const { return kind == RegKind::H ? ws_.HRegisters : ws_.SRegisters; }

Registers& RegisterCommands::Shown() const { return OfKind(view_.Registers().ShownFile()); }

int RegisterCommands::InsertPosition() const {
  const int index = view_.Registers().CurrentRegisterIndex();
  const ST_REGISTER* reg = index < 0 ? nullptr : Shown().GetRegister(static_cast<unsigned>(index));
  if (!reg || reg->ShortName == "NULL") return -1;
  return index;
}

bool RegisterCommands::ReadWord(uint32_t id, int& word) {
  uint32_t value = 0;
  if (!target_.ReadMemory(id, 2, 1, &value)) return false;
  word = static_cast<int>(value);
  return true;
}

void RegisterCommands::Rebuild(int current) {
  view_.Registers().ShowRegisterTabAt(view_.Registers().CurrentTab(), current);
}

int RegisterCommands::PlacedAt(int position) const {
  return position < 0 ? Shown().GetRegisterCount() - 1 : position;
}

bool RegisterCommands::AddRegister() {
  const int position = InsertPosition();
  ST_REGISTER reg;
  if (EditRegisterProperties(reg, view_) != 0) return false;
  ReplaceBlanks(reg.LongName);
  ReplaceBlanks(reg.ShortName);
  if (!CheckNames(ws_.ui, reg)) return false;

  int value = REG_VALUE_UNKNOWN;
  if (!IsLabelRegister(reg) && !ReadWord(reg.ID, value)) return false;

  Registers& regs = Shown();
  if (position < 0)
    regs.AddRegister(reg);
  else
    regs.InsertRegister(reg, static_cast<unsigned>(position));
  if (value != REG_VALUE_UNKNOWN) {
    regs.SetValue(reg.ID, value);
    regs.SetSnapshotValue(reg.ID, value);
  }
  Rebuild(PlacedAt(position));
  return true;
}

bool RegisterCommands::DeleteRegister() {
  const int index = view_.Registers().CurrentRegisterIndex();
  Registers& regs = Shown();
  const ST_REGISTER* reg = index < 0 ? nullptr : regs.GetRegister(static_cast<unsigned>(index));
  if (!reg) return false;
  const char* name = reg->LongName.c_str();
  if (ws_.ui.ShowMessageBoxJE("確認", platform::Format("%s を削除してもよろしいですか?", name), "Confirmation",
                              platform::Format("Do you delete %s ?", name), kYesNoQuestion) != platform::kIdYes)
    return false;
  regs.DeleteRegister(static_cast<unsigned>(index));
  Rebuild(RegisterAfterDelete(regs, index, view_.Registers().CurrentTab()));
  return true;
}

bool RegisterCommands::CopyRegister() {
  const int index = view_.Registers().CurrentRegisterIndex();
  const ST_REGISTER* reg = index < 0 ? nullptr : Shown().GetRegister(static_cast<unsigned>(index));
  if (!reg || IsLabelRegister(*reg)) return false;
  copyBuffer_ = *reg;
  return true;
}

bool RegisterCommands::PasteRegister() {
  if (copyBuffer_.ID == 0) return false;
  const int position = InsertPosition();
  ST_REGISTER reg = copyBuffer_;
  reg.Tab = view_.Registers().CurrentTab();
  Registers& regs = Shown();
  if (position < 0)
    regs.AddRegister(reg);
  else
    regs.InsertRegister(reg, static_cast<unsigned>(position));
  // A register copied from the other file may bring an ID this file never
  // reads; give it a slot so the next full read fetches it.
  if (!HasNoValueSlot(reg) && regs.GetValueMap().count(reg.ID) == 0) regs.SetValue(reg.ID, REG_VALUE_UNKNOWN);
  // The copy is selected, so a second paste puts the next copy beside it.
  Rebuild(PlacedAt(position));
  return true;
}

bool RegisterCommands::EditRegisterProperty() {
  const int index = view_.Registers().CurrentRegisterIndex();
  Registers& regs = Shown();
  const ST_REGISTER* reg = index < 0 ? nullptr : regs.GetRegister(static_cast<unsigned>(index));
  if (!reg) return false;
  ST_REGISTER copy = *reg;
  if (EditRegisterProperties(copy, view_) != 0) return false;
  // The same rules as a new register: a blank or an empty name would break
  // the register file's line apart.
  ReplaceBlanks(copy.LongName);
  ReplaceBlanks(copy.ShortName);
  if (!CheckNames(ws_.ui, copy)) return false;

  if (!IsLabelRegister(copy) && copy.ID != 0 && !StartsWithQuote(copy.ShortName)) {
    int value = REG_VALUE_UNKNOWN;
    if (!ReadWord(copy.ID, value)) return false;
    regs.SetValue(copy.ID, value);
  }
  regs.ReplaceRegister(copy, static_cast<unsigned>(index));
  Rebuild(index);
  return true;
}

void RegisterCommands::NoteHValuesRead() {
  // The run's first read of H is its snapshot: a value is marked changed
  // only against one that was read.
  if (hValuesRead_) return;
  ws_.HRegisters.TakeSnapshot();
  hValuesRead_ = true;
}

bool RegisterCommands::ReadHValuesOnce() {
  if (hValuesRead_) return true;
  const bool ok = view_.Status().ReadRegisterValues(RegKind::H);
  NoteHValuesRead();
  return ok;
}

void RegisterCommands::ShowRegisterFile(RegKind kind) {
  view_.Registers().SetShownFile(kind);
  if (kind == RegKind::H) ReadHValuesOnce();
  view_.Registers().BuildTabStrip();
  // A register of the other file has nothing to do with the one left.
  view_.Registers().ShowRegisterTabAt(0, -1);
}

bool RegisterCommands::ReloadData() {
  PollingHold hold(view_.Status());
  const RegKind kind = view_.Registers().ShownFile();
  Registers& regs = OfKind(kind);
  // What was shown becomes the snapshot, so every value that changes now is marked.
  regs.TakeSnapshot();
  regs.ResetValues();
  bool ok = view_.Status().ReadRegisterValues(kind);
  if (!ok && line_.FindBaudRate() == 0) {
    ok = view_.Status().ReadRegisterValues(kind);
    if (ok) line_.RaiseBaudRate();
  } else if (ok && line_.GetBaudIndex() == 0) {
    // The first answer of a set that was off when the link was made: its
    // rate is raised as at start-up.
    line_.RaiseBaudRate();
  }
  ShowComStatus();
  // Names too: a grid never built (no answer at start-up) is filled now.
  view_.Registers().ShowRegisterTab(view_.Registers().CurrentTab());
  return ok;
}

bool RegisterCommands::SelectRegisterFile(RegKind kind) {
  Registers& regs = OfKind(kind);
  const bool hLayout = kind == RegKind::H;
  if (regs.IsChanged()) {
    const std::string held = fileNames_.Of(kind);
    const int answer = ws_.ui.ShowMessageBoxJE(
        "確認", platform::Format("ファイル　%s が変更されています。保存しますか？", held.c_str()), "Confirmation",
        platform::Format("File %s has been changed. Do you over write?", held.c_str()), kYesNoCancelQuestion);
    if (answer == platform::kIdCancel) return false;
    // Changes the user wanted kept are not dropped by loading another file.
    if (answer == platform::kIdYes && !regs.SaveToFile(RegFilePath(held), hLayout, ws_.ui)) return false;
  }

  platform::FileDialogOptions options;
  options.defaultExt = "dat";
  options.initialDir = platform::ProgramFolder();
  options.filter = hLayout ? "Hreg files (*.dat)|*.DAT" : "Sreg files (*.dat)|*.DAT";
  std::string path;
  if (!ws_.ui.OpenFileDialog(options, path)) return false;

  view_.Registers().SetShownFile(kind);
  // A file that did not load leaves the old list, which must keep its own name.
  const bool loaded = regs.LoadFromFile(path, hLayout, ws_.ui, ws_.settings);
  if (loaded) fileNames_.Of(kind) = HeldRegFileName(path);
  UpdateCaption();
  view_.Registers().BuildTabStrip();
  view_.Status().ReadRegisterValues(kind);
  if (kind == RegKind::H) NoteHValuesRead();
  view_.Registers().ShowRegisterTabAt(0, -1);
  return loaded;
}

bool RegisterCommands::SaveRegisterFileAs(RegKind kind) {
  const bool hLayout = kind == RegKind::H;
  platform::FileDialogOptions options;
  options.defaultExt = "dat";
  options.initialDir = platform::ProgramFolder();
  options.filter = hLayout ? "Hreg files (*.dat)|*.dat" : "Sreg files (*.dat)|*.dat";
  std::string path;
  if (!ws_.ui.SaveFileDialog(options, path)) return false;
  return OfKind(kind).SaveToFile(path, hLayout, ws_.ui);
}

bool RegisterCommands::OverwriteRegisterFile(RegKind kind) {
  return OfKind(kind).SaveToFile(RegFilePath(fileNames_.Of(kind)), kind == RegKind::H, ws_.ui);
}

// ---- Search ----

bool RegisterNameMatches(const std::string& name, const std::string& text, int mode) {
  if (name.empty() || text.empty()) return false;
  switch (mode) {
    case 0: {
      const int c = static_cast<unsigned char>(text[0]);
      const int first = static_cast<unsigned char>(name[0]);
      return first == c || first == (c < 91 ? c + 32 : c - 32);
    }
    case 1:
      return platform::UpperAscii(name) == platform::UpperAscii(text);
    case 2:
      return ContainsAtCharStart(platform::UpperAscii(name), platform::UpperAscii(text));
    default:
      return false;
  }
}

namespace {

// The name column of the pair that holds col.
int PairNameColumn(int col) { return col < 1 ? 1 : (col % 2 == 1 ? col : col - 1); }

}  // namespace

bool FindNextRegisterCell(const RegisterGridCells& grid, GridCellPos current, const std::string& text, int mode,
                          GridCellPos& next) {
  next = current;
  if (text.empty()) return false;
  const int first = PairNameColumn(current.col);
  for (int c = first; c + 1 < grid.colCount; c += 2) {
    for (int r = c == first ? current.row + 1 : 1; r < grid.rowCount; ++r) {
      const std::string name = grid.text(c, r);
      if (name.empty()) break;
      if (RegisterNameMatches(name, text, mode)) {
        next = {c + 1, r};
        return true;
      }
    }
  }
  next = {2, 1};
  return false;
}

bool FindPrevRegisterCell(const RegisterGridCells& grid, GridCellPos current, const std::string& text, int mode,
                          GridCellPos& next) {
  next = current;
  if (text.empty()) return false;
  const int lastRow = grid.rowCount - 1;
  int c = PairNameColumn(current.col);
  int start = current.row - 1;
  if (start < 1) {
    c -= 2;
    start = lastRow;
  }
  for (; c >= 1; c -= 2, start = lastRow) {
    // Going up, the empty cells below a pair's last name are passed over,
    // so a search from there still finds the names above it.
    for (int r = start; r >= 1; --r) {
      const std::string name = grid.text(c, r);
      if (!name.empty() && RegisterNameMatches(name, text, mode)) {
        next = {c + 1, r};
        return true;
      }
    }
  }
  next.col = grid.colCount - 1;
  next.row = lastRow;
  while (next.row > 1 && grid.text(next.col, next.row).empty()) --next.row;
  if (next.row < 1) next.row = 1;
  return false;
}

// ---- Keys ----

RegisterKeyCommand RegisterKeyCommandFor(RegisterKey key, char letter, bool ctrl, bool shift) {
  switch (key) {
    case RegisterKey::Delete:
      return RegisterKeyCommand::Delete;
    case RegisterKey::Insert:
      return RegisterKeyCommand::Add;
    case RegisterKey::F3:
      return shift ? RegisterKeyCommand::FindPrev : RegisterKeyCommand::FindNext;
    case RegisterKey::F5:
      return RegisterKeyCommand::Reload;
    case RegisterKey::Letter:
      if (letter < 'A' || letter > 'Z') return RegisterKeyCommand::None;
      if (ctrl) {
        if (letter == 'C') return RegisterKeyCommand::Copy;
        if (letter == 'V') return RegisterKeyCommand::Paste;
        return RegisterKeyCommand::None;
      }
      return shift ? RegisterKeyCommand::LetterPrev : RegisterKeyCommand::LetterNext;
    default:
      return RegisterKeyCommand::None;
  }
}

}  // namespace rules
