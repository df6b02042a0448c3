// Where built-ins run: the dispatcher, and a script on its own thread whose
// main-thread built-ins wait for the test's thread to serve them.
#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "builtins_env.h"
#include "script/builtin_dispatch.h"
#include "script/jexecutable.h"
#include "vmasm.h"

namespace {

using builtins_test::Args;

TEST(BuiltinDispatch, MainThreadSetAndTheWindowBuiltins) {
  for (int id : {1011, 1013, 1014, 1015, 1023, 1026, 1035, 1052, 1057, 1058, 1067, 1068, 2001, 2013})
    EXPECT_TRUE(IsMainThreadBuiltin(id)) << id;
  for (int id : {1001, 1002, 1010, 1016, 1022, 1024, 1025, 1036, 1050, 1069, 1080}) EXPECT_FALSE(IsMainThreadBuiltin(id)) << id;

  builtins_test::TestEnv env;
  vmcode_t result;
  DispatchBuiltin(1061, Args().Int(300).Int(200).Cells(), &result, env);  // winSetSize(w, h)
  int width = 0, height = 0;
  env.host.window->GetSize(width, height);
  EXPECT_EQ(width * 1000 + height, 300200);
  DispatchBuiltin(1068, Args().Str("out.txt").Cells(), &result, env);  // winSaveScreenAsFile(path)
  EXPECT_EQ(env.host.window->savedTo, "out.txt");
  EXPECT_EQ(result.b, 0);
  env.host.window->saveSucceeds = false;
  DispatchBuiltin(1068, Args().Str("out.txt").Cells(), &result, env);
  EXPECT_EQ(result.b, 1);
  // By-reference parameters that hold no reference are left alone.
  for (int id : {1058, 1060, 1062, 1064}) DispatchBuiltin(id, Args().Int(0).Int(0).Cells(), &result, env);
}

// A module in place of both real ones: records each call and its thread,
// fails for 1006, prints for 1003, and answers "r<first argument>" unless
// that is 0 (then the result record stays as it was).
std::mutex g_callsMutex;
std::vector<std::pair<int, std::thread::id>> g_calls;

void FakeModule(int id, TStackData* args, vmcode_t* result, ScriptEnv& env) {
  {
    std::lock_guard<std::mutex> lock(g_callsMutex);
    g_calls.emplace_back(id, std::this_thread::get_id());
  }
  if (id == 1006) throw std::runtime_error("handler failed");
  if (id == 1003) env.Print("trace\n");
  if (args[0].ival == 0) return;
  result->a = pcString;
  result->sval = "r" + std::to_string(args[0].ival);
}

class FakeModules {
 public:
  FakeModules() { Clear(); }
  // The host's scripts call the fake modules.
  void Into(ScriptHost& host) { host.SetModules(&FakeModule, &FakeModule); }
  std::vector<std::pair<int, std::thread::id>> Calls() {
    std::lock_guard<std::mutex> lock(g_callsMutex);
    return g_calls;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(g_callsMutex);
    g_calls.clear();
  }
};

TEST(BuiltinDispatch, IdsGoToTheirModule) {
  FakeModules modules;
  builtins_test::TestEnv env;
  modules.Into(env.host);
  vmcode_t result;
  TStackData args[2];
  for (int id : {1001, 1057, 1069, 2001, 2013, 1058, 26, 999}) DispatchBuiltin(id, args, &result, env);
  std::vector<int> ids;
  for (const auto& c : modules.Calls()) ids.push_back(c.first);
  EXPECT_EQ(ids, (std::vector<int>{1001, 1057, 1069, 2001, 2013}));
}

// main: print wrapper(arg) for each (id, arg), return the last result. One
// wrapper per id, as the prelude has.
funcdata* CallWrappers(TJExecutable& exe, const std::vector<std::pair<int, int>>& calls) {
  VmAsm m(exe, "main");
  std::map<int, funcdata*> byId;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (!byId.count(calls[i].first)) {
      VmAsm w(exe, "w" + std::to_string(calls[i].first), 1, 1);
      w.Emit(calls[i].first);
      byId[calls[i].first] = w.Done();
    }
    m.Int(calls[i].second);
    m.Call(byId[calls[i].first]);
    if (i + 1 == calls.size()) break;
    m.Emit(opPrint, 1);
    m.Str("");
    m.Emit(opPop);
  }
  m.Emit(opReturn);
  return m.Func();
}

// while (1) {}
funcdata* Forever(TJExecutable& exe) {
  VmAsm m(exe, "main");
  vmcode_t* head = m.Int(1);
  vmcode_t* j = m.Emit(opJumpFalse);
  m.Emit(opJump)->target = head;
  m.ToNext(j);
  return m.Done();
}

