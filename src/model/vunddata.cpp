#include "model/vunddata.h"

#include <algorithm>
#include <cstring>

#include "model/inisectionindex.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/ui.h"

namespace {

const char kEcsSettings[] = "EcsSettings";

std::string Numbered(const char* key, int i) { return platform::Format("%s%d", key, i); }

void ReadWindowNames(const IniSectionIndex& ecs, const char* key, std::vector<std::string>& names) {
  names.clear();
  for (int i = 1; ecs.Exists(Numbered(key, i)); ++i) names.push_back(ecs.String(Numbered(key, i)));
}

void ReadStatusAndCommands(const IniSectionIndex& ecs, VundData::Contents& d) {
  d.refreshList.clear();
  for (int i = 1; ecs.Exists(Numbered("Refresh", i)); ++i) {
    RegSetting item;
    item.Name = ecs.String(Numbered("Refresh", i));
    item.ID = ecs.Integer(Numbered("RefreshID", i), 0);
    item.Mask = ecs.Integer(Numbered("RefreshMask", i), 0xFFFF);
    if (!item.Name.empty() && item.ID != 0) d.refreshList.push_back(item);
  }
  d.memCommandList.clear();
  for (int i = 1; ecs.Exists(Numbered("MemName", i)); ++i)
    d.memCommandList.push_back({ecs.String(Numbered("MemName", i)), ecs.Integer(Numbered("MemID", i), 0), 0xFFFF});
  d.switchCommandList.clear();
  for (int i = 1; ecs.Exists(Numbered("SWName", i)); ++i)
    d.switchCommandList.push_back({ecs.String(Numbered("SWName", i)), ecs.Integer(Numbered("SWID", i), 0), 0xFFFF});
}

void ReadNvmDevices(platform::Ui& ui, const IniSectionIndex& ecs, std::vector<stNVMImageSetting>& list) {
  list.clear();
  if (!ecs.Exists("EEPDeviceType1")) {
    stNVMImageSetting device;
    device.Name = ecs.String("EEPDeviceName");
    if (device.Name.empty()) device.Name = "NVM";
    device.DeviceType = ecs.Integer("EEPDeviceType", 0);
    device.BackupStart = static_cast<uint32_t>(ecs.Integer("EEPBackupStart", 0));
    device.BackupEnd = static_cast<uint32_t>(ecs.Integer("EEPBackupEnd", 0));
    list.push_back(device);
    return;
  }
  for (int i = 1;; ++i) {
    stNVMImageSetting device;
    device.DeviceType = ecs.Integer(Numbered("EEPDeviceType", i), 0);
    if (device.DeviceType == 0) return;
    const int start = ecs.Integer(Numbered("EEPBackupStart", i), -1);
    if (start == -1) return;
    const int end = ecs.Integer(Numbered("EEPBackupEnd", i), -1);
    if (end == -1) return;
    device.BackupStart = static_cast<uint32_t>(start);
    device.BackupEnd = static_cast<uint32_t>(end);
    if (!NvmRangeUsable(device.BackupStart, device.BackupEnd)) {
      ui.ShowMessageBoxJE("ERROR",
                          platform::Format("NVM Back up %dの設定を確認して下さい。\r\n", i) +
                              NvmRangeProblemText(device.BackupStart, device.BackupEnd, true),
                          "ERROR",
                          platform::Format("Check NVM Back up setting %d\r\n", i) +
                              NvmRangeProblemText(device.BackupStart, device.BackupEnd, false),
                          0x10);
      return;
    }
    device.Name = ecs.String(Numbered("EEPDeviceName", i));
    if (device.Name.empty()) device.Name = platform::Format("NVM %d", i);
    list.push_back(device);
  }
}

void ReadWrites(const IniSectionIndex& ecs, const char* idKey, const char* dataKey, std::vector<stSnapShotCmmd>& list) {
  list.clear();
  for (int i = 1;; ++i) {
    const int id = ecs.Integer(Numbered(idKey, i), 0);
    if (id == 0) return;
    list.push_back({id, ecs.Integer(Numbered(dataKey, i), 0)});
  }
}

void ReadMicomItems(const IniSectionIndex& micom, VundData::Contents& d) {
  d.micomVerList.clear();
  d.micomChkSumList.clear();
  for (int i = 1;; ++i) {
    const int verId = micom.Integer(Numbered("VerID", i), 0);
    const int sumId = micom.Integer(Numbered("ChkSum", i), 0);
    if (verId == 0 || sumId == 0) return;
    d.micomVerList.push_back({micom.String(Numbered("Name", i)), verId, 0xFFFF});
    d.micomChkSumList.push_back({std::string(), sumId, 0xFFFF});
  }
}

// "Refresh%d", "RefreshID%d" or "RefreshMask%d", any case, with a number as
// the list writes it (RefreshTime and the like are not items).
bool IsStatusItemKey(const std::string& key) {
  for (const char* prefix : {"RefreshID", "RefreshMask", "Refresh"}) {
    const size_t n = std::strlen(prefix);
    if (key.size() <= n || !platform::SameTextNoCase(key.substr(0, n), prefix) || key[n] == '0') continue;
    if (std::all_of(key.begin() + static_cast<long>(n), key.end(),
                    [](char c) { return c >= '0' && c <= '9'; }))
      return true;
  }
  return false;
}

}  // namespace

