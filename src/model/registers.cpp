#include "model/registers.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "model/stringutility.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/ui.h"

namespace {

using platform::Trim;

bool StartsWith(const std::string& s, const char* prefix) { return s.compare(0, strlen(prefix), prefix) == 0; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Matches "key", optional digits (required when withNumber), optional blanks,
// "="; valueStart is then the position after the "=". Only this key form is a
// key line, so a register named "NameLen" or "FileVerLo" stays a register.
bool IsKeyLine(const std::string& line, const std::string& key, bool withNumber, bool ignoreCase, size_t& valueStart) {
  if (line.size() < key.size()) return false;
  const std::string head = line.substr(0, key.size());
  if (ignoreCase ? !platform::SameTextNoCase(head, key) : head != key) return false;
  size_t p = key.size();
  if (withNumber) {
    const size_t digits = p;
    while (p < line.size() && line[p] >= '0' && line[p] <= '9') ++p;
    if (p == digits) return false;
  }
  while (p < line.size() && IsBlank(line[p])) ++p;
  if (p >= line.size() || line[p] != '=') return false;
  valueStart = p + 1;
  return true;
}

enum class LineKind { Skip, FileVer, MiconVer, Register };

// What the loader makes of a trimmed line; value is the text after "=" of a
// version line.
LineKind Classify(const std::string& t, std::string& value) {
  size_t at = 0;
  if (t.empty() || StartsWith(t, "//")) return LineKind::Skip;
  if (StartsWith(t, "[TabName]") || StartsWith(t, "[Registers]") || StartsWith(t, "[Common]") ||
      IsKeyLine(t, "Name", true, true, at))
    return LineKind::Skip;
  if (IsKeyLine(t, "FileVer", false, false, at)) {
    value = t.substr(at);
    return LineKind::FileVer;
  }
  if (IsKeyLine(t, "MiconVer", false, false, at)) {
    while (at < t.size() && IsBlank(t[at])) ++at;
    value = t.substr(at);
    return LineKind::MiconVer;
  }
  return LineKind::Register;
}

// A bare name is a file of the program folder.
std::string ResolvePath(const std::string& fileName) {
  if (platform::ExtractFilePath(fileName).empty()) return platform::ProgramFolder() + fileName;
  return fileName;
}

bool SameFolder(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (std::filesystem::equivalent(platform::ToOsPath(a), platform::ToOsPath(b), ec)) return true;
  return a == b;
}

// The last-file setting holds the bare name of a file in the program folder
// and the whole path of any other, so the next start finds it again.
std::string LastFileName(const std::string& path) {
  const std::string folder = platform::ExtractFilePath(path);
  if (folder.empty() || SameFolder(folder, platform::ProgramFolder())) return platform::ExtractFileName(path);
  return path;
}

std::string Pad(std::string s, size_t width) {
  if (s.size() < width) s.append(width - s.size(), ' ');
  return s;
}

bool IsLabel(const ST_REGISTER& r) {
  return r.ID == 0 || (!r.LongName.empty() && (r.LongName[0] == '-' || r.LongName[0] == '*'));
}

// True when reading line back gives reg's written fields again.
bool ReadsBackAs(const std::string& line, const ST_REGISTER& reg, bool hLayout) {
  const std::string t = Trim(line);
  std::string value;
  if (Classify(t, value) != LineKind::Register) return false;
  ST_REGISTER back;
  if (!ParseRegisterLine(t, hLayout, back)) return false;
  if (hLayout) back.LongName = reg.LongName;  // an H Reg line does not carry it
  return back == reg;
}

}  // namespace

// ---- Values ----

void Registers::SetValue(uint32_t id, int value) { values_[id] = value; }

void Registers::SetSnapshotValue(uint32_t id, int value) { snapshot_[id] = value; }

int Registers::GetValue(uint32_t id) const {
  auto it = values_.find(id);
  return it == values_.end() ? REG_VALUE_UNKNOWN : it->second;
}

int Registers::GetSnapshotValue(uint32_t id) const {
  auto it = snapshot_.find(id);
  return it == snapshot_.end() ? REG_VALUE_UNKNOWN : it->second;
}

void Registers::TakeSnapshot() { snapshot_ = values_; }

void Registers::ResetValues() {
  for (auto& v : values_) v.second = REG_VALUE_UNKNOWN;
}

Registers::UndoStack& Registers::GetUndoStack(uint32_t id, uint32_t mask) { return undo_[{id, mask}]; }

// ---- Register list ----

int Registers::CountIndex(int tab) { return tab < 1 || tab > kMaxTabNumber ? 1 : tab; }

void Registers::Recount() {
  std::fill(std::begin(tabCounts_), std::end(tabCounts_), 0);
  for (const auto& r : registers_) ++tabCounts_[CountIndex(r.Tab)];
}

ST_REGISTER* Registers::GetRegister(unsigned index) {
  return index < registers_.size() ? &registers_[index] : nullptr;
}

const ST_REGISTER* Registers::GetRegister(unsigned index) const {
  return index < registers_.size() ? &registers_[index] : nullptr;
}

void Registers::AddRegister(const ST_REGISTER& reg) {
  ++tabCounts_[CountIndex(reg.Tab)];
  registers_.push_back(reg);
}

void Registers::InsertRegister(const ST_REGISTER& reg, unsigned index) {
  ++tabCounts_[CountIndex(reg.Tab)];
  registers_.insert(registers_.begin() + std::min<size_t>(index, registers_.size()), reg);
}

void Registers::DeleteRegister(unsigned index) {
  if (index >= registers_.size()) return;
  --tabCounts_[CountIndex(registers_[index].Tab)];
  registers_.erase(registers_.begin() + index);
}

void Registers::ReplaceRegister(const ST_REGISTER& reg, unsigned index) {
  if (index >= registers_.size()) return;
  // The property dialog moves a register to another tab through here.
  --tabCounts_[CountIndex(registers_[index].Tab)];
  ++tabCounts_[CountIndex(reg.Tab)];
  registers_[index] = reg;
}

// ---- Tabs ----

void Registers::SetTabNames(const std::vector<std::string>& names) {
  tabNames_ = names;
  loadedTabNames_ = names;
  topRows_.assign(names.size() + 1, 1);
}

bool Registers::SetTabName(const std::string& name, int nameIndex) {
  if (nameIndex < 0 || nameIndex >= static_cast<int>(tabNames_.size())) return false;
  tabNames_[nameIndex] = name;
  return true;
}

void Registers::AddTab(const std::string& name) {
  if (topRows_.empty()) topRows_.push_back(1);  // "ALL" of a model never loaded
  tabNames_.push_back(name);
  topRows_.push_back(1);
}

bool Registers::DeleteTab(int t) {
  if (t < 1 || t > static_cast<int>(tabNames_.size())) return false;
  tabNames_.erase(tabNames_.begin() + (t - 1));
  if (t < static_cast<int>(topRows_.size())) topRows_.erase(topRows_.begin() + t);
  for (auto& r : registers_)
    if (r.Tab > t) --r.Tab;
  Recount();
  return true;
}

int Registers::GetTabRegisterCount(int t) const {
  if (t == 0) {
    int total = 0;
    for (int c : tabCounts_) total += c;
    return total;
  }
  if (t < 0 || t > kMaxTabNumber) return 0;
  return tabCounts_[t];
}

void Registers::SetTabTopRow(int row, int tabIndex) {
  if (tabIndex >= 0 && tabIndex < static_cast<int>(topRows_.size())) topRows_[tabIndex] = row;
}

int Registers::GetTabTopRow(int tabIndex) const {
  if (tabIndex < 0 || tabIndex >= static_cast<int>(topRows_.size())) return 1;
  return topRows_[tabIndex];
}

bool Registers::IsChanged() const { return tabNames_ != loadedTabNames_ || registers_ != loadedRegisters_; }

// ---- Register lines ----

bool ParseRegisterLine(const std::string& line, bool hLayout, ST_REGISTER& reg) {
  const int wordCount = hLayout ? 8 : 9;
  std::vector<std::string> w;
  int pos = 1;
  for (int i = 0; i < wordCount; ++i) w.push_back(GetWord(line, pos));

  // Word positions of Tab, ID, Mask, Vrf, Min, Max, Color in each layout.
  static const int kS[] = {2, 3, 4, 5, 6, 7, 8};
  static const int kH[] = {4, 1, 3, 2, 5, 6, 7};
  const int* at = hLayout ? kH : kS;
  int n[7] = {};
  for (int i = 0; i < 7; ++i) {
    const std::string& word = w[at[i]];
    if (i == 6 && word.empty()) continue;  // Color may be left out
    if (!platform::TryStrToInt(word, n[i])) return false;
  }
  ST_REGISTER r;
  r.LongName = w[0];
  r.ShortName = hLayout ? w[0] : w[1];
  r.Tab = n[0];
  r.ID = static_cast<uint32_t>(n[1]);
  r.Mask = static_cast<uint32_t>(n[2]);
  r.Vrf = n[3];
  r.Min = n[4];
  r.Max = n[5];
  r.Color = static_cast<uint32_t>(n[6]);
  reg = r;
  return true;
}

std::string FormatRegisterLine(const ST_REGISTER& r, bool hLayout) {
  if (hLayout)
    return platform::Format("%-20s 0x%08X %5d 0x%04X %3d %3d %5d    0x%06X", r.ShortName.c_str(), r.ID, r.Vrf, r.Mask,
                            r.Tab, r.Min, r.Max, r.Color);
  return platform::Format("%-20s %-20s %-5d 0x%08X 0x%04X %5d %3d %5d   0x%06X", r.LongName.c_str(),
                          r.ShortName.c_str(), r.Tab, r.ID, r.Mask, r.Vrf, r.Min, r.Max, r.Color);
}

// ---- Loading ----

bool Registers::ParseLines(const std::vector<std::string>& lines, bool hLayout, platform::Ui& ui) {
  topRows_.assign(1, 1);
  maxTab_ = 1;
  for (const auto& raw : lines) {
    const std::string t = Trim(raw);
    std::string value;
    switch (Classify(t, value)) {
      case LineKind::Skip:
        break;
      case LineKind::FileVer:
        if (!platform::TryStrToInt(value, fileVer_)) {
          ui.ShowCheckSetting(t);
          return false;
        }
        break;
      case LineKind::MiconVer:
        miconVer_ = value;
        break;
      case LineKind::Register: {
        ST_REGISTER r;
        if (!ParseRegisterLine(t, hLayout, r)) {
          ui.ShowCheckSetting(t);
          return false;
        }
        registers_.push_back(r);
        const int tab = CountIndex(r.Tab);
        maxTab_ = std::max(maxTab_, tab);
        ++tabCounts_[tab];
        if (!IsLabel(r)) {
          values_[r.ID] = REG_VALUE_UNKNOWN;
          undo_[{r.ID, r.Mask}] = UndoStack();
        }
        break;
      }
    }
  }
  return true;
}

bool Registers::LoadFromFile(const std::string& fileName, bool hLayout, platform::Ui& ui, SystemSettings& settings) {
  std::string path = ResolvePath(fileName);
  if (!platform::FileExists(path)) {
    ui.ShowMessageBoxJE("ERROR", platform::Format("%s が開けません", path.c_str()), "ERROR",
                        platform::Format("Fail to open %s", path.c_str()), 0x10);
    platform::FileDialogOptions options;
    options.defaultExt = "dat";
    options.filter = hLayout ? "Hreg files (*.dat)|*.DAT" : "Sreg files (*.dat)|*.DAT";
    options.initialDir = platform::ProgramFolder();
    std::string chosen;
    if (!ui.OpenFileDialog(options, chosen)) return false;
    path = chosen;
  }
  std::vector<std::string> lines;
  if (!platform::ReadLines(path, lines)) {
    ui.ShowMessageBoxJE("ERROR", platform::Format("%s が開けません", path.c_str()), "ERROR",
                        platform::Format("Fail to open %s", path.c_str()), 0x10);
    return false;
  }
  if (!lines.empty()) platform::SkipUtf8Bom(lines[0]);

  // Parsed apart, so a file that fails leaves the current content whole.
  Registers fresh;
  fresh.fileVer_ = fileVer_;  // kept when the file has no version line
  if (!fresh.ParseLines(lines, hLayout, ui)) return false;

  const platform::IniFile ini(path);
  for (int i = 1;; ++i) {
    std::string name = ini.ReadString("TabName", platform::Format("Name%d", i), std::string());
    if (name.empty()) break;
    fresh.tabNames_.push_back(name);
    fresh.topRows_.push_back(1);
  }
  fresh.loadedTabNames_ = fresh.tabNames_;
  fresh.loadedRegisters_ = fresh.registers_;
  fresh.snapshot_ = std::move(snapshot_);  // a load keeps the snapshot
  *this = std::move(fresh);

  if (hLayout)
    settings.SetLastHregFile(LastFileName(path));
  else
    settings.SetLastSregFile(LastFileName(path));
  return true;
}

// ---- Saving ----

bool Registers::CheckWritable(const std::vector<std::string>& regLines, bool hLayout, platform::Ui& ui) const {
  for (size_t i = 0; i < tabNames_.size(); ++i) {
    const std::string& name = tabNames_[i];
    const bool control =
        std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < ' '; });
    // An empty name would end the list and lose the names after it.
    if (Trim(name).empty() || control) {
      ui.ShowCheckSetting(platform::Format("Name%d = %s", static_cast<int>(i + 1), name.c_str()));
      return false;
    }
  }
  for (size_t i = 0; i < registers_.size(); ++i) {
    if (!ReadsBackAs(regLines[i], registers_[i], hLayout)) {
      ui.ShowCheckSetting(Trim(regLines[i]));
      return false;
    }
  }
  return true;
}

