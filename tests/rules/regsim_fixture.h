// The simulated target in-process, with vund.dat extended by what a test
// needs (NVM devices, pre- and post-commands), and the fake main window.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fakewindow.h"
#include "support/simtarget_fixture.h"

namespace regsim {

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
  return {name, name, id, mask, 0xFFFF, 0, tab, vrf};
}

class RegSimTest : public ui_sim::SimTargetTest {
 protected:
  void SetUp() override {
    SimTargetTest::SetUp();
    ws.services.Set(&hooked);
  }
  // vund.dat gets extraEcs in its [EcsSettings] section.
  void Start(const std::string& extraEcs = std::string()) {
    dir.Write("vund.dat", "[Common]\r\nCommandTimeOutTime=2000\r\nTimeOutTime=300\r\nTimeOut_Retry=0\r\n"
                          "Error_Retry=0\r\n[EcsSettings]\r\nMaxECS3DataLength=64\r\n" + extraEcs);
    ASSERT_TRUE(ws.vund.LoadVundData());
  }

  // The register address of every word written to the target, in order.
  std::vector<uint32_t> Written() const {
    std::vector<uint32_t> out;
    for (const SimFrame& f : target.Frames()) {
      const SimBytes& b = f.bytes;
      if (b.empty() || b[0] != 0xF1) continue;
      // F1, length (2), width, address (4), data, checksum.
      const size_t words = ((size_t(b[1]) << 8 | b[2]) - 9) / 2;
      const uint32_t address = (uint32_t(b[4]) << 24) | (uint32_t(b[5]) << 16) | (uint32_t(b[6]) << 8) | b[7];
      for (size_t i = 0; i < words; ++i) out.push_back(address + static_cast<uint32_t>(i));
    }
    return out;
  }

  HookedServices hooked;
  rules_fake::FakeWindow win;
};

}  // namespace regsim
