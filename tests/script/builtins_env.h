// Built-in handlers called with argument cells, as the prelude's wrappers
// call them, for a headless script whose host records.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "script/jexecutable.h"
#include "script/modules.h"
#include "script/vmcode.h"
#include "scripthost_recording.h"

namespace builtins_test {

struct TestEnv {
  std::string Output() const { return WindowText(host.window); }

  RecordingScriptHost host;
  TJExecutable exe{TJExecutable::kDefaultStackSize, &host};
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

// Calls built-in id (either module) and returns its integer result.
inline int Call(TestEnv& env, int id, Args args) {
  vmcode_t r;
  r.op = opPushConst;
  r.a = pcInteger;
  r.b = 0;
  (id >= 2000 ? CallBusBuiltin : CallSystemBuiltin)(id, args.Cells(), &r, env.exe);
  EXPECT_EQ(r.a, pcInteger) << id;
  return r.b;
}

}  // namespace builtins_test