bool Registers::SaveToFile(const std::string& fileName, bool hLayout, platform::Ui& ui) {
  const std::string path = ResolvePath(fileName);

  std::vector<std::string> regLines;
  for (const auto& r : registers_) regLines.push_back(FormatRegisterLine(r, hLayout));
  // A name that would not read back (empty, with a blank, or taken for a
  // comment or key) is refused rather than written into a broken file.
  if (!CheckWritable(regLines, hLayout, ui)) return false;

  std::vector<std::string> out;
  out.push_back("[TabName]");
  out.push_back("");
  for (size_t i = 0; i < tabNames_.size(); ++i)
    out.push_back(platform::Format("Name%d = %s", static_cast<int>(i + 1), tabNames_[i].c_str()));
  out.push_back("");
  out.push_back("[Common]     ");
  out.push_back("FileVer = 1");
  out.push_back(miconVer_.empty() ? "MiconVer =" : "MiconVer = " + miconVer_);
  const std::string kind = hLayout ? "HREG" : "SREG";
  out.push_back("//");
  out.push_back(Pad("//", 89));
  out.push_back(Pad("//" + std::string(19, ' ') + kind + ".DAT", 89));
  out.push_back(Pad("//", 89));
  out.push_back(Pad(hLayout ? "//%% begin hreg" : "//%% begin sreg", 89));
  if (hLayout) {
    out.push_back(Pad("// Name                     ID    Vrf   Mask  Tab Min  Max    Color", 67));
    out.push_back("// " + std::string(86, '-'));
  } else {
    out.push_back(
        Pad("// Long Name         Short Name          Tab        ID      Mask    Vrf Min    Max  Color", 94));
    out.push_back("// " + std::string(92, '-'));
  }
  out.push_back("[Registers]     ");
  out.insert(out.end(), regLines.begin(), regLines.end());

  std::string text;
  for (const auto& l : out) text += l + "\r\n";

  if (!SaveAsking(ui, path, [&](std::string& reason) { return platform::WriteFileAtomic(path, text, &reason); }))
    return false;
  ui.ShowMessageBoxJE("情報", "保存されました", "Information", "Save completed", 0x40);
  return true;
}

int Registers::SaveIfChanged(const std::string& fileName, bool hLayout, platform::Ui& ui) {
  if (!IsChanged()) return 0;
  const std::string path = ResolvePath(fileName);
  const int answer = ui.ShowMessageBoxJE(
      "確認", platform::Format("ファイル　%s が変更されています。保存しますか？", path.c_str()), "Confirmation",
      platform::Format("File %s has been changed. Do you over write?", path.c_str()), 0x23);
  // A save that did not happen must not let the caller go on as if it had:
  // the edits would be lost.
  if (answer == platform::kIdYes && !SaveToFile(fileName, hLayout, ui)) return platform::kIdCancel;
  return answer;
}
