// Register value files (.id): read, then written to the simulated target and
// read back, as the restore command does.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "model/regvaluefile.h"
#include "platform/convert.h"
#include "sim_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::QuietUi ui;
  static fuzz::OkDialogs dialogs;
  const std::string path = fuzz::WriteHomeFile("v.id", fuzz::Text(data, size));
  try {
    bool hasS = false, hasH = false;
    std::vector<RegValueFileEntry> entries;
    LoadRegisterValueFile(path, hasS, hasH, entries);
    fuzz::SimSession session(ui, "SnapShotPreID1=0x10\r\nSnapShotPreDat1=1\r\nReproducePostID1=0x11\r\n");
    rules::RegSnapshotTransfer transfer(session.ws, dialogs);
    ui.openFiles = {path};
    transfer.WriteRegisterValues();
  } catch (const platform::EConvertError&) {
    // A number that does not convert: the top level shows the conversion error.
  }
  return 0;
}
