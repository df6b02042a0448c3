#include <gtest/gtest.h>

#include "script/modules.h"
#include "script/sysbuiltins.h"
#include "builtins_env.h"

namespace {

using namespace builtins_test;

int CallInt(int id, Args& a, TestEnv& env) {
  vmcode_t r = ResultRecord();
  CallSystemBuiltin(id, a.Cells(), &r, env);
  EXPECT_EQ(r.a, pcInteger);
  return r.b;
}

std::string CallStr(int id, Args& a, TestEnv& env) {
  vmcode_t r = ResultRecord();
  CallSystemBuiltin(id, a.Cells(), &r, env);
  EXPECT_EQ(r.a, pcString);
  return r.sval;
}

TEST(SystemBuiltins, SubStringCutsAtTheEndAndRefusesWhatIsOutside) {
  EXPECT_EQ(StrSubString("abcdef", 2, 10), "cdef");
  EXPECT_EQ(StrSubString("abcdef", 6, 1), "");
  EXPECT_EQ(StrSubString("abcdef", 1, 0), "");
  EXPECT_EQ(StrSubString("abcdef", -2, 3), "abc");
  EXPECT_EQ(StrSubString("abcdef", -2, 100), "abcdef");
  EXPECT_EQ(StrSubString("abcdef", 2, 2147483647), "cdef");  // no overflow of start + n
  TestEnv env;
  Args notString;
  notString.Int(5).Int(0).Int(3);
  EXPECT_EQ(CallStr(1008, notString, env), "");
}

TEST(SystemBuiltins, SearchCountsFromTheStringAndNeverStartsInsideACharacter) {
  EXPECT_EQ(StrSearch("abcabc", 3, "c"), 5);
  EXPECT_EQ(StrSearch("abcabc", 0, "c"), 2);
  EXPECT_EQ(StrSearch("abcabc", 6, "c"), -1);
  EXPECT_EQ(StrSearch("abcabc", 7, "c"), -1);
  EXPECT_EQ(StrSearch("abcabc", -1, "c"), -1);
  EXPECT_EQ(StrSearch("abc", 0, ""), -1);
  // "表" is 0x95 0x5C: its second byte is a backslash that must not be found.
  const std::string text = "表\\";
  ASSERT_EQ(text.size(), 3u);
  EXPECT_EQ(StrSearch(text, 0, "\\"), 2);
  EXPECT_EQ(StrSearch("ア表", 0, "表"), 2);
}

TEST(SystemBuiltins, GlobalValuesSurviveAndAMissingKeyLeavesTheArgument) {
  TestEnv env;
  ClearGlobalValues();
  TStackData value;
  value.kind = dtString;
  value.sval = "keep";
  Args get;
  get.Str("k").Ref(&value);
  EXPECT_EQ(CallInt(1007, get, env), -1);
  EXPECT_EQ(value.kind, dtString);
  EXPECT_EQ(value.sval, "keep");

  Args set;
  set.Str("k").Float(1.5);
  EXPECT_EQ(CallInt(1006, set, env), 0);
  EXPECT_EQ(CallInt(1007, get, env), 0);
  EXPECT_EQ(value.kind, dtFloating);
  EXPECT_EQ(value.fval, 1.5);

  Args key2;
  key2.Str("K").Int(2);  // keys are case-sensitive
  CallInt(1006, key2, env);
  Args clear;
  EXPECT_EQ(CallInt(1005, clear, env), 0);
  EXPECT_EQ(CallInt(1007, get, env), -1);
}

TEST(SystemBuiltins, InformationDateAndTime) {
  TestEnv env;
  Args seven, zero, three;
  seven.Int(7);
  zero.Int(0);
  three.Int(3);
  EXPECT_EQ(CallStr(1001, seven, env), "");
  EXPECT_EQ(CallStr(1001, zero, env), "1.0.2");
  EXPECT_EQ(CallStr(1001, three, env), "No Name");
  std::tm tm{};
  tm.tm_year = 124, tm.tm_mon = 0, tm.tm_mday = 5, tm.tm_hour = 7, tm.tm_min = 8, tm.tm_sec = 9, tm.tm_isdst = -1;
  const std::time_t when = std::mktime(&tm);
  EXPECT_EQ(DateString(when), "2024/01/05");
  EXPECT_EQ(TimeString(when), "7:08:09");
}

TEST(SystemBuiltins, SleepEndsEarlyOnAStopAndIgnoresNegativeTimes) {
  TestEnv env;
  env.stop = true;
  Args longSleep, negative;
  longSleep.Int(600000);
  negative.Int(-1);
  EXPECT_EQ(CallInt(1002, longSleep, env), 0);
  EXPECT_EQ(CallInt(1002, negative, env), 0);
}

TEST(SystemBuiltins, DialogsStoreOnlyWhenConfirmed) {
  TestEnv env;
  TStackData value;
  value.kind = dtString;
  value.sval = "old";
  DialogAnswer ok;
  ok.modalResult = kScriptDlgOk;
  ok.value.integer = 31;
  env.host.answers = {ok, DialogAnswer()};
  Args input;
  input.Str("n?").Int(dtInteger).Ref(&value);
  EXPECT_EQ(CallInt(1011, input, env), 0);
  EXPECT_EQ(value.kind, dtInteger);
  EXPECT_EQ(value.ival, 31);
  EXPECT_EQ(CallInt(1011, input, env), 1);  // cancelled
  EXPECT_EQ(value.ival, 31);

  TStackData index;
  index.ival = 9;
  DialogAnswer picked;
  picked.modalResult = kScriptDlgOk;
  picked.index = 2;
  env.host.answers = {DialogAnswer(), picked};
  Args select;
  select.Str("pick").Str("a\r\nb\r\nc").Ref(&index);
  EXPECT_EQ(CallInt(1013, select, env), 1);
  EXPECT_EQ(index.ival, 9);
  EXPECT_EQ(CallInt(1013, select, env), 0);
  EXPECT_EQ(index.ival, 2);
  EXPECT_EQ(env.host.calls[2], "select:3:0:pick");

  DialogAnswer jump;
  jump.modalResult = kScriptDlgJump;
  env.host.answers = {ok, jump};
  Args message;
  message.Str("go").Int(0x50 + 2);
  EXPECT_EQ(CallInt(1012, message, env), 0);
  EXPECT_EQ(CallInt(1012, message, env), 1);
  EXPECT_EQ(env.host.calls.back(), "message:82:go");
}

TEST(SystemBuiltins, StationServicesTraceAndAnswerFixedValues) {
  TestEnv env;
  TStackData data;
  data.kind = dtString;
  Args in;
  in.Int(0x3F8).Ref(&data);
  EXPECT_EQ(CallInt(1054, in, env), 0);
  EXPECT_EQ(data.kind, dtInteger);
  EXPECT_EQ(data.ival, 0);
  Args out;
  out.Int(0x3F8).Int(255);
  EXPECT_EQ(CallInt(1055, out, env), 0);
  TStackData measured;
  Args meas;
  meas.Int(1).Int(2).Int(3).Str("V").Ref(&measured);
  EXPECT_EQ(CallInt(1057, meas, env), 0);
  EXPECT_EQ(measured.kind, dtFloating);
  Args none;
  EXPECT_EQ(CallInt(1056, none, env), 0);
  EXPECT_EQ(env.output,
            "I/O inport: port=0x3F8\nI/O outport: port=0x3F8, data=0xFF\n"
            "Measure: x=1, y=2, element=3, param=V\nmeasGetNumberOf(item)\n");

  TStackData code;
  code.ival = 77;
  Args log;
  log.Int(0).Ref(&code);
  EXPECT_EQ(CallInt(1080, log, env), -1);
  EXPECT_EQ(code.ival, 77);
  EXPECT_EQ(CallInt(1073, none, env), -1);
  Args id;
  id.Int(0);
  EXPECT_EQ(CallStr(1077, id, env), "");
  TStackData crc;
  crc.ival = 5;
  Args crcArgs;
  crcArgs.Str("/nonexistent").Ref(&crc);
  EXPECT_EQ(CallInt(1069, crcArgs, env), 0);
  EXPECT_EQ(crc.ival, 5);
}

TEST(SystemBuiltins, ScanfStoresIntoTheArrayAndCountsEveryPiece) {
  TestEnv env;
  TStackData cells[2];
  Args two;
  two.Str("a=1 b=2.5").Str("a=%d b=%lf").Ref(cells, 2).Int(2);
  EXPECT_EQ(CallInt(1009, two, env), 0);
  EXPECT_EQ(cells[0].kind, dtInteger);
  EXPECT_EQ(cells[0].ival, 1);
  EXPECT_EQ(cells[1].kind, dtFloating);
  EXPECT_EQ(cells[1].fval, 2.5);

  TStackData one[1];
  Args fewer;
  fewer.Str("a=7 b=2.5").Str("a=%d b=%lf").Ref(one, 1).Int(1);
  EXPECT_EQ(CallInt(1009, fewer, env), -1);
  EXPECT_EQ(one[0].ival, 7);

  Args noMatch, noMatchCounted;
  noMatch.Str("nothing here").Str("v=%d").Ref(one, 1).Int(0);
  noMatchCounted.Str("nothing here").Str("v=%d").Ref(one, 1).Int(1);
  EXPECT_EQ(CallInt(1009, noMatch, env), 1);
  EXPECT_EQ(CallInt(1009, noMatchCounted, env), -1);
  Args broken;
  broken.Str("x(1").Str("x(%d").Ref(one, 1).Int(0);
  EXPECT_EQ(CallInt(1009, broken, env), 2);

  // n larger than the array: the cells past it are never written.
  TStackData guard[2];
  guard[1].ival = 42;
  Args past;
  past.Str("1 2").Str("%d %d").Ref(guard, 1).Int(2);
  EXPECT_EQ(CallInt(1009, past, env), 0);
  EXPECT_EQ(guard[0].ival, 1);
  EXPECT_EQ(guard[1].ival, 42);
}

}  // namespace
