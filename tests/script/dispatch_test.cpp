#include <gtest/gtest.h>

#include <atomic>
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

TEST(BuiltinDispatch, MainThreadSet) {
  for (int id : {1011, 1013, 1014, 1015, 1023, 1026, 1035, 1052, 1057, 1058, 1067, 1068, 2001, 2013})
    EXPECT_TRUE(IsMainThreadBuiltin(id)) << id;
  for (int id : {1001, 1002, 1010, 1016, 1022, 1024, 1025, 1036, 1050, 1069, 1080})
    EXPECT_FALSE(IsMainThreadBuiltin(id)) << id;
}

// Scripts reach the window's position, text and progress in builtins_script_test.
TEST(BuiltinDispatch, WindowBuiltinsWorkOnTheScriptWindow) {
  builtins_test::TestEnv env;
  RecordingScriptWindow& window = *env.host.window;
  vmcode_t result;
  DispatchBuiltin(1061, Args().Int(300).Int(200).Cells(), &result, env);  // winSetSize(w, h)
  int width = 0, height = 0;
  window.GetSize(width, height);
  EXPECT_EQ(300, width);
  EXPECT_EQ(200, height);
  DispatchBuiltin(1068, Args().Str("out.txt").Cells(), &result, env);  // winSaveScreenAsFile(path)
  EXPECT_EQ("out.txt", window.savedTo);
  EXPECT_EQ(pcInteger, result.a);
  EXPECT_EQ(0, result.b);
  window.saveSucceeds = false;
  DispatchBuiltin(1068, Args().Str("out.txt").Cells(), &result, env);
  EXPECT_EQ(1, result.b);
  // By-reference parameters that hold no reference are left alone.
  for (int id : {1058, 1060, 1062, 1064}) DispatchBuiltin(id, Args().Int(0).Int(0).Cells(), &result, env);
}

struct ModuleCall {
  int id;
  std::thread::id thread;
  std::int32_t firstArg;
};
std::mutex g_callsMutex;
std::vector<ModuleCall> g_calls;

void FakeModule(int id, TStackData* args, vmcode_t* result, ScriptEnv& env) {
  {
    std::lock_guard<std::mutex> lock(g_callsMutex);
    g_calls.push_back({id, std::this_thread::get_id(), args[0].ival});
  }
  if (id == 1006) throw std::runtime_error("handler failed");
  if (id == 1003) env.Print("trace\n");
  if (args[0].ival == 0) return;  // leaves the record as it is
  result->a = pcString;
  result->sval = "r" + std::to_string(args[0].ival);
}

// Installs the fake modules for one test and puts the real ones back.
class FakeModules {
 public:
  FakeModules() : system_(GetSystemBuiltinModule()), bus_(GetBusBuiltinModule()) {
    SetSystemBuiltinModule(&FakeModule);
    SetBusBuiltinModule(&FakeModule);
    std::lock_guard<std::mutex> lock(g_callsMutex);
    g_calls.clear();
  }
  ~FakeModules() {
    SetSystemBuiltinModule(system_);
    SetBusBuiltinModule(bus_);
  }
  std::vector<ModuleCall> Calls() {
    std::lock_guard<std::mutex> lock(g_callsMutex);
    return g_calls;
  }

 private:
  BuiltinModuleCall system_, bus_;
};

TEST(BuiltinDispatch, IdsGoToTheirModule) {
  FakeModules modules;
  builtins_test::TestEnv env;
  vmcode_t result;
  TStackData args[2];
  for (int id : {1001, 1057, 1069, 2001, 2013, 1058, 26, 999}) DispatchBuiltin(id, args, &result, env);
  std::vector<int> ids;
  for (const ModuleCall& c : modules.Calls()) ids.push_back(c.id);
  EXPECT_EQ((std::vector<int>{1001, 1057, 1069, 2001, 2013}), ids);
}

