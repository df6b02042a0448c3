#include "link/ecs2.h"

#include <gtest/gtest.h>

#include <memory>

#include "fake_link.h"

using fake_link::Bytes;
using fake_link::FakeLink;
using fake_link::Frame;
using fake_link::LinkSettings;

namespace {

using fake_link::Hex;

Bytes Ok(const Bytes& data) { return Frame(0x50, data, false); }
Bytes Err(uint8_t number) { return Frame(0x60, {number}, false); }

using Ecs2Test = fake_link::EcsTest<TEcs2>;

TEST_F(Ecs2Test, Frames) {
  AnswerAlways(Ok({0x12, 0x34, 0xAB, 0xCD}));
  uint32_t words[2] = {};
  ASSERT_EQ(ecs->ReadMemory(0x1234, 2, 2, words), 0);
  EXPECT_EQ(link.written.back(), (Bytes{0xF0, 0x07, 0x02, 0x12, 0x34, 0x02, 0x41}));
  EXPECT_EQ(words[0], 0x1234u);
  EXPECT_EQ(words[1], 0xABCDu);

  // Memory addresses keep their low 16 bits.
  AnswerAlways(Ok({}));
  const uint32_t word = 0xBEEF;
  ASSERT_EQ(ecs->WriteMemory(0x12345678, 2, 1, &word), 0);
  EXPECT_EQ(Hex(link.written.back()), " F1 08 02 56 78 BE EF 76");

  const uint32_t data[3] = {0xAA, 0xBB, 0xCC};
  ASSERT_EQ(ecs->WriteDevice(0x100, 1, 3, data), 0);
  EXPECT_EQ(Hex(link.written.back()), " F3 0F 01 00 00 00 00 00 00 01 00 AA BB CC 35");

  AnswerAlways(Ok({0x01, 0x02}));
  uint32_t bytes[2] = {};
  ASSERT_EQ(ecs->ReadDevice(0x10000, 3, 2, bytes), 0);
  EXPECT_EQ(Hex(link.written.back()), " F2 0D 03 00 00 00 00 00 01 00 00 02 05");
  EXPECT_EQ(bytes[1], 0x02u);
}

TEST_F(Ecs2Test, ErrorTextsOfTheirOwn) {
  AnswerAlways(Err(0x51));
  uint32_t word = 0;
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x51);
  EXPECT_EQ(ecs->GetLastMessage(),
            "Over Run Error !\nSend Data\n" + Hex(link.written.back()) + "\nRecieve Data\n" + Hex(Err(0x51)));
  AnswerAlways(Err(0));
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 1);
  EXPECT_EQ(ecs->GetLastMessage().substr(0, 6), "Error\n");
  AnswerAlways(Err(0x62));  // a UART entry of ECS3 only
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x62);
  EXPECT_EQ(ecs->GetLastMessage().substr(0, 13), "Other Error!\n");
  AnswerAlways(Err(0x54));
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x54);
  EXPECT_EQ(ecs->GetLastMessage().substr(0, 21), "Over Run & Framing !\n");
}

TEST_F(Ecs2Test, TimeOutIsReportedLikeEcs3) {
  Load({200, 1, 2, 0});
  uint32_t word = 3;
  const uint64_t start = clock.NowMs();
  EXPECT_EQ(ecs->ReadMemory(0x1234, 2, 1, &word), 0x90);
  EXPECT_EQ(link.written.size(), 2u);
  EXPECT_EQ(clock.NowMs() - start, 400u);
  EXPECT_EQ(ecs->GetLastMessage(), "Receive Time Out !\nSend Data\n F0 07 02 12 34 01 40");
  EXPECT_EQ(word, 3u);
}

TEST_F(Ecs2Test, ReplyBoundsAndSizes) {
  // A reply of 71 bytes is too long; 70 is the most.
  AnswerAlways(Bytes(71, 0x50));
  std::vector<uint32_t> values(80, 0);
  EXPECT_EQ(ecs->ReadDevice(0, 1, 56, values.data()), 0x93);
  EXPECT_EQ(ecs->GetLastMessage().substr(0, 24), "Receive Data Too Long !\n");
  AnswerAlways(Ok(Bytes(67, 0x33)));
  EXPECT_EQ(ecs->ReadDevice(0, 1, 67, values.data()), 0);
  EXPECT_EQ(values[66], 0x33u);

  // More data than asked: failed, nothing unpacked.
  values.assign(80, 7);
  AnswerAlways(Ok({1, 2, 3}));
  EXPECT_EQ(ecs->ReadDevice(0, 1, 2, values.data()), 0x94);
  EXPECT_EQ(values[0], 7u);

  // Counts go in one byte and a reply carries at most 67 data bytes.
  EXPECT_EQ(ecs->ReadMemory(0, 2, 34, values.data()), 0x91);
  EXPECT_EQ(ecs->WriteDevice(0, 1, 300, values.data()), 0x91);
}

TEST_F(Ecs2Test, FrameLimits) {
  EXPECT_EQ(ecs->GetMaxWordCount(), 32);
  EXPECT_EQ(ecs->GetMaxByteCount(), 56);
  Load({.maxEcs = 600, .maxEcs3 = 9000});
  EXPECT_EQ(ecs->GetMaxWordCount(), 33);
  EXPECT_EQ(ecs->GetMaxByteCount(), 56);
  Load({.maxEcs = 0});
  EXPECT_EQ(ecs->GetMaxWordCount(), 32);
  Load({.maxEcs = 10});
  EXPECT_EQ(ecs->GetMaxWordCount(), 5);
}

TEST_F(Ecs2Test, ReadFailureDetail) {
  link.failRead = true;
  uint32_t word = 0;
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x91);
  EXPECT_EQ(ecs->GetLastMessage(), "Comport error !( Send error )");
}

TEST_F(Ecs2Test, NoBaudNegotiation) {
  Load({.baudSupport = 0x0240, .baudId = 0x0F00});
  EXPECT_EQ(ecs->FindBaudRate(), 0);
  EXPECT_EQ(ecs->RaiseBaudRate(), 0);
  EXPECT_EQ(ecs->SendBaudRate(), 0);
  EXPECT_EQ(ecs->GetBaudIndex(), 0);
  Load({.baudSupport = 0x0240, .baudId = 0, .baudRate = 9});
  EXPECT_EQ(ecs->FindBaudRate(), 0);
  EXPECT_EQ(ecs->GetBaudIndex(), 9);
  EXPECT_TRUE(link.written.empty());
  EXPECT_TRUE(link.opens.empty());
}

}  // namespace
