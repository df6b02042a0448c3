// The NVM and register value windows behind the transfers' dialog
// interfaces.
#pragma once
#include "rules/nvmtransfer.h"
#include "rules/regsnapshottransfer.h"

class QWidget;
class Workspace;

namespace ui {

// The Qt windows of the NVM transfers, owned by owner.
class QtNvmDialogs : public rules::NvmDialogs {
 public:
  QtNvmDialogs(QWidget* owner, Workspace& ws) : owner_(owner), ws_(ws) {}
  int SelectTargetNvm(int& index) override;
  int ConfirmNvmAccess(const std::string& name, int type, uint32_t start, uint32_t end, bool write) override;
  int ShowCompareResult(const std::vector<std::string>& lines) override;

 private:
  QWidget* owner_;
  Workspace& ws_;
};

// The Qt windows of the register value transfers, owned by owner.
class QtRegSnapshotDialogs : public rules::RegSnapshotDialogs {
 public:
  QtRegSnapshotDialogs(QWidget* owner, platform::Ui& ui) : owner_(owner), ui_(ui) {}
  int SelectRegisterFiles(bool& sReg, bool& hReg) override;
  int ShowCompareResult(const std::vector<std::string>& lines) override;

 private:
  QWidget* owner_;
  platform::Ui& ui_;
};

// The windows of both transfers, owned by the main window.
class QtTransferWindows : public QtNvmDialogs, public QtRegSnapshotDialogs {
 public:
  QtTransferWindows(QWidget* owner, Workspace& ws);
};

}  // namespace ui
