#include "ui/transferdialogs.h"

#include "link/targetcontrol.h"
#include "ui/frmcompeepdata.h"
#include "ui/frmnvmaccess.h"
#include "ui/frmselsnapshotid.h"

namespace ui {
namespace {

class QtNvmDialogs : public NvmDialogs {
 public:
  int SelectTargetNvm(int& index) override { return ::SelectTargetNvm(index); }
  int ConfirmNvmAccess(const std::string& name, int type, uint32_t start, uint32_t end, bool write) override {
    return ::ConfirmNvmAccess(name, type, start, end, write);
  }
  int ShowCompareResult(const std::vector<std::string>& lines) override { return ::ShowCompareResult(lines); }
};

class QtRegSnapshotDialogs : public RegSnapshotDialogs {
 public:
  int SelectRegisterFiles(bool& sReg, bool& hReg) override { return ::SelectRegisterFiles(sReg, hReg); }
  int ShowCompareResult(const std::vector<std::string>& lines) override { return ::ShowCompareResult(lines); }
};

}  // namespace

NvmDialogs& StandardNvmDialogs() {
  static QtNvmDialogs dialogs;
  return dialogs;
}

RegSnapshotDialogs& StandardRegSnapshotDialogs() {
  static QtRegSnapshotDialogs dialogs;
  return dialogs;
}

bool ReadNvmImage(bool verify, PollingSwitch& polling) {
  return NvmTransfer(TargetControl, StandardNvmDialogs(), &polling).ReadNvmImage(verify);
}

bool WriteNvmImage(bool verify, PollingSwitch& polling) {
  return NvmTransfer(TargetControl, StandardNvmDialogs(), &polling).WriteNvmImage(verify);
}

bool CompareNvmImage(PollingSwitch& polling) {
  return NvmTransfer(TargetControl, StandardNvmDialogs(), &polling).CompareNvmImage();
}

bool SaveRegisterValues(bool hValuesRead, const std::function<bool(int kind)>& readRegisterValues,
                        PollingSwitch& polling) {
  RegSnapshotTransfer transfer(TargetControl, StandardRegSnapshotDialogs(), &polling);
  return transfer.SaveRegisterValues(hValuesRead, readRegisterValues);
}

bool WriteRegisterValues(PollingSwitch& polling) {
  RegSnapshotTransfer transfer(TargetControl, StandardRegSnapshotDialogs(), &polling);
  return transfer.WriteRegisterValues();
}

}  // namespace ui
