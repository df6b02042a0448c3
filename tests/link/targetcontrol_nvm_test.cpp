// NVM blocks and table entries through TTargetControl against the simulated
// target.
#include "link/ecs.h"
#include "platform/ui.h"
#include "targetcontrol_test_fixture.h"

namespace tc_test {
namespace {

class TargetControlNvm : public TargetControlTest {};

SimBytes Pattern(size_t n, uint8_t seed) {
  SimBytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
  return b;
}

TEST_F(TargetControlNvm, ReadsInChunksOfTheFrameSize) {
  Start(SimSetup{SimProtocol::Ecs2, 64, "", ""});  // ECS2 moves 56 bytes a frame
  target->AddNvmDevice(3, 0x000, 0x0FF);
  const SimBytes content = Pattern(0x100, 1);
  ASSERT_TRUE(target->SetNvm(3, 0, content));

  std::vector<uint32_t> out(3, 0xDEAD);
  ASSERT_TRUE(tc.ReadNvm(0x000, 0x0FF, 3, out));
  ASSERT_EQ(out.size(), 0x100u);
  EXPECT_EQ(Sent(), "F2 0,56 F2 38,56 F2 70,56 F2 A8,56 F2 E0,32");
  for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], content[i]) << i;
  EXPECT_EQ(services.progressMax, 4);
  EXPECT_EQ(services.progressPositions, (std::vector<int>{0, 0, 1, 2, 3, 4, 0}));
}

TEST_F(TargetControlNvm, ReadRefusesARangeThatEndsBeforeItStarts) {
  Start();
  std::vector<uint32_t> out;
  EXPECT_FALSE(tc.ReadNvm(0x100, 0x0FF, 1, out));
  EXPECT_EQ(target->FrameCount(), 0u);
  EXPECT_EQ(services.lines.size(), 1u);
}

TEST_F(TargetControlNvm, ReadFailureStopsAndIsLogged) {
  Start();  // 4 bytes a frame
  target->AddNvmDevice(1, 0, 5);  // bytes 6 and 7 do not exist
  std::vector<uint32_t> out;
  EXPECT_FALSE(tc.ReadNvm(0, 7, 1, out));
  EXPECT_EQ(Sent(), "F2 0,4 F2 4,4");
  EXPECT_EQ(out.size(), 4u);  // the first frame's bytes, nothing for the rest
  EXPECT_NE(services.Log().find("Boundary Error !"), std::string::npos) << services.Log();
}

// Chunks of 4 bytes: count 10 gives two full chunks and a short one of 2.
struct MaskCase {
  const char* name;
  uint32_t chunkMask[3];  // every byte of each chunk gets this mask
  const char* expectedRequests;
};

class TargetControlNvmMask : public TargetControlTest, public ::testing::WithParamInterface<MaskCase> {};

TEST_P(TargetControlNvmMask, WriteTakesMaskedBitsAndKeepsTheTargetsOthers) {
  const MaskCase& c = GetParam();
  Start();
  target->AddNvmDevice(2, 0x100, 0x1FF);
  const SimBytes old = Pattern(10, 0x35);
  ASSERT_TRUE(target->SetNvm(2, 0x100, old));
  std::vector<uint32_t> data(10), mask(10);
  for (size_t i = 0; i < 10; ++i) {
    mask[i] = c.chunkMask[i / 4];
    data[i] = (0xC3u + static_cast<uint32_t>(i)) & mask[i] & 0xFF;
  }
  const std::vector<uint32_t> given = data;
  const int timeOut = tc.GetProtocolTimeout();

  ASSERT_TRUE(tc.WriteNvm(0x100, 2, 10, data.data(), mask.data()));
  EXPECT_EQ(Sent(), c.expectedRequests);
  const SimBytes now = target->Nvm(2, 0x100, 10);
  for (size_t i = 0; i < 10; ++i) {
    const uint32_t m = mask[i] & 0xFF;
    EXPECT_EQ(now[i], ((given[i] & m) | (old[i] & ~m)) & 0xFF) << "byte " << i;
  }
  EXPECT_EQ(tc.GetProtocolTimeout(), timeOut);
  EXPECT_TRUE(services.lines.empty()) << services.Log();
}

