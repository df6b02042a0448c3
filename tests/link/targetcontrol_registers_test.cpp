// Register access of TTargetControl against the simulated target.
#include <map>

#include "link/ecs.h"
#include "targetcontrol_test_fixture.h"

namespace tc_test {
namespace {

class TargetControlRegisters : public TargetControlTest {
 protected:
  void AddSRegs(std::initializer_list<uint32_t> ids, int value = REG_VALUE_UNKNOWN) {
    for (uint32_t id : ids) SRegisters.SetValue(id, value);
  }
};

TEST_F(TargetControlRegisters, TableAndRefreshWalksCutRunsAtTheWordLimit) {
  Start();  // 2 words a frame
  for (uint32_t id : {1u, 2u, 3u, 5u}) target->SetRegister(id, static_cast<uint16_t>(0x100 + id));
  AddSRegs({1, 2, 3, 5});

  ASSERT_TRUE(tc.ReadRegisterTable(false));
  EXPECT_EQ(Sent(), "F0 1,2 F0 3,1 F0 5,1");
  for (uint32_t id : {1u, 2u, 3u, 5u}) EXPECT_EQ(SRegisters.GetValue(id), static_cast<int>(0x100 + id));
  EXPECT_EQ(services.progressMax, 4);
  EXPECT_EQ(services.progressPositions, (std::vector<int>{0, 2, 3, 4, 4, 0}));

  target->ClearFrames();
  std::map<int, int> poll{{1, 0}, {2, 0}, {3, 0}, {5, 0}};
  ASSERT_TRUE(tc.ReadRefreshRegisters(poll));
  EXPECT_EQ(Sent(), "F0 1,2 F0 2,2 F0 5,1");
  EXPECT_EQ(poll, (std::map<int, int>{{1, 0x101}, {2, 0x102}, {3, 0x103}, {5, 0x105}}));
  EXPECT_TRUE(services.lines.empty());
}

TEST_F(TargetControlRegisters, RefreshWalkWithOneWordFramesEnds) {
  Start(SimSetup{SimProtocol::Ecs3, 2, "", ""});  // 1 word a frame: the overlap would never move on
  std::map<int, int> poll{{1, 0}, {2, 0}, {3, 0}};
  ASSERT_TRUE(tc.ReadRefreshRegisters(poll));
  EXPECT_EQ(Sent(), "F0 1,1 F0 2,1 F0 3,1");
}

TEST_F(TargetControlRegisters, EmptyIdListsReadNothing) {
  Start();
  std::map<int, int> poll;
  EXPECT_TRUE(tc.ReadRegisterTable(true));
  EXPECT_TRUE(tc.ReadRefreshRegisters(poll));
  EXPECT_EQ(target->FrameCount(), 0u);
}

TEST_F(TargetControlRegisters, RefusedBlockIsReadWordByWord) {
  Start();
  target->SetRegister(1, 0x11);
  target->SetRegister(2, 0x22);
  target->SetNoBlockRead(2);
  AddSRegs({1, 2});
  ASSERT_TRUE(tc.ReadRegisterTable(false));
  EXPECT_EQ(Sent(), "F0 1,2 F0 1,1 F0 2,1");
  EXPECT_EQ(SRegisters.GetValue(1), 0x11);
  EXPECT_EQ(SRegisters.GetValue(2), 0x22);
  EXPECT_TRUE(services.lines.empty()) << services.Log();  // the refused block is not worth a report

  // A word the target refuses on its own is reported and left unread; the
  // walk goes on.
  target->SetReadError(2, sim_error::kNoId);
  AddSRegs({1, 2}, 7);
  ASSERT_TRUE(tc.ReadRegisterTable(false));
  EXPECT_EQ(SRegisters.GetValue(1), 0x11);
  EXPECT_EQ(SRegisters.GetValue(2), REG_VALUE_UNKNOWN);
  EXPECT_NE(services.Log().find("No ID Error !"), std::string::npos) << services.Log();
}

TEST_F(TargetControlRegisters, TimeOutStopsTheWalkAndKeepsUnreadValues) {
  Start();
  for (uint32_t id : {1u, 2u, 3u, 5u}) target->SetRegister(id, static_cast<uint16_t>(id));
  AddSRegs({1, 2, 3, 5}, 77);
  target->AddFault(SimFault::None());
  target->AddFault(SimFault::Silence());
  EXPECT_FALSE(tc.ReadRegisterTable(false));
  EXPECT_EQ(Sent(), "F0 1,2 F0 3,1");  // no word-by-word retry, no third run
  EXPECT_EQ(SRegisters.GetValue(2), 2);
  EXPECT_EQ(SRegisters.GetValue(3), 77);
  EXPECT_EQ(SRegisters.GetValue(5), 77);
  EXPECT_NE(services.Log().find("Receive Time Out !"), std::string::npos) << services.Log();

  // The status poll stops the same way.
  target->ClearFrames();
  target->AddFault(SimFault::Silence());
  std::map<int, int> poll{{1, 9}, {5, 9}};
  EXPECT_FALSE(tc.ReadRefreshRegisters(poll));
  EXPECT_EQ(Sent(), "F0 1,1");
  EXPECT_EQ(poll[5], 9);
}

TEST_F(TargetControlRegisters, LinkFailureIsNotMistakenForAReadWordByWord) {
  Start();
  AddSRegs({1, 2}, 77);
  link->FailWrites(true);
  EXPECT_FALSE(tc.ReadRegisterTable(false));
  EXPECT_EQ(link->WriteCount(), 0);
  EXPECT_EQ(SRegisters.GetValue(1), 77);
  ASSERT_EQ(services.lines.size(), 1u);
  EXPECT_FALSE(services.lines[0].empty());
}

TEST_F(TargetControlRegisters, MemoryAccessReportsFailuresSingleRegistersDoNot) {
  Start();
  target->SetRegister(0x40, 0xBEEF);
  uint32_t words[2] = {};
  ASSERT_TRUE(tc.ReadMemory(0x40, 2, 2, words));
  EXPECT_EQ(words[0], 0xBEEFu);
  const uint32_t in[1] = {0x1234};
  ASSERT_TRUE(tc.WriteMemory(0x41, 2, 1, in));
  EXPECT_EQ(target->Register(0x41), 0x1234);
  uint32_t value = 0;
  ASSERT_TRUE(tc.ReadRegister(0x41, value));
  EXPECT_EQ(value, 0x1234u);
  ASSERT_TRUE(tc.WriteRegister(0x42, 0x55));
  EXPECT_EQ(target->Register(0x42), 0x55);
  EXPECT_TRUE(services.lines.empty());

  target->SetWriteError(0x43, sim_error::kWriteProtected);
  EXPECT_FALSE(tc.WriteRegister(0x43, 1));
  EXPECT_TRUE(services.lines.empty());
  EXPECT_FALSE(tc.WriteMemory(0x43, 2, 1, in));
  EXPECT_NE(services.Log().find("Data Write Protected !"), std::string::npos);
}

}  // namespace
}  // namespace tc_test
