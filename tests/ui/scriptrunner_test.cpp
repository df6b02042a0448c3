// Scripts on Qt. The queued call to the main thread: calls run there, a
// cancel drops calls that have not started and frees their callers, a started
// call is waited for, and what a call throws reaches its caller. The main
// window's script handling: the open dialog, polling held for the run, the
// timer's end-of-script report, a second run replacing the first, and the
// close ending a busy script without waiting forever (with a script dialog
// open: signal_close_test.sh, on the program itself).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "link/workspace.h"
#include "qt_helpers.h"
#include "script/machine/jexecutable.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "ui/choosers.h"
#include "ui/frmscriptwindow.h"
#include "ui/qtguithread.h"
#include "ui/scriptrunner.h"
#include "ui/statuswindow.h"

using testing_support::ScopedHome;
using testing_support::ScriptedUi;
using testing_support::TempDir;
using ui_test::PumpUntil;

namespace {

// A call runs on the main thread, what it throws reaches its caller, and a
// call already running when a stop cancels is waited for: it still owns the
// caller's data.
TEST(QtGuiThreadTest, CallsRunOnTheMainThreadPassOnWhatTheyThrowAndARunningCallIsWaitedFor) {
  auto inCall = std::make_shared<std::atomic<int>>(0);
  ui::QtGuiThread gui(inCall);
  std::atomic<bool> returned{false};
  bool result = false, ranOnMain = false, inCallSeen = false;
  std::string caught;
  int value = 0;
  std::thread worker([&] {
    try {
      gui.Run([] { throw std::runtime_error("from main"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    result = gui.Run([&] {
      ranOnMain = QThread::currentThread() == QCoreApplication::instance()->thread();
      inCallSeen = gui.InCall() && inCall->load() == 1;
      gui.Cancel();
      value = 42;
    });
    returned = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return returned.load(); }));
  worker.join();
  EXPECT_EQ(caught, "from main");
  EXPECT_TRUE(result);
  EXPECT_TRUE(ranOnMain);
  EXPECT_TRUE(inCallSeen);
  EXPECT_EQ(value, 42);
  EXPECT_FALSE(gui.InCall());
  EXPECT_EQ(inCall->load(), 0);
}

TEST(QtGuiThreadTest, CancelFreesAWaitingCallerAndDropsItsCall) {
  ui::QtGuiThread gui;
  std::atomic<bool> ran{false};
  std::atomic<int> result{-1};
  std::thread worker([&] { result = gui.Run([&] { ran = true; }) ? 1 : 0; });
  // The main thread does not pump: as when it is stopping the script and
  // about to wait for its thread. The call is queued, its caller waiting.
  while (gui.QueuedForTest() == 0 && result == -1) std::this_thread::yield();
  gui.Cancel();
  EXPECT_TRUE(PumpUntil([&] { return result != -1; }));  // runs the call if the cancel kept it
  worker.join();
  EXPECT_EQ(result, 0);
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran);
  // Later calls fail at once until Reset.
  EXPECT_FALSE(gui.Run([&] { ran = true; }));
  gui.Reset();
  EXPECT_TRUE(gui.Run([&] { ran = true; }));
  EXPECT_TRUE(ran);
}

class FakePolling : public rules::PollingSwitch {
 public:
  int StatusWindowChoice() const override { return choice; }
  void SetStatusPolling(bool on) override { calls.push_back(on); }
  int choice = 0;
  std::vector<bool> calls;
};

class ScriptRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override { ui.SetForceEnglish(true); }

  std::string Script(const std::string& name, const std::string& text) {
    dir.Write(name, text);
    return dir.File(name);
  }
  // The script command with the file chosen in the open dialog.
  void Run(ui::ScriptRunner& runner, const std::string& path) {
    ui.ExpectOpenFile(path);
    runner.mnuScriptRunClick();
  }
  TfrmScriptWindow& Window(ui::ScriptRunner& runner) {
    return static_cast<ui::QtScriptWindow&>(runner.Manager()->Slot(0)->Window()).Form();
  }

  TempDir dir;
  ScopedHome home{dir.Path()};
  ScriptedUi ui;
  Workspace ws{ui};
  FakePolling polling;
};

TEST_F(ScriptRunnerTest, ARunEndsWithPollingBackOnlyWhenItWasStartedAndFailuresInTheErrorBox) {
  ui::ScriptRunner runner(polling, ws);
  Run(runner, "");  // the open dialog cancelled
  EXPECT_EQ(polling.calls, std::vector<bool>({false, true}));
  EXPECT_EQ(runner.Manager(), nullptr);

  polling.calls.clear();
  Run(runner, Script("hello.jsc", "func main(a&, n) { print(\"hello\\n\"); return 0; }\n"));
  TfrmScriptWindow& window = Window(runner);
  EXPECT_TRUE(window.isVisible());
  ASSERT_TRUE(PumpUntil([&] { return runner.Manager()->IsFinished(); }));
  runner.ScriptTimerTimer();
  EXPECT_FALSE(runner.ScriptTimer()->isActive());
  EXPECT_EQ(polling.calls, std::vector<bool>({false, true}));
  ASSERT_GE(window.Output().LineCount(), 1);
  EXPECT_EQ(window.Output().Lines()[0].text, "hello");

  polling.calls.clear();
  polling.choice = 1;  // "Stop"
  Run(runner, Script("one.jsc", "func main(a&, n) { return 1; }\n"));
  ASSERT_TRUE(PumpUntil([&] { return runner.Manager()->IsFinished(); }));
  ui.ExpectMessage(0x10, platform::kIdOk, "User Script ERROR #1 : Fail to execute!");
  runner.ScriptTimerTimer();
  runner.ScriptTimerTimer();  // reported once
  EXPECT_EQ(polling.calls, std::vector<bool>({false}));
  runner.FormClose();
}

// The end of a run follows Start or Stop as the user left them during it,
// so the radio group and the polling never disagree.
TEST_F(ScriptRunnerTest, TheEndOfARunFollowsTheStartStopChoiceOfThatMoment) {
  ui::QtChoosers choosers;
  TStatusWindow status(ws, choosers);
  status.SetRefreshReader([](std::map<int, int>&) { return false; });
  status.SetRefreshInterval(500);
  status.SetStatusPolling(true);
  ui::ScriptRunner runner(status, ws);
  const std::string script = Script("quick.jsc", "func main(a&, n) { return 0; }\n");
  for (const int choice : {1, 0}) {
    Run(runner, script);
    EXPECT_FALSE(status.IsPolling());
    status.StatusWindowContGroup->button(choice)->click();  // while the script runs
    ASSERT_TRUE(PumpUntil([&] { return runner.Manager()->IsFinished(); }));
    runner.ScriptTimerTimer();
    EXPECT_EQ(status.IsPolling(), choice == 0) << choice;
    EXPECT_EQ(status.StatusWindowChoice(), choice);
  }
  runner.FormClose();
}

TEST_F(ScriptRunnerTest, SecondRunEndsTheFirstAndCloseEndsABusyScript) {
  ui::ScriptRunner runner(polling, ws);
  // Calls the main thread all the time, so a call is always pending.
  const std::string busy = Script("busy.jsc", "func main(a&, n) { while 1 { winSetProgress(50); } return 0; }\n");
  Run(runner, busy);
  TScriptManager* first = runner.Manager();
  ASSERT_TRUE(PumpUntil([&] { return Window(runner).Progress() == 50; }));
  runner.ScriptTimerTimer();
  EXPECT_TRUE(runner.ScriptTimer()->isActive());  // still running: the timer goes on

  // Cancelling the dialog meanwhile leaves polling off for the running script.
  Run(runner, "");
  EXPECT_EQ(polling.calls, std::vector<bool>({false, false}));

  Run(runner, busy);
  EXPECT_NE(runner.Manager(), nullptr);
  EXPECT_EQ(runner.RetiredCount(), 0u);
  (void)first;  // deleted: its thread was stopped and waited for

  // Closing the main window while the script calls it: no pumping here, and
  // still the close returns.
  runner.FormClose();
  EXPECT_EQ(runner.Manager(), nullptr);
  EXPECT_FALSE(runner.ScriptTimer()->isActive());
}

}  // namespace
