// What the protocol and target-control tests do not already show of the
// simulated target: its own error numbers, frame assembly, the baud register,
// the fault kinds, the sample files, and its two transports.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

#include "platform/clock.h"
#include "simlink.h"
#include "simptyserver.h"
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

SimBytes Be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

SimBytes Frame3(std::initializer_list<uint8_t> head, uint32_t address, SimBytes tail) {
  SimBytes f(head);
  const SimBytes a = Be32(address);
  f.insert(f.end(), a.begin(), a.end());
  f.insert(f.end(), tail.begin(), tail.end());
  return WithSum(f);
}
SimBytes Read3(uint32_t address, uint16_t count, uint8_t width = 2) {
  return Frame3({0xF0, 0x00, 0x0B, width}, address, {uint8_t(count >> 8), uint8_t(count)});
}
SimBytes WriteWord3(uint32_t address, uint16_t value) {
  return Frame3({0xF1, 0x00, 0x0B, 0x02}, address, {uint8_t(value >> 8), uint8_t(value)});
}
SimBytes ReadDevice3(uint8_t device, uint32_t address, uint16_t count) {
  return Frame3({0xF2, 0x00, 0x0F, device, 0, 0, 0, 0}, address, {uint8_t(count >> 8), uint8_t(count)});
}
SimBytes Ok3(SimBytes data) {
  data.insert(data.begin(), {'P', 0x00, uint8_t(data.size() + 4)});
  return WithSum(data);
}
SimBytes Error3(uint8_t number) { return WithSum({'`', 0x00, 0x05, number}); }

// All reply bytes of one exchange, chunks joined.
SimBytes Reply(SimTarget& t, const SimBytes& request, uint64_t nowUs = 1000, int hostBaud = SimTarget::kNoRate) {
  SimBytes all;
  for (const SimChunk& c : t.Receive(request, nowUs, hostBaud)) all.insert(all.end(), c.bytes.begin(), c.bytes.end());
  return all;
}

TEST(SimTarget, AnswersWhatItHoldsAndRefusesWithItsOwnErrorNumbers) {
  SimTarget t(SimProtocol::Ecs3);
  t.SetRegister(0x10, 0x1234);
  t.SetRegister(0x101, 0x55);
  t.SetReadError(0x100, 0x28);
  t.SetWriteError(0x102, 0x23);
  t.SetNoBlockRead(0x101);
  t.AddNvmDevice(2, 0x100, 0x1FF);
  SimBytes badSum = Read3(0x10, 1);
  badSum.back() ^= 1;
  const SimBytes block = Frame3({0xF1, 0x00, 0x0D, 0x02}, 0x101, {0x11, 0x11, 0x22, 0x22});  // 0x101 and 0x102
  const std::pair<SimBytes, SimBytes> cases[] = {
      {Read3(0x10, 2, 1), Ok3({0x34, 0x00})},  // bytes: the low byte of each register
      {badSum, Error3(0x12)},
      {WithSum({0xF5, 0x00, 0x05, 0x00}), Error3(0x11)},
      {WithSum({0xF0, 0x00, 0x0A, 0x02, 0, 0, 0, 0x10, 0x01}), Error3(0x13)},
      {Read3(0x10, 1, 3), Error3(0x25)},
      {Read3(0x10, 0), Error3(0x26)},
      {Read3(0x10, 131), Error3(0x26)},  // 262 data bytes do not fit a reply
      {WithSum({0xF1, 0x00, 0x0A, 0x02, 0, 0, 0, 0x10, 0x01}), Error3(0x13)},  // an odd byte count for words
      {{0xF0, 0x01, 0x40}, Error3(0x13)},  // a length field no frame can have: refused at once
      {Read3(0x100, 1), Error3(0x28)},
      {WriteWord3(0x100, 9), Ok3({})},  // write-only: writing works
      {Read3(0x101, 2), Error3(0x27)},
      {Read3(0x101, 1), Ok3({0x00, 0x55})},
      {block, Error3(0x23)},  // a protected word keeps the whole block from being written
      {Read3(0x102, 1), Ok3({0x00, 0x00})},
      {ReadDevice3(2, 0x1FE, 3), Error3(0x22)},
      {ReadDevice3(2, 0x0FF, 1), Error3(0x22)},
      {ReadDevice3(2, 0xFFFFFFFF, 2), Error3(0x22)},  // no wrap-around
      {ReadDevice3(3, 0x100, 1), Error3(0x21)},
  };
  for (const auto& c : cases) EXPECT_EQ(Reply(t, c.first), c.second) << int(c.first[0]) << " " << t.FrameCount();
  EXPECT_EQ(Reply(t, Read3(0x10, 130)).size(), 264u);
  EXPECT_EQ(t.Register(0x100), 9);
  EXPECT_EQ(t.Register(0x101), 0x55);
  EXPECT_FALSE(t.SetNvm(2, 0x1FF, {1, 2}));

  SimTarget ecs2(SimProtocol::Ecs2);  // a reply holds at most 70 bytes
  ecs2.AddNvmDevice(1, 0x100, 0x1FF, 0x00);
  EXPECT_EQ(Reply(ecs2, WithSum({0xF2, 0x0D, 0x01, 0, 0, 0, 0, 0x00, 0x00, 0x01, 0x00, 68})), WithSum({'`', 0x04, 0x26}));
}

