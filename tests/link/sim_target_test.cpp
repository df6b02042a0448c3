// The simulated target's own behaviour: frames, memory, NVM, the baud-index
// register, fault injection and the sample files.
#include <gtest/gtest.h>

#include "simtarget.h"
#include "support/temp_dir.h"

namespace {

// A host frame with its checksum appended.
SimBytes WithSum(SimBytes f) {
  unsigned sum = 0;
  for (uint8_t b : f) sum += b;
  f.push_back(static_cast<uint8_t>(sum));
  return f;
}

SimBytes Read3(uint32_t address, uint16_t count, uint8_t width = 2) {
  return WithSum({0xF0, 0x00, 0x0B, width, uint8_t(address >> 24), uint8_t(address >> 16), uint8_t(address >> 8),
                  uint8_t(address), uint8_t(count >> 8), uint8_t(count)});
}

SimBytes WriteWord3(uint32_t address, uint16_t value) {
  return WithSum({0xF1, 0x00, 0x0B, 0x02, uint8_t(address >> 24), uint8_t(address >> 16), uint8_t(address >> 8),
                  uint8_t(address), uint8_t(value >> 8), uint8_t(value)});
}

SimBytes ReadDevice3(uint8_t device, uint32_t address, uint16_t count) {
  return WithSum({0xF2, 0x00, 0x0F, device, 0, 0, 0, 0, uint8_t(address >> 24), uint8_t(address >> 16),
                  uint8_t(address >> 8), uint8_t(address), uint8_t(count >> 8), uint8_t(count)});
}

SimBytes Ack3() { return WithSum({'P', 0x00, 0x04}); }
SimBytes Error3(uint8_t number) { return WithSum({'`', 0x00, 0x05, number}); }

// All reply bytes of one exchange, chunks joined.
SimBytes Reply(SimTarget& t, const SimBytes& request, uint64_t nowUs = 1000, int hostBaud = SimTarget::kNoRate) {
  SimBytes all;
  for (const SimChunk& c : t.Receive(request, nowUs, hostBaud)) all.insert(all.end(), c.bytes.begin(), c.bytes.end());
  return all;
}

TEST(SimTarget, Ecs3ReadsWordsBigEndian) {
  SimTarget t(SimProtocol::Ecs3);
  t.SetRegister(0x1000, 0x1234);
  t.SetRegister(0x1001, 0xABCD);
  // Three words at 0x1000, byte for byte as the host sends them.
  const SimBytes request{0xF0, 0x00, 0x0B, 0x02, 0x00, 0x00, 0x10, 0x00, 0x00, 0x03, 0x10};
  EXPECT_EQ(Reply(t, request), WithSum({'P', 0x00, 0x0A, 0x12, 0x34, 0xAB, 0xCD, 0x00, 0x00}));
  EXPECT_EQ(Reply(t, Read3(0x1001, 2, 1)), WithSum({'P', 0x00, 0x06, 0xCD, 0x00}));
  ASSERT_EQ(t.FrameCount(), 2u);
  EXPECT_EQ(t.Frames()[0].bytes, request);
}

TEST(SimTarget, Ecs2FramesUseOneByteLengthAndShortAddresses) {
  SimTarget t(SimProtocol::Ecs2);
  t.SetRegister(0x1234, 0x0102);
  t.SetRegister(0x1235, 0x0304);
  const SimBytes read{0xF0, 0x07, 0x02, 0x12, 0x34, 0x02, 0x41};
  EXPECT_EQ(Reply(t, read), WithSum({'P', 0x07, 0x01, 0x02, 0x03, 0x04}));

  EXPECT_EQ(Reply(t, WithSum({0xF1, 0x08, 0x02, 0x20, 0x00, 0xBE, 0xEF})), WithSum({'P', 0x03}));
  EXPECT_EQ(t.Register(0x2000), 0xBEEF);

  t.AddNvmDevice(1, 0x100, 0x1FF, 0x00);
  // The 15-byte write of three bytes to device 1 at 0x100.
  const SimBytes write = WithSum({0xF3, 0x0F, 0x01, 0, 0, 0, 0, 0x00, 0x00, 0x01, 0x00, 0x11, 0x22, 0x33});
  ASSERT_EQ(write.size(), 15u);
  EXPECT_EQ(Reply(t, write), WithSum({'P', 0x03}));
  EXPECT_EQ(t.Nvm(1, 0x100, 3), (SimBytes{0x11, 0x22, 0x33}));
  EXPECT_EQ(Reply(t, WithSum({0xF2, 0x0D, 0x01, 0, 0, 0, 0, 0x00, 0x00, 0x01, 0x01, 0x02})),
            WithSum({'P', 0x05, 0x22, 0x33}));
  // A reply holds at most 70 bytes.
  EXPECT_EQ(Reply(t, WithSum({0xF2, 0x0D, 0x01, 0, 0, 0, 0, 0x00, 0x00, 0x01, 0x00, 68})),
            WithSum({'`', 0x04, 0x26}));
}

TEST(SimTarget, FrameSplitAcrossWritesIsAnsweredOnceComplete) {
  SimTarget t(SimProtocol::Ecs3);
  t.SetRegister(0x10, 7);
  const SimBytes request = Read3(0x10, 1);
  uint64_t now = 1000;
  for (size_t i = 0; i + 1 < request.size(); ++i) EXPECT_TRUE(t.Receive(&request[i], 1, now += 10).empty());
  EXPECT_EQ(Reply(t, {request.back()}, now += 10), WithSum({'P', 0x00, 0x06, 0x00, 0x07}));
  EXPECT_EQ(t.FrameCount(), 1u);

  // A frame whose rest comes too late is given up; the next one is read whole.
  EXPECT_TRUE(t.Receive(SimBytes(request.begin(), request.begin() + 5), now += 10).empty());
  now += SimTarget::kDefaultInterByteTimeoutUs + 1;
  EXPECT_EQ(Reply(t, request, now), WithSum({'P', 0x00, 0x06, 0x00, 0x07}));

  // Two frames in one write get two replies.
  SimBytes two = request;
  two.insert(two.end(), request.begin(), request.end());
  EXPECT_EQ(t.Receive(two, now += 10).size(), 2u);
}

TEST(SimTarget, RefusesMalformedFramesWithItsOwnErrorNumbers) {
  SimTarget t(SimProtocol::Ecs3);
  SimBytes badSum = Read3(0x10, 1);
  badSum.back() ^= 1;
  EXPECT_EQ(Reply(t, badSum), Error3(0x12));
  EXPECT_EQ(Reply(t, WithSum({0xF5, 0x00, 0x05, 0x00})), Error3(0x11));
  EXPECT_EQ(Reply(t, WithSum({0xF0, 0x00, 0x0A, 0x02, 0, 0, 0, 0x10, 0x01})), Error3(0x13));
  EXPECT_EQ(Reply(t, Read3(0x10, 1, 3)), Error3(0x25));
  EXPECT_EQ(Reply(t, Read3(0x10, 0)), Error3(0x26));
  EXPECT_EQ(Reply(t, Read3(0x10, 131)), Error3(0x26));  // 262 data bytes do not fit a reply
  EXPECT_EQ(Reply(t, Read3(0x10, 130)).size(), 264u);
  // An odd number of data bytes cannot be words.
  EXPECT_EQ(Reply(t, WithSum({0xF1, 0x00, 0x0A, 0x02, 0, 0, 0, 0x10, 0x01})), Error3(0x13));
  // A length field no frame can have is refused at once.
  EXPECT_EQ(Reply(t, {0xF0, 0x01, 0x40}), Error3(0x13));
  EXPECT_EQ(Reply(t, Read3(0x10, 1)).size(), 6u);
}

TEST(SimTarget, PerRegisterErrorsAndBlockReads) {
  SimTarget t(SimProtocol::Ecs3);
  t.SetRegister(0x101, 0x55);
  t.SetReadError(0x100, 0x28);
  t.SetWriteError(0x102, 0x23);
  t.SetNoBlockRead(0x101);

  EXPECT_EQ(Reply(t, Read3(0x100, 1)), Error3(0x28));
  EXPECT_EQ(Reply(t, WriteWord3(0x100, 9)), Ack3());  // write-only: writing works
  EXPECT_EQ(t.Register(0x100), 9);

  EXPECT_EQ(Reply(t, Read3(0x101, 2)), Error3(0x27));
  EXPECT_EQ(Reply(t, Read3(0x101, 1)), WithSum({'P', 0x00, 0x06, 0x00, 0x55}));

  // A protected word in a block keeps the whole block from being written.
  const SimBytes block = WithSum({0xF1, 0x00, 0x0D, 0x02, 0, 0, 0x01, 0x01, 0x11, 0x11, 0x22, 0x22});
  EXPECT_EQ(Reply(t, block), Error3(0x23));
  EXPECT_EQ(t.Register(0x101), 0x55);
  EXPECT_EQ(Reply(t, Read3(0x102, 1)), WithSum({'P', 0x00, 0x06, 0x00, 0x00}));

  t.SetWriteError(0x102, 0);
  EXPECT_EQ(Reply(t, block), Ack3());
  EXPECT_EQ(t.Register(0x102), 0x2222);
}

TEST(SimTarget, NvmAccessOutsideTheDeviceRangeIsABoundaryError) {
  SimTarget t(SimProtocol::Ecs3);
  t.AddNvmDevice(2, 0x100, 0x1FF);
  EXPECT_EQ(t.Nvm(2, 0x1FE, 2), (SimBytes{0xFF, 0xFF}));
  ASSERT_TRUE(t.SetNvm(2, 0x1FE, {0x12, 0x34}));
  EXPECT_FALSE(t.SetNvm(2, 0x1FF, {1, 2}));

  EXPECT_EQ(Reply(t, ReadDevice3(2, 0x1FE, 2)), WithSum({'P', 0x00, 0x06, 0x12, 0x34}));
  EXPECT_EQ(Reply(t, ReadDevice3(2, 0x1FE, 3)), Error3(0x22));
  EXPECT_EQ(Reply(t, ReadDevice3(2, 0x0FF, 1)), Error3(0x22));
  EXPECT_EQ(Reply(t, ReadDevice3(2, 0xFFFFFFFF, 2)), Error3(0x22));  // no wrap-around
  EXPECT_EQ(Reply(t, ReadDevice3(3, 0x100, 1)), Error3(0x21));

  const SimBytes write = WithSum({0xF3, 0x00, 0x0F, 0x02, 0, 0, 0, 0, 0, 0, 0x01, 0x00, 0xAA, 0xBB});
  EXPECT_EQ(Reply(t, write), Ack3());
  EXPECT_EQ(t.Nvm(2, 0x100, 2), (SimBytes{0xAA, 0xBB}));
  const SimBytes over = WithSum({0xF3, 0x00, 0x0F, 0x02, 0, 0, 0, 0, 0, 0, 0x01, 0xFF, 0xAA, 0xBB});
  EXPECT_EQ(Reply(t, over), Error3(0x22));
  EXPECT_EQ(t.Nvm(2, 0x1FF, 1), (SimBytes{0x34}));
}

TEST(SimTarget, BaudRegisterAcknowledgesAtTheOldRateThenSwitches) {
  SimTarget t(SimProtocol::Ecs3);
  t.SetBaudRegister(0x0F00);
  t.SetSupportedBauds(0x1240);  // 6, 9, 12
  ASSERT_EQ(t.BaudIndex(), 6);

  std::vector<SimChunk> ack = t.Receive(WriteWord3(0x0F00, 9), 1000, 6);
  ASSERT_EQ(ack.size(), 1u);
  EXPECT_EQ(ack[0].bytes, Ack3());
  EXPECT_EQ(ack[0].baudIndex, 6);
  EXPECT_EQ(t.BaudIndex(), 9);

  // Still at 9600 the host is noise to the target: one unreadable complaint per
  // burst, nothing logged, nothing done.
  const size_t frames = t.FrameCount();
  std::vector<SimChunk> noise = t.Receive(WriteWord3(0x0F00, 12), 2000, 6);
  ASSERT_EQ(noise.size(), 1u);
  EXPECT_EQ(noise[0].baudIndex, 9);
  EXPECT_EQ(noise[0].bytes, Error3(0x62));
  EXPECT_TRUE(t.Receive(WriteWord3(0x0F00, 12), 2010, 6).empty());
  EXPECT_EQ(t.FrameCount(), frames);
  EXPECT_EQ(t.BaudIndex(), 9);

  // At the new rate it answers, and reads its register as the index.
  EXPECT_EQ(Reply(t, Read3(0x0F00, 1), 3000, 9), WithSum({'P', 0x00, 0x06, 0x00, 0x09}));
  EXPECT_EQ(Reply(t, WriteWord3(0x0F00, 11), 3100, 9), Error3(0x24));  // not supported
  EXPECT_EQ(Reply(t, WriteWord3(0x0F00, 15), 3200, 9), Error3(0x24));
  EXPECT_EQ(t.BaudIndex(), 9);

  // Garbled, that complaint never forms a frame: no "P" or "`", a length
  // field beyond its size.
  SimBytes garbled = Error3(0x62);
  SimGarble(garbled);
  EXPECT_NE(garbled[0], 'P');
  EXPECT_NE(garbled[0], '`');
  EXPECT_GT((garbled[1] << 8) | garbled[2], 265);
}

TEST(SimTarget, FaultsSpoilTheNextRepliesInOrder) {
  SimTarget t(SimProtocol::Ecs3);
  t.SetRegister(0x10, 0x0102);
  t.AddFault(SimFault::Error(0));
  t.AddFault(SimFault::BadChecksum(), 2);
  t.AddFault(SimFault::BadFirstByte(0x41));
  t.AddFault(SimFault::TooLong(2));
  t.AddFault(SimFault::TooShort(1));
  t.AddFault(SimFault::Raw({0x01, 0x02}));
  EXPECT_EQ(t.PendingFaults(), 7u);

  const SimBytes good = WithSum({'P', 0x00, 0x06, 0x01, 0x02});
  SimBytes badSum = good;
  const size_t last = good.size() - 1;
  badSum.at(last) = uint8_t(good.at(last) + 1);
  SimBytes badHead = good;
  badHead[0] = 0x41;

  EXPECT_EQ(Reply(t, Read3(0x10, 1)), Error3(0x00));
  EXPECT_EQ(Reply(t, Read3(0x10, 1)), badSum);
  EXPECT_EQ(Reply(t, Read3(0x10, 1)), badSum);
  EXPECT_EQ(Reply(t, Read3(0x10, 1)), badHead);
  EXPECT_EQ(Reply(t, Read3(0x10, 1)), WithSum({'P', 0x00, 0x08, 0x01, 0x02, 0xA0, 0xA1}));
  EXPECT_EQ(Reply(t, Read3(0x10, 1)), WithSum({'P', 0x00, 0x05, 0x01}));
  EXPECT_EQ(Reply(t, Read3(0x10, 1)), (SimBytes{0x01, 0x02}));
  EXPECT_EQ(Reply(t, Read3(0x10, 1)), good);
  EXPECT_EQ(t.PendingFaults(), 0u);

  // Long enough to overflow what the host accepts.
  t.AddFault(SimFault::TooLong(300));
  const SimBytes huge = Reply(t, Read3(0x10, 1));
  EXPECT_EQ(huge.size(), 306u);
  EXPECT_EQ((huge[1] << 8) | huge[2], 306);
}

TEST(SimTarget, InjectedErrorsAndSilenceLeaveTheRequestUndone) {
  SimTarget t(SimProtocol::Ecs3);
  t.AddFault(SimFault::Error(0x41));
  t.AddFault(SimFault::Silence());
  t.AddFault(SimFault::BadChecksum());
  EXPECT_EQ(Reply(t, WriteWord3(0x20, 1)), Error3(0x41));
  EXPECT_EQ(t.Register(0x20), 0);
  EXPECT_TRUE(t.Receive(WriteWord3(0x20, 2), 1000).empty());
  EXPECT_EQ(t.Register(0x20), 0);
  // A spoilt reply still belongs to a request that was carried out.
  Reply(t, WriteWord3(0x20, 3));
  EXPECT_EQ(t.Register(0x20), 3);
  EXPECT_EQ(t.FrameCount(), 3u);
}

TEST(SimTarget, SplitAndLateRepliesCarryTheirDelays) {
  SimTarget t(SimProtocol::Ecs3);
  t.SetRegister(0x10, 0x0102);
  SimFault late = SimFault::Split(3, 250);
  late.lateMs = 40;
  t.AddFault(late);
  const std::vector<SimChunk> chunks = t.Receive(Read3(0x10, 2), 1000);
  ASSERT_EQ(chunks.size(), 3u);  // 8 bytes in pieces of 3
  EXPECT_EQ(chunks[0].delayUs, 40000u);
  for (size_t i = 1; i < chunks.size(); ++i) EXPECT_EQ(chunks[i].delayUs, 250000u);
  SimBytes joined;
  for (const SimChunk& c : chunks) joined.insert(joined.end(), c.bytes.begin(), c.bytes.end());
  EXPECT_EQ(joined, WithSum({'P', 0x00, 0x08, 0x01, 0x02, 0x00, 0x00}));
  EXPECT_EQ(chunks.back().bytes.size(), 2u);

  t.AddFault(SimFault::Late(500));
  const std::vector<SimChunk> one = t.Receive(Read3(0x10, 1), 2000);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].delayUs, 500000u);
}

