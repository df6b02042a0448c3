#include <gtest/gtest.h>

#include <initializer_list>
#include <set>

#include "builtins_env.h"

namespace {

using namespace builtins_test;

// The compiler defines each internal name once and the modules find a row by
// its id, searching rows in id order: a repeated name or id, or a row out of
// order, would send a call to another row's handler or to none.
TEST(BuiltinModules, InternalNamesAndIdsAreUniqueAndInOrder) {
  std::set<std::string> names;
  std::set<int> ids;
  std::size_t rows = 0;
  for (const TBuiltinModule* module : {&SystemModule(), &BusModule()}) {
    for (int i = 0; i < module->BuiltinCount(); ++i) {
      names.insert(module->BuiltinName(i));
      ids.insert(module->BuiltinId(i));
      if (i > 0) {
        EXPECT_LT(module->BuiltinId(i - 1), module->BuiltinId(i));
      }
      EXPECT_EQ(module->BuiltinIdById(module->BuiltinId(i)), module->BuiltinId(i));
    }
    rows += static_cast<std::size_t>(module->BuiltinCount());
  }
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
