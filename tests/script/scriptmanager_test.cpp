// The script manager: opening and starting a script file, a second start, the
// script window's close question and the end (its results: cases/).
#include "script/scriptmanager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "model/systemfunc.h"
#include "script/machine/jexecutable.h"
#include "scripthost_recording.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace {

using testing_support::ScriptedUi;
using testing_support::TempDir;

// Waits (yielding, never long) until the manager's threads have ended.
bool WaitFinished(const TScriptManager& m) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!m.IsFinished()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class ScriptManagerTest : public ::testing::Test {
 protected:
  std::string Script(const std::string& name, const std::string& text) { dir.Write(name, text); return dir.File(name); }

  TempDir dir;
  RecordingScriptHost host;
};

// The slot number comes first, then the given arguments; parameters come from
// the .ini file beside the script.
TEST_F(ScriptManagerTest, AFileThatOpensRunsWithArgumentsAndParameters) {
  for (const std::string& path : {dir.File("none.jsc"), Script("empty.jsc", "")}) {
    TScriptManager m(path, 1, &host);
    EXPECT_FALSE(m.IsOpened());
    EXPECT_EQ(m.GetLastError(), "User Script ERROR : Fail to open the Script(" + path + ")!");
    EXPECT_FALSE(m.Start());
    EXPECT_TRUE(m.IsFinished());  // nothing started: the timer sees the end at once
    EXPECT_FALSE(m.CollectResults());
  }
  dir.Write("ok.ini", "[Speed]\r\nInputMethod=5\r\nValue=fast\r\n");
  TScriptManager m(Script("ok.jsc", "func main(ArgString&, ArgCount) {\r\n"
                                    "  print(ArgCount, ArgString[0], ArgString[1], ArgString[2]);\r\n"
                                    "  print(sysGetParam(\"Speed\"));\r\n"
                                    "  return sysGetParam(\"Missing\") != \"\";\r\n"
                                    "}\r\n"),
                   1, &host);
  ASSERT_TRUE(m.Start({"x", "y"}));
  ASSERT_TRUE(WaitFinished(m));
  EXPECT_TRUE(m.CollectResults()) << m.GetLastError();
  EXPECT_EQ(host.shows, 1);
  EXPECT_EQ(WindowText(host.window), "31xyfast");
}

// A second start replaces a running script; closing its window asks only
// while it runs, and stops it; the end closes its window.
TEST_F(ScriptManagerTest, ASecondStartTheCloseQuestionAndTheEnd) {
  ScriptedUi ui;
  ui.SetForceEnglish(true);
  EXPECT_TRUE(ConfirmScriptWindowClose(nullptr, ui));
  TScriptManager m(Script("loop.jsc", "func main(a&, n) { while 1 { } return 0; }\n"), 1, &host);
  ASSERT_TRUE(m.Start());
  ASSERT_TRUE(m.Start());  // the running executable is stopped and deleted first
  ui.ExpectMessage(0x24, platform::kIdNo, "Script running. Do you stop script ?");
  EXPECT_FALSE(ConfirmScriptWindowClose(&m, ui));
  EXPECT_FALSE(m.IsFinished());
  ui.ExpectMessage(0x24, platform::kIdYes, "Script running. Do you stop script ?");
  EXPECT_TRUE(ConfirmScriptWindowClose(&m, ui));
  ASSERT_TRUE(WaitFinished(m));
  EXPECT_TRUE(ConfirmScriptWindowClose(&m, ui));  // finished: no question
  EXPECT_TRUE(ui.AllSeen());
  EXPECT_TRUE(m.CollectResults()) << m.GetLastError();  // a stopped script ends normally
  m.TerminateAll();
  EXPECT_EQ(host.closes, 1);
  EXPECT_EQ(m.Slot(0), nullptr);
}

// The user's stop is no failure, whatever the last finished call returned
// (sysGetGlobalValue of a missing key returns -1).
TEST_F(ScriptManagerTest, AStoppedScriptEndsWithoutAnErrorWhateverItsLastCallReturned) {
  TScriptManager m(Script("wait.jsc", "func main(a&, n) { sysGetGlobalValue(\"none\", n); print(\"in\"); "
                                      "while 1 { } return 0; }\n"),
                   1, &host);
  ASSERT_TRUE(m.Start());
  for (int i = 0; i < 20000 && WindowText(host.window) != "in"; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  m.StopAll();
  ASSERT_TRUE(WaitFinished(m));
  EXPECT_TRUE(m.CollectResults()) << m.GetLastError();
  EXPECT_EQ(m.Slot(0)->GetReturnValue().ival, -1);
}

}  // namespace