// main: print wrapper(arg) for each (id, arg), return the last result. One
// wrapper per id, as the prelude has.
funcdata* CallWrappers(TJExecutable& exe, const std::vector<std::pair<int, int>>& calls) {
  VmAsm m(exe, "main");
  std::map<int, funcdata*> byId;
  std::vector<funcdata*> wrappers;
  for (const auto& c : calls) {
    if (!byId.count(c.first)) {
      VmAsm w(exe, "w" + std::to_string(c.first), 1, 1);
      w.Emit(c.first);
      byId[c.first] = w.Done();
    }
    wrappers.push_back(byId[c.first]);
  }
  for (std::size_t i = 0; i < calls.size(); ++i) {
    m.Int(calls[i].second);
    m.Call(wrappers[i]);
    if (i + 1 < calls.size()) {
      m.Emit(opPrint, 1);
      m.Str("");
      m.Emit(opPop);
    }
  }
  m.Emit(opReturn);
  return m.Func();
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

TEST_F(ScriptThread, MainThreadBuiltinsRunThereAndResultsComeBack) {
  FakeModules modules;
  // 1002 and 1003 on the script thread (1003 prints from there), 1011 and 2006
  // on the main thread; the second 1011 writes nothing and returns what the
  // record held.
  exe.SetEntry(CallWrappers(exe, {{1002, 1}, {1003, 4}, {1011, 2}, {2006, 3}, {1011, 0}}));
  ASSERT_TRUE(RunToEnd());
  ASSERT_TRUE(exe.WaitDone());
  EXPECT_EQ("r2", exe.GetReturnValue().sval);
  EXPECT_EQ("r1trace\nr4r2r3", host.window->Text());
  std::vector<ModuleCall> calls = modules.Calls();
  ASSERT_EQ(5u, calls.size());
  const std::thread::id main = host.gui->MainThread();
  EXPECT_NE(main, calls[0].thread);
  EXPECT_NE(main, calls[1].thread);
  EXPECT_EQ(main, calls[2].thread);
  EXPECT_EQ(main, calls[3].thread);
}

TEST_F(ScriptThread, AnErrorInAMainThreadBuiltinEndsTheRun) {
  FakeModules modules;
  exe.SetEntry(CallWrappers(exe, {{1006, 1}, {1002, 2}}));
  ASSERT_TRUE(RunToEnd());
  EXPECT_FALSE(exe.WaitDone());
  EXPECT_EQ(1, exe.GetExitCode());
  EXPECT_EQ(1u, modules.Calls().size());
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

TEST_F(ScriptThread, StopEndsALoopWithExitCodeZero) {
  exe.SetEntry(Forever(exe));
  exe.Continue();
  EXPECT_FALSE(exe.IsTerminated());
  exe.Stop();
  ASSERT_TRUE(host.gui->PumpUntil([&] { return exe.IsTerminated(); }));
  EXPECT_TRUE(exe.WaitDone());
  EXPECT_EQ(0, exe.GetExitCode());
  EXPECT_EQ(host.window->Text(), "");
}

// The script waits for a main thread that never serves it: a stop must still
// end it, and the call it waited with must never run.
TEST_F(ScriptThread, StopReleasesAScriptWaitingForTheMainThread) {
  FakeModules modules;
  exe.SetEntry(CallWrappers(exe, {{1011, 1}}));
  exe.Continue();
  ASSERT_TRUE(host.gui->WaitForQueued());
  EXPECT_FALSE(exe.IsTerminated());
  exe.Stop();
  EXPECT_TRUE(exe.WaitDone());  // joins without pumping
  EXPECT_TRUE(exe.IsTerminated());
  EXPECT_TRUE(modules.Calls().empty());
}

TEST_F(ScriptThread, DestroyingARunningScriptStopsAndJoinsIt) {
  auto running = std::make_unique<TJExecutable>(TJExecutable::kDefaultStackSize, &host);
  running->SetEntry(Forever(*running));
  running->Continue();
  running.reset();
  SUCCEED();
}

TEST_F(ScriptThread, WaitForEndsEarlyOnStop) {
  EXPECT_TRUE(exe.WaitFor(1));
  std::thread stopper([&] { exe.Stop(); });
  EXPECT_FALSE(exe.WaitFor(60000));
  stopper.join();
  EXPECT_FALSE(exe.WaitFor(60000));
}

TEST_F(ScriptThread, StopBeforeStartNeverRuns) {
  exe.SetEntry(Forever(exe));
  exe.Stop();
  EXPECT_TRUE(exe.IsTerminated());
  exe.Continue();
  EXPECT_TRUE(exe.WaitDone());
}

}  // namespace
