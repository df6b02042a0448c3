#include "rules/nvmtransfer.h"

#include <algorithm>

#include "link/targetcontrol.h"
#include "link/workspace.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/mainwindowservices.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "rules/progressscope.h"

namespace rules {
namespace {

const char kEepFilter[] = "eep files (*.eep)|*.EEP";
const char kMaskFilter[] = "mask files (*.vma)|*.VMA";

uint64_t RangeBytes(uint32_t start, uint32_t end) { return uint64_t(end) - start + 1; }

// A name read from an image file keeps the blank after "="; messages drop it.
std::string ShownName(const std::string& name) {
  const size_t first = name.find_first_not_of(" \t");
  return first == std::string::npos ? std::string() : name.substr(first);
}

void ShowError(platform::Ui& ui, const std::string& textJ, const std::string& textE) {
  ui.ShowMessageBoxJE("Error", textJ, "Error", textE, 0x10);
}

void ShowBadRange(platform::Ui& ui, const std::string& deviceName, uint32_t start, uint32_t end) {
  const std::string name = ShownName(deviceName);
  ShowError(ui,
            platform::Format("NVM デバイス %s の設定を確認して下さい。\r\n", name.c_str()) +
                NvmRangeProblemText(start, end, true),
            platform::Format("Check the setting of NVM device %s\r\n", name.c_str()) +
                NvmRangeProblemText(start, end, false));
}

// False, after a message, when the image holds more bytes than the range.
bool ImageFits(platform::Ui& ui, int count, const std::string& deviceName, uint32_t start, uint32_t end) {
  const std::string name = ShownName(deviceName);
  const uint64_t range = RangeBytes(start, end);
  if (static_cast<uint64_t>(count) <= range) return true;
  const unsigned long long bytes = range;
  ShowError(ui,
            platform::Format("ファイルのデータ (%d バイト) が NVM デバイス %s の範囲 0x%X - 0x%X (%llu バイト) "
                             "を超えています",
                             count, name.c_str(), start, end, bytes),
            platform::Format("The file holds %d bytes, more than NVM device %s holds (0x%X - 0x%X, %llu bytes)", count,
                             name.c_str(), start, end, bytes));
  return false;
}

// An image that holds fewer bytes than its header's range: only its own
// bytes are written or compared. The user may cancel.
bool AcceptShortImage(platform::Ui& ui, int count, const NvmImageInfo& file, bool write) {
  const unsigned long long range = RangeBytes(file.DeviceStartID, file.DeviceEndID);
  const uint32_t last = file.DeviceStartID + static_cast<uint32_t>(count - 1);
  const std::string textJ = platform::Format(
      "ファイルのデータは %d バイトで、ヘッダの範囲 0x%X - 0x%X (%llu バイト) より少なくなっています。\r\n"
      "0x%X - 0x%X だけを%sします。",
      count, file.DeviceStartID, file.DeviceEndID, range, file.DeviceStartID, last, write ? "書き込み" : "比較");
  const std::string textE = platform::Format(
      "The file holds %d bytes, fewer than its header's range 0x%X - 0x%X (%llu bytes).\r\n"
      "Only 0x%X - 0x%X will be %s.",
      count, file.DeviceStartID, file.DeviceEndID, range, file.DeviceStartID, last, write ? "written" : "compared");
  return ui.ShowMessageBoxJE("確認", textJ, "Confirmation", textE, 0x31) == platform::kIdOk;
}

// A write the link broke off: part of the range may hold the new bytes.
void ShowWriteIncomplete(platform::Ui& ui, uint32_t start, int count) {
  const uint32_t last = start + static_cast<uint32_t>(count - 1);
  ShowError(
      ui,
      platform::Format("NVM への書込みが完了しませんでした。\r\n0x%X - 0x%X の一部が書き込まれている可能性があります。",
                       start, last),
      platform::Format("The NVM write did not complete.\r\nThe range 0x%X - 0x%X may be partly written.", start, last));
}

void ShowMaskCountError(platform::Ui& ui, bool write) {
  // The write's English text keeps its old spelling.
  ui.ShowMessageBoxJE("Error", "Mask Data数とeep data数が一致しません", "Error",
                      write ? "Number of mask data is not ewual to number of eep data"
                            : "Number of mask data is not equal to number of eep data",
                      0x10);
}

void ShowWriteCompleted(platform::Ui& ui) {
  ui.ShowMessageBoxJE("情報", "書込みが終了しました。", "Information", "Write completed", 0x40);
}

// The file's lines, or false after a message when it cannot be read.
bool LoadLines(platform::Ui& ui, const std::string& path, std::vector<std::string>& lines) {
  if (platform::ReadLines(path, lines)) return true;
  ui.ShowMessageBoxJE("ERROR", platform::Format("%s が開けません", path.c_str()), "ERROR",
                      platform::Format("Fail to open %s", path.c_str()), 0x10);
  return false;
}

void ShowFileError(platform::Ui& ui, const NvmFileError& error, const std::string& path) {
  ShowError(ui, NvmFileErrorText(error, path, true), NvmFileErrorText(error, path, false));
}

platform::FileDialogOptions FileOptions(const char* filter) {
  platform::FileDialogOptions options;
  options.filter = filter;
  options.initialDir = platform::ProgramFolder();
  return options;
}

}  // namespace

NvmTransfer::NvmTransfer(Workspace& ws, NvmDialogs& dialogs, PollingSwitch* polling)
    : target_(ws.TargetControl),
      ui_(ws.ui),
      services_(ws.services),
      vund_(ws.vund),
      dialogs_(dialogs),
      polling_(polling) {}

bool NvmTransfer::SelectDevice(stNVMImageSetting& device) {
  std::vector<stNVMImageSetting> list;
  vund_.GetNVMImageSettings(list);
  if (list.empty()) {
    ShowError(ui_, "vund.dat に NVM デバイスが設定されていません", "No NVM device is set in vund.dat");
    return false;
  }
  int index = -1;
  if (dialogs_.SelectTargetNvm(index) != platform::kIdOk) return false;
  if (index < 0 || static_cast<size_t>(index) >= list.size()) {
    ShowError(ui_, "NVM デバイスが選択されていません", "No NVM device is selected");
    return false;
  }
  device = list[static_cast<size_t>(index)];
  // The single-form device of vund.dat is not checked when it is read.
  if (!NvmRangeUsable(device.BackupStart, device.BackupEnd)) {
    ShowBadRange(ui_, device.Name, device.BackupStart, device.BackupEnd);
    return false;
  }
  return true;
}

bool NvmTransfer::ChooseDevice(const NvmImageInfo& file, int count, bool write, Device& device) {
  if (file.DeviceType != 0 && file.DeviceEndID != 0) {
    if (file.DeviceEndID < file.DeviceStartID) {
      ShowBadRange(ui_, file.DeviceName, file.DeviceStartID, file.DeviceEndID);
      return false;
    }
    if (!ImageFits(ui_, count, file.DeviceName, file.DeviceStartID, file.DeviceEndID)) return false;
    // The confirmation shows what is really touched: the file's bytes from the start.
    const uint32_t last = file.DeviceStartID + static_cast<uint32_t>(count - 1);
    if (last != file.DeviceEndID && !AcceptShortImage(ui_, count, file, write)) return false;
    if (dialogs_.ConfirmNvmAccess(file.DeviceName, file.DeviceType, file.DeviceStartID, last, write) !=
        platform::kIdOk)
      return false;
    device = {file.DeviceType, file.DeviceStartID, file.DeviceEndID};
    return true;
  }
  stNVMImageSetting chosen;
  if (!SelectDevice(chosen)) return false;
  if (!ImageFits(ui_, count, chosen.Name, chosen.BackupStart, chosen.BackupEnd)) return false;
  device = {chosen.DeviceType, chosen.BackupStart, chosen.BackupEnd};
  return true;
}

bool NvmTransfer::ReadNvmImage(bool verify) {
  PollingHold hold(polling_);
  stNVMImageSetting device;
  if (!SelectDevice(device)) return false;
  const uint8_t type = static_cast<uint8_t>(device.DeviceType);
  // The reads keep what the target delivers: a range the device does not
  // have fails at its first frame without costing its size in memory.
  std::vector<uint32_t> first, second;

  bool ok = false;
  {
    ProgressScope progress(services_);
    for (;;) {
      progress.Set("Read NVM Image");
      ok = target_.ReadNvm(device.BackupStart, device.BackupEnd, type, first);
      if (!ok || !verify) break;
      progress.Set("Read NVM Image for verify");
      ok = target_.ReadNvm(device.BackupStart, device.BackupEnd, type, second);
      // A failed read is in the log; its zeros would only look like a mismatch.
      if (!ok) break;
      progress.Set("");
      if (first == second) break;
      if (ui_.ShowMessageBoxJE("Verify Error", "再読み込みしますか？", "Verify Error", "Try again ?", 0x14) !=
          platform::kIdYes) {
        ok = false;
        break;
      }
    }
  }
  if (!ok) return false;
  NvmImageInfo info;
  info.DeviceName = device.Name;
  info.DeviceType = device.DeviceType;
  info.DeviceStartID = device.BackupStart;
  info.DeviceEndID = device.BackupEnd;
  return SaveNvmImageFile(info, first);
}

bool NvmTransfer::SaveNvmImageFile(const NvmImageInfo& info, const std::vector<uint32_t>& data) {
  std::string path;
  if (!ui_.SaveFileDialog(FileOptions(kEepFilter), path)) return true;
  if (path.find(".eep") == std::string::npos) path += ".eep";
  return SaveLinesToFile(path, BuildNvmImageLines(info, data), ui_);
}

int NvmTransfer::LoadNvmImageFile(std::vector<uint32_t>& data, NvmImageInfo& info) {
  data.clear();
  info = NvmImageInfo();
  std::string path;
  if (!ui_.OpenFileDialog(FileOptions(kEepFilter), path)) return 0;
  std::vector<std::string> lines;
  if (!LoadLines(ui_, path, lines)) return 0;
  NvmFileError error;
  if (!ReadNvmImageLines(lines, info, data, error)) {
    ShowFileError(ui_, error, path);
    return 0;
  }
  return static_cast<int>(data.size());
}

NvmTransfer::MaskChoice NvmTransfer::LoadNvmMaskFile(std::vector<uint32_t>& mask, int count, bool ask) {
  mask.assign(static_cast<size_t>(std::max(count, 0)), 0xFF);
  if (!ask || FindFiles(platform::ProgramFolder() + "*.vma", 63).empty()) return MaskChoice::NoMask;
  if (ui_.ShowMessageBoxJE(
          "確認",
          "MASK ファイルを使用しますか\r\nMASKファイルを使用しない場合は全てのデータの書き込み、"
          "ベリファイを行います",
          "Confirmation", "Do you use MASK file ?\r\nIf you don't use mask file then VUND write or verify all NVM data",
          0x24) != platform::kIdYes)
    return MaskChoice::NoMask;
  std::string path;
  if (!ui_.OpenFileDialog(FileOptions(kMaskFilter), path)) return MaskChoice::NoMask;
  std::vector<std::string> lines;
  if (!LoadLines(ui_, path, lines)) return MaskChoice::Refused;
  NvmFileError error;
  std::vector<uint32_t> read;
  if (!ReadNvmMaskLines(lines, read, error)) {
    ShowFileError(ui_, error, path);
    return MaskChoice::Refused;
  }
  mask = std::move(read);
  return MaskChoice::Loaded;
}

int NvmTransfer::CompareNvmData(uint32_t start, const uint32_t* file, const uint32_t* nvm, const uint32_t* mask,
                                int count, bool messageBox) {
  const std::vector<std::string> lines = CompareNvmBytes(start, file, nvm, mask, count);
  if (lines.empty()) return 0;
  if (messageBox) {
    std::string text = "Verify error \r\n";
    for (const std::string& line : lines) text += line + "\r\n";
    ui_.ShowMessageBoxJE("Verify Error", text, "Verify Error", text, 0x10);
  } else {
    dialogs_.ShowCompareResult(lines);
  }
  return 1;
}

int NvmTransfer::PrepareImage(bool write, bool askMask, std::vector<uint32_t>& image, std::vector<uint32_t>& mask,
                              Device& device) {
  NvmImageInfo info;
  const int count = LoadNvmImageFile(image, info);
  if (count == 0) return 0;
  const MaskChoice choice = LoadNvmMaskFile(mask, count, askMask);
  if (choice == MaskChoice::Refused) return 0;
  // An empty or short mask would leave bytes without a mask.
  if (choice == MaskChoice::Loaded && mask.size() != image.size()) {
    ShowMaskCountError(ui_, write);
    return 0;
  }
  return ChooseDevice(info, count, write, device) ? count : 0;
}

bool NvmTransfer::WriteNvmImage(bool verify) {
  PollingHold hold(polling_);
  std::vector<uint32_t> image, mask;
  Device device;
  // Without verify no mask is asked for: every bit is written.
  const int count = PrepareImage(true, verify, image, mask, device);
  if (count == 0) return false;

  const std::vector<uint32_t> unmasked = image;
  for (size_t i = 0; i < image.size(); ++i) image[i] &= mask[i];

  ProgressScope progress(services_);
  const uint8_t type = static_cast<uint8_t>(device.type);
  progress.Set("Write NVM Image");
  bool ok = target_.WriteNvm(device.start, type, count, image.data(), mask.data());
  if (!ok) {
    progress.Clear();
    ShowWriteIncomplete(ui_, device.start, count);
    return false;
  }
  std::vector<uint32_t> readBack;
  if (verify) {
    progress.Set("Read NVM Image");
    ok = target_.ReadNvm(device.start, device.start + static_cast<uint32_t>(count - 1), type, readBack);
  }
  if (!ok) return false;
  if (verify &&
      CompareNvmData(device.start, unmasked.data(), readBack.data(), mask.data(), count, true) != 0)
    return false;
  ShowWriteCompleted(ui_);
  return true;
}

bool NvmTransfer::CompareNvmImage() {
  PollingHold hold(polling_);
  std::vector<uint32_t> image, mask;
  Device device;
  const int count = PrepareImage(false, true, image, mask, device);
  if (count == 0) return false;

  // Only the bytes the image holds take part, so only they are read: a wide
  // range in a file header costs neither memory nor time.
  std::vector<uint32_t> nvm;
  const uint32_t last = device.start + static_cast<uint32_t>(count - 1);
  int differs = 0;
  bool ok = false;
  {
    ProgressScope progress(services_);
    progress.Set("Read NVM Image");
    ok = target_.ReadNvm(device.start, last, static_cast<uint8_t>(device.type), nvm);
    if (ok) differs = CompareNvmData(device.start, image.data(), nvm.data(), mask.data(), count, false);
  }
  if (!ok || differs) return false;
  ui_.ShowMessageBoxJE("Information", "全て一致しています", "Information", "All NVM image is equal to file", 0x40);
  return true;
}

}  // namespace rules
