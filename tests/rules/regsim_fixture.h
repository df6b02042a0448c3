// A program folder with vund.dat and Vund2.ini, the language English, and a
// TTargetControl on the simulated target in-process on virtual time.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/busphysicallayer.h"
#include "link/targetcontrol.h"
#include "link/workspace.h"
#include "model/registers.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/clock.h"
#include "rules/pollinghold.h"
#include "simlink.h"
#include "simtarget.h"
#include "support/recording_services.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace regsim {

// Records how polling was switched.
class FakePolling : public ui::PollingSwitch {
 public:
  int choice = 0;  // "Start"
  std::vector<bool> switched;
  int StatusWindowChoice() const override { return choice; }
  void SetStatusPolling(bool on) override { switched.push_back(on); }
};

// Lets a test change the target between two steps of one flow.
class HookedServices : public testing_support::RecordingServices {
 public:
  void SetProgressMessage(const std::string& text) override {
    RecordingServices::SetProgressMessage(text);
    if (onProgress) onProgress(text);
  }
  std::function<void(const std::string&)> onProgress;
};

inline ST_REGISTER Reg(const std::string& name, uint32_t id, int tab = 1, uint32_t mask = 0xFFFF, int vrf = 1) {
  ST_REGISTER r;
  r.LongName = r.ShortName = name;
  r.ID = id;
  r.Tab = tab;
  r.Mask = mask;
  r.Vrf = vrf;
  return r;
}

class RegSimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui.SetForceEnglish(true);
    ws.services.Set(&services);
  }

  // vund.dat gets extraEcs in its [EcsSettings] section.
  void Start(const std::string& extraEcs = std::string(), int frameBytes = 8) {
    dir.Write("vund.dat",
              "[Common]\r\nCommandTimeOutTime=2000\r\nTimeOutTime=300\r\nTimeOut_Retry=0\r\nError_Retry=0\r\n"
              "[EcsSettings]\r\nMaxECS3DataLength=" +
                  std::to_string(frameBytes) + "\r\n" + extraEcs);
    dir.Write("Vund2.ini", "[Bus]\r\nBusPhysicalLayer=0\r\nComPort=0\r\nBaudRate=6\r\nECSType=2\r\n");
    ASSERT_TRUE(ws.vund.LoadVundData());
    ASSERT_TRUE(ws.settings.LoadSettings());
    target = std::make_unique<SimTarget>(SimProtocol::Ecs3);
    ASSERT_TRUE(
        tc.ConnectWith(std::make_unique<SimLink>(*target, clock), clock, CurrentLinkSettings(ws.settings, ws.vund)));
  }

  // The register address of every word written to the target, in order.
  std::vector<uint32_t> Written() const {
    std::vector<uint32_t> out;
    for (const SimFrame& f : target->Frames()) {
      const SimBytes& b = f.bytes;
      if (b.empty() || b[0] != 0xF1) continue;
      // F1, length (2), width, address (4), data, checksum.
      const size_t words = ((size_t(b[1]) << 8 | b[2]) - 9) / 2;
      const uint32_t address = (uint32_t(b[4]) << 24) | (uint32_t(b[5]) << 16) | (uint32_t(b[6]) << 8) | b[7];
      for (size_t i = 0; i < words; ++i) out.push_back(address + static_cast<uint32_t>(i));
    }
    return out;
  }

  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi ui;
  HookedServices services;
  platform::VirtualClock clock;
  std::unique_ptr<SimTarget> target;
  Workspace ws{ui};  // last: its target control goes first, before the target it talks to
  TTargetControl& tc = ws.TargetControl;
};

}  // namespace regsim
