// A script host for tests: headless windows whose shows and closes are
// counted, dialogs that give the answer set beforehand, and a main thread
// that runs each call at once or holds it until a stop cancels it; and
// built-in handlers called with argument cells, as the prelude's wrappers
// call them.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "script/builtins/modules.h"
#include "script/compiler/jcompiler.h"
#include "script/compiler/lexer.h"
#include "script/machine/jexecutable.h"
#include "script/machine/vmcode.h"
#include "script/scripthost.h"

// The lines a window printed, joined by line feeds.
inline std::string WindowText(const ScriptWindow* window) {
  std::string all;
  for (const ScriptOutputLine& line : static_cast<const HeadlessScriptWindow*>(window)->Output().Lines())
    all += (all.empty() ? "" : "\n") + line.text;
  return all;
}

class TestGui : public platform::GuiThread {
 public:
  bool Run(const std::function<void()>& fn) override {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      held_ = hold;
      cv_.notify_all();
      if (!cv_.wait_for(lock, std::chrono::seconds(20), [&] { return !hold || cancelled_; }))
        ADD_FAILURE() << "a stop did not release the call";
      if (cancelled_) return false;
    }
    onMainThread = true;
    fn();
    onMainThread = false;
    return true;
  }
  void Cancel() override { std::lock_guard<std::mutex> lock(mutex_); cancelled_ = true; cv_.notify_all(); }
  void Reset() override { std::lock_guard<std::mutex> lock(mutex_); cancelled_ = false; }
  // Waits until a call is held.
  bool WaitHeld() {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, std::chrono::seconds(20), [&] { return held_; });
  }

  bool hold = false;  // set before the script runs
  static inline thread_local bool onMainThread = false;

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool held_ = false;
  bool cancelled_ = false;
};

class RecordingScriptHost : public HeadlessScriptHost {
 public:
  class Window : public HeadlessScriptWindow {
   public:
    explicit Window(RecordingScriptHost& host) : host_(host) {}
    void Show() override { ++host_.shows; HeadlessScriptWindow::Show(); }
    void Close() override { ++host_.closes; }

   private:
    RecordingScriptHost& host_;
  };

  std::unique_ptr<ScriptWindow> CreateScriptWindow() override { return Keep(window, std::make_unique<Window>(*this)); }
  std::unique_ptr<platform::GuiThread> CreateGuiThread() override { return Keep(gui, std::make_unique<TestGui>()); }
  template <typename T>
  static std::unique_ptr<T> Keep(T*& newest, std::unique_ptr<T> made) { return newest = made.get(), std::move(made); }
  // An input gives 31 (or, with keepInput, what it opened on), a selection
  // the third item.
  int InputDialog(const std::string&, int, ScriptInputValue& value) override {
    inputs.push_back(value);
    if (!keepInput) value.integer = 31;
    return answer;
  }
  int MessageDialog(const std::string&, int) override { return answer; }
  void AddMessage(const std::string& line) override { messages.push_back(line); }
  // Each show as "caption done/total", each close as "closed" (from the
  // thread that runs the built-in).
  void ShowProgress(const std::string& caption, int done, int total) override {
    progress.push_back(caption + " " + std::to_string(done) + "/" + std::to_string(total));
    if (onProgress) onProgress();
  }
  void CloseProgress() override { progress.push_back("closed"); }
  int SelectDialog(const std::string&, const std::vector<std::string>&, int& index) override { index = 2; return answer; }

  // The newest window and main thread.
  Window* window = nullptr;
  TestGui* gui = nullptr;
  std::vector<std::string> messages;  // the program's log
  std::vector<ScriptInputValue> inputs;  // what each input dialog opened on
  bool keepInput = false;
  std::vector<std::string> progress;
  std::function<void()> onProgress;
  int shows = 0, closes = 0;
  int answer = kScriptDlgCancel;
};

namespace builtins_test {

// A headless script for the built-ins to run in.
struct TestEnv {
  RecordingScriptHost host;
  TJExecutable exe{TJExecutable::kDefaultStackSize, &host};
};

inline void CompileScript(TJExecutable& exe, const std::string& script) {
  const std::vector<std::string> lines{script};
  TStringListSource source(&lines);
  TJCompiler compiler;
  ASSERT_TRUE(compiler.Compile(source, exe, {"1"})) << compiler.GetErrorMessage();
}

// Argument cells built up one by one.
class Args {
 public:
  Args& Int(std::int32_t v) { return Add(dtInteger, [&](TStackData& c) { c.ival = v; }); }
  Args& Str(const std::string& v) { return Add(dtString, [&](TStackData& c) { c.sval = v; }); }
  // A by-reference argument to count cells starting at target.
  Args& Ref(TStackData* target, std::int32_t count = 1) {
    return Add(dtReference, [&](TStackData& c) { c.ref = target, c.refCells = count; });
  }
  TStackData* Cells() { return cells_.data(); }

 private:
  template <typename F>
  Args& Add(std::uint8_t kind, F set) {
    cells_.emplace_back();
    cells_.back().kind = kind;
    set(cells_.back());
    return *this;
  }
  std::vector<TStackData> cells_;
};

// Calls built-in id (either module) and returns its integer result.
inline int Call(TestEnv& env, int id, Args args) {
  vmcode_t r;
  r.op = opPushConst;
  r.a = pcInteger;
  (id >= 2000 ? CallBusBuiltin : CallSystemBuiltin)(id, args.Cells(), &r, env.exe);
  EXPECT_EQ(r.a, pcInteger) << id;
  return r.b;
}

}  // namespace builtins_test
