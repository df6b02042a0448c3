#include <gtest/gtest.h>

#include <vector>

#include "builtins_env.h"
#include "script/busbuiltins.h"

namespace {

using namespace builtins_test;

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
  void SetUp() override { SetBusHooks(TBusHooks()); }
  void TearDown() override { SetBusHooks(TBusHooks()); }
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
  SetBusHooks(hooks);
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
  SetBusHooks(hooks);
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
  InstallTargetRegisterHooks();
  TStackData data;
  data.ival = 5;
  EXPECT_EQ(C(kReadReg, Args().Int(0x10).Ref(&data)), 1);
  EXPECT_EQ(data.ival, 5);
  EXPECT_EQ(C(kWriteReg, Args().Int(0x10).Int(1)), 1);
}

}  // namespace