INSTANTIATE_TEST_SUITE_P(
    Masks, TargetControlNvmMask,
    ::testing::Values(
        MaskCase{"FullPartialZero", {0xFF, 0x0F, 0x00}, "F3 100,4 F2 104,4 F3 104,4"},
        MaskCase{"ZeroFullPartialShort", {0x00, 0xFF, 0xF0}, "F3 104,4 F2 108,2 F3 108,2"},
        // Mask values above 0xFF count by their low 8 bits only.
        MaskCase{"WideMaskValues", {0x1FF, 0x300, 0x1F0}, "F3 100,4 F2 108,2 F3 108,2"}),
    [](const ::testing::TestParamInfo<MaskCase>& info) { return std::string(info.param.name); });

TEST_F(TargetControlNvm, WriteWaitsUpToOneSecondAndRestoresTheTimeOut) {
  Start();
  target->AddNvmDevice(1, 0, 3);
  std::vector<uint32_t> data(8, 0x5A), mask(8, 0xFF);
  target->AddFault(SimFault::Silence());
  const uint64_t before = clock.NowMs();
  EXPECT_FALSE(tc.WriteNvm(0, 1, 8, data.data(), mask.data()));
  const uint64_t waited = clock.NowMs() - before;
  EXPECT_GE(waited, 1000u);
  EXPECT_LT(waited, 1300u);
  EXPECT_EQ(tc.GetProtocolTimeout(), 300);
  EXPECT_NE(services.Log().find("Receive Time Out !"), std::string::npos);

  // A chunk the device cannot take stops the write; the time-out is back.
  services.lines.clear();
  target->ClearFrames();
  EXPECT_FALSE(tc.WriteNvm(0, 1, 8, data.data(), mask.data()));
  EXPECT_EQ(Sent(), "F3 0,4 F3 4,4");
  EXPECT_NE(services.Log().find("Boundary Error !"), std::string::npos);
  EXPECT_EQ(tc.GetProtocolTimeout(), 300);
}

TEST_F(TargetControlNvm, TableEntryFillsTheBufferAndNothingPastIt) {
  Start(SimSetup{SimProtocol::Ecs3, 16, "", ""});
  target->SetRegister(0x300, 0x1111);
  target->SetRegister(0x301, 0x2222);
  target->SetRegister(0x302, 0x3333);
  uint32_t buffer[4] = {0, 0, 0, 0xAAAA};
  ASSERT_TRUE(tc.ReadTableValue(0x300, 2, buffer, 3));
  EXPECT_EQ(buffer[0], 0x1111u);
  EXPECT_EQ(buffer[2], 0x3333u);
  EXPECT_EQ(buffer[3], 0xAAAAu);

  const uint32_t entry[2] = {0x0102, 0x0304};
  ASSERT_TRUE(tc.WriteTableValues(0x300, 2, 2, entry));
  EXPECT_EQ(target->Register(0x301), 0x0304);
  EXPECT_EQ(tc.GetProtocolTimeout(), 300);
}

TEST_F(TargetControlNvm, TableFailuresGoToAnErrorBoxAfterThreeSeconds) {
  Start();
  target->AddFault(SimFault::Silence());
  ui.ExpectMessage(0x10, platform::kIdOk, "Receive Time Out !");
  uint32_t buffer[1] = {};
  const uint64_t before = clock.NowMs();
  EXPECT_FALSE(tc.ReadTableValue(0x300, 2, buffer, 1));
  const uint64_t waited = clock.NowMs() - before;
  EXPECT_GE(waited, 3000u);
  EXPECT_LT(waited, 3300u);
  EXPECT_EQ(tc.GetProtocolTimeout(), 300);

  target->SetWriteError(0x300, sim_error::kWriteProtected);
  ui.ExpectMessage(0x10, platform::kIdOk, "Data Write Protected !");
  EXPECT_FALSE(tc.WriteTableValues(0x300, 2, 1, buffer));
  EXPECT_EQ(tc.GetProtocolTimeout(), 300);
  EXPECT_TRUE(services.lines.empty());
}

}  // namespace
}  // namespace tc_test
