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

// Records the steps in order; answers from its settings.
class RecordingSteps : public ui::MainWindowSteps {
 public:
  std::vector<std::string> log;
  bool connects = true;
  std::deque<bool> reads;  // answers of ReadRegisterValues, in turn
  int findBaud = 0;
  bool polling = false;
  int answerS = 0, answerH = 0;

  void ForceEnglish() override { log.push_back("english"); }
  void LoadSettings() override { log.push_back("settings"); }
  void ApplySettings() override { log.push_back("apply"); }
  void LoadDataFiles() override { log.push_back("files"); }
  void BuildTabStrip() override { log.push_back("tabs"); }
  void BuildCommandMenu() override { log.push_back("commands"); }
  void SelectFirstValueCell() override { log.push_back("cell"); }
  bool Connect() override {
    log.push_back("connect");
    return connects;
  }
  bool ReadRegisterValues(int kind) override {
    log.push_back("read" + std::to_string(kind));
    bool ok = reads.empty() ? true : reads.front();
    if (!reads.empty()) reads.pop_front();
    return ok;
  }
  int FindBaudRate() override {
    log.push_back("findbaud");
    return findBaud;
  }
  void SetStatusPolling(bool on) override {
    polling = on;
    log.push_back(on ? "poll-on" : "poll-off");
  }
  void RaiseBaudRate() override { log.push_back("raise"); }
  void ShowComStatus() override { log.push_back("status"); }
  void TakeSnapshot() override { log.push_back("snapshot"); }
  void ShowRegisterTab(int tab) override { log.push_back("grid" + std::to_string(tab)); }
  void StartStatusPolling() override {
    polling = true;
    log.push_back("start-polling");
  }
  bool StopStatusPolling() override {
    log.push_back("stop-polling");
    const bool was = polling;
    polling = false;
    return was;
  }
  int SaveRegisterFileIfChanged(int kind) override {
    log.push_back("ask" + std::to_string(kind));
    return kind == 0 ? answerS : answerH;
  }
  void SendBaudRate() override { log.push_back("sendbaud"); }
  void SaveRefreshList() override { log.push_back("refreshlist"); }
  void SaveWindowSettings() override { log.push_back("savesettings"); }
  void ReleaseResources() override { log.push_back("release"); }

  std::string Joined() const {
    std::string s;
    for (const std::string& l : log) s += (s.empty() ? "" : " ") + l;
    return s;
  }
};

TEST(ComPortChoice, TheSameChoiceKeepsTheLinkAnotherBringsItUpAsStartUpDoes) {
  RecordingSteps w;
  EXPECT_TRUE(ui::ConnectAfterComPortChoice(w, false, true, 0, 2));
  EXPECT_EQ(w.Joined(), "status");
  // Another rate: the set still runs at the raised one, so it is searched for.
  w.log.clear();
  w.reads = {false, true};
  EXPECT_TRUE(ui::ConnectAfterComPortChoice(w, true, true, 1, 2));
  EXPECT_EQ(w.Joined(), "connect read1 findbaud read1 raise status grid2");
  // No link before (the set was off at start-up): the values read are the snapshot.
  w.log.clear();
  EXPECT_TRUE(ui::ConnectAfterComPortChoice(w, false, false, 0, 0));
  EXPECT_EQ(w.Joined(), "connect read0 raise status snapshot grid0");
  w.log.clear();
  w.connects = false;
  EXPECT_FALSE(ui::ConnectAfterComPortChoice(w, true, false, 0, 0));
  EXPECT_EQ(w.Joined(), "connect status");
}

