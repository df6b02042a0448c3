#include <gtest/gtest.h>

#include <set>

#include "builtins_env.h"

namespace {

using namespace builtins_test;

// The compiler defines each internal name once and the modules find a row by
// its id: a repeated name or id would send a call to another row's handler.
TEST(BuiltinModules, InternalNamesAndIdsAreUnique) {
  std::set<std::string> names;
  std::set<int> ids;
  for (int i = 0; i < GetSystemBuiltinCount(); ++i) {
    names.insert(GetSystemBuiltinName(i));
    ids.insert(GetSystemBuiltinId(i));
  }
  for (int i = 0; i < GetBusBuiltinCount(); ++i) {
    names.insert(GetBusBuiltinName(i));
    ids.insert(GetBusBuiltinId(i));
  }
  const std::size_t rows = static_cast<std::size_t>(GetSystemBuiltinCount() + GetBusBuiltinCount());
  EXPECT_EQ(names.size(), rows);
  EXPECT_EQ(ids.size(), rows);
}

// Scripts reach both modules in compiler_test (the modules are installed before
// the first script runs).
TEST(BuiltinModules, RowsWithoutHandlerAndUnknownIdsLeaveTheResult) {
  TestEnv env;
  Args a;
  a.Int(0);
  vmcode_t r = ResultRecord();
  r.a = pcString;
  r.sval = "kept";
  CallSystemBuiltin(1059, a.Cells(), &r, env);  // a window id: no handler here
  CallSystemBuiltin(1051, a.Cells(), &r, env);  // no row
  CallBusBuiltin(2999, a.Cells(), &r, env);
  EXPECT_EQ(r.a, pcString);
  EXPECT_EQ(r.sval, "kept");
}

}  // namespace
