#include <gtest/gtest.h>

#include <set>

#include "script/builtin_dispatch.h"
#include "builtins_env.h"

namespace {

using namespace builtins_test;

TEST(BuiltinModules, TablesHoldEveryRowInIdOrderWithMatchingPrefixes) {
  ASSERT_EQ(GetSystemBuiltinCount(), 79);
  ASSERT_EQ(GetBusBuiltinCount(), 13);
  std::set<std::string> names;
  for (int i = 0; i < GetSystemBuiltinCount(); ++i) {
    if (i) {
      EXPECT_LT(GetSystemBuiltinId(i - 1), GetSystemBuiltinId(i));
    }
    EXPECT_EQ(GetSystemBuiltinName(i).rfind("__sys_", 0), 0u) << GetSystemBuiltinName(i);
    EXPECT_EQ(GetSystemBuiltinIdById(GetSystemBuiltinId(i)), GetSystemBuiltinId(i));
    names.insert(GetSystemBuiltinName(i));
  }
  for (int i = 0; i < GetBusBuiltinCount(); ++i) {
    EXPECT_EQ(GetBusBuiltinId(i), 2001 + i);
    names.insert(GetBusBuiltinName(i));
  }
  EXPECT_EQ(names.size(), 92u);
  EXPECT_EQ(GetSystemBuiltinId(0), 1001);
  EXPECT_EQ(GetSystemBuiltinId(78), 1080);
  EXPECT_EQ(GetSystemBuiltinIdById(1051), 0);  // no row: never a call
  EXPECT_EQ(GetSystemBuiltinPrototype(17), "comReadTo(comPortNo, buff&,delimiters&,nDelimiters,timeout)");
  EXPECT_EQ(GetBusBuiltinPrototype(9), "ecsSendCommandStr(strCmmd,ans&,ansLen,inv)");
}

TEST(BuiltinModules, ConstantTextsAndPreludeOrder) {
  EXPECT_EQ(GetSystemInitText().rfind("sysINTEGER=0;sysFLOATING=1;", 0), 0u);
  EXPECT_NE(GetSystemInitText().find("sysSTATION_NO=6;dlgMESSAGE=0x00;"), std::string::npos);
  EXPECT_NE(GetSystemInitText().find("btnOK=0x00;btnOK_CANCEL=0x10;"), std::string::npos);
  EXPECT_NE(GetSystemInitText().find("btnYES_NO=0x40;com8BIT=0;"), std::string::npos);
  EXPECT_EQ(GetSystemInitText().substr(GetSystemInitText().size() - 22), "copWAIT=1;copNOWAIT=0;");
  EXPECT_EQ(GetSystemDeclText().rfind("var sysINTEGER,sysFLOATING,", 0), 0u);
  EXPECT_EQ(GetSystemDeclText().back(), ';');
  EXPECT_EQ(GetBusInitText().rfind("iicPT_NONE=0;iicPT_BYTE=1;", 0), 0u);
  EXPECT_NE(GetBusInitText().find("iicREG_8BIT_QN4718=10;"), std::string::npos);
  EXPECT_NE(GetBusInitText().find("iicPT_3BYTE=14;"), std::string::npos);

  const std::vector<std::string> prelude = BuildBuiltinPrelude();
  ASSERT_EQ(prelude.size(), 2u + 13u + 2u + 79u);
  EXPECT_EQ(prelude[0], GetBusDeclText());
  EXPECT_EQ(prelude[1], GetBusInitText());
  EXPECT_EQ(prelude[2], "func iicWrite(line,type,slave,sub,data&,n){__iic_write;}");
  EXPECT_EQ(prelude[14], "func busIsAvailable(){__bus_bus_available;}");
  EXPECT_EQ(prelude[15], GetSystemDeclText());
  EXPECT_EQ(prelude[16], GetSystemInitText());
  EXPECT_EQ(prelude[17], "func logGetFailureCode(target,code&){__sys_log_getfailurecode;}");
  EXPECT_EQ(prelude.back(), "func sysGetSystemInfo(infoNo){__sys_get_systeminfo;}");
}

TEST(BuiltinModules, DispatchReachesTheModulesAndIgnoresRowsWithoutHandler) {
  EXPECT_EQ(GetSystemBuiltinModule(), &CallSystemBuiltin);
  EXPECT_EQ(GetBusBuiltinModule(), &CallBusBuiltin);
  TestEnv env;
  Args a;
  a.Int(0);
  vmcode_t r = ResultRecord();
  CallSystemBuiltin(1001, a.Cells(), &r, env);
  EXPECT_EQ(r.a, pcString);
  EXPECT_EQ(r.sval, "1.0.2");
  // A window id has no handler here, an unknown id no row: the record keeps what it held.
  CallSystemBuiltin(1059, a.Cells(), &r, env);
  CallSystemBuiltin(1051, a.Cells(), &r, env);
  CallBusBuiltin(2999, a.Cells(), &r, env);
  EXPECT_EQ(r.a, pcString);
  EXPECT_EQ(r.sval, "1.0.2");
}

}  // namespace
