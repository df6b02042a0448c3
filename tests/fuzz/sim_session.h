// A program folder with settings and a vund.dat, and a workspace whose
// TTargetControl talks in-process to a fresh simulated ECS3 target on virtual
// time, for the fuzz targets that drive a flow against the target.
#pragma once
#include <memory>
#include <string>

#include "fuzz_support.h"
#include "link/workspace.h"
#include "platform/clock.h"
#include "rules/nvmtransfer.h"
#include "rules/regsnapshottransfer.h"
#include "simlink.h"
#include "simtarget.h"

namespace fuzz {

class SimSession {
 public:
  // Writes Vund2.ini, and vund.dat with the settings every session uses and
  // the extra lines given, and loads them.
  explicit SimSession(platform::Ui& ui, const std::string& ecsSettings = std::string()) : ws(ui) {
    WriteHomeFile("Vund2.ini", "[Bus]\r\nBusPhysicalLayer=0\r\nComPort=0\r\nBaudRate=6\r\nECSType=2\r\n");
    WriteHomeFile("vund.dat",
                  "[Common]\r\nCommandTimeOutTime=200\r\nTimeOutTime=50\r\nTimeOut_Retry=1\r\nError_Retry=1\r\n"
                  "Error_RetryWait=0\r\n[EcsSettings]\r\nMaxECS3DataLength=64\r\nMaxECSDataLength=64\r\n" +
                      ecsSettings);
    if (!ws.settings.LoadSettings() || !ws.vund.LoadVundData()) Fail("program folder not loaded");
    target.AddNvmDevice(1, 0x000, 0x1FF);
    if (!tc.ConnectWith(std::make_unique<SimLink>(target, clock), clock, CurrentLinkSettings(ws.settings, ws.vund)))
      Fail("no link to the simulated target");
  }
  platform::VirtualClock clock;
  SimTarget target{SimProtocol::Ecs3};
  Workspace ws;  // last: its target control goes first, before the target it talks to
  TTargetControl& tc = ws.TargetControl;
};

// The NVM and register value flows' windows: the first device, and OK to all.
class OkDialogs : public rules::NvmDialogs, public rules::RegSnapshotDialogs {
 public:
  int SelectTargetNvm(int& index) override { return index = 0, platform::kIdOk; }
  int ConfirmNvmAccess(const std::string&, int, uint32_t, uint32_t, bool) override { return platform::kIdOk; }
  int SelectRegisterFiles(bool&, bool&) override { return platform::kIdOk; }
  int ShowCompareResult(const std::vector<std::string>&) override { return platform::kIdOk; }
};

}  // namespace fuzz