TEST(SimTarget, LoadsTheSampleFiles) {
  SimTarget t(SimProtocol::Ecs3);
  ASSERT_TRUE(t.LoadVundData(VUND2_EXAMPLES "/vund.dat"));
  EXPECT_EQ(t.BaudRegister(), 0x0F00u);
  // Device 1 holds 0x0000..0x1FFF, device 2 0x0000..0x03FF.
  EXPECT_EQ(t.Nvm(1, 0x1FFF, 1).size(), 1u);
  EXPECT_TRUE(t.Nvm(1, 0x1FFF, 2).empty());
  EXPECT_EQ(t.Nvm(2, 0x03FF, 1).size(), 1u);
  EXPECT_TRUE(t.Nvm(2, 0x0400, 1).empty());
  EXPECT_EQ(t.Register(0x0F10), 0x1001);
  EXPECT_NE(t.Register(0x0F11), 0);
  EXPECT_EQ(t.Register(0x0F12), 0x1002);
  EXPECT_FALSE(t.LoadVundData(VUND2_EXAMPLES "/missing.dat"));

  ASSERT_TRUE(t.LoadRegisterFile(VUND2_EXAMPLES "/Sreg.dat", false));
  ASSERT_TRUE(t.LoadRegisterFile(VUND2_EXAMPLES "/Hreg.dat", true));
}

TEST(SimTarget, RegisterFileValuesStartAtEachFieldsMinimum) {
  testing_support::TempDir dir;
  dir.Write("S.dat",
            "[Registers]\r\n"
            "A  a  1  0x00002000 0x00F0  0  3  9\r\n"
            "B  b  1  0x00002000 0x0003  0  1  3\r\n"
            "-L- l 1  0x00002001 0xFFFF  0  5  9\r\n"
            "C  c  1  0x00002002 0xFFFF  0  0  9\r\n");
  SimTarget t(SimProtocol::Ecs2);
  ASSERT_TRUE(t.LoadRegisterFile(dir.File("S.dat"), false));
  EXPECT_EQ(t.Register(0x2000), 0x31);  // two fields of one word merged
  EXPECT_EQ(t.Register(0x2001), 0);     // labels hold no value
  EXPECT_EQ(t.Register(0x2002), 0);
}

}  // namespace
