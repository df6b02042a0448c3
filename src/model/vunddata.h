// The target description file vund.dat: read once at start-up into
// process-wide values and lists; only the status items are written back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

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

// One register write done before a snapshot or after a restore.
struct stSnapShotCmmd {
  int ID = 0;
  int Data = 0;
};

// The path of vund.dat in the program folder, the existing file's own
// spelling when one matches without regard to case.
std::string VundDataFilePath();

// Reads vund.dat from the program folder. False, after an error box, when it
// does not exist; every value then stays 0 and every list empty.
bool LoadVundData();

// Scalars (0 until a successful load).
int GetCommandTimeOutTime();  // ms, command entries and snapshot writes
int GetTimeOutTime();         // ms, receive time-out of one exchange
int GetTimeOutRetry();        // resends after a time-out
int GetErrorRetry();          // repeats after an error reply
int GetErrorRetryWait();      // ms before such a repeat
int GetRefreshTime();         // ms, status poll interval
int GetBaudRateSupport();     // bit n set: baud index n usable
int GetBaudRateSupportID();   // register that receives the baud index
int GetMaxEcsDataLength();    // data bytes per ECS2 frame
int GetMaxEcs3DataLength();   // data bytes per ECS3 frame

// Default tab names for a register file without its own (the list is replaced).
void GetSRegWindowNames(std::vector<std::string>& names);
void GetHRegWindowNames(std::vector<std::string>& names);

// Copies replace the caller's list.
void GetNVMImageSettings(std::vector<stNVMImageSetting>& list);
void GetSnapShotPreCommands(std::vector<stSnapShotCmmd>& list);
void GetReproducePostCommands(std::vector<stSnapShotCmmd>& list);

// Status items.
void GetRefreshList(std::vector<RegSetting>& list);
// An empty entry (no name, ID 0, mask 0xFFFF) when index is out of range.
RegSetting GetRefreshEntry(int index);
// Replaces the entry, or appends when index is past the end.
void SetRefreshEntry(const RegSetting& entry, int index);
// Inserts before index (clamped to the list).
void InsertRefreshEntry(const RegSetting& entry, int index);
// Removes the entry; an index out of range does nothing.
void EraseRefreshEntry(int index);
// Writes the status items back into vund.dat. False when the user cancelled
// the read-only prompt or the write failed (the old file then stays whole).
bool SaveRefreshList();

// Command entries; index must be below the count.
int GetMemCommandCount();
int GetSwitchCommandCount();
RegSetting GetMemCommandEntry(int index);
RegSetting GetSwitchCommandEntry(int index);

// Micom version items and their checksum items, equally long (lists replaced).
void GetMicomInfoLists(std::vector<RegSetting>& versions, std::vector<RegSetting>& checksums);

// Empties every value and list, as before the load (tests).
void ResetVundData();