TEST(SimTarget, AFrameSplitAcrossWritesIsAnsweredOnceCompleteUnlessItsRestComesTooLate) {
  SimTarget t(SimProtocol::Ecs3);
  t.SetRegister(0x10, 7);
  const SimBytes request = Read3(0x10, 1);
  uint64_t now = 1000;
  for (size_t i = 0; i + 1 < request.size(); ++i) EXPECT_TRUE(t.Receive(&request[i], 1, now += 10).empty());
  EXPECT_EQ(Reply(t, {request.back()}, now += 10), Ok3({0x00, 0x07}));
  EXPECT_EQ(t.FrameCount(), 1u);

  EXPECT_TRUE(t.Receive(SimBytes(request.begin(), request.begin() + 5), now += 10).empty());
  now += SimTarget::kDefaultInterByteTimeoutUs + 1;
  EXPECT_EQ(Reply(t, request, now), Ok3({0x00, 0x07}));
  // Two frames in one write get two replies.
  SimBytes two = request;
  two.insert(two.end(), request.begin(), request.end());
  EXPECT_EQ(t.Receive(two, now += 10).size(), 2u);
}

TEST(SimTarget, BaudRegisterAcknowledgesAtTheOldRateThenSwitches) {
  SimTarget t(SimProtocol::Ecs3);
  t.SetBaudRegister(0x0F00);
  t.SetSupportedBauds(0x1240);  // 6, 9, 12
  std::vector<SimChunk> ack = t.Receive(WriteWord3(0x0F00, 9), 1000, 6);
  ASSERT_EQ(ack.size(), 1u);
  EXPECT_EQ(ack[0].bytes, Ok3({}));
  EXPECT_EQ(ack[0].baudIndex, 6);
  EXPECT_EQ(t.BaudIndex(), 9);

  // Still at 9600 the host is noise to the target: one unreadable complaint per
  // burst at its own rate, nothing logged, nothing done.
  const size_t frames = t.FrameCount();
  std::vector<SimChunk> noise = t.Receive(WriteWord3(0x0F00, 12), 2000, 6);
  ASSERT_EQ(noise.size(), 1u);
  EXPECT_EQ(noise[0].baudIndex, 9);
  EXPECT_EQ(noise[0].bytes, Error3(0x62));
  EXPECT_TRUE(t.Receive(WriteWord3(0x0F00, 12), 2010, 6).empty());
  EXPECT_EQ(t.FrameCount(), frames);

  // At the new rate it answers, and reads its register as the index.
  EXPECT_EQ(Reply(t, Read3(0x0F00, 1), 3000, 9), Ok3({0x00, 0x09}));
  EXPECT_EQ(Reply(t, WriteWord3(0x0F00, 11), 3100, 9), Error3(0x24));  // not supported
  EXPECT_EQ(Reply(t, WriteWord3(0x0F00, 15), 3200, 9), Error3(0x24));
  EXPECT_EQ(t.BaudIndex(), 9);

  // Garbled, that complaint never forms a frame: no "P" or "`", a length beyond its size.
  SimBytes garbled = Error3(0x62);
  SimGarble(garbled);
  EXPECT_TRUE(garbled[0] != 'P' && garbled[0] != '`');
  EXPECT_GT((garbled[1] << 8) | garbled[2], 265);
}

