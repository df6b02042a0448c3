// The system and bus modules' built-ins called with argument cells, as the
// prelude's wrappers call them.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "builtins_env.h"
#include "link/workspace.h"
#include "script/busbuiltins.h"
#include "script/sysbuiltins.h"

namespace {

using namespace builtins_test;

TEST(SystemBuiltins, SubStringAndSearchCutAtTheEndsAndNeverStartInsideACharacter) {
  EXPECT_EQ(StrSubString("abcdef", 2, 10) + "|" + StrSubString("abcdef", 6, 1) + "|" + StrSubString("abcdef", 1, 0) + "|" +
                StrSubString("abcdef", -2, 3) + "|" + StrSubString("abcdef", -2, 100) + "|" + StrSubString("abcdef", 2, 2147483647),
            "cdef|||abc|abcdef|cdef");  // the last without an overflow of start + n
  // "表" is 0x95 0x5C: its second byte is a backslash that must not be found.
  EXPECT_EQ((std::vector<int>{StrSearch("abcabc", 3, "c"), StrSearch("abcabc", 6, "c"), StrSearch("abcabc", 7, "c"),
                              StrSearch("abcabc", -1, "c"), StrSearch("abc", 0, ""), StrSearch("表\\", 0, "\\"),
                              StrSearch("ア表", 0, "表")}),
            (std::vector<int>{5, -1, -1, -1, -1, 2, 2}));
  TestEnv env;
  vmcode_t r = ResultRecord();
  CallSystemBuiltin(1008, Args().Int(5).Int(0).Int(3).Cells(), &r, env);  // not a string
  EXPECT_EQ(r.a, pcString);
  EXPECT_EQ(r.sval, "");
}

TEST(SystemBuiltins, GlobalValuesSurviveAndAMissingKeyLeavesTheArgument) {
  TestEnv env;
  TStackData value;
  value.kind = dtString;
  value.sval = "keep";
  const Args get = Args().Str("k").Ref(&value);
  EXPECT_EQ(Call(env, 1007, get), -1);
  EXPECT_EQ(value.sval, "keep");
  EXPECT_EQ(Call(env, 1006, Args().Str("k").Float(1.5)), 0);
  EXPECT_EQ(Call(env, 1006, Args().Str("K").Int(2)), 0);  // keys are case-sensitive
  EXPECT_EQ(Call(env, 1007, get), 0);
  EXPECT_EQ(value.kind, dtFloating);
  EXPECT_EQ(value.fval, 1.5);
  EXPECT_EQ(Call(env, 1005, Args()), 0);
  EXPECT_EQ(Call(env, 1007, get), -1);
}

TEST(SystemBuiltins, InformationDateTimeSleepAndStationServices) {
  TestEnv env;
  vmcode_t r = ResultRecord();
  CallSystemBuiltin(1001, Args().Int(0).Cells(), &r, env);
  EXPECT_EQ(r.sval, "1.0.2");
  std::tm tm{};
  tm.tm_year = 124, tm.tm_mon = 0, tm.tm_mday = 5, tm.tm_hour = 7, tm.tm_min = 8, tm.tm_sec = 9, tm.tm_isdst = -1;
  const std::time_t when = std::mktime(&tm);
  EXPECT_EQ(DateString(when) + " " + TimeString(when), "2024/01/05 7:08:09");

  TStackData data, measured, code, crc;
  data.kind = dtString;
  EXPECT_EQ(Call(env, 1054, Args().Int(0x3F8).Ref(&data)), 0);
  EXPECT_EQ(data.kind, dtInteger);
  EXPECT_EQ(Call(env, 1055, Args().Int(0x3F8).Int(255)), 0);
  EXPECT_EQ(Call(env, 1057, Args().Int(1).Int(2).Int(3).Str("V").Ref(&measured)), 0);
  EXPECT_EQ(measured.kind, dtFloating);
  EXPECT_EQ(env.output,
            "I/O inport: port=0x3F8\nI/O outport: port=0x3F8, data=0xFF\nMeasure: x=1, y=2, element=3, param=V\n");
  code.ival = 77;
  EXPECT_EQ(Call(env, 1080, Args().Int(0).Ref(&code)), -1);
  EXPECT_EQ(code.ival, 77);
  crc.ival = 5;
  EXPECT_EQ(Call(env, 1069, Args().Str("/nonexistent").Ref(&crc)), 0);
  EXPECT_EQ(crc.ival, 5);
  // A stop ends a long sleep; a negative time is no sleep at all.
  env.stop = true;
  EXPECT_EQ(Call(env, 1002, Args().Int(600000)), 0);
  EXPECT_EQ(Call(env, 1002, Args().Int(-1)), 0);
}

TEST(SystemBuiltins, DialogsStoreOnlyWhenConfirmed) {
  TestEnv env;
  TStackData value, index;
  value.kind = dtString;
  ScriptInputValue answer;
  answer.integer = 31;
  env.host.inputAnswers = {{kScriptDlgOk, answer}, {kScriptDlgCancel, answer}};
  const Args input = Args().Str("n?").Int(dtInteger).Ref(&value);
  EXPECT_EQ(Call(env, 1011, input), 0);
  EXPECT_EQ(value.kind, dtInteger);
  EXPECT_EQ(value.ival, 31);
  value.ival = 5;
  EXPECT_EQ(Call(env, 1011, input), 1);
  EXPECT_EQ(value.ival, 5);

  index.ival = 9;
  env.host.selectIndex = 2;
  env.host.answers = {kScriptDlgCancel, kScriptDlgOk, kScriptDlgOk, kScriptDlgJump};
  const Args select = Args().Str("pick").Str("a\r\nb\r\nc").Ref(&index);
  EXPECT_EQ(Call(env, 1013, select), 1);
  EXPECT_EQ(index.ival, 9);
  EXPECT_EQ(Call(env, 1013, select), 0);
  EXPECT_EQ(index.ival, 2);
  EXPECT_EQ(env.host.selectItems, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(Call(env, 1012, Args().Str("go").Int(0x52)), 0);
  EXPECT_EQ(Call(env, 1012, Args().Str("go").Int(0x52)), 1);  // JUMP is not OK
  EXPECT_EQ(env.host.options.back(), 0x52);
}

TEST(SystemBuiltins, ScanfStoresIntoTheArrayAndCountsEveryPiece) {
  TestEnv env;
  TStackData cells[2];
  EXPECT_EQ(Call(env, 1009, Args().Str("a=1 b=2.5").Str("a=%d b=%lf").Ref(cells, 2).Int(2)), 0);
  EXPECT_EQ(cells[0].kind, dtInteger);
  EXPECT_EQ(cells[0].ival, 1);
  EXPECT_EQ(cells[1].kind, dtFloating);
  EXPECT_EQ(cells[1].fval, 2.5);
  const struct {
    const char *text, *format;
    int n, result;
  } cases[] = {{"a=7 b=2.5", "a=%d b=%lf", 1, -1}, {"nothing", "v=%d", 0, 1}, {"nothing", "v=%d", 1, -1}, {"x(1", "x(%d", 0, 2}};
  for (const auto& c : cases) EXPECT_EQ(Call(env, 1009, Args().Str(c.text).Str(c.format).Ref(cells, 2).Int(c.n)), c.result);
  EXPECT_EQ(cells[0].ival, 7);
  // n larger than the array: the cells past it are never written.
  cells[1].ival = 42;
  EXPECT_EQ(Call(env, 1009, Args().Str("1 2").Str("%d %d").Ref(cells, 1).Int(2)), 0);
  EXPECT_EQ(cells[0].ival, 1);
  EXPECT_EQ(cells[1].ival, 42);
}

// ---- The bus module ----

enum : int { kFileName = 2003, kEnter, kExit, kReadReg, kWriteReg, kSave, kEcs, kEcsStr, kBInt, kIicRead, kIicWrite };

std::vector<int> g_sent;

int FakeEcs(int* cmmd, int cmmdLen, int* ans, int ansLen, int) {
  g_sent.assign(cmmd, cmmd + cmmdLen);
  for (int i = 0; i < ansLen; ++i) ans[i] = 0xA0 + i;
  return 7;
}
int FailingRead(int, int*) { return 1; }
int FakeIicRead(int, int, uint16_t slave, int, uint8_t* data, int n) {
  for (int i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(slave + i);
  return 0;
}

class BusBuiltinsTest : public ::testing::Test {
 protected:
  int C(int id, Args a) { return Call(env_, id, a); }
  TestEnv env_;
};

TEST_F(BusBuiltinsTest, EmptySlotsTraceAndAnswerDefaults) {
  TStackData data, bytes[5];
  data.kind = dtString;
  EXPECT_EQ(C(kReadReg, Args().Int(0x1234).Ref(&data)), 0);
  EXPECT_EQ(data.kind, dtInteger);
  EXPECT_EQ(data.ival, 4660);
  EXPECT_EQ(C(kWriteReg, Args().Int(16).Int(-1)), 0);
  vmcode_t r = ResultRecord();
  CallBusBuiltin(kFileName, nullptr, &r, env_);
  EXPECT_EQ(r.a, pcString);
  EXPECT_EQ(r.sval, "");
  EXPECT_EQ(C(kEnter, Args()), 0);
  bytes[4].ival = 99;
  EXPECT_EQ(C(kIicRead, Args().Int(1).Int(7).Int(0xA0).Int(0x10).Ref(bytes, 5).Int(4)), 0);
  EXPECT_EQ(bytes[3].ival, 3);
  EXPECT_EQ(bytes[4].ival, 99);
  bytes[0].ival = 0x1FF;
  EXPECT_EQ(C(kIicWrite, Args().Int(1).Int(7).Int(0xA0).Int(0x10).Ref(bytes, 5).Int(2)), 0);
  EXPECT_EQ(env_.output,
            "busReadReg: regNo=4660(0x1234)\n"
            "busWriteReg: regNo=16(0x10), data=-1(0xFFFFFFFF)\n"
            "busGetBusFileName()\n"
            "busEnterAdjustMode\n"
            "iicRead: line=1, type=7, slave=A0, sub=10\n"
            "iicWrite: line=1, type=7, slave=A0, sub=10\n255(0xff), 1(0x01), \n");
}

TEST_F(BusBuiltinsTest, CommandTextsBecomeBytesForTheEcsHook) {
  TStackData ans[3], cmmd[2];
  EXPECT_EQ(C(kEcsStr, Args().Str("G0").Ref(ans, 3).Int(3).Int(0)), 0);  // no hook: trace only
  EXPECT_EQ(env_.output, "EcsSendCommandStr: G0 \n");

  TBusHooks hooks;
  hooks.ecs = FakeEcs;
  env_.host.BusHooks() = hooks;
  EXPECT_EQ(C(kEcsStr, Args().Str("G0").Ref(ans, 3).Int(3).Int(0)), 1);
  EXPECT_EQ(C(kEcsStr, Args().Str("F01").Ref(ans, 3).Int(2).Int(1)), 7);
  EXPECT_EQ(g_sent, (std::vector<int>{0xF0}));
  EXPECT_EQ(ans[1].ival, 0xA1);
  EXPECT_EQ(C(kEcsStr, Args().Str("F0 12 ab").Ref(ans, 3).Int(0).Int(0)), 7);
  EXPECT_EQ(g_sent, (std::vector<int>{0xF0, 0x12, 0xAB}));

  cmmd[0].ival = 0xF1;
  cmmd[1].ival = 0x02;
  EXPECT_EQ(C(kEcs, Args().Ref(cmmd, 2).Int(2).Ref(ans, 3).Int(3).Int(0)), 7);
  EXPECT_EQ(g_sent, (std::vector<int>{0xF1, 0x02}));
  EXPECT_EQ(ans[2].ival, 0xA2);
  // Lengths past the script's arrays never reach the hook.
  EXPECT_EQ(C(kEcs, Args().Ref(cmmd, 2).Int(3).Ref(ans, 3).Int(3).Int(0)), -1);
  EXPECT_EQ(C(kEcsStr, Args().Str("F0").Ref(ans, 3).Int(4).Int(0)), -1);
}

TEST_F(BusBuiltinsTest, HooksDecideAndFailuresLeaveTheData) {
  TBusHooks hooks;
  hooks.busReadReg = FailingRead;
  hooks.iicRead = FakeIicRead;
  env_.host.BusHooks() = hooks;
  TStackData data, bytes[2];
  data.ival = 5;
  EXPECT_EQ(C(kReadReg, Args().Int(1).Ref(&data)), 1);
  EXPECT_EQ(data.ival, 5);
  EXPECT_EQ(C(kIicRead, Args().Int(0).Int(1).Int(0x1FF).Int(0).Ref(bytes, 2).Int(2)), 0);
  EXPECT_EQ(bytes[1].ival, 0x00);  // the slave went as 16 bits: 0x1FF + 1, kept to a byte
  EXPECT_EQ(C(kIicRead, Args().Int(0).Int(1).Int(0).Int(0).Ref(bytes, 2).Int(3)), -1);
  EXPECT_EQ(env_.output, "");
}

TEST_F(BusBuiltinsTest, TargetHooksFailWithoutALink) {
  platform::HeadlessUi ui;
  Workspace ws(ui);
  InstallTargetRegisterHooks(env_.host.BusHooks(), ws.TargetControl);
  TStackData data;
  data.ival = 5;
  EXPECT_EQ(C(kReadReg, Args().Int(0x10).Ref(&data)), 1);
  EXPECT_EQ(data.ival, 5);
  EXPECT_EQ(C(kWriteReg, Args().Int(0x10).Int(1)), 1);
}

// ---- Both tables ----

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
