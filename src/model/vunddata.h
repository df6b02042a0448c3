// The target description file vund.dat: read once at start-up; only the
// status items are written back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/mainthread.h"

namespace platform {
class Ui;
}

// A named register of the target: a status item, a command entry or a Micom
// version or checksum item. Mask is used by status items only.
struct RegSetting {
  std::string Name;
  int ID = 0;
  int Mask = 0xFFFF;
};

// One NVM device of the target and its back-up range (inclusive).
struct stNVMImageSetting {
  std::string Name;
  int DeviceType = 0;
  uint32_t BackupStart = 0;
  uint32_t BackupEnd = 0;
};

// The most bytes a device range may span: transfers and image files count
// bytes in signed 32-bit.
constexpr uint32_t kMaxNvmRangeBytes = 0x7FFFFFFF;
// True when start..end (inclusive) runs forward and spans at most
// kMaxNvmRangeBytes.
bool NvmRangeUsable(uint32_t start, uint32_t end);
// The second line of the message about a range that is not usable: one that
// runs backwards, or one that spans more than kMaxNvmRangeBytes.
std::string NvmRangeProblemText(uint32_t start, uint32_t end, bool japanese);

// One register write done before a snapshot or after a restore.
struct stSnapShotCmmd {
  int ID = 0;
  int Data = 0;
};

// The path of vund.dat in the program folder, the existing file's own
// spelling when one matches without regard to case.
std::string VundDataFilePath();

// The target description, as read from vund.dat; every value 0 and every list
// empty until a successful LoadVundData.
class VundData : platform::MainThreadOnly {
 public:
  // ui: the errors of the load and the read-only prompt of a save.
  explicit VundData(platform::Ui& ui);

  // Reads vund.dat from the program folder. False, after an error box, when it
  // does not exist; every value then stays 0 and every list empty.
  bool LoadVundData();

  // Scalars (0 until a successful load).
  int GetCommandTimeOutTime() const;  // ms, command entries and snapshot writes
  int GetTimeOutTime() const;         // ms, receive time-out of one exchange
  int GetTimeOutRetry() const;        // resends after a time-out
  int GetErrorRetry() const;          // repeats after an error reply
  int GetErrorRetryWait() const;      // ms before such a repeat
  int GetRefreshTime() const;         // ms, status poll interval
  int GetBaudRateSupport() const;     // bit n set: baud index n usable
  int GetBaudRateSupportID() const;   // register that receives the baud index
  int GetMaxEcsDataLength() const;    // data bytes per ECS2 frame
  int GetMaxEcs3DataLength() const;   // data bytes per ECS3 frame

  // Default tab names for a register file without its own (the list is replaced).
  void GetSRegWindowNames(std::vector<std::string>& names) const;
  void GetHRegWindowNames(std::vector<std::string>& names) const;

  // Copies replace the caller's list.
  void GetNVMImageSettings(std::vector<stNVMImageSetting>& list) const;
  void GetSnapShotPreCommands(std::vector<stSnapShotCmmd>& list) const;
  void GetReproducePostCommands(std::vector<stSnapShotCmmd>& list) const;

  // Status items.
  void GetRefreshList(std::vector<RegSetting>& list) const;
  // An empty entry (no name, ID 0, mask 0xFFFF) when index is out of range.
  RegSetting GetRefreshEntry(int index) const;
  // Replaces the entry, or appends when index is past the end.
  void SetRefreshEntry(const RegSetting& entry, int index);
  // Inserts before index (clamped to the list).
  void InsertRefreshEntry(const RegSetting& entry, int index);
  // Removes the entry; an index out of range does nothing.
  void EraseRefreshEntry(int index);
  // Writes the status items back into vund.dat. False when the user gave up
  // on a read-only file or a refused write (SaveAsking); the old file then
  // stays whole.
  bool SaveRefreshList();

  // Command entries; index must be below the count.
  int GetMemCommandCount() const;
  int GetSwitchCommandCount() const;
  RegSetting GetMemCommandEntry(int index) const;
  RegSetting GetSwitchCommandEntry(int index) const;

  // Micom version items and their checksum items, equally long (lists replaced).
  void GetMicomInfoLists(std::vector<RegSetting>& versions, std::vector<RegSetting>& checksums) const;

  // What a load fills in.
  struct Contents {
    int commandTimeOutTime = 0;
    int timeOutTime = 0;
    int timeOutRetry = 0;
    int errorRetry = 0;
    int errorRetryWait = 0;
    int refreshTime = 0;
    int baudRateSupport = 0;
    int baudRateSupportId = 0;
    int maxEcsDataLength = 0;
    int maxEcs3DataLength = 0;
    std::vector<std::string> sRegWindowNames;
    std::vector<std::string> hRegWindowNames;
    std::vector<RegSetting> refreshList;
    std::vector<RegSetting> memCommandList;
    std::vector<RegSetting> switchCommandList;
    std::vector<stNVMImageSetting> nvmImageSettingList;
    std::vector<stSnapShotCmmd> snapShotPreList;
    std::vector<stSnapShotCmmd> reproducePostList;
    std::vector<RegSetting> micomVerList;
    std::vector<RegSetting> micomChkSumList;
  };

 private:
  platform::Ui& ui_;
  Contents data_;
};