TEST(Startup, StepsInOrderWithAndWithoutATargetAndAfterAFailedRead) {
  const std::string menus = "settings apply files tabs commands cell connect";
  const std::string shown = " poll-off raise status snapshot grid0 start-polling";
  const std::string notRaised = " poll-off status snapshot grid0 start-polling";
  struct Case {
    const char* argument;
    bool connects;
    std::deque<bool> reads;
    int findBaud;
    std::string steps;
  };
  const Case cases[] = {
      {"", true, {}, 0, menus + " read0" + shown},
      {"2", false, {}, 0, menus},
      {"x1y", false, {}, 0, "english " + menus},  // English forced before the settings
      {"", true, {false, true}, 0, menus + " read0 findbaud read0" + shown},
      {"", true, {false, false}, 0, menus + " read0 findbaud read0" + notRaised},
      {"", true, {false}, -1, menus + " read0 findbaud" + notRaised},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    RecordingSteps w;
    w.connects = c.connects;
    w.reads = c.reads;
    w.findBaud = c.findBaud;
    EXPECT_EQ(ui::RunStartup(w, c.argument), c.connects);
    EXPECT_EQ(w.Joined(), c.steps);
    EXPECT_EQ(w.polling, c.connects);
  }
}

TEST(Close, AsksBeforeTalkingToTheTargetWithPollingStopped) {
  RecordingSteps w;
  w.polling = true;
  w.answerS = platform::kIdNo;
  w.answerH = platform::kIdYes;
  EXPECT_TRUE(ui::RunClose(w));
  EXPECT_EQ(w.Joined(), "stop-polling ask0 ask1 sendbaud refreshlist savesettings release");
  EXPECT_FALSE(w.polling);
}

TEST(Close, CancelKeepsTheWindowAndSendsNothing) {
  for (int cancelled = 0; cancelled < 2; ++cancelled) {
    RecordingSteps w;
    w.polling = true;
    (cancelled == 0 ? w.answerS : w.answerH) = platform::kIdCancel;
    EXPECT_FALSE(ui::RunClose(w));
    EXPECT_EQ(w.Joined(), cancelled == 0 ? "stop-polling ask0 poll-on" : "stop-polling ask0 ask1 poll-on");
    EXPECT_TRUE(w.polling);
  }
  // Polling that was off stays off.
  RecordingSteps off;
  off.answerS = platform::kIdCancel;
  EXPECT_FALSE(ui::RunClose(off));
  EXPECT_EQ(off.Joined(), "stop-polling ask0");
}

}  // namespace

// ---- The controller's guard of target operations ----

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

TEST(MainController, TargetCommandsWaitTheirTurnAndACloseMeanwhileComesAfterTheOperation) {
  testing_support::TempDir dir;
  testing_support::ScopedHome home(dir.Path());
  for (const char* name : {"Sreg.dat", "Hreg.dat", "Table.dat", "vund.dat"}) dir.Write(name, "");
  platform::HeadlessUi ui;
  Workspace ws(ui);
  QuietView view;
  ui::MainController c(ws, view);
  c.SetTargetConnector([] { return false; });
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
    c.RunStartup("");  // a start-up without a target: something to close
  }
  EXPECT_EQ(ran, (std::vector<std::string>{"target7", "local"}));
  {
    ui::MainController::TargetOperation running(c);
    EXPECT_FALSE(c.Close());  // held until the operation ends...
    EXPECT_EQ(view.closes, 0);
  }
  EXPECT_EQ(view.closes, 1);  // ...and asked for again then
}

TEST(MainController, SettingsThatCannotBeWrittenAreReportedAndTheCloseGoesOn) {
  testing_support::TempDir dir;
  testing_support::ScopedHome home(dir.Path());
  for (const char* name : {"Sreg.dat", "Hreg.dat", "Table.dat", "vund.dat"}) dir.Write(name, "");
  testing_support::ScriptedUi ui;
  Workspace ws(ui);
  QuietView view;
  ui::MainController c(ws, view);
  c.SetTargetConnector([] { return false; });
  c.RunStartup("");
  ASSERT_TRUE(std::filesystem::create_directory(dir.File("Vund2.ini")));  // in the way of the rename
  ui.ExpectMessage(0x10, platform::kIdOk, "Vund2.ini");
  EXPECT_TRUE(c.Close());
  EXPECT_TRUE(ui.AllSeen());
}
