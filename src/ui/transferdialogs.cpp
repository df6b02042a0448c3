#include "ui/transferdialogs.h"

#include "link/workspace.h"
#include "ui/frmcompeepdata.h"
#include "ui/frmnvmaccess.h"
#include "ui/frmselsnapshotid.h"

namespace ui {

int QtNvmDialogs::SelectTargetNvm(int& index) { return ::SelectTargetNvm(owner_, ws_.ui, ws_.vund, index); }

int QtNvmDialogs::ConfirmNvmAccess(const std::string& name, int type, uint32_t start, uint32_t end, bool write) {
  return ::ConfirmNvmAccess(owner_, ws_.ui, name, type, start, end, write);
}

int QtNvmDialogs::ShowCompareResult(const std::vector<std::string>& lines) {
  return ::ShowCompareResult(owner_, ws_.ui, lines);
}

int QtRegSnapshotDialogs::SelectRegisterFiles(bool& sReg, bool& hReg) {
  return ::SelectRegisterFiles(owner_, sReg, hReg);
}

int QtRegSnapshotDialogs::ShowCompareResult(const std::vector<std::string>& lines) {
  return ::ShowCompareResult(owner_, ui_, lines);
}

bool ReadNvmImage(Workspace& ws, QWidget* owner, bool verify, PollingSwitch& polling) {
  QtNvmDialogs dialogs(owner, ws);
  return NvmTransfer(ws, dialogs, &polling).ReadNvmImage(verify);
}

bool WriteNvmImage(Workspace& ws, QWidget* owner, bool verify, PollingSwitch& polling) {
  QtNvmDialogs dialogs(owner, ws);
  return NvmTransfer(ws, dialogs, &polling).WriteNvmImage(verify);
}

bool CompareNvmImage(Workspace& ws, QWidget* owner, PollingSwitch& polling) {
  QtNvmDialogs dialogs(owner, ws);
  return NvmTransfer(ws, dialogs, &polling).CompareNvmImage();
}

bool SaveRegisterValues(Workspace& ws, QWidget* owner, bool hValuesRead,
                        const std::function<bool(int kind)>& readRegisterValues, PollingSwitch& polling) {
  QtRegSnapshotDialogs dialogs(owner, ws.ui);
  return RegSnapshotTransfer(ws, dialogs, &polling).SaveRegisterValues(hValuesRead, readRegisterValues);
}

bool WriteRegisterValues(Workspace& ws, QWidget* owner, PollingSwitch& polling) {
  QtRegSnapshotDialogs dialogs(owner, ws.ui);
  return RegSnapshotTransfer(ws, dialogs, &polling).WriteRegisterValues();
}

}  // namespace ui
