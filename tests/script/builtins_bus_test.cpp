#include <gtest/gtest.h>

#include <vector>

#include "builtins_env.h"
#include "script/busbuiltins.h"
#include "script/modules.h"

namespace {

using namespace builtins_test;

std::vector<int> g_sent;
int g_inv = -1;

int FakeEcs(int* cmmd, int cmmdLen, int* ans, int ansLen, int inv) {
  g_sent.assign(cmmd, cmmd + cmmdLen);
  g_inv = inv;
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
  void SetUp() override { SetBusHooks(TBusHooks()); }
  void TearDown() override { SetBusHooks(TBusHooks()); }
  int Call(int id, Args& a) {
    vmcode_t r = ResultRecord();
    CallBusBuiltin(id, a.Cells(), &r, env_);
    return r.b;
  }
  TestEnv env_;
};

TEST_F(BusBuiltinsTest, EmptySlotsTraceAndAnswerDefaults) {
  TStackData data;
  data.kind = dtString;
  Args read;
  read.Int(0x1234).Ref(&data);
  EXPECT_EQ(Call(2006, read), 0);
  EXPECT_EQ(data.kind, dtInteger);
  EXPECT_EQ(data.ival, 4660);
  Args write;
  write.Int(16).Int(-1);
  EXPECT_EQ(Call(2007, write), 0);
  Args none;
  vmcode_t r = ResultRecord();
  CallBusBuiltin(2003, none.Cells(), &r, env_);
  EXPECT_EQ(r.a, pcString);
  EXPECT_EQ(r.sval, "");
  EXPECT_EQ(Call(2004, none), 0);
  TStackData bytes[5];
  bytes[4].ival = 99;
  Args iicRead;
  iicRead.Int(1).Int(7).Int(0xA0).Int(0x10).Ref(bytes, 5).Int(4);
  EXPECT_EQ(Call(2012, iicRead), 0);
  EXPECT_EQ(bytes[3].ival, 3);
  EXPECT_EQ(bytes[4].ival, 99);
  bytes[0].ival = 0x1FF;
  Args iicWrite;
  iicWrite.Int(1).Int(7).Int(0xA0).Int(0x10).Ref(bytes, 5).Int(2);
  EXPECT_EQ(Call(2013, iicWrite), 0);
  EXPECT_EQ(env_.output,
            "busReadReg: regNo=4660(0x1234)\n"
            "busWriteReg: regNo=16(0x10), data=-1(0xFFFFFFFF)\n"
            "busGetBusFileName()\n"
            "busEnterAdjustMode\n"
            "iicRead: line=1, type=7, slave=A0, sub=10\n"
            "iicWrite: line=1, type=7, slave=A0, sub=10\n255(0xff), 1(0x01), \n");
}

TEST_F(BusBuiltinsTest, CommandTextsBecomeBytesForTheEcsHook) {
  TStackData ans[3];
  Args bad;
  bad.Str("G0").Ref(ans, 3).Int(3).Int(0);
  EXPECT_EQ(Call(2010, bad), 0);  // no hook: trace only
  EXPECT_EQ(env_.output, "EcsSendCommandStr: G0 \n");

  TBusHooks hooks;
  hooks.ecs = FakeEcs;
  SetBusHooks(hooks);
  EXPECT_EQ(Call(2010, bad), 1);
  Args odd;
  odd.Str("F01").Ref(ans, 3).Int(2).Int(1);
  EXPECT_EQ(Call(2010, odd), 7);
  EXPECT_EQ(g_sent, (std::vector<int>{0xF0}));
  EXPECT_EQ(g_inv, 1);
  EXPECT_EQ(ans[1].ival, 0xA1);
  Args spaced;
  spaced.Str("F0 12 ab").Ref(ans, 3).Int(0).Int(0);
  EXPECT_EQ(Call(2010, spaced), 7);
  EXPECT_EQ(g_sent, (std::vector<int>{0xF0, 0x12, 0xAB}));

  TStackData cmmd[2];
  cmmd[0].ival = 0xF1;
  cmmd[1].ival = 0x02;
  Args direct;
  direct.Ref(cmmd, 2).Int(2).Ref(ans, 3).Int(3).Int(0);
  EXPECT_EQ(Call(2009, direct), 7);
  EXPECT_EQ(g_sent, (std::vector<int>{0xF1, 0x02}));
  EXPECT_EQ(ans[2].ival, 0xA2);
  // Lengths past the script's arrays never reach the hook.
  Args tooLong;
  tooLong.Ref(cmmd, 2).Int(3).Ref(ans, 3).Int(3).Int(0);
  EXPECT_EQ(Call(2009, tooLong), -1);
  Args answerTooLong;
  answerTooLong.Str("F0").Ref(ans, 3).Int(4).Int(0);
  EXPECT_EQ(Call(2010, answerTooLong), -1);
}

TEST_F(BusBuiltinsTest, HooksDecideAndFailuresLeaveTheData) {
  TBusHooks hooks;
  hooks.busReadReg = FailingRead;
  hooks.iicRead = FakeIicRead;
  SetBusHooks(hooks);
  TStackData data;
  data.ival = 5;
  Args read;
  read.Int(1).Ref(&data);
  EXPECT_EQ(Call(2006, read), 1);
  EXPECT_EQ(data.ival, 5);
  TStackData bytes[2];
  Args iicRead;
  iicRead.Int(0).Int(1).Int(0x1FF).Int(0).Ref(bytes, 2).Int(2);
  EXPECT_EQ(Call(2012, iicRead), 0);
  EXPECT_EQ(bytes[1].ival, 0x00);  // slave went as 16 bits: 0x1FF + 1 kept to a byte
  Args iicTooMany;
  iicTooMany.Int(0).Int(1).Int(0).Int(0).Ref(bytes, 2).Int(3);
  EXPECT_EQ(Call(2012, iicTooMany), -1);
  EXPECT_EQ(env_.output, "");
}

TEST_F(BusBuiltinsTest, TargetHooksFailWithoutALink) {
  InstallTargetRegisterHooks();
  EXPECT_EQ(GetBusHooks().busReadReg, &ScriptReadRegister);
  TStackData data;
  data.ival = 5;
  Args read;
  read.Int(0x10).Ref(&data);
  EXPECT_EQ(Call(2006, read), 1);
  EXPECT_EQ(data.ival, 5);
  Args write;
  write.Int(0x10).Int(1);
  EXPECT_EQ(Call(2007, write), 1);
}

}  // namespace