bool NvmRangeUsable(uint32_t start, uint32_t end) { return end >= start && end - start < kMaxNvmRangeBytes; }

std::string NvmRangeProblemText(uint32_t start, uint32_t end, bool japanese) {
  if (end < start)
    return japanese ? "開始アドレスが、終了アドレスより大きい値に設定されています。" : "Start address must be under end address";
  return japanese ? platform::Format("アドレス範囲が 0x%X バイトを超えています。", kMaxNvmRangeBytes)
                  : platform::Format("The address range must not exceed 0x%X bytes", kMaxNvmRangeBytes);
}

std::string VundDataFilePath() { return platform::FindFileNoCase(platform::ProgramFolder(), "vund.dat"); }

VundData::VundData(platform::Ui& ui) : ui_(ui) {}

bool VundData::LoadVundData() {
  const std::string path = VundDataFilePath();
  if (!platform::FileExists(path)) {
    ui_.ShowMessageBoxJE("ERROR", platform::Format("%s が開けません", path.c_str()), "ERROR",
                         platform::Format("Fail to open %s", path.c_str()), 0x10);
    return false;
  }
  const platform::IniFile ini(path);
  const IniSectionIndex common(ini, "Common");
  const IniSectionIndex ecs(ini, kEcsSettings);
  const IniSectionIndex micom(ini, "MicomInfo");
  Contents& d = data_;

  ReadWindowNames(ecs, "Window", d.sRegWindowNames);
  ReadWindowNames(ecs, "HRegWin", d.hRegWindowNames);
  ReadStatusAndCommands(ecs, d);
  ReadNvmDevices(ui_, ecs, d.nvmImageSettingList);
  ReadWrites(ecs, "SnapShotPreID", "SnapShotPreDat", d.snapShotPreList);
  ReadWrites(ecs, "ReproducePostID", "ReproducePostDat", d.reproducePostList);
  ReadMicomItems(micom, d);

  // A time-out of zero or less would fail every command at once.
  d.commandTimeOutTime = common.Integer("CommandTimeOutTime", 3000);
  if (d.commandTimeOutTime <= 0) d.commandTimeOutTime = 3000;
  d.timeOutTime = common.Integer("TimeOutTime", 300);
  d.timeOutRetry = common.Integer("TimeOut_Retry", 0);
  d.errorRetry = common.Integer("Error_Retry", 0);
  d.errorRetryWait = common.Integer("Error_RetryWait", 0);
  d.refreshTime = ecs.Integer("RefreshTime", 500);
  d.baudRateSupport = ecs.Integer("BaudRateSupport", 0x840);
  d.baudRateSupportId = ecs.Integer("BaudRateSupportID", 0);
  d.maxEcsDataLength = ecs.Integer("MaxECSDataLength", 64);
  d.maxEcs3DataLength = ecs.Integer("MaxECS3DataLength", 256);
  return true;
}

int VundData::GetCommandTimeOutTime() const { return data_.commandTimeOutTime; }
int VundData::GetTimeOutTime() const { return data_.timeOutTime; }
int VundData::GetTimeOutRetry() const { return data_.timeOutRetry; }
int VundData::GetErrorRetry() const { return data_.errorRetry; }
int VundData::GetErrorRetryWait() const { return data_.errorRetryWait; }
int VundData::GetRefreshTime() const { return data_.refreshTime; }
int VundData::GetBaudRateSupport() const { return data_.baudRateSupport; }
int VundData::GetBaudRateSupportID() const { return data_.baudRateSupportId; }
int VundData::GetMaxEcsDataLength() const { return data_.maxEcsDataLength; }
int VundData::GetMaxEcs3DataLength() const { return data_.maxEcs3DataLength; }

