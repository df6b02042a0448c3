// The script manager: opening, compiling and starting a script file, its end
// and results, stopping, a second start, and the script window's close question.
#include "script/scriptmanager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "model/systemfunc.h"
#include "script/jexecutable.h"
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
  std::string Script(const std::string& name, const std::string& text) {
    dir.Write(name, text);
    return dir.File(name);
  }

  TempDir dir;
  RecordingScriptHost host;
};

TEST_F(ScriptManagerTest, FileThatIsMissingOrEmptyDoesNotOpen) {
  for (const std::string& path : {dir.File("none.jsc"), Script("empty.jsc", "")}) {
    TScriptManager m(path, 1, &host);
    EXPECT_FALSE(m.IsOpened());
    EXPECT_EQ(m.GetLastError(), "User Script ERROR : Fail to open the Script(" + path + ")!");
    EXPECT_FALSE(m.Start());
    // Nothing was started, so the timer sees the end at once and reports.
    EXPECT_TRUE(m.IsFinished());
    EXPECT_FALSE(m.CollectResults());
    EXPECT_EQ(m.Slot(0), nullptr);
  }
}

// The slot number comes first, then the given arguments; parameters come from
// the .ini file beside the script.
TEST_F(ScriptManagerTest, MainReturningZeroSucceedsWithArgumentsAndParameters) {
  dir.Write("ok.ini", "[Speed]\r\nInputMethod=5\r\nValue=fast\r\n");
  const std::string path = Script("ok.jsc",
                                  "func main(ArgString&, ArgCount) {\r\n"
                                  "  print(ArgCount, ArgString[0], ArgString[1], ArgString[2], sysGetParam(\"Speed\"));\r\n"
                                  "  print(\"[\", sysGetParam(\"Missing\"), \"]\");\r\n"
                                  "  return 0;\r\n"
                                  "}\r\n");
  TScriptManager m(path, 1, &host);
  ASSERT_TRUE(m.IsOpened());
  ASSERT_TRUE(m.Start({"x", "y"}));
  ASSERT_TRUE(WaitFinished(m));
  EXPECT_TRUE(m.CollectResults()) << m.GetLastError();
  EXPECT_EQ(m.GetResult().kind, dtInteger);
  EXPECT_EQ(m.GetResult().ival, 0);
  EXPECT_EQ(host.shows, 1);
  EXPECT_EQ(WindowText(host.window), "31xyfast[]");
}

TEST_F(ScriptManagerTest, SecondStartReplacesALoopStopAllEndsItTerminateAllClosesItsWindow) {
  const std::string path = Script("loop.jsc", "func main(a&, n) { while 1 { } return 0; }\n");
  TScriptManager m(path, 1, &host);
  ASSERT_TRUE(m.Start());
  ASSERT_NE(m.Slot(0), nullptr);
  // The running executable is stopped and deleted before the new one starts.
  ASSERT_TRUE(m.Start());
  EXPECT_FALSE(m.IsFinished());
  EXPECT_TRUE(m.StopAll());
  ASSERT_TRUE(WaitFinished(m));
  // A stopped script ends normally; its return cell never got a value.
  EXPECT_TRUE(m.CollectResults()) << m.GetLastError();
  m.TerminateAll();
  EXPECT_EQ(host.closes, 1);
  EXPECT_EQ(m.Slot(0), nullptr);
}

TEST_F(ScriptManagerTest, ClosingAScriptWindowAsksOnlyWhileTheScriptRuns) {
  ScriptedUi ui;
  ui.SetForceEnglish(true);
  // No manager: no question.
  EXPECT_TRUE(ConfirmScriptWindowClose(nullptr, ui));

  const std::string path = Script("loop.jsc", "func main(a&, n) { while 1 { } return 0; }\n");
  TScriptManager m(path, 1, &host);
  ASSERT_TRUE(m.Start());
  ui.ExpectMessage(0x24, platform::kIdNo, "Script running. Do you stop script ?");
  EXPECT_FALSE(ConfirmScriptWindowClose(&m, ui));
  EXPECT_FALSE(m.IsFinished());

  ui.ExpectMessage(0x24, platform::kIdYes, "Script running. Do you stop script ?");
  EXPECT_TRUE(ConfirmScriptWindowClose(&m, ui));
  ASSERT_TRUE(WaitFinished(m));
  // Finished: closes without asking.
  EXPECT_TRUE(ConfirmScriptWindowClose(&m, ui));
  EXPECT_TRUE(ui.AllSeen());
}

}  // namespace