TEST(SimTarget, InjectedErrorsOrSilenceLeaveTheRequestUndoneAndLateRepliesCarryTheirDelays) {
  SimTarget t(SimProtocol::Ecs3);
  t.AddFault(SimFault::Error(0x41));
  t.AddFault(SimFault::Silence());
  t.AddFault(SimFault::Late(40));
  EXPECT_EQ(Reply(t, WriteWord3(0x20, 1)), Error3(0x41));
  EXPECT_TRUE(t.Receive(WriteWord3(0x20, 2), 1000).empty());
  EXPECT_EQ(t.Register(0x20), 0);
  const std::vector<SimChunk> late = t.Receive(WriteWord3(0x20, 3), 1000);
  ASSERT_EQ(late.size(), 1u);
  EXPECT_EQ(late[0].delayUs, 40000u);
  EXPECT_EQ(t.Register(0x20), 3);
  EXPECT_EQ(t.PendingFaults(), 0u);
}

TEST(SimTarget, LoadsTheSampleFilesAndStartsRegistersAtTheirFieldsMinimum) {
  SimTarget t(SimProtocol::Ecs3);
  ASSERT_TRUE(t.LoadVundData(VUND2_EXAMPLES "/vund.dat"));
  EXPECT_EQ(t.BaudRegister(), 0x0F00u);
  // Device 1 holds 0x0000..0x1FFF, device 2 0x0000..0x03FF.
  EXPECT_EQ(t.Nvm(1, 0x1FFF, 1).size(), 1u);
  EXPECT_TRUE(t.Nvm(1, 0x1FFF, 2).empty());
  EXPECT_TRUE(t.Nvm(2, 0x0400, 1).empty());
  EXPECT_EQ(t.Register(0x0F10), 0x1001);
  EXPECT_EQ(t.Register(0x0F12), 0x1002);
  EXPECT_FALSE(t.LoadVundData(VUND2_EXAMPLES "/missing.dat"));
  ASSERT_TRUE(t.LoadRegisterFile(VUND2_EXAMPLES "/Sreg.dat", false));
  ASSERT_TRUE(t.LoadRegisterFile(VUND2_EXAMPLES "/Hreg.dat", true));

  testing_support::TempDir dir;
  dir.Write("S.dat",
            "[Registers]\r\nA  a  1  0x00002000 0x00F0  0  3  9\r\nB  b  1  0x00002000 0x0003  0  1  3\r\n"
            "-L- l 1  0x00002001 0xFFFF  0  5  9\r\n");
  SimTarget s(SimProtocol::Ecs2);
  ASSERT_TRUE(s.LoadRegisterFile(dir.File("S.dat"), false));
  EXPECT_EQ(s.Register(0x2000), 0x31);  // two fields of one word merged
  EXPECT_EQ(s.Register(0x2001), 0);     // labels hold no value
}

// ---- The in-process link: replies on virtual time ----

class SimLinkTest : public ::testing::Test {
 protected:
  SimLinkTest() { target.SetRegister(0x10, 0x0102); }
  bool Send(const SimBytes& frame) { return link.Write(frame.data(), static_cast<uint32_t>(frame.size())); }
  SimBytes ReadAll(uint32_t maximum = 300) {
    uint8_t buf[300];
    uint32_t got = 0;
    EXPECT_TRUE(link.Read(buf, maximum, got));
    return SimBytes(buf, buf + got);
  }

  platform::VirtualClock clock;
  SimTarget target{SimProtocol::Ecs3};
  SimLink link{target, clock};
  const SimBytes request = Read3(0x10, 1);
  const SimBytes reply = Ok3({0x01, 0x02});
};

