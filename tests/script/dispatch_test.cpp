// Where built-ins run and how a stop ends a script: compiled scripts call a
// fake module in place of both real ones.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "script/machine/jexecutable.h"
#include "scripthost_recording.h"

namespace {

using builtins_test::CompileScript;

using Calls = std::vector<std::pair<int, bool>>;  // id, run on the main thread

// Records each call; 1006 fails, 1003 prints, 1004 asks its script to stop,
// 1005 to pause; every call answers "r<id>".
std::mutex g_mutex;
Calls g_calls;

void FakeModule(int id, TStackData*, vmcode_t* result, ScriptEnv& env) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_calls.emplace_back(id, TestGui::onMainThread);
  }
  if (id == 1006) throw std::runtime_error("handler failed");
  if (id == 1003) env.Print("trace\n");
  if (id == 1004) dynamic_cast<TJExecutable&>(env).Stop();
  if (id == 1005) dynamic_cast<TJExecutable&>(env).Pause();
  result->a = pcString;
  result->sval = "r" + std::to_string(id);
}

class ScriptThread : public ::testing::Test {
 protected:
  ScriptThread() {
    host.SetModules(&FakeModule, &FakeModule);
    std::lock_guard<std::mutex> lock(g_mutex);
    g_calls.clear();
  }
  static Calls Called() { std::lock_guard<std::mutex> lock(g_mutex); return g_calls; }

  RecordingScriptHost host;
  TJExecutable exe{TJExecutable::kDefaultStackSize, &host};
};

TEST_F(ScriptThread, MainThreadBuiltinsRunThereAndAFailedBuiltinEndsTheRun) {
  CompileScript(exe, "func main(a&, n) { var v; print(sysSleep(1), sysGetDateString(), busReadReg(3, v)); "
               "return sysInput(\"?\", 0, v); }");
  EXPECT_EQ(exe.RunHere(), 0);
  EXPECT_EQ(exe.GetReturnValue().sval, "r1011");
  EXPECT_EQ(WindowText(host.window), "trace\nr1002r1003r2006");
  EXPECT_EQ(Called(), (Calls{{1002, false}, {1003, false}, {2006, true}, {1011, true}}));

  TJExecutable failing(TJExecutable::kDefaultStackSize, &host);
  CompileScript(failing, "func main(a&, n) { sysSetGlobalValue(\"k\", 1); return sysSleep(1); }");
  EXPECT_EQ(failing.RunHere(), 1);
  EXPECT_EQ(Called().size(), 5u);
}

// The script waits for a main thread that never serves it: a stop must still
// end it, and the call it waited with must never run.
TEST_F(ScriptThread, StopReleasesAScriptWaitingForTheMainThread) {
  CompileScript(exe, "func main(a&, n) { sysInput(\"?\", 0, n); return 0; }");
  host.gui->hold = true;
  exe.Continue();
  ASSERT_TRUE(host.gui->WaitHeld());
  EXPECT_FALSE(exe.IsTerminated());
  exe.Stop();
  EXPECT_TRUE(exe.WaitDone());
  EXPECT_TRUE(Called().empty());
}

// A stop ends the run at its next call, return or backward jump: a loop
// ends, and no built-in is called or returns.
TEST_F(ScriptThread, AStopEndsTheRunAtItsNextCallReturnOrBackwardJump) {
  for (const char* loop : {"while 1 { }", "while i < 1 { }", "while i <= j { }"}) {
    TJExecutable looping(TJExecutable::kDefaultStackSize, &host);
    CompileScript(looping, "func main(a&, n) { var i, j; print(\"in\"); " + std::string(loop) + " }");
    looping.Continue();
    for (int i = 0; i < 20000 && WindowText(host.window) != "in"; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    looping.Stop();
    EXPECT_TRUE(looping.WaitDone()) << loop;
  }
  TJExecutable stopped(TJExecutable::kDefaultStackSize, &host);
  CompileScript(stopped, "var g; g = sysSleep(1); func main(a&, n) { return 0; }");
  stopped.Stop();
  EXPECT_EQ(stopped.RunHere(), 0);
  EXPECT_TRUE(Called().empty());
  CompileScript(exe, "var g; g = sysGetTimeString(); func main(a&, n) { return 0; }");
  EXPECT_EQ(exe.RunHere(), 0);
  EXPECT_NE(exe.GetReturnValue().sval, "r1004");
  EXPECT_EQ(Called(), (Calls{{1004, false}}));

  // A wait ends early on a stop.
  TJExecutable waiting(TJExecutable::kDefaultStackSize, &host);
  std::thread stopper([&] { waiting.Stop(); });
  EXPECT_FALSE(waiting.WaitFor(60000));
  stopper.join();
}

// A pause holds the run before its next return until Continue; a stop, or
// deleting the executable, ends a paused run at once.
TEST_F(ScriptThread, APausedRunGoesOnAtContinueAndEndsAtAStop) {
  const std::string script = "func main(a&, n) { sysClearGlobalValue(); print(\"after\"); return 0; }";
  // Runs until the pausing call has returned; host.window is the newest window.
  auto paused = [&](TJExecutable& run) {
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      g_calls.clear();
    }
    CompileScript(run, script);
    run.Continue();
    for (int i = 0; i < 20000 && Called().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return !run.IsTerminated() && WindowText(host.window).empty();
  };
  ASSERT_TRUE(paused(exe));
  exe.Continue();
  EXPECT_TRUE(exe.WaitDone());
  EXPECT_EQ(WindowText(host.window), "after");

  TJExecutable stopped(TJExecutable::kDefaultStackSize, &host);
  ASSERT_TRUE(paused(stopped));
  stopped.Stop();
  EXPECT_TRUE(stopped.WaitDone());
  EXPECT_EQ(WindowText(host.window), "");

  auto dropped = std::make_unique<TJExecutable>(TJExecutable::kDefaultStackSize, &host);
  ASSERT_TRUE(paused(*dropped));
  dropped.reset();  // does not wait for a Continue
}

}  // namespace
