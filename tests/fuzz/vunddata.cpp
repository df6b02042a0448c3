// vund.dat: loaded, its status items edited and saved, and the saved file
// must load them again unchanged.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "model/vunddata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::QuietUi ui;
  fuzz::ClearHome();
  fuzz::WriteHomeFile("vund.dat", fuzz::Text(data, size));
  VundData vund(ui);
  if (!vund.LoadVundData()) fuzz::Fail("vund.dat not read");
  // One edit of each kind, so the saved list is not just the loaded one.
  if (size % 3 == 1) vund.InsertRefreshEntry({"Added", 0x1234, 0xFF}, static_cast<int>(size % 5));
  if (size % 3 == 2) vund.EraseRefreshEntry(static_cast<int>(size % 4));
  std::vector<RegSetting> items;
  vund.GetRefreshList(items);
  if (!vund.SaveRefreshList()) fuzz::Fail("status items not saved");
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
