#include "rules/mainlifecycle.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "link/workspace.h"
#include "platform/ui.h"
#include "rules/maincontroller.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace {

// Records the steps that talk to the target or the user, in order.
class RecordingSteps : public ui::MainWindowSteps {
 public:
  std::string log;
  bool connects = true;
  std::deque<bool> reads;  // answers of ReadRegisterValues, in turn; then true
  bool polling = false;
  int answers[2] = {0, 0};  // of the save questions for S and H

  void Step(const std::string& s) { log += (log.empty() ? "" : " ") + s; }
  void ForceEnglish() override { Step("english"); }
  void LoadSettings() override {}
  void ApplySettings() override {}
  void LoadDataFiles() override {}
  void BuildTabStrip() override {}
  void BuildCommandMenu() override {}
  void SelectFirstValueCell() override {}
  bool Connect() override {
    Step("connect");
    return connects;
  }
  bool ReadRegisterValues(int kind) override {
    Step("read" + std::to_string(kind));
    const bool ok = reads.empty() || reads.front();
    if (!reads.empty()) reads.pop_front();
    return ok;
  }
  int FindBaudRate() override {
    Step("findbaud");
    return 0;
  }
  void SetStatusPolling(bool on) override {
    polling = on;
    Step(on ? "poll-on" : "poll-off");
  }
  void RaiseBaudRate() override { Step("raise"); }
  void ShowComStatus() override {}
  void TakeSnapshot() override { Step("snapshot"); }
  void ShowRegisterTab(int) override {}
  void StartStatusPolling() override { SetStatusPolling(true); }
  bool StopStatusPolling() override {
    Step("stop-polling");
    const bool was = polling;
    polling = false;
    return was;
  }
  int SaveRegisterFileIfChanged(int kind) override {
    Step("ask" + std::to_string(kind));
    return answers[kind];
  }
  void SendBaudRate() override { Step("sendbaud"); }
  void SaveRefreshList() override {}
  void SaveWindowSettings() override {}
  void ReleaseResources() override { Step("release"); }
};

TEST(Startup, TheRateIsRaisedOnlyAfterTheTargetAnsweredAndPollingStartsWithALink) {
  const std::string shown = " poll-off raise snapshot poll-on";
  const std::string notRaised = " poll-off snapshot poll-on";
  struct Case {
    const char* argument;
    bool connects;
    std::deque<bool> reads;
    std::string steps;
  };
  const Case cases[] = {
      {"", true, {}, "connect read0" + shown},
      {"x1y", false, {}, "english connect"},
      {"", true, {false, true}, "connect read0 findbaud read0" + shown},
      {"", true, {false, false}, "connect read0 findbaud read0" + notRaised},
  };
  for (const Case& c : cases) {
    RecordingSteps w;
    w.connects = c.connects;
    w.reads = c.reads;
    EXPECT_EQ(ui::RunStartup(w, c.argument), c.connects);
    EXPECT_EQ(w.log, c.steps);
  }
}

TEST(ComPortChoice, TheSameChoiceKeepsTheLinkAnotherBringsItUpAsStartUpDoes) {
  RecordingSteps w;
  EXPECT_TRUE(ui::ConnectAfterComPortChoice(w, false, true, 0, 2));
  EXPECT_EQ(w.log, "");
  w.reads = {false, true};
  EXPECT_TRUE(ui::ConnectAfterComPortChoice(w, true, true, 1, 2));
  EXPECT_EQ(w.log, "connect read1 findbaud read1 raise");
  // No link before (the set was off at start-up): the values read are the snapshot.
  w.log.clear();
  EXPECT_TRUE(ui::ConnectAfterComPortChoice(w, false, false, 0, 0));
  EXPECT_EQ(w.log, "connect read0 raise snapshot");
}

