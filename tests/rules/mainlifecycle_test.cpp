#include "rules/mainlifecycle.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fakewindow.h"
#include "link/targetcontrol.h"
#include "link/workspace.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "rules/maincontroller.h"
#include "simlink.h"
#include "simtarget.h"
#include "support/recording_services.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace {

using rules_fake::FakeWindow;

TEST(Startup, TheRateIsRaisedOnlyAfterTheTargetAnsweredAndPollingStartsWithALink) {
  const std::string shown = " poll-off raise snapshot poll-on";
  const std::string notRaised = " poll-off snapshot poll-on";
  struct Case {
    bool connects;
    std::deque<bool> reads;
    std::string steps;
  };
  const Case cases[] = {
      {true, {}, "connect read0" + shown},
      {false, {}, "connect"},
      {true, {false, true}, "connect read0 findbaud read0" + shown},
      {true, {false, false}, "connect read0 findbaud read0" + notRaised},
  };
  for (const Case& c : cases) {
    FakeWindow w;
    w.connects = c.connects;
    w.reads = c.reads;
    EXPECT_EQ(rules::RunStartup(w, w, w, ""), c.connects);
    EXPECT_EQ(w.log, c.steps);
  }
}

// On a termination signal the settings and the status list are on disk
// before any question: the sender may end the program while one waits.
TEST(Close, AsksBeforeTalkingToTheTargetAndCancelKeepsTheWindow) {
  using rules::CloseCause;
  struct Case {
    CloseCause cause;
    bool polling;
    int answerS, answerH;
    bool closes;
    const char* steps;
  };
  const Case cases[] = {
      {CloseCause::User, true, platform::kIdNo, platform::kIdYes, true,
       "stop-polling ask0 ask1 sendbaud refresh settings release"},
      {CloseCause::User, true, platform::kIdCancel, 0, false, "stop-polling ask0 poll-on"},
      {CloseCause::User, true, platform::kIdNo, platform::kIdCancel, false, "stop-polling ask0 ask1 poll-on"},
      // polling that was off stays off
      {CloseCause::User, false, platform::kIdCancel, 0, false, "stop-polling ask0"},
      {CloseCause::Signal, true, platform::kIdNo, platform::kIdYes, true,
       "stop-polling refresh settings ask0 ask1 sendbaud release"},
      {CloseCause::Signal, true, platform::kIdCancel, 0, false, "stop-polling refresh settings ask0 poll-on"},
  };
  for (const Case& c : cases) {
    FakeWindow w;
    w.polling = c.polling;
    w.saveAnswers[0] = c.answerS;
    w.saveAnswers[1] = c.answerH;
    EXPECT_EQ(rules::RunClose(w, w, w, c.cause), c.closes);
    EXPECT_EQ(w.log, c.steps);
  }
}

// ---- The controller ----

// A start-up without a target.
class MainControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"Sreg.dat", "Hreg.dat", "Table.dat", "vund.dat"}) dir.Write(name, "");
    c.SetTargetConnector([] { return false; });
  }
  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi ui;
  Workspace ws{ui};
  FakeWindow view;
  rules::MainController c{ws, view};
};

TEST_F(MainControllerTest, SettingsThatCannotBeWrittenAreReportedAndTheCloseGoesOn) {
  c.RunStartup("");
  ASSERT_TRUE(std::filesystem::create_directory(dir.File("Vund2.ini")));  // in the way of the rename
  ui.ExpectMessage(0x15, platform::kIdCancel, "Fail to save " + dir.File("Vund2.ini") + "\r\nIs a directory");
  EXPECT_TRUE(c.Close());
}

// The sample files against a simulated set; each connect is a new line to it.
class ComPortChoiceTest : public ::testing::TestWithParam<SimProtocol> {
 protected:
  void SetUp() override {
    const bool ecs3 = GetParam() == SimProtocol::Ecs3;
    for (const char* name : {"Sreg.dat", "Hreg.dat", "Table.dat", "vund.dat"}) {
      std::string bytes;
      platform::ReadFileBytes(std::string(VUND2_EXAMPLES) + "/" + name, bytes);
      dir.Write(name, bytes);
    }
    dir.Write("Vund2.ini", std::string("[Bus]\r\nComPort=1\r\nBaudRate=6\r\nECSType=") + (ecs3 ? "2" : "0") + "\r\n");
    ASSERT_TRUE(target.LoadVundData(dir.File("vund.dat")));
    ASSERT_TRUE(target.LoadRegisterFile(dir.File("Sreg.dat"), false));
    c.SetTargetConnector([this] {
      ++connects;
      auto layer = std::make_unique<SimLink>(target, clock);
      link = layer.get();
      // The port opens at the configured rate, as a serial port does.
      const auto settings = CurrentLinkSettings(ws.settings, ws.vund);
      layer->Open(static_cast<uint8_t>(settings.ComPort), static_cast<uint8_t>(settings.BaudRate), 0, 0, 0, 0);
      return ws.TargetControl.ConnectWith(std::move(layer), clock, settings);
    });
    view.readTarget = [this](RegKind kind) { return ws.TargetControl.ReadRegisterTable(kind == RegKind::H); };
  }
  // OK in the COM port dialog without a change.
  void OkUnchanged() {
    ui.ExpectComPortDialog(true);
    c.ChooseComPort();
    EXPECT_TRUE(ui.AllSeen());
  }
  bool ReadVolume() {
    uint32_t value = 0;
    return ws.TargetControl.ReadRegister(0x1030, value) && value == 42;
  }

  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi ui;
  platform::VirtualClock clock;
  SimTarget target{GetParam()};
  SimLink* link = nullptr;  // owned by the target control
  int connects = 0;
  Workspace ws{ui};  // goes before the target it talks to
  FakeWindow view;
  rules::MainController c{ws, view};
};