// A script on its own thread; the test's thread is the main thread and pumps.
class ScriptThread : public ::testing::Test {
 protected:
  bool RunToEnd() {
    exe.Continue();
    return host.gui->PumpUntil([&] { return exe.IsTerminated(); });
  }
  RecordingScriptHost host{true};
  TJExecutable exe{TJExecutable::kDefaultStackSize, &host};
};

TEST_F(ScriptThread, MainThreadBuiltinsRunThereAndResultsComeBackAndAnErrorThereEndsTheRun) {
  FakeModules modules;
  modules.Into(host);
  // 1002 and 1003 on the script thread (1003 prints from there), 1011 and 2006
  // on the main thread; the second 1011 writes nothing and returns what the
  // record held.
  exe.SetEntry(CallWrappers(exe, {{1002, 1}, {1003, 4}, {1011, 2}, {2006, 3}, {1011, 0}}));
  ASSERT_TRUE(RunToEnd());
  ASSERT_TRUE(exe.WaitDone());
  EXPECT_EQ(exe.GetReturnValue().sval, "r2");
  EXPECT_EQ(host.window->Text(), "r1trace\nr4r2r3");
  const auto calls = modules.Calls();
  ASSERT_EQ(calls.size(), 5u);
  const std::thread::id main = host.gui->MainThread();
  EXPECT_EQ((std::vector<bool>{calls[0].second == main, calls[1].second == main, calls[2].second == main,
                               calls[3].second == main}),
            (std::vector<bool>{false, false, true, true}));

  RecordingScriptHost host2(true);
  modules.Into(host2);
  TJExecutable failing(TJExecutable::kDefaultStackSize, &host2);
  failing.SetEntry(CallWrappers(failing, {{1006, 1}, {1002, 2}}));
  modules.Clear();
  failing.Continue();
  ASSERT_TRUE(host2.gui->PumpUntil([&] { return failing.IsTerminated(); }));
  EXPECT_FALSE(failing.WaitDone());
  EXPECT_EQ(failing.GetExitCode(), 1);
  EXPECT_EQ(modules.Calls().size(), 1u);
}

// The script waits for a main thread that never serves it: a stop must still
// end it, and the call it waited with must never run.
TEST_F(ScriptThread, StopReleasesAScriptWaitingForTheMainThread) {
  FakeModules modules;
  modules.Into(host);
  exe.SetEntry(CallWrappers(exe, {{1011, 1}}));
  exe.Continue();
  ASSERT_TRUE(host.gui->WaitForQueued());
  EXPECT_FALSE(exe.IsTerminated());
  exe.Stop();
  EXPECT_TRUE(exe.WaitDone());  // joins without pumping
  EXPECT_TRUE(exe.IsTerminated());
  EXPECT_TRUE(modules.Calls().empty());
}

TEST_F(ScriptThread, AStopBeforeTheStartNeverRunsAndWaitForEndsEarlyOnAStop) {
  exe.SetEntry(Forever(exe));
  EXPECT_TRUE(exe.WaitFor(1));
  exe.Stop();
  EXPECT_TRUE(exe.IsTerminated());
  exe.Continue();
  EXPECT_TRUE(exe.WaitDone());
  EXPECT_EQ(exe.GetExitCode(), 0);
  EXPECT_FALSE(exe.WaitFor(60000));

  TJExecutable waiting(TJExecutable::kDefaultStackSize, &host);
  std::thread stopper([&] { waiting.Stop(); });
  EXPECT_FALSE(waiting.WaitFor(60000));
  stopper.join();
}

// ---- What only hand-made code can do to the machine (the language: cases/) ----

// The run ends with the error, printed in red.
void ExpectError(const std::function<void(VmAsm&)>& build, const std::string& message) {
  RecordingScriptHost host;
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  VmAsm m(exe, "main");
  build(m);
  exe.SetEntry(m.Done());
  EXPECT_EQ(exe.RunHere(), 1);
  EXPECT_EQ(exe.GetErrorText(), "RUNTIME ERROR: " + message);
  const std::vector<ScriptOutputLine> lines = host.window->Output().Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "RUNTIME ERROR: " + message);
  EXPECT_EQ(lines[0].color, kScriptErrorColor);
}

TEST(VmCode, PushingPastTheTopOfTheStackIsAnOverflow) {
  ExpectError(
      [](VmAsm& m) {
        vmcode_t* head = m.Int(1);
        m.Emit(opJump)->target = head;
      },
      "stack overflow");
}

// Only the prelude's wrappers may call a built-in.
TEST(VmCode, ABuiltinCallFromALineOfTheScriptIsRefused) {
  ExpectError(
      [](VmAsm& m) {
        m.line = 3;
        m.Emit(1002);
      },
      "関数 main で不正な命令");
}

}  // namespace
