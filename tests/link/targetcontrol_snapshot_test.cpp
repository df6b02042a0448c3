// Register snapshots, command entries and Micom versions through
// TTargetControl against the simulated target.
#include "link/ecs.h"
#include "targetcontrol_test_fixture.h"

namespace tc_test {
namespace {

class TargetControlSnapshot : public TargetControlTest {
 protected:
  static std::vector<RegisterSnapshotItem> Items(std::initializer_list<uint32_t> ids) {
    std::vector<RegisterSnapshotItem> items;
    for (uint32_t id : ids) {
      RegisterSnapshotItem item;
      item.Name = "R" + std::to_string(id);
      item.ID = id;
      item.Value = static_cast<int32_t>(0x1000 + id);
      items.push_back(item);
    }
    return items;
  }
  static std::vector<uint32_t> Ids(const std::vector<RegisterSnapshotItem>& items) {
    std::vector<uint32_t> ids;
    for (const auto& i : items) ids.push_back(i.ID);
    return ids;
  }
};

const SimSetup kThreeWords{SimProtocol::Ecs3, 6, "", ""};

TEST_F(TargetControlSnapshot, WritesSortedRunsWithTheLastItemAlone) {
  Start(kThreeWords);
  auto items = Items({5, 1, 2, 3});
  ASSERT_TRUE(tc.WriteSnapshotItems(items));
  EXPECT_EQ(Sent(), "F1 1,3 F1 5,1");
  EXPECT_EQ(Ids(items), (std::vector<uint32_t>{1, 2, 3, 5}));
  for (uint32_t id : {1u, 2u, 3u, 5u}) EXPECT_EQ(target->Register(id), 0x1000 + id);

  target->ClearFrames();
  items = Items({1, 2, 3});
  ASSERT_TRUE(tc.WriteSnapshotItems(items));
  EXPECT_EQ(Sent(), "F1 1,2 F1 3,1");

  target->ClearFrames();
  items = Items({9});
  ASSERT_TRUE(tc.WriteSnapshotItems(items));
  EXPECT_EQ(Sent(), "F1 9,1");

  target->ClearFrames();
  items.clear();
  ASSERT_TRUE(tc.WriteSnapshotItems(items));
  EXPECT_EQ(target->FrameCount(), 0u);
  EXPECT_EQ(tc.GetProtocolTimeout(), 300);
}

TEST_F(TargetControlSnapshot, RunsNeverExceedTheWordLimitAndFailuresDoNotStopTheWalk) {
  Start();  // 2 words a frame
  target->SetWriteError(3, sim_error::kWriteProtected);
  auto items = Items({1, 2, 3, 4, 5, 6});
  ASSERT_TRUE(tc.WriteSnapshotItems(items));
  EXPECT_EQ(Sent(), "F1 1,2 F1 3,2 F1 5,1 F1 6,1");
  EXPECT_EQ(target->Register(5), 0x1005);
  EXPECT_NE(services.Log().find("Data Write Protected !"), std::string::npos);
  EXPECT_EQ(services.progressMax, 6);
}

TEST_F(TargetControlSnapshot, ReadsBackIntoValuesWithUnreadWordsMarked) {
  Start(kThreeWords);
  for (uint32_t id : {1u, 2u, 3u, 5u}) target->SetRegister(id, static_cast<uint16_t>(0x2000 + id));
  target->SetReadError(5, sim_error::kNoId);
  auto items = Items({5, 1, 2, 3});
  ASSERT_TRUE(tc.ReadSnapshotItems(items));
  EXPECT_EQ(Sent(), "F0 1,3 F0 5,1 F0 5,1");  // the refused read is tried once more as a single word
  ASSERT_EQ(Ids(items), (std::vector<uint32_t>{1, 2, 3, 5}));
  EXPECT_EQ(items[0].Value, 0x2001);
  EXPECT_EQ(items[2].Value, 0x2003);
  EXPECT_EQ(items[3].Value, REG_VALUE_UNKNOWN);
  EXPECT_NE(services.Log().find("No ID Error !"), std::string::npos);
}

const char* const kCommands =
    "MemName1=Reset\r\nMemID1=0x100\r\nSWName1=Mute\r\nSWID1=0x101\r\n";

TEST_F(TargetControlSnapshot, CommandEntriesLogSuccessOrTheReport) {
  Start(SimSetup{SimProtocol::Ecs3, 4, kCommands, ""});
  ASSERT_TRUE(tc.ExecuteCommandEntry(0, false));
  ASSERT_TRUE(tc.ExecuteCommandEntry(0, true));
  EXPECT_EQ(target->Register(0x100), 1);
  EXPECT_EQ(target->Register(0x101), 1);
  EXPECT_EQ(services.lines, (std::vector<std::string>{"Success ( Reset )", "Success ( Mute )"}));

  services.lines.clear();
  target->SetWriteError(0x100, sim_error::kWriteProtected);
  ASSERT_TRUE(tc.ExecuteCommandEntry(0, false));
  EXPECT_EQ(services.Log().find("Success"), std::string::npos);
  EXPECT_NE(services.Log().find("Data Write Protected !"), std::string::npos);
  EXPECT_EQ(tc.GetProtocolTimeout(), 300);

  // The command time-out applies while it runs.
  target->AddFault(SimFault::Silence());
  const uint64_t before = clock.NowMs();
  tc.ExecuteCommandEntry(0, true);
  EXPECT_GE(clock.NowMs() - before, 2000u);
  EXPECT_EQ(tc.GetProtocolTimeout(), 300);

  // Indexes outside the lists touch nothing.
  target->ClearFrames();
  EXPECT_FALSE(tc.ExecuteCommandEntry(1, false));
  EXPECT_FALSE(tc.ExecuteCommandEntry(-1, true));
  EXPECT_EQ(target->FrameCount(), 0u);
}

const char* const kMicom =
    "[MicomInfo]\r\nName1=Main\r\nVerID1=0x200\r\nChkSum1=0x201\r\n"
    "Name2=Sub\r\nVerID2=0x210\r\nChkSum2=0x211\r\nName3=Boot\r\nVerID3=0x220\r\nChkSum3=0x221\r\n";

TEST_F(TargetControlSnapshot, MicomVersionTexts) {
  Start(SimSetup{SimProtocol::Ecs3, 4, kMicom, ""});
  for (uint32_t base : {0x200u, 0x210u, 0x220u}) {
    target->SetRegister(base, 0x1203);
    target->SetRegister(base + 1, 0x1234);
  }
  target->SetReadError(0x210, sim_error::kNoId);
  target->SetReadError(0x221, sim_error::kNoId);
  std::vector<std::string> names{"stale"}, values{"stale"};
  ASSERT_TRUE(tc.ReadMicomVersion(names, values));
  EXPECT_EQ(names, (std::vector<std::string>{"Main", "Sub", "Boot"}));
  EXPECT_EQ(values, (std::vector<std::string>{"Ver1.203 [1234]", "? [1234]", "Ver1.203[?]"}));
  EXPECT_NE(services.Log().find("No ID Error !"), std::string::npos);
}

}  // namespace
}  // namespace tc_test
