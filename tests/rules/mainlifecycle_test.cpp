#include "rules/mainlifecycle.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fakewindow.h"
#include "link/workspace.h"
#include "rules/maincontroller.h"
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
