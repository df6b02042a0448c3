// The NVM and register value windows behind the transfers' dialog
// interfaces, and the main window's entry points that run the transfers on
// the workspace with these windows.
#pragma once
#include <functional>

#include "rules/nvmtransfer.h"
#include "rules/regsnapshottransfer.h"

class QWidget;
class Workspace;

namespace ui {

// The Qt windows of the NVM transfers, owned by owner.
class QtNvmDialogs : public NvmDialogs {
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
class QtRegSnapshotDialogs : public RegSnapshotDialogs {
 public:
  QtRegSnapshotDialogs(QWidget* owner, platform::Ui& ui) : owner_(owner), ui_(ui) {}
  int SelectRegisterFiles(bool& sReg, bool& hReg) override;
  int ShowCompareResult(const std::vector<std::string>& lines) override;

 private:
  QWidget* owner_;
  platform::Ui& ui_;
};

// Entry points for the main window's File menu handlers, with polling held
// off around each; owner is the main window.
bool ReadNvmImage(Workspace& ws, QWidget* owner, bool verify, PollingSwitch& polling);
bool WriteNvmImage(Workspace& ws, QWidget* owner, bool verify, PollingSwitch& polling);
bool CompareNvmImage(Workspace& ws, QWidget* owner, PollingSwitch& polling);
bool SaveRegisterValues(Workspace& ws, QWidget* owner, bool hValuesRead,
                        const std::function<bool(int kind)>& readRegisterValues, PollingSwitch& polling);
bool WriteRegisterValues(Workspace& ws, QWidget* owner, PollingSwitch& polling);

}  // namespace ui
