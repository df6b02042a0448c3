// A calling script for built-in handlers: output recorded, dialogs answered
// by the recording host, main-thread calls run inline, and a stop flag.
#pragma once
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "script/modules.h"
#include "script/scripthost.h"
#include "script/vmcode.h"
#include "scripthost_recording.h"

namespace builtins_test {

class TestEnv : public ScriptEnv {
 public:
  TestEnv() : window_(host.CreateScriptWindow()) {}
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
  RecordingScriptHost host;
  std::atomic<bool> stop{false};
  int mainThreadCalls = 0;

 private:
  std::unique_ptr<ScriptWindow> window_;
};

// Argument cells built up one by one.
class Args {
 public:
  Args& Int(std::int32_t v) { return Add(dtInteger, [&](TStackData& c) { c.ival = v; }); }
  Args& Float(double v) { return Add(dtFloating, [&](TStackData& c) { c.fval = v; }); }
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

// A result record as the compiler leaves it: the integer 0.
inline vmcode_t ResultRecord() {
  vmcode_t r;
  r.op = opPushConst;
  r.a = pcInteger;
  r.b = 0;
  return r;
}

// Calls built-in id (either module) and returns its integer result.
inline int Call(TestEnv& env, int id, Args args) {
  vmcode_t r = ResultRecord();
  (id >= 2000 ? CallBusBuiltin : CallSystemBuiltin)(id, args.Cells(), &r, env);
  EXPECT_EQ(r.a, pcInteger) << id;
  return r.b;
}

}  // namespace builtins_test