TEST_F(SimLinkTest, PiecesArriveAtTheirVirtualTimesAndPurgeDropsOnlyWhatArrived) {
  target.AddFault(SimFault::Split(2, 250));
  const uint64_t start = clock.NowMs();
  ASSERT_TRUE(Send(request));
  EXPECT_EQ(ReadAll(1), SimBytes{'P'});  // never more than asked
  EXPECT_EQ(ReadAll(), SimBytes{0x00});
  // A wait shorter than the gap costs exactly its time and finds nothing.
  EXPECT_FALSE(link.WaitForData(100));
  EXPECT_EQ(clock.NowMs(), start + 100);
  // A longer one ends at the arrival.
  EXPECT_TRUE(link.WaitForData(300));
  EXPECT_EQ(clock.NowMs(), start + 250);
  link.Purge();
  EXPECT_TRUE(ReadAll().empty());
  EXPECT_TRUE(link.WaitForData(300));
  EXPECT_EQ(ReadAll(), SimBytes(reply.begin() + 4, reply.end()));

  // A late reply comes before the reply to the resend, which can only follow it.
  target.AddFault(SimFault::Late(400));
  ASSERT_TRUE(Send(request));
  EXPECT_FALSE(link.WaitForData(300));
  link.Purge();
  ASSERT_TRUE(Send(request));
  EXPECT_TRUE(link.WaitForData(300));
  SimBytes both = reply;
  both.insert(both.end(), reply.begin(), reply.end());
  EXPECT_EQ(ReadAll(), both);
}

TEST_F(SimLinkTest, TheTargetHearsNoiseWhileTheRatesDiffer) {
  target.SetBaudRegister(0x0F00);
  const SimBytes tell9 = WriteWord3(0x0F00, 9);
  ASSERT_TRUE(link.Open(0, 0, 0, 0, 0, 0));  // 110 baud: the target listens at 9600
  ASSERT_TRUE(Send(tell9));
  const SimBytes noise = ReadAll();
  ASSERT_FALSE(noise.empty());
  EXPECT_TRUE(noise[0] != 'P' && noise[0] != '`');
  EXPECT_EQ(target.FrameCount(), 0u);

  ASSERT_TRUE(link.Open(0, 6, 0, 0, 0, 0));
  ASSERT_TRUE(Send(tell9));
  EXPECT_EQ(ReadAll(), Ok3({}));  // acknowledged at 9600
  EXPECT_EQ(target.BaudIndex(), 9);
  ASSERT_TRUE(Send(tell9));  // the host still at 9600
  EXPECT_NE(ReadAll(), Ok3({}));
  ASSERT_TRUE(link.Open(0, 9, 0, 0, 0, 0));
  ASSERT_TRUE(Send(tell9));
  EXPECT_EQ(ReadAll(), Ok3({}));
  EXPECT_EQ(link.OpenHistory(), (std::vector<int>{0, 6, 9}));
}

TEST_F(SimLinkTest, AClosedOrFailingLinkRefuses) {
  target.AddFault(SimFault::Late(100));
  ASSERT_TRUE(Send(request));
  ASSERT_TRUE(link.Close());
  EXPECT_EQ(link.BytesInFlight(), 0u);  // lost with the port
  uint8_t buf[8];
  uint32_t got = 0;
  EXPECT_FALSE(link.Read(buf, sizeof buf, got));
  EXPECT_FALSE(Send(request));
  EXPECT_FALSE(link.WaitForData(10));
  ASSERT_TRUE(link.Open(0, 6, 0, 0, 0, 0));
  link.FailWrites(true);
  EXPECT_FALSE(Send(request));
  link.FailWrites(false);
  link.FailReads(true);
  EXPECT_FALSE(link.Read(buf, sizeof buf, got));
  link.FailOpens(true);
  EXPECT_FALSE(link.Open(0, 6, 0, 0, 0, 0));
  EXPECT_FALSE(link.IsOpen());
}

// ---- The pty server, against a raw termios client on the slave side ----