void VundData::GetSRegWindowNames(std::vector<std::string>& names) const { names = data_.sRegWindowNames; }
void VundData::GetHRegWindowNames(std::vector<std::string>& names) const { names = data_.hRegWindowNames; }
void VundData::GetNVMImageSettings(std::vector<stNVMImageSetting>& list) const { list = data_.nvmImageSettingList; }
void VundData::GetSnapShotPreCommands(std::vector<stSnapShotCmmd>& list) const { list = data_.snapShotPreList; }
void VundData::GetReproducePostCommands(std::vector<stSnapShotCmmd>& list) const { list = data_.reproducePostList; }

void VundData::GetRefreshList(std::vector<RegSetting>& list) const { list = data_.refreshList; }

RegSetting VundData::GetRefreshEntry(int index) const {
  const std::vector<RegSetting>& list = data_.refreshList;
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return RegSetting();
  return list[static_cast<size_t>(index)];
}

void VundData::SetRefreshEntry(const RegSetting& entry, int index) {
  std::vector<RegSetting>& list = data_.refreshList;
  if (index >= 0 && static_cast<size_t>(index) < list.size())
    list[static_cast<size_t>(index)] = entry;
  else
    list.push_back(entry);
}

void VundData::InsertRefreshEntry(const RegSetting& entry, int index) {
  std::vector<RegSetting>& list = data_.refreshList;
  size_t at = index < 0 ? 0 : static_cast<size_t>(index);
  if (at > list.size()) at = list.size();
  list.insert(list.begin() + static_cast<long>(at), entry);
}

void VundData::EraseRefreshEntry(int index) {
  std::vector<RegSetting>& list = data_.refreshList;
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return;
  list.erase(list.begin() + index);
}

bool VundData::SaveRefreshList() {
  // The file that was read, whatever the case of its name; a missing one is
  // created under the usual spelling.
  const std::string found = VundDataFilePath();
  const std::string path =
      platform::FileExists(found) ? found : platform::ProgramFolder() + "Vund.dat";
  platform::IniFile ini(path);
  ini.SetAutoFlush(false);
  // Every status item key goes, wherever its number lies, so the file
  // holds exactly the list, numbered from 1.
  ini.DeleteKeys(kEcsSettings, IsStatusItemKey);
  const std::vector<RegSetting>& list = data_.refreshList;
  std::vector<std::pair<std::string, std::string>> keys;
  keys.reserve(list.size() * 3);
  for (size_t k = 0; k < list.size(); ++k) {
    const int n = static_cast<int>(k) + 1;
    keys.emplace_back(Numbered("Refresh", n), platform::IniStoredValue(list[k].Name));
    keys.emplace_back(Numbered("RefreshID", n), platform::Format("0x%X", list[k].ID));
    keys.emplace_back(Numbered("RefreshMask", n), std::to_string(list[k].Mask));
  }
  ini.AppendKeys(kEcsSettings, keys);
  return SaveAsking(ui_, ini);
}

int VundData::GetMemCommandCount() const { return static_cast<int>(data_.memCommandList.size()); }
int VundData::GetSwitchCommandCount() const { return static_cast<int>(data_.switchCommandList.size()); }

RegSetting VundData::GetMemCommandEntry(int index) const {
  const std::vector<RegSetting>& list = data_.memCommandList;
  return index >= 0 && static_cast<size_t>(index) < list.size() ? list[static_cast<size_t>(index)] : RegSetting();
}

RegSetting VundData::GetSwitchCommandEntry(int index) const {
  const std::vector<RegSetting>& list = data_.switchCommandList;
  return index >= 0 && static_cast<size_t>(index) < list.size() ? list[static_cast<size_t>(index)] : RegSetting();
}

void VundData::GetMicomInfoLists(std::vector<RegSetting>& versions, std::vector<RegSetting>& checksums) const {
  versions = data_.micomVerList;
  checksums = data_.micomChkSumList;
}
