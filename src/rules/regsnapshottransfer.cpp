#include "rules/regsnapshottransfer.h"

#include <algorithm>
#include <map>

#include "link/workspace.h"
#include "model/regvaluefile.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/mainwindowservices.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "rules/mainview.h"
#include "rules/pollinghold.h"
#include "rules/progressscope.h"

namespace rules {

namespace {

const char kIdFilter[] = "Sreg Hreg log files (*.id)|*.id";
constexpr int kErrorIcon = 0x10;
constexpr int kInformationIcon = 0x40;

platform::FileDialogOptions IdFileDialog() {
  platform::FileDialogOptions options;
  options.initialDir = platform::ProgramFolder();
  options.defaultExt = "id";
  options.filter = kIdFilter;
  return options;
}

bool WriteCommandList(TTargetControl& target, const VundData& vund, const std::vector<stSnapShotCmmd>& list) {
  const int saved = target.GetProtocolTimeout();
  target.SetProtocolTimeout(vund.GetCommandTimeOutTime());
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

RegisterSnapshotItem ItemOf(const RegValueFileEntry& e) {
  RegisterSnapshotItem item;
  item.Name = e.Name;
  item.ID = e.ID;
  item.Mask = e.Mask;
  item.Value = e.Value;
  item.Vrf = e.Vrf;
  item.IsSReg = e.IsSReg;
  return item;
}

}  // namespace

bool LoadRegisterSnapshot(const std::string& fileName, bool& hasS, bool& hasH, std::vector<RegisterSnapshotItem>& items,
                          std::vector<RegisterSnapshotItem>* dropped) {
  items.clear();
  if (dropped) dropped->clear();
  std::vector<RegValueFileEntry> entries, left;
  if (!LoadRegisterValueFile(fileName, hasS, hasH, entries, &left)) return false;
  for (const RegValueFileEntry& e : entries) items.push_back(ItemOf(e));
  if (dropped)
    for (const RegValueFileEntry& e : left) dropped->push_back(ItemOf(e));
  return true;
}

bool WriteSnapShotPreCommands(TTargetControl& target, const VundData& vund) {
  std::vector<stSnapShotCmmd> list;
  vund.GetSnapShotPreCommands(list);
  return WriteCommandList(target, vund, list);
}

bool WriteReproducePostCommands(TTargetControl& target, const VundData& vund) {
  std::vector<stSnapShotCmmd> list;
  vund.GetReproducePostCommands(list);
  return WriteCommandList(target, vund, list);
}

RegSnapshotTransfer::RegSnapshotTransfer(Workspace& ws, RegSnapshotDialogs& dialogs, PollingSwitch* polling,
                                         RegisterPane* grid)
    : ws_(ws), target_(ws.TargetControl), dialogs_(dialogs), polling_(polling), grid_(grid) {}

bool RegSnapshotTransfer::SaveRegisterValues(bool hValuesRead,
                                             const std::function<bool(RegKind kind)>& readRegisterValues) {
  bool sReg = true, hReg = true;
  if (dialogs_.SelectRegisterFiles(sReg, hReg) != 1) return false;
  if (hReg && !hValuesRead && readRegisterValues) readRegisterValues(RegKind::H);

  std::string path;
  if (!ws_.ui.SaveFileDialog(IdFileDialog(), path)) return false;
  {
    PollingHold hold(polling_);
    if (!WriteSnapShotPreCommands(target_, ws_.vund)) return false;
  }
  // Retry keeps the values read: the user need not choose and read again.
  if (!SaveAsking(ws_.ui, path, [&](std::string& reason) {
        return SaveRegisterSnapshot(ws_.SRegisters, ws_.HRegisters, path, sReg, hReg, &reason);
      }))
    return false;
  ws_.ui.ShowMessageBoxJE("Information", "保存されました", "Information", "Save completed", kInformationIcon);
  return true;
}

bool RegSnapshotTransfer::WriteIdData(std::vector<RegisterSnapshotItem>& items) {
  ProgressScope progress(ws_.services, "Write ID data");
  target_.WriteSnapshotItems(items);
  WriteReproducePostCommands(target_, ws_.vund);
  return true;
}

bool RegSnapshotTransfer::VerifyIdData(std::vector<RegisterSnapshotItem>& items) {
  ProgressScope progress(ws_.services, "Read ID data for verify");
  target_.ReadSnapshotItems(items);
  return true;
}

std::vector<RegisterSnapshotItem> RegSnapshotTransfer::MergeFields(const std::vector<RegisterSnapshotItem>& fields,
                                                                   std::vector<std::string>& lines) {
  struct Word {
    RegisterSnapshotItem item;  // the first field's, carrying the merged word
    int32_t bits = 0;           // the fields' values in place
    std::vector<const RegisterSnapshotItem*> fields;
  };
  std::map<uint32_t, Word> byId;
  for (const RegisterSnapshotItem& field : fields) {
    Word& word = byId[field.ID];
    if (word.fields.empty()) {
      word.item = field;
      word.item.Mask = 0;
    }
    word.fields.push_back(&field);
    word.item.Mask |= field.Mask;
    word.bits |= IsWholeWord(field.Mask) ? field.Value : ShiftIntoMask(field.Mask, field.Value);
  }

  std::vector<RegisterSnapshotItem> current;
  for (const auto& entry : byId)
    if (!IsWholeWord(entry.second.item.Mask)) current.push_back(entry.second.item);
  if (!current.empty()) target_.ReadSnapshotItems(current);
  std::map<uint32_t, int32_t> currentOf;
  for (const RegisterSnapshotItem& c : current) currentOf[c.ID] = c.Value;

  std::vector<RegisterSnapshotItem> words;
  for (auto& entry : byId) {
    Word& word = entry.second;
    word.item.Value = word.bits;
    if (!IsWholeWord(word.item.Mask)) {
      const int32_t now = currentOf[entry.first];
      if (now == REG_VALUE_UNKNOWN) {
        for (const RegisterSnapshotItem* field : word.fields) lines.push_back(ReadErrorLine(*field, field->Value));
        continue;
      }
      word.item.Value = ((now & ~word.item.Mask) | word.bits) & 0xFFFF;
    }
    words.push_back(word.item);
  }
  return words;
}

void RegSnapshotTransfer::CacheWrittenWords(const std::vector<RegisterSnapshotItem>& written,
                                            const std::map<uint32_t, int32_t>& readBack) {
  for (const RegisterSnapshotItem& item : written) {
    const auto read = readBack.find(item.ID);
    const int word = read != readBack.end() && read->second != REG_VALUE_UNKNOWN ? read->second : item.Value;
    // Both files' caches: a word listed in the other file changed on the set too.
    for (Registers* regs : {&ws_.SRegisters, &ws_.HRegisters}) {
      if ((regs == &ws_.SRegisters) != (item.IsSReg != 0) && !regs->GetValueMap().count(item.ID)) continue;
      // Written by the program, as the value dialog's writes: not "changed".
      regs->SetValue(item.ID, word);
      regs->SetSnapshotValue(item.ID, word);
    }
  }
  if (grid_) grid_->RedrawRegisterValues();
}

bool RegSnapshotTransfer::WriteRegisterValues() {
  std::string path;
  if (!ws_.ui.OpenFileDialog(IdFileDialog(), path)) return false;
  bool hasS = false, hasH = false;
  std::vector<RegisterSnapshotItem> items, dropped;
  if (!LoadRegisterSnapshot(path, hasS, hasH, items, &dropped)) {
    ws_.ui.ShowMessageBoxJE("ERROR", platform::Format("%s が開けません", path.c_str()), "ERROR",
                            platform::Format("Fail to open %s", path.c_str()), kErrorIcon);
    return false;
  }
  if (!hasS && !hasH) {
    ws_.ui.ShowMessageBoxJE("ERROR", platform::Format("%s には [Sreg] も [Hreg] もありません", path.c_str()), "ERROR",
                            platform::Format("%s holds neither [Sreg] nor [Hreg]", path.c_str()), kErrorIcon);
    return false;
  }
  bool sReg = hasS, hReg = hasH;
  if (dialogs_.SelectRegisterFiles(sReg, hReg) != 1) return false;

  const auto isChosen = [&](const RegisterSnapshotItem& item, bool sPass) {
    return (item.IsSReg != 0) == sPass && (sPass ? sReg : hReg) && item.Vrf == 1;
  };
  std::vector<RegisterSnapshotItem> chosen;
  std::vector<std::string> lines;
  for (const bool sPass : {true, false}) {
    for (const RegisterSnapshotItem& item : items)
      if (isChosen(item, sPass)) chosen.push_back(item);
    for (const RegisterSnapshotItem& item : dropped)
      if (isChosen(item, sPass))
        lines.push_back(platform::Format("%20s  File %d  Not written (its mask overlaps a larger one of its ID)",
                                         item.Name.c_str(), item.Value));
  }
  if (chosen.empty() && lines.empty()) return false;

  PollingHold hold(polling_);
  // A register that was never read when the file was saved has no value to
  // restore.
  std::vector<RegisterSnapshotItem> fields;
  for (const RegisterSnapshotItem& item : chosen) {
    if (item.Value == REG_VALUE_UNKNOWN) {
      lines.push_back(platform::Format("%20s  File ---  Not written (not read when saved)", item.Name.c_str()));
      continue;
    }
    fields.push_back(item);
  }
  std::vector<RegisterSnapshotItem> writeList = MergeFields(fields, lines);

  if (!writeList.empty()) {
    WriteIdData(writeList);
    std::vector<RegisterSnapshotItem> verify = writeList;
    for (RegisterSnapshotItem& v : verify) v.Value = 0;
    VerifyIdData(verify);
    std::map<uint32_t, int32_t> readOf;
    for (const RegisterSnapshotItem& v : verify) readOf[v.ID] = v.Value;
    // The next edit of another field of a word merges into the word restored,
    // not into the one cached before.
    CacheWrittenWords(writeList, readOf);

    // Field by field, in the order of their IDs.
    std::stable_sort(fields.begin(), fields.end(), ComparePairBySecond);
    for (const RegisterSnapshotItem& field : fields) {
      const auto read = readOf.find(field.ID);
      if (read == readOf.end()) continue;  // its word could not be read to merge it: listed already
      if (read->second == REG_VALUE_UNKNOWN) {
        lines.push_back(ReadErrorLine(field, field.Value));
        continue;
      }
      const int32_t target = IsWholeWord(field.Mask) ? read->second : ExtractByMask(read->second, field.Mask);
      if (target != field.Value)
        lines.push_back(platform::Format("%20s File %d  Target %d", field.Name.c_str(), field.Value, target));
    }
  }
  dialogs_.ShowCompareResult(lines);
  return true;
}

}  // namespace rules