class RawClient {
 public:
  RawClient(const std::string& path, speed_t speed) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
    if (fd_ >= 0) SetSpeed(speed);
  }
  ~RawClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Ok() const { return fd_ >= 0; }
  void SetSpeed(speed_t speed) {
    termios t{};
    ::tcgetattr(fd_, &t);
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    ::tcsetattr(fd_, TCSANOW, &t);
  }
  bool Send(const SimBytes& bytes) { return ::write(fd_, bytes.data(), bytes.size()) == ssize_t(bytes.size()); }
  // Reads until want bytes came or nothing more comes within quietMs.
  SimBytes Receive(size_t want, int quietMs = 5000) {
    SimBytes got;
    pollfd p{fd_, POLLIN, 0};
    uint8_t buf[512];
    for (ssize_t n = 0; got.size() < want && ::poll(&p, 1, quietMs) > 0 && (n = ::read(fd_, buf, sizeof buf)) > 0;)
      got.insert(got.end(), buf, buf + n);
    return got;
  }

 private:
  int fd_;
};

const SimBytes kRead = Read3(0x1000, 1);
const SimBytes kReply = Ok3({0xBE, 0xEF});

TEST(SimPtyServer, FollowsTheRateTheHostSetsOnTheLine) {
  SimTarget target(SimProtocol::Ecs3);
  target.SetRegister(0x1000, 0xBEEF);
  target.SetBaudRegister(0x0F00);
  SimPtyServer server(target);
  ASSERT_TRUE(server.Start());
  RawClient client(server.SlavePath(), B9600);
  ASSERT_TRUE(client.Ok());
  ASSERT_TRUE(client.Send(WriteWord3(0x0F00, 9)));
  EXPECT_EQ(client.Receive(4), Ok3({}));
  EXPECT_EQ(target.BaudIndex(), 9);

  ASSERT_TRUE(client.Send(kRead));  // still at 9600: the reply cannot be read
  EXPECT_NE(client.Receive(kReply.size(), 100), kReply);
  EXPECT_EQ(target.FrameCount(), 1u);
  client.SetSpeed(B38400);
  ASSERT_TRUE(client.Send(kRead));
  EXPECT_EQ(client.Receive(kReply.size()), kReply);
}

TEST(SimPtyServer, PacedRepliesTakeTheirWireTime) {
  SimTarget target(SimProtocol::Ecs3);
  target.SetRegister(0x1000, 0xBEEF);
  target.SetBaudIndex(4);  // 2400 baud
  SimPtyServer server(target);
  server.SetPacing(true);
  ASSERT_TRUE(server.Start());
  RawClient client(server.SlavePath(), B2400);
  ASSERT_TRUE(client.Ok());
  // 11 bytes out and 6 back: 17 bytes of 10 bits at 2400 baud are 70.8 ms.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(client.Send(kRead));
  EXPECT_EQ(client.Receive(kReply.size()), kReply);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(70));
}

TEST(SimPtyServer, StopsWhileAReplyIsDueAndStartsAgain) {
  SimTarget target(SimProtocol::Ecs3);
  target.SetRegister(0x1000, 0xBEEF);
  {
    SimPtyServer server(target);
    ASSERT_TRUE(server.Start());
    RawClient client(server.SlavePath(), B9600);
    ASSERT_TRUE(client.Ok());
    target.AddFault(SimFault::Late(10000));
    ASSERT_TRUE(client.Send(kRead));
    // Stop only once the request has taken its fault, so the late reply is really due.
    for (int i = 0; i < 5000 && target.FrameCount() == 0; ++i) usleep(1000);
    ASSERT_EQ(target.FrameCount(), 1u);
  }  // the destructor stops it
  SimPtyServer again(target);
  ASSERT_TRUE(again.Start());
  RawClient client(again.SlavePath(), B9600);
  ASSERT_TRUE(client.Ok());
  ASSERT_TRUE(client.Send(kRead));
  EXPECT_EQ(client.Receive(kReply.size()), kReply);
  again.Stop();
  EXPECT_FALSE(again.Running());
  again.Stop();
}

}  // namespace
