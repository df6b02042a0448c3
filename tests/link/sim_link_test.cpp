// The in-process link to the simulated target: arrival times on virtual time,
// purging, the host's line rate against the target's, and link failures.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "simlink.h"
#include "simtarget.h"

namespace {

SimBytes WithSum(SimBytes f) {
  unsigned sum = 0;
  for (uint8_t b : f) sum += b;
  f.push_back(static_cast<uint8_t>(sum));
  return f;
}

SimBytes Read2(uint16_t address, uint8_t count) {
  return WithSum({0xF0, 0x07, 0x02, uint8_t(address >> 8), uint8_t(address), count});
}

class SimLinkTest : public ::testing::Test {
 protected:
  SimLinkTest() : target(SimProtocol::Ecs2), link(target, clock) { target.SetRegister(0x10, 0x0102); }

  bool Send(const SimBytes& frame) { return link.Write(frame.data(), static_cast<uint32_t>(frame.size())); }
  SimBytes ReadAll() {
    uint8_t buf[300];
    uint32_t got = 0;
    EXPECT_TRUE(link.Read(buf, sizeof buf, got));
    return SimBytes(buf, buf + got);
  }

  platform::VirtualClock clock;
  SimTarget target;
  SimLink link;
  const SimBytes reply = WithSum({'P', 0x05, 0x01, 0x02});
};

TEST_F(SimLinkTest, ReplyIsThereAtOnceWithoutTimePassing) {
  const uint64_t start = clock.NowUs();
  ASSERT_TRUE(Send(Read2(0x10, 1)));
  EXPECT_TRUE(link.WaitForData(100));
  EXPECT_EQ(ReadAll(), reply);
  EXPECT_EQ(clock.NowUs(), start);
  EXPECT_EQ(link.WriteCount(), 1);

  // Read never hands over more than asked; the rest stays in order.
  ASSERT_TRUE(Send(Read2(0x10, 1)));
  uint8_t two[2];
  uint32_t got = 0;
  ASSERT_TRUE(link.Read(two, 2, got));
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(SimBytes(two, two + 2), SimBytes(reply.begin(), reply.begin() + 2));
  EXPECT_EQ(ReadAll(), SimBytes(reply.begin() + 2, reply.end()));
  // Nothing queued: the caller's count is left alone.
  got = 77;
  ASSERT_TRUE(link.Read(two, 2, got));
  EXPECT_EQ(got, 77u);
}

TEST_F(SimLinkTest, PiecesArriveAtTheirVirtualTimes) {
  target.AddFault(SimFault::Split(2, 250));
  const uint64_t start = clock.NowMs();
  ASSERT_TRUE(Send(Read2(0x10, 1)));
  EXPECT_EQ(ReadAll().size(), 2u);
  // A wait shorter than the gap costs exactly its time and finds nothing.
  EXPECT_FALSE(link.WaitForData(100));
  EXPECT_EQ(clock.NowMs(), start + 100);
  EXPECT_TRUE(ReadAll().empty());
  // A longer one ends at the arrival.
  EXPECT_TRUE(link.WaitForData(300));
  EXPECT_EQ(clock.NowMs(), start + 250);
  EXPECT_EQ(ReadAll().size(), 2u);
  EXPECT_TRUE(link.WaitForData(250));
  EXPECT_EQ(clock.NowMs(), start + 500);
  EXPECT_EQ(ReadAll().size(), 1u);
  EXPECT_EQ(link.BytesInFlight(), 0u);
}

TEST_F(SimLinkTest, PurgeDropsWhatArrivedButNotWhatIsOnTheWay) {
  target.AddFault(SimFault::Split(3, 50));
  ASSERT_TRUE(Send(Read2(0x10, 1)));
  link.Purge();
  EXPECT_TRUE(ReadAll().empty());
  EXPECT_TRUE(link.WaitForData(60));
  EXPECT_EQ(ReadAll(), SimBytes(reply.begin() + 3, reply.end()));
}

TEST_F(SimLinkTest, LateReplyComesBeforeTheReplyToTheResend) {
  // The first request's reply is late; the resend's reply can only follow it.
  target.AddFault(SimFault::Late(400));
  const uint64_t start = clock.NowMs();
  ASSERT_TRUE(Send(Read2(0x10, 1)));
  EXPECT_FALSE(link.WaitForData(300));
  link.Purge();
  ASSERT_TRUE(Send(Read2(0x10, 1)));
  EXPECT_TRUE(link.WaitForData(300));
  EXPECT_EQ(clock.NowMs(), start + 400);
  SimBytes both = reply;
  both.insert(both.end(), reply.begin(), reply.end());
  EXPECT_EQ(ReadAll(), both);
  EXPECT_EQ(target.FrameCount(), 2u);
}

TEST_F(SimLinkTest, TargetHearsNoiseWhileTheRatesDiffer) {
  SimTarget ecs3(SimProtocol::Ecs3);
  ecs3.SetBaudRegister(0x0F00);
  SimLink l(ecs3, clock);
  auto send = [&](const SimBytes& f) { return l.Write(f.data(), static_cast<uint32_t>(f.size())); };
  auto readAll = [&] {
    uint8_t buf[300];
    uint32_t got = 0;
    l.Read(buf, sizeof buf, got);
    return SimBytes(buf, buf + got);
  };
  const SimBytes tell9 = WithSum({0xF1, 0x00, 0x0B, 0x02, 0, 0, 0x0F, 0x00, 0x00, 0x09});
  const SimBytes ack = WithSum({'P', 0x00, 0x04});

  ASSERT_TRUE(l.Open(0, 0, 0, 0, 0, 0));  // 110 baud: the target listens at 9600
  ASSERT_TRUE(send(tell9));
  const SimBytes noise = readAll();
  EXPECT_FALSE(noise.empty());
  EXPECT_NE(noise[0], 'P');
  EXPECT_NE(noise[0], '`');
  EXPECT_EQ(ecs3.FrameCount(), 0u);

  ASSERT_TRUE(l.Open(0, 6, 0, 0, 0, 0));
  ASSERT_TRUE(send(tell9));
  EXPECT_EQ(readAll(), ack);  // acknowledged at 9600
  EXPECT_EQ(ecs3.BaudIndex(), 9);
  ASSERT_TRUE(send(tell9));   // the host still at 9600
  EXPECT_NE(readAll(), ack);
  ASSERT_TRUE(l.Open(0, 9, 0, 0, 0, 0));
  ASSERT_TRUE(send(tell9));
  EXPECT_EQ(readAll(), ack);
  EXPECT_EQ(l.OpenHistory(), (std::vector<int>{0, 6, 9}));
  EXPECT_EQ(l.HostBaudIndex(), 9);

  // A USB link has no rate: the target answers whatever its own.
  ASSERT_TRUE(l.OpenUsb(1, 2, 1, 0));
  EXPECT_FALSE(l.IsSerial());
  ecs3.SetBaudIndex(3);
  ASSERT_TRUE(send(tell9));
  EXPECT_EQ(readAll(), ack);
}

TEST_F(SimLinkTest, ClosedOrFailingLinkRefuses) {
  target.AddFault(SimFault::Late(100));
  ASSERT_TRUE(Send(Read2(0x10, 1)));
  ASSERT_TRUE(link.Close());
  EXPECT_EQ(link.BytesInFlight(), 0u);  // lost with the port
  uint8_t buf[8];
  uint32_t got = 0;
  EXPECT_FALSE(link.Read(buf, sizeof buf, got));
  EXPECT_FALSE(Send(Read2(0x10, 1)));
  EXPECT_FALSE(link.WaitForData(10));

  ASSERT_TRUE(link.Open(0, 6, 0, 0, 0, 0));
  link.FailWrites(true);
  EXPECT_FALSE(Send(Read2(0x10, 1)));
  link.FailWrites(false);
  link.FailReads(true);
  ASSERT_TRUE(Send(Read2(0x10, 1)));
  EXPECT_FALSE(link.Read(buf, sizeof buf, got));
  link.FailReads(false);
  link.FailOpens(true);
  EXPECT_FALSE(link.Open(0, 6, 0, 0, 0, 0));
  EXPECT_FALSE(link.IsOpen());
}

TEST(SimLinkRealTime, WaitsOnTheSystemClock) {
  SimTarget target(SimProtocol::Ecs2);
  SimLink link(target, platform::SystemClock());
  target.AddFault(SimFault::Late(5));
  const SimBytes request = WithSum({0xF0, 0x07, 0x02, 0x00, 0x10, 0x01});
  ASSERT_TRUE(link.Write(request.data(), static_cast<uint32_t>(request.size())));
  uint8_t buf[16];
  uint32_t got = 0;
  ASSERT_TRUE(link.Read(buf, sizeof buf, got));
  EXPECT_EQ(got, 0u);
  EXPECT_TRUE(link.WaitForData(2000));
  ASSERT_TRUE(link.Read(buf, sizeof buf, got));
  EXPECT_EQ(got, 5u);
}

}  // namespace
