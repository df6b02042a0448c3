// The File menu's NVM commands: read a device into an image file (.eep),
// write an image file to the NVM (optionally through a mask file, .vma, and
// verified), and compare the NVM with an image file. The flows ask through
// platform::Ui and NvmDialogs and talk to the target through TTargetControl,
// so tests run them without a display against the simulated target.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/nvmimage.h"
#include "model/vunddata.h"
#include "rules/pollinghold.h"

class TTargetControl;
class Workspace;
namespace platform {
class MainWindowServices;
class Ui;
}  // namespace platform

namespace rules {

// The two NVM windows (TfrmNVMAccess, TfrmCompEEPData); tests answer in
// their place. Results are modal results: 1 OK, 2 Cancel.
class NvmDialogs {
 public:
  virtual ~NvmDialogs() = default;
  // On OK, index is the chosen entry of the NVM device list (may be -1 when
  // nothing was selected).
  virtual int SelectTargetNvm(int& index) = 0;
  virtual int ConfirmNvmAccess(const std::string& name, int type, uint32_t start, uint32_t end, bool write) = 0;
  virtual int ShowCompareResult(const std::vector<std::string>& lines) = 0;
};

class NvmTransfer {
 public:
  // polling may be null (nothing to hold off).
  // The target, the questions, the progress text and the NVM devices are the
  // workspace's.
  NvmTransfer(Workspace& ws, NvmDialogs& dialogs, PollingSwitch* polling = nullptr);

  // The three commands; each holds polling off from start to end. True when
  // the whole operation succeeded (the main window ignores the result).
  bool ReadNvmImage(bool verify);
  bool WriteNvmImage(bool verify);
  bool CompareNvmImage();

  // ---- Steps, public for tests ----

  // Save dialog and writer; false when the write failed (reported). A
  // cancelled dialog writes nothing and is not a failure.
  bool SaveNvmImageFile(const NvmImageInfo& info, const std::vector<uint32_t>& data);
  // Open dialog and reader: the byte count, 0 when nothing was loaded (a
  // refused file is reported).
  int LoadNvmImageFile(std::vector<uint32_t>& data, NvmImageInfo& info);

  enum class MaskChoice { NoMask, Loaded, Refused };
  // NoMask: mask holds count bytes 0xFF. Loaded: mask holds what the file
  // held, which the caller checks against the image. Refused: the chosen file
  // was unreadable or malformed (reported).
  MaskChoice LoadNvmMaskFile(std::vector<uint32_t>& mask, int count, bool ask);

  // Masked comparison; the differences go to a "Verify Error" box
  // (messageBox) or to the result window. 1 when any byte differs, else 0.
  int CompareNvmData(uint32_t start, const uint32_t* file, const uint32_t* nvm, const uint32_t* mask, int count,
                     bool messageBox);

 private:
  struct Device {
    int type = 0;
    uint32_t start = 0;
    uint32_t end = 0;
  };
  // A device of the list by the select dialog; false for Cancel and for an
  // unusable choice (reported).
  bool SelectDevice(stNVMImageSetting& device);
  // The device the image file names (confirmed) or one chosen from the list;
  // refuses an image of count bytes that the device's range cannot hold.
  bool ChooseDevice(const NvmImageInfo& file, int count, bool write, Device& device);
  // What a write or compare works on: the image, its mask (askMask: offer a
  // mask file) and the device. The byte count, 0 when any step ended it.
  int PrepareImage(bool write, bool askMask, std::vector<uint32_t>& image, std::vector<uint32_t>& mask,
                   Device& device);

  TTargetControl& target_;
  platform::Ui& ui_;
  platform::MainWindowServices& services_;
  const VundData& vund_;
  NvmDialogs& dialogs_;
  PollingSwitch* polling_;
};

}  // namespace rules
