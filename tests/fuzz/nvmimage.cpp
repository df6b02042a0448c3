// NVM image (.eep) and mask (.vma) files: read, written and read again to the
// same bytes, then the write (with verify and mask), compare and read flows
// against the simulated target. Input: the image, "\n@@\n", the mask.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "model/nvmimage.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "sim_session.h"

namespace {

void RoundTrip(const std::string& text) {
  NvmImageInfo info;
  std::vector<uint32_t> bytes;
  NvmFileError error;
  if (!ReadNvmImageLines(platform::SplitLines(text), info, bytes, error)) {
    NvmFileErrorText(error, "x.eep", true);
    NvmFileErrorText(error, "x.eep", false);
    return;
  }
  for (uint32_t& b : bytes) b &= 0xFF;  // what a target holds
  NvmImageInfo again;
  std::vector<uint32_t> reread;
  if (!ReadNvmImageLines(BuildNvmImageLines(info, bytes), again, reread, error))
    fuzz::Fail("a written image does not read back");
  if (reread != bytes || again.DeviceType != info.DeviceType || again.DeviceStartID != info.DeviceStartID ||
      again.DeviceEndID != info.DeviceEndID)
    fuzz::Fail("an image changed by writing and reading");
  std::vector<uint32_t> mask(bytes.size(), 0x0F);
  CompareNvmBytes(info.DeviceStartID, bytes.data(), reread.data(), mask.data(), static_cast<int>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::QuietUi ui;
  static fuzz::OkDialogs dialogs;
  const std::vector<std::string> parts = fuzz::Parts(data, size, 2);
  RoundTrip(parts[0]);

  fuzz::ClearHome();
  const std::string image = fuzz::WriteHomeFile("i.eep", parts[0]);
  const std::string mask = parts[1].empty() ? std::string() : fuzz::WriteHomeFile("m.vma", parts[1]);
  fuzz::SimSession session(ui, "EEPDeviceName1=EEPROM\r\nEEPDeviceType1=1\r\nEEPBackupStart1=0\r\nEEPBackupEnd1=0x1FF\r\n");
  rules::NvmTransfer transfer(session.ws, dialogs);
  try {
    ui.openFiles = {image, mask};
    ui.answers = {platform::kIdYes};
    transfer.WriteNvmImage(true);
    ui.Clear();
    ui.openFiles = {image, mask};
    ui.answers = {platform::kIdYes};
    transfer.CompareNvmImage();
  } catch (const platform::EConvertError&) {
    // A word that is not a number: the top level shows the conversion error.
  }
  ui.Clear();
  ui.saveFiles = {fuzz::Home() + "read"};
  transfer.ReadNvmImage(size % 2 == 0);
  return 0;
}
