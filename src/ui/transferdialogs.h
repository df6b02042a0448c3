// The NVM and register value windows behind the transfers' dialog
// interfaces, and the main window's entry points that run the transfers on
// the program's target-control object and these windows.
#pragma once
#include "rules/nvmtransfer.h"
#include "rules/regsnapshottransfer.h"

namespace ui {

// The Qt windows.
NvmDialogs& StandardNvmDialogs();
RegSnapshotDialogs& StandardRegSnapshotDialogs();

// Entry points for the main window's File menu handlers, on the program's
// target-control object and windows, with polling held off around each.
bool ReadNvmImage(bool verify, PollingSwitch& polling);
bool WriteNvmImage(bool verify, PollingSwitch& polling);
bool CompareNvmImage(PollingSwitch& polling);

// Entry points for the main window's handlers, on the program's
// target-control object and windows.
bool SaveRegisterValues(bool hValuesRead, const std::function<bool(int kind)>& readRegisterValues,
                        PollingSwitch& polling);
bool WriteRegisterValues(PollingSwitch& polling);

}  // namespace ui
