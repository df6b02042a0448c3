#include "ui/regsnapshottransfer.h"

#include <map>

#include "model/regvaluefile.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/mainwindowservices.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "ui/frmcompeepdata.h"
#include "ui/frmselsnapshotid.h"
#include "ui/pollinghold.h"

namespace ui {

namespace {

const char kIdFilter[] = "Sreg Hreg log files (*.id)|*.id";
constexpr int kErrorIcon = 0x10;
constexpr int kInformationIcon = 0x40;

class QtRegSnapshotDialogs : public RegSnapshotDialogs {
 public:
  int SelectRegisterFiles(bool& sReg, bool& hReg) override { return ::SelectRegisterFiles(sReg, hReg); }
  int ShowCompareResult(const std::vector<std::string>& lines) override { return ::ShowCompareResult(lines); }
};

// Sets the progress text and clears it on every way out.
class ProgressText {
 public:
  explicit ProgressText(const std::string& text) { platform::MainServices().SetProgressMessage(text); }
  ~ProgressText() { platform::MainServices().SetProgressMessage(""); }
  ProgressText(const ProgressText&) = delete;
  ProgressText& operator=(const ProgressText&) = delete;
};

platform::FileDialogOptions IdFileDialog() {
  platform::FileDialogOptions options;
  options.initialDir = platform::ProgramFolder();
  options.defaultExt = "id";
  options.filter = kIdFilter;
  return options;
}

bool WriteCommandList(TTargetControl& target, const std::vector<stSnapShotCmmd>& list) {
  const int saved = target.GetProtocolTimeout();
  target.SetProtocolTimeout(GetCommandTimeOutTime());
  bool ok = true;
  for (const stSnapShotCmmd& command : list) {
    const uint32_t data = static_cast<uint32_t>(command.Data);
    if (!target.WriteMemory(static_cast<uint32_t>(command.ID), 2, 1, &data)) {
      ok = false;
      break;
    }
  }
  target.SetProtocolTimeout(saved);
  return ok;
}

// A register that is not a whole word is restored into its field only.
bool IsWholeWord(int32_t mask) { return (mask & 0xFFFF) == 0xFFFF; }

std::string ReadErrorLine(const RegisterSnapshotItem& item, int fileValue) {
  return platform::Format("%20s  File %d  Target Read Error", item.Name.c_str(), fileValue);
}

}  // namespace

RegSnapshotDialogs& StandardRegSnapshotDialogs() {
  static QtRegSnapshotDialogs dialogs;
  return dialogs;
}

bool LoadRegisterSnapshot(const std::string& fileName, bool& hasS, bool& hasH,
                          std::vector<RegisterSnapshotItem>& items) {
  items.clear();
  std::vector<RegValueFileEntry> entries;
  if (!LoadRegisterValueFile(fileName, hasS, hasH, entries)) return false;
  for (const RegValueFileEntry& e : entries) {
    RegisterSnapshotItem item;
    item.Name = e.Name;
    item.ID = e.ID;
    item.Mask = e.Mask;
    item.Value = e.Value;
    item.Vrf = e.Vrf;
    item.IsSReg = e.IsSReg;
    items.push_back(item);
  }
  return true;
}

bool WriteSnapShotPreCommands(TTargetControl& target) {
  std::vector<stSnapShotCmmd> list;
  GetSnapShotPreCommands(list);
  return WriteCommandList(target, list);
}

bool WriteReproducePostCommands(TTargetControl& target) {
  std::vector<stSnapShotCmmd> list;
  GetReproducePostCommands(list);
  return WriteCommandList(target, list);
}

RegSnapshotTransfer::RegSnapshotTransfer(TTargetControl& target, RegSnapshotDialogs& dialogs, PollingSwitch* polling)
    : target_(target), dialogs_(dialogs), polling_(polling) {}

bool RegSnapshotTransfer::SaveRegisterValues(bool hValuesRead,
                                             const std::function<bool(int kind)>& readRegisterValues) {
  bool sReg = true, hReg = true;
  if (dialogs_.SelectRegisterFiles(sReg, hReg) != 1) return false;
  if (hReg && !hValuesRead && readRegisterValues) readRegisterValues(1);

  std::string path;
  if (!platform::GetUi().SaveFileDialog(IdFileDialog(), path)) return false;
  {
    PollingHold hold(polling_);
    if (!WriteSnapShotPreCommands(target_)) return false;
  }
  std::string error;
  if (!SaveRegisterSnapshot(path, sReg, hReg, &error)) {
    ShowMessageBoxJE("ERROR", platform::Format("ファイル %s に書き込めません\n%s", path.c_str(), error.c_str()), "ERROR",
                     platform::Format("Fail to save %s\n%s", path.c_str(), error.c_str()), kErrorIcon);
    return false;
  }
  ShowMessageBoxJE("Information", "保存されました", "Information", "Save completed", kInformationIcon);
  return true;
}

bool RegSnapshotTransfer::WriteIdData(std::vector<RegisterSnapshotItem>& items) {
  ProgressText progress("Write ID data");
  target_.WriteSnapshotItems(items);
  WriteReproducePostCommands(target_);
  return true;
}

bool RegSnapshotTransfer::VerifyIdData(std::vector<RegisterSnapshotItem>& items) {
  ProgressText progress("Read ID data for verify");
  target_.ReadSnapshotItems(items);
  return true;
}

void RegSnapshotTransfer::MergeFields(std::vector<RegisterSnapshotItem>& items, std::vector<std::string>& lines) {
  std::vector<RegisterSnapshotItem> words;
  for (const RegisterSnapshotItem& item : items)
    if (!IsWholeWord(item.Mask)) words.push_back(item);
  if (words.empty()) return;
  target_.ReadSnapshotItems(words);
  std::map<uint32_t, int32_t> wordOf;
  for (const RegisterSnapshotItem& w : words) wordOf[w.ID] = w.Value;

  std::vector<RegisterSnapshotItem> kept;
  for (RegisterSnapshotItem item : items) {
    if (!IsWholeWord(item.Mask)) {
      const int32_t word = wordOf[item.ID];
      if (word == REG_VALUE_UNKNOWN) {
        lines.push_back(ReadErrorLine(item, item.Value));
        continue;
      }
      item.Value = ((word & ~item.Mask) | ShiftIntoMask(item.Mask, item.Value)) & 0xFFFF;
    }
    kept.push_back(item);
  }
  items.swap(kept);
}

bool RegSnapshotTransfer::WriteRegisterValues() {
  std::string path;
  if (!platform::GetUi().OpenFileDialog(IdFileDialog(), path)) return false;
  bool hasS = false, hasH = false;
  std::vector<RegisterSnapshotItem> items;
  if (!LoadRegisterSnapshot(path, hasS, hasH, items)) {
    ShowMessageBoxJE("ERROR", platform::Format("%s が開けません", path.c_str()), "ERROR",
                     platform::Format("Fail to open %s", path.c_str()), kErrorIcon);
    return false;
  }
  if (!hasS && !hasH) {
    ShowMessageBoxJE("ERROR", platform::Format("%s には [Sreg] も [Hreg] もありません", path.c_str()), "ERROR",
                     platform::Format("%s holds neither [Sreg] nor [Hreg]", path.c_str()), kErrorIcon);
    return false;
  }
  bool sReg = hasS, hReg = hasH;
  if (dialogs_.SelectRegisterFiles(sReg, hReg) != 1) return false;

  std::vector<RegisterSnapshotItem> chosen;
  for (int pass = 0; pass < 2; ++pass) {
    const bool sPass = pass == 0;
    if (!(sPass ? sReg : hReg)) continue;
    for (const RegisterSnapshotItem& item : items)
      if ((item.IsSReg != 0) == sPass && item.Vrf == 1) chosen.push_back(item);
  }
  if (chosen.empty()) return false;

  PollingHold hold(polling_);
  std::vector<std::string> lines;
  // A register that was never read when the file was saved has no value to
  // restore.
  std::vector<RegisterSnapshotItem> writeList;
  std::map<uint32_t, int32_t> fileValue;
  for (const RegisterSnapshotItem& item : chosen) {
    if (item.Value == REG_VALUE_UNKNOWN) {
      lines.push_back(platform::Format("%20s  File ---  Not written (not read when saved)", item.Name.c_str()));
      continue;
    }
    fileValue[item.ID] = item.Value;
    writeList.push_back(item);
  }
  MergeFields(writeList, lines);

  if (!writeList.empty()) {
    WriteIdData(writeList);
    std::vector<RegisterSnapshotItem> verify = writeList;
    for (RegisterSnapshotItem& v : verify) v.Value = 0;
    VerifyIdData(verify);

    for (size_t i = 0; i < writeList.size() && i < verify.size(); ++i) {
      const RegisterSnapshotItem& w = writeList[i];
      if (w.Vrf != 1) continue;
      const int32_t expected = fileValue[w.ID];
      const int32_t read = verify[i].Value;
      if (read == REG_VALUE_UNKNOWN) {
        lines.push_back(ReadErrorLine(verify[i], expected));
        continue;
      }
      const int32_t target = IsWholeWord(w.Mask) ? read : ExtractByMask(read, w.Mask);
      if (target != expected)
        lines.push_back(platform::Format("%20s File %d  Target %d", verify[i].Name.c_str(), expected, target));
    }
  }
  dialogs_.ShowCompareResult(lines);
  return true;
}

bool SaveRegisterValues(bool hValuesRead, const std::function<bool(int kind)>& readRegisterValues,
                        PollingSwitch& polling) {
  RegSnapshotTransfer transfer(TargetControl, StandardRegSnapshotDialogs(), &polling);
  return transfer.SaveRegisterValues(hValuesRead, readRegisterValues);
}

bool WriteRegisterValues(PollingSwitch& polling) {
  RegSnapshotTransfer transfer(TargetControl, StandardRegSnapshotDialogs(), &polling);
  return transfer.WriteRegisterValues();
}

}  // namespace ui
