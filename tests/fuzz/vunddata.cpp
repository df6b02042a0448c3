// vund.dat and its lists: the device and Micom lists after a load, then the
// status items saved, and the file must hold exactly them, numbered 1..n, and load them
// again unchanged.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/inifile.h"
#include "platform/text.h"

namespace {

// Keys of [EcsSettings] that name a status item.
int StatusKeys(const platform::IniFile& ini) {
  int n = 0;
  for (const std::string& k : ini.ReadSection("EcsSettings")) {
    const std::string u = platform::UpperAscii(k);
    for (const char* prefix : {"REFRESHID", "REFRESHMASK", "REFRESH"}) {
      const std::string p(prefix);
      if (u.size() > p.size() && u.compare(0, p.size(), p) == 0 && u[p.size()] != '0' &&
          u.find_first_not_of("0123456789", p.size()) == std::string::npos) {
        ++n;
        break;
      }
    }
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::QuietUi ui;
  fuzz::ClearHome();
  fuzz::WriteHomeFile("vund.dat", fuzz::Text(data, size));
  VundData vund(ui);
  if (!vund.LoadVundData()) fuzz::Fail("vund.dat not read");
  std::vector<stNVMImageSetting> devices;
  vund.GetNVMImageSettings(devices);
  for (const stNVMImageSetting& d : devices)
    if (d.BackupEnd < d.BackupStart && devices.size() > 1) fuzz::Fail("a numbered device runs backwards");
  std::vector<RegSetting> versions, sums;
  vund.GetMicomInfoLists(versions, sums);
  if (versions.size() != sums.size()) fuzz::Fail("Micom lists differ in length");

  std::vector<RegSetting> items;
  vund.GetRefreshList(items);
  // One edit of each kind, so the saved list is not just the loaded one.
  if (size % 3 == 1) vund.InsertRefreshEntry({"Added", 0x1234, 0xFF}, static_cast<int>(size % 5));
  if (size % 3 == 2) vund.EraseRefreshEntry(static_cast<int>(size % 4));
  vund.GetRefreshList(items);
  if (!vund.SaveRefreshList()) fuzz::Fail("status items not saved");
  const platform::IniFile saved(VundDataFilePath());
  if (StatusKeys(saved) != static_cast<int>(items.size()) * 3)
    fuzz::Fail("the file does not hold exactly the saved items");
  VundData again(ui);
  if (!again.LoadVundData()) fuzz::Fail("saved vund.dat not read");
  std::vector<RegSetting> reloaded;
  again.GetRefreshList(reloaded);
  const auto same = [](const RegSetting& a, const RegSetting& b) {
    return a.Name == b.Name && a.ID == b.ID && a.Mask == b.Mask;
  };
  if (!std::equal(items.begin(), items.end(), reloaded.begin(), reloaded.end(), same))
    fuzz::Fail("status items changed by save and load");
  return 0;
}
