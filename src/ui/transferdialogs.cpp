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

QtTransferWindows::QtTransferWindows(QWidget* owner, Workspace& ws)
    : QtNvmDialogs(owner, ws), QtRegSnapshotDialogs(owner, ws.ui) {}

}  // namespace ui
