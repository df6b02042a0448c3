// Register definition files, S Reg and H Reg layouts: load, save, load the
// saved file again and get the same registers and tab names.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "model/registers.h"
#include "model/systemfunc.h"
#include "platform/convert.h"

namespace {

void RoundTrip(platform::Ui& ui, const std::string& path, bool hLayout) {
  SystemSettings settings(ui);
  Registers regs;
  if (!regs.LoadFromFile(path, hLayout, ui, settings)) return;
  for (int t = 0; t <= regs.GetMaxTab() + 1; ++t) regs.GetTabRegisterCount(t);
  const std::string saved = fuzz::Home() + "saved.dat";
  if (!regs.SaveToFile(saved, hLayout, ui)) return;  // refused with a message: nothing to compare
  Registers again;
  if (!again.LoadFromFile(saved, hLayout, ui, settings)) fuzz::Fail("a saved register file does not load");
  if (again.GetRegisterCount() != regs.GetRegisterCount()) fuzz::Fail("register count changed by save and load");
  for (int i = 0; i < regs.GetRegisterCount(); ++i)
    if (*again.GetRegister(i) != *regs.GetRegister(i))
      fuzz::Fail("register " + std::to_string(i) + " changed by save and load");
  std::vector<std::string> a, b;
  regs.GetTabNames(a);
  again.GetTabNames(b);
  if (a != b) fuzz::Fail("tab names changed by save and load");
  // The writer puts FileVer 1 whatever was read.
  if (again.GetMiconVer() != regs.GetMiconVer()) fuzz::Fail("MiconVer changed by save and load");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::QuietUi ui;
  const std::string path = fuzz::WriteHomeFile("r.dat", fuzz::Text(data, size));
  for (bool hLayout : {false, true}) {
    try {
      RoundTrip(ui, path, hLayout);
    } catch (const platform::EConvertError&) {
      // A FileVer that is not a number: the top level shows the conversion error.
    }
  }
  return 0;
}
