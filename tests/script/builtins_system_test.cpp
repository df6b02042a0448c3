#include <gtest/gtest.h>

#include "builtins_env.h"
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
  ClearGlobalValues();
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

}  // namespace