TEST_P(ComPortChoiceTest, OkWithNothingChangedKeepsAWorkingLinkAndReopensAFailedOne) {
  target.SetRegister(0x1030, 42);
  c.RunStartup("");
  ASSERT_EQ(connects, 1);
  const int rate = target.BaudIndex();
  OkUnchanged();
  EXPECT_EQ(connects, 1);
  EXPECT_TRUE(ReadVolume());
  // A refusal is the set's own answer: the link works.
  target.AddFault(SimFault::Error(sim_error::kNoId), 10);  // every retry too
  EXPECT_FALSE(ReadVolume());
  target.ClearFaults();
  OkUnchanged();
  EXPECT_EQ(connects, 1);

  // The port fails (the set was switched off and on again): every read
  // fails until OK opens the port again.
  link->FailWrites(true);
  EXPECT_FALSE(ReadVolume());
  OkUnchanged();
  EXPECT_EQ(connects, 2);
  EXPECT_TRUE(ReadVolume());
  EXPECT_EQ(target.BaudIndex(), rate);  // raised again as at start-up

  // The set started again at its first rate while the link runs faster:
  // nothing sound comes back until OK finds the set at its rate again.
  if (GetParam() == SimProtocol::Ecs3) {
    ASSERT_EQ(rate, 12);
    target.SetBaudIndex(6);
    EXPECT_FALSE(ReadVolume());
    OkUnchanged();
    EXPECT_EQ(connects, 3);
    EXPECT_TRUE(ReadVolume());
    EXPECT_EQ(target.BaudIndex(), 12);
  }
}

// A new rate chosen while the link runs raised: the set is sent to the new
// start rate first, so the new link finds it there without a failed read.
TEST_P(ComPortChoiceTest, ANewRateFindsTheSetAtOnce) {
  // ECS2 does not negotiate: a set at another rate is simply not heard.
  if (GetParam() != SimProtocol::Ecs3) return;
  testing_support::RecordingServices log;
  ws.services.Set(&log);
  target.SetRegister(0x1030, 42);
  c.RunStartup("");
  for (const int rate : {11, 6}) {
    log.lines.clear();
    ui.ExpectComPortDialog(true, [rate](int&, int& baud) { baud = rate; });
    c.ChooseComPort();
    EXPECT_TRUE(ui.AllSeen());
    EXPECT_EQ(log.Log(), "") << rate;
    EXPECT_TRUE(ReadVolume());
    EXPECT_EQ(target.BaudIndex(), 12);
  }
  ws.services.Set(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Protocols, ComPortChoiceTest, ::testing::Values(SimProtocol::Ecs3, SimProtocol::Ecs2));

// The save's read of the H values is the run's one read of them, with its
// snapshot: a second save and showing the H file read nothing more, and
// nothing shows as changed against a value never read.
TEST_F(MainControllerTest, TheHValuesAreReadOncePerRunWhoeverReadsThemFirst) {
  c.RunStartup("");
  view.readTarget = [this](RegKind kind) {
    if (kind == RegKind::H) ws.HRegisters.SetValue(0x10, 5);
    return true;
  };
  for (int i = 0; i < 2; ++i) {
    view.choices.push_back({});
    ui.ExpectSaveFile(dir.File("v.id")).ExpectMessage(0x40, platform::kIdOk, "Save completed");
    c.SaveRegisterValues();
  }
  c.Registers().ShowRegisterFile(RegKind::H);
  size_t reads = 0;
  for (size_t at = view.log.find("read1"); at != std::string::npos; at = view.log.find("read1", at + 1)) ++reads;
  EXPECT_EQ(reads, 1u) << view.log;
  EXPECT_EQ(ws.HRegisters.GetSnapshotValue(0x10), 5);
}

}  // namespace
