#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "script/builtin_dispatch.h"
#include "script/jexecutable.h"
#include "scripthost_recording.h"
#include "vmasm.h"

namespace {

// A handler's view of a script without a machine around it.
class WindowOnlyEnv : public ScriptEnv {
 public:
  void Print(const std::string& text) override { window.Print(text); }
  ScriptWindow& Window() override { return window; }
  ScriptHost& Host() override { return host; }
  bool RunOnMainThread(const std::function<void()>& fn) override {
    fn();
    return true;
  }
  bool StopRequested() const override { return false; }
  bool WaitFor(std::int64_t) override { return true; }
  RecordingScriptWindow window;
  RecordingScriptHost host;
};

TStackData RefTo(TStackData& cell) {
  TStackData r;
  r.kind = dtReference;
  r.ref = &cell;
  r.refCells = 1;
  return r;
}

TEST(BuiltinDispatch, MainThreadSet) {
  for (int id : {1011, 1013, 1014, 1015, 1023, 1026, 1035, 1052, 1057, 1058, 1067, 1068, 2001, 2013})
    EXPECT_TRUE(IsMainThreadBuiltin(id)) << id;
  for (int id : {1001, 1002, 1010, 1016, 1022, 1024, 1025, 1036, 1050, 1069, 1080})
    EXPECT_FALSE(IsMainThreadBuiltin(id)) << id;
}

TEST(BuiltinDispatch, WindowBuiltinsWorkOnTheScriptWindow) {
  WindowOnlyEnv env;
  vmcode_t result;
  TStackData x, y;
  x.kind = dtString;
  x.sval = "keep";
  TStackData args[2] = {RefTo(x), RefTo(y)};
  DispatchBuiltin(1058, args, &result, env);  // winGetPos(x&, y&)
  EXPECT_EQ(dtInteger, x.kind);
  EXPECT_EQ(10, x.ival);
  EXPECT_EQ(20, y.ival);
  EXPECT_EQ("keep", x.sval);  // only the integer field and the kind change

  args[0].kind = args[1].kind = dtInteger;
  args[0].ival = 300;
  args[1].ival = 200;
  DispatchBuiltin(1061, args, &result, env);  // winSetSize(w, h)
  EXPECT_EQ(300, env.window.width);
  EXPECT_EQ(200, env.window.height);

  TStackData text;
  args[0] = RefTo(text);
  DispatchBuiltin(1062, args, &result, env);  // winGetText(str&)
  EXPECT_EQ(dtString, text.kind);
  EXPECT_EQ("Script", text.sval);

  args[0].sval = "out.txt";
  DispatchBuiltin(1068, args, &result, env);  // winSaveScreenAsFile(path)
  EXPECT_EQ("out.txt", env.window.savedTo);
  EXPECT_EQ(pcInteger, result.a);
  EXPECT_EQ(0, result.b);
  env.window.saveSucceeds = false;
  DispatchBuiltin(1068, args, &result, env);
  EXPECT_EQ(1, result.b);

  // A by-reference parameter that holds no reference is left alone.
  args[0].kind = dtInteger;
  DispatchBuiltin(1064, args, &result, env);
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
  WindowOnlyEnv env;
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

TEST(BuiltinThreads, MainThreadBuiltinsRunThereAndResultsComeBack) {
  FakeModules modules;
  RecordingScriptHost host(true);
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  // 1002 on the script thread, 1011 and 2006 on the main thread; the second
  // 1011 writes nothing and returns what the record held.
  exe.SetEntry(CallWrappers(exe, {{1002, 1}, {1011, 2}, {2006, 3}, {1011, 0}}));
  exe.Continue();
  ASSERT_TRUE(host.gui->PumpUntil([&] { return exe.IsTerminated(); }));
  ASSERT_TRUE(exe.WaitDone());
  EXPECT_EQ("r2", exe.GetReturnValue().sval);
  EXPECT_EQ("r1r2r3", host.window->Output());
  std::vector<ModuleCall> calls = modules.Calls();
  ASSERT_EQ(4u, calls.size());
  const std::thread::id main = host.gui->MainThread();
  EXPECT_NE(main, calls[0].thread);
  EXPECT_EQ(main, calls[1].thread);
  EXPECT_EQ(main, calls[2].thread);
  for (std::thread::id t : host.window->PrintThreads()) EXPECT_EQ(main, t);
}

TEST(BuiltinThreads, ScriptThreadHandlerPrintsThroughTheMainThread) {
  FakeModules modules;
  RecordingScriptHost host(true);
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  exe.SetEntry(CallWrappers(exe, {{1003, 0}}));
  exe.Continue();
  ASSERT_TRUE(host.gui->PumpUntil([&] { return exe.IsTerminated(); }));
  EXPECT_TRUE(exe.WaitDone());
  EXPECT_EQ("trace\n", host.window->Output());
  EXPECT_EQ(host.gui->MainThread(), host.window->PrintThreads().at(0));
}

TEST(BuiltinThreads, AnErrorInAMainThreadBuiltinEndsTheRun) {
  FakeModules modules;
  RecordingScriptHost host(true);
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  exe.SetEntry(CallWrappers(exe, {{1006, 1}, {1002, 2}}));
  exe.Continue();
  ASSERT_TRUE(host.gui->PumpUntil([&] { return exe.IsTerminated(); }));
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

TEST(VmThread, StopEndsALoopWithExitCodeZero) {
  RecordingScriptHost host(true);
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  exe.SetEntry(Forever(exe));
  exe.Continue();
  EXPECT_FALSE(exe.IsTerminated());
  exe.Stop();
  ASSERT_TRUE(host.gui->PumpUntil([&] { return exe.IsTerminated(); }));
  EXPECT_TRUE(exe.WaitDone());
  EXPECT_EQ(0, exe.GetExitCode());
  EXPECT_TRUE(host.window->Pieces().empty());
}

// The script waits for a main thread that never serves it: a stop must still
// end it, and the call it waited with must never run.
TEST(VmThread, StopReleasesAScriptWaitingForTheMainThread) {
  FakeModules modules;
  RecordingScriptHost host(true);
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  exe.SetEntry(CallWrappers(exe, {{1011, 1}}));
  exe.Continue();
  ASSERT_TRUE(host.gui->WaitForQueued());
  EXPECT_FALSE(exe.IsTerminated());
  exe.Stop();
  EXPECT_TRUE(exe.WaitDone());  // joins without pumping
  EXPECT_TRUE(exe.IsTerminated());
  EXPECT_TRUE(modules.Calls().empty());
}

TEST(VmThread, DestroyingARunningScriptStopsAndJoinsIt) {
  RecordingScriptHost host(true);
  auto exe = std::make_unique<TJExecutable>(TJExecutable::kDefaultStackSize, &host);
  exe->SetEntry(Forever(*exe));
  exe->Continue();
  exe.reset();
  SUCCEED();
}

TEST(VmThread, WaitForEndsEarlyOnStop) {
  RecordingScriptHost host;
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  EXPECT_TRUE(exe.WaitFor(1));
  std::thread stopper([&] { exe.Stop(); });
  EXPECT_FALSE(exe.WaitFor(60000));
  stopper.join();
  EXPECT_FALSE(exe.WaitFor(60000));
}

TEST(VmThread, RuntimeErrorOnTheThreadIsPrintedOnTheMainThread) {
  RecordingScriptHost host(true);
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  VmAsm m(exe, "main");
  m.Int(1);
  m.Int(0);
  m.Emit(opMod);
  m.Emit(opReturn);
  exe.SetEntry(m.Done());
  exe.ShowWindow();
  exe.Continue();
  ASSERT_TRUE(host.gui->PumpUntil([&] { return exe.IsTerminated(); }));
  EXPECT_FALSE(exe.WaitDone());
  ASSERT_EQ(1u, host.window->Pieces().size());
  EXPECT_EQ("RUNTIME ERROR: 関数 main で 0 による剰余算", host.window->Pieces()[0].text);
  EXPECT_EQ(kScriptErrorColor, host.window->Pieces()[0].color);
  EXPECT_EQ(host.gui->MainThread(), host.window->PrintThreads()[0]);
  EXPECT_EQ(1, host.window->shown);
}

TEST(VmThread, StopBeforeStartNeverRuns) {
  RecordingScriptHost host(true);
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  exe.SetEntry(Forever(exe));
  exe.Stop();
  EXPECT_TRUE(exe.IsTerminated());
  exe.Continue();
  EXPECT_TRUE(exe.WaitDone());
}

}  // namespace
