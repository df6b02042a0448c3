// A TTargetControl connected in-process to a simulated ECS3 target on virtual
// time, with a scripted Ui that also keeps the input boxes' prompts.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/targetcontrol.h"
#include "link/workspace.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/clock.h"
#include "platform/convert.h"
#include "simlink.h"
#include "simtarget.h"
#include "support/recording_services.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace ui_sim {

// n bytes that differ from their neighbours.
inline SimBytes Pattern(size_t n, uint8_t seed) {
  SimBytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
  return b;
}

// Keeps every byte sequence the host wrote.
class RecordingLink : public SimLink {
 public:
  using SimLink::SimLink;
  bool Write(const uint8_t* buffer, uint32_t length) override {
    written.emplace_back(buffer, buffer + length);
    return SimLink::Write(buffer, length);
  }
  std::vector<std::vector<uint8_t>> written;
};

class PromptUi : public testing_support::ScriptedUi {
 public:
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& text,
                char passwordChar) override {
    prompts.push_back(caption + ": " + prompt + " [" + text + "]");
    return ScriptedUi::InputBox(caption, prompt, text, passwordChar);
  }
  std::vector<std::string> prompts;
};

class SimTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui.SetForceEnglish(true);
    ws.services.Set(&services);
    dir.Write("vund.dat",
              "[Common]\r\nCommandTimeOutTime=2000\r\nTimeOutTime=300\r\nTimeOut_Retry=0\r\nError_Retry=0\r\n"
              "Error_RetryWait=0\r\n[EcsSettings]\r\nMaxECS3DataLength=64\r\nMaxECSDataLength=64\r\n");
    dir.Write("Vund2.ini", "[Bus]\r\nBusPhysicalLayer=0\r\nComPort=0\r\nBaudRate=6\r\nECSType=2\r\n");
    ASSERT_TRUE(ws.vund.LoadVundData());
    ASSERT_TRUE(ws.settings.LoadSettings());
    auto layer = std::make_unique<RecordingLink>(target, clock);
    link = layer.get();
    ASSERT_TRUE(tc.ConnectWith(std::move(layer), clock, CurrentLinkSettings(ws.settings, ws.vund)));
    target.ClearFrames();
    link->written.clear();
  }

  // The commands of the frames the target received ("F0 F0 F1").
  std::string Commands() const {
    std::string s;
    for (const SimFrame& f : target.Frames()) s += platform::Format(s.empty() ? "%02X" : " %02X", f.bytes[0]);
    return s;
  }

  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  PromptUi ui;
  testing_support::RecordingServices services;
  platform::VirtualClock clock;
  SimTarget target{SimProtocol::Ecs3};
  RecordingLink* link = nullptr;  // owned by tc
  Workspace ws{ui};               // last: its target control goes first, before the target it talks to
  TTargetControl& tc = ws.TargetControl;
};

}  // namespace ui_sim