TEST(Close, AsksBeforeTalkingToTheTargetAndCancelKeepsTheWindow) {
  struct Case {
    bool polling;
    int answerS, answerH;
    bool closes;
    const char* steps;
  };
  const Case cases[] = {
      {true, platform::kIdNo, platform::kIdYes, true, "stop-polling ask0 ask1 sendbaud release"},
      {true, platform::kIdCancel, 0, false, "stop-polling ask0 poll-on"},
      {true, platform::kIdNo, platform::kIdCancel, false, "stop-polling ask0 ask1 poll-on"},
      {false, platform::kIdCancel, 0, false, "stop-polling ask0"},  // polling that was off stays off
  };
  for (const Case& c : cases) {
    RecordingSteps w;
    w.polling = c.polling;
    w.answers[0] = c.answerS;
    w.answers[1] = c.answerH;
    EXPECT_EQ(ui::RunClose(w), c.closes);
    EXPECT_EQ(w.log, c.steps);
  }
}

// ---- The controller ----

class QuietView : public ui::MainView, public ui::RegisterPane, public ui::StatusPane {
 public:
  int closes = 0;
  std::vector<bool> polling;  // every switch of polling
  void ApplySettings() override {}
  void StoreWindowSettings() override {}
  void SetCaption(const std::string&) override {}
  void SetComStatus(const std::string&) override {}
  void BuildCommandMenu(const std::vector<ui::CommandMenuItem>&) override {}
  void CloseSoon() override { ++closes; }
  void ReleaseResources() override {}
  ui::RegisterPane& Registers() override { return *this; }
  ui::StatusPane& Status() override { return *this; }
  bool EditParameters(std::vector<STEditItem>&) override { return false; }
  ui::NvmDialogs& NvmWindows() override { std::abort(); }
  ui::RegSnapshotDialogs& SnapshotWindows() override { std::abort(); }
  void BuildTabStrip() override {}
  void ShowRegisterTab(int) override {}
  void RedrawRegisterValues() override {}
  void SelectFirstValueCell() override {}
  int ShownFile() const override { return 0; }
  void SetShownFile(int) override {}
  int CurrentRegisterIndex() const override { return -1; }
  int CurrentTab() const override { return 0; }
  int StatusWindowChoice() const override { return 0; }
  void SetStatusPolling(bool on) override { polling.push_back(on); }
  bool ReadRegisterValues(int) override { return false; }
  void StartStatusPolling() override {}
  bool StopStatusPolling() override { return false; }
};

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
  QuietView view;
  ui::MainController c{ws, view};
};

TEST_F(MainControllerTest, TargetCommandsWaitTheirTurnAndACloseMeanwhileComesAfterTheOperation) {
  std::vector<std::string> ran;
  const ui::MainCommand target{"target", [&](int tag) { ran.push_back("target" + std::to_string(tag)); }, true,
                               true, 7};
  const ui::MainCommand local{"local", [&](int) { ran.push_back("local"); }, false, false, 0};
  c.Run(target);
  EXPECT_EQ(view.polling, (std::vector<bool>{false, true}));  // held around it
  {
    ui::MainController::TargetOperation running(c);
    ASSERT_TRUE(running);
    c.Run(target);  // refused: another target operation runs
    c.Run(local);
    c.RunStartup("");
  }
  EXPECT_EQ(ran, (std::vector<std::string>{"target7", "local"}));
  {
    ui::MainController::TargetOperation running(c);
    EXPECT_FALSE(c.Close());  // held until the operation ends...
    EXPECT_EQ(view.closes, 0);
  }
  EXPECT_EQ(view.closes, 1);  // ...and asked for again then
}

TEST_F(MainControllerTest, SettingsThatCannotBeWrittenAreReportedAndTheCloseGoesOn) {
  c.RunStartup("");
  ASSERT_TRUE(std::filesystem::create_directory(dir.File("Vund2.ini")));  // in the way of the rename
  ui.ExpectMessage(0x10, platform::kIdOk, "Vund2.ini");
  EXPECT_TRUE(c.Close());
}

}  // namespace
