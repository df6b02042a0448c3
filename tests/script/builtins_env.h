// A calling script for built-in handlers: output recorded, dialogs answered
// from queues, main-thread calls run inline, and a stop flag.
#pragma once
#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "script/scripthost.h"
#include "script/vmcode.h"

namespace builtins_test {

struct DialogAnswer {
  int modalResult = kScriptDlgCancel;
  ScriptInputValue value;
  int index = -1;
};

class FakeHost : public ScriptHost {
 public:
  std::unique_ptr<ScriptWindow> CreateScriptWindow() override { return GetScriptHost().CreateScriptWindow(); }
  std::unique_ptr<platform::GuiThread> CreateGuiThread() override { return GetScriptHost().CreateGuiThread(); }
  int InputDialog(const std::string& prompt, int option, ScriptInputValue& value) override {
    calls.push_back("input:" + std::to_string(option) + ":" + prompt);
    DialogAnswer a = Next();
    if (a.modalResult == kScriptDlgOk) value = a.value;
    return a.modalResult;
  }
  int MessageDialog(const std::string& prompt, int option) override {
    calls.push_back("message:" + std::to_string(option) + ":" + prompt);
    return Next().modalResult;
  }
  int SelectDialog(const std::string& prompt, const std::vector<std::string>& items, int& index) override {
    calls.push_back("select:" + std::to_string(items.size()) + ":" + std::to_string(index) + ":" + prompt);
    DialogAnswer a = Next();
    if (a.modalResult == kScriptDlgOk) index = a.index;
    return a.modalResult;
  }

  std::deque<DialogAnswer> answers;
  std::vector<std::string> calls;

 private:
  DialogAnswer Next() {
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected dialog";
      return DialogAnswer();
    }
    DialogAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
};

class TestEnv : public ScriptEnv {
 public:
  TestEnv() : window_(GetScriptHost().CreateScriptWindow()) {}
  void Print(const std::string& text) override { output += text; }
  ScriptWindow& Window() override { return *window_; }
  ScriptHost& Host() override { return host; }
  bool RunOnMainThread(const std::function<void()>& fn) override {
    ++mainThreadCalls;
    fn();
    return true;
  }
  bool StopRequested() const override { return stop.load(); }
  bool WaitFor(std::int64_t ms) override {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      if (stop.load()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  std::string output;
  FakeHost host;
  std::atomic<bool> stop{false};
  int mainThreadCalls = 0;

 private:
  std::unique_ptr<ScriptWindow> window_;
};

// Argument cells built up one by one.
class Args {
 public:
  Args& Int(std::int32_t v) {
    TStackData c;
    c.kind = dtInteger;
    c.ival = v;
    cells_.push_back(c);
    return *this;
  }
  Args& Float(double v) {
    TStackData c;
    c.kind = dtFloating;
    c.fval = v;
    cells_.push_back(c);
    return *this;
  }
  Args& Str(const std::string& v) {
    TStackData c;
    c.kind = dtString;
    c.sval = v;
    cells_.push_back(c);
    return *this;
  }
  // A by-reference argument to count cells starting at target.
  Args& Ref(TStackData* target, std::int32_t count = 1) {
    TStackData c;
    c.kind = dtReference;
    c.ref = target;
    c.refCells = count;
    cells_.push_back(c);
    return *this;
  }
  TStackData* Cells() { return cells_.data(); }

 private:
  std::vector<TStackData> cells_;
};

// A result record as the compiler leaves it: the integer 0.
inline vmcode_t ResultRecord() {
  vmcode_t r;
  r.op = opPushConst;
  r.a = pcInteger;
  r.b = 0;
  return r;
}

}  // namespace builtins_test
