// A program folder with settings and a vund.dat, and a TTargetControl talking
// in-process to a fresh simulated ECS3 target on virtual time, for the fuzz
// targets that drive a flow against the target.
#pragma once
#include <memory>
#include <string>

#include "fuzz_support.h"
#include "link/targetcontrol.h"
#include "model/linksettings.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/clock.h"
#include "simlink.h"
#include "simtarget.h"

namespace fuzz {

// vund.dat with the settings every session uses and the extra lines given.
inline void LoadProgramFolder(const std::string& ecsSettings = std::string()) {
  SetForceEnglish(true);
  WriteHomeFile("Vund2.ini", "[Bus]\r\nBusPhysicalLayer=0\r\nComPort=0\r\nBaudRate=6\r\nECSType=2\r\n");
  WriteHomeFile("vund.dat",
                "[Common]\r\nCommandTimeOutTime=200\r\nTimeOutTime=50\r\nTimeOut_Retry=1\r\nError_Retry=1\r\n"
                "Error_RetryWait=0\r\n[EcsSettings]\r\nMaxECS3DataLength=64\r\nMaxECSDataLength=64\r\n" +
                    ecsSettings);
  ResetVundData();
  if (!LoadSettings() || !LoadVundData()) Fail("program folder not loaded");
}

class SimSession {
 public:
  SimSession() {
    target.AddNvmDevice(1, 0x000, 0x1FF);
    if (!tc.ConnectWith(std::make_unique<SimLink>(target, clock), clock, CurrentLinkSettings()))
      Fail("no link to the simulated target");
  }
  platform::VirtualClock clock;
  SimTarget target{SimProtocol::Ecs3};
  TTargetControl tc;  // last: goes first, before the target it talks to
};

}  // namespace fuzz
