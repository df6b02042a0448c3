// What the protocol and target-control tests do not already show of the
// simulated target: its own error numbers, the noise it hears at another rate,
// and the pacing of its pty transport, which hands it a frame byte by byte. The
// end-to-end tests raise the line rate through it.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

#include "simptyserver.h"
#include "simtarget.h"

namespace {

SimBytes WithSum(SimBytes f) {
  unsigned sum = 0;
  for (uint8_t b : f) sum += b;
  f.push_back(static_cast<uint8_t>(sum));
  return f;
}
// An ECS3 frame: head, the 32-bit address, the tail, and the checksum.
SimBytes Frame3(std::initializer_list<uint8_t> head, uint32_t address, SimBytes tail) {
  SimBytes f(head);
  for (int shift = 24; shift >= 0; shift -= 8) f.push_back(uint8_t(address >> shift));
  f.insert(f.end(), tail.begin(), tail.end());
  return WithSum(f);
}
SimBytes Read3(uint32_t address, uint16_t count, uint8_t width = 2) {
  return Frame3({0xF0, 0x00, 0x0B, width}, address, {uint8_t(count >> 8), uint8_t(count)});
}
SimBytes Ok3(SimBytes data) {
  data.insert(data.begin(), {'P', 0x00, uint8_t(data.size() + 4)});
  return WithSum(data);
}
SimBytes Error3(uint8_t number) { return WithSum({'`', 0x00, 0x05, number}); }

// All reply bytes of one exchange, chunks joined.
SimBytes Reply(SimTarget& t, const SimBytes& request, int hostBaudIndex = SimTarget::kNoRate) {
  SimBytes all;
  for (const SimChunk& c : t.Receive(request, 1000, hostBaudIndex)) all.insert(all.end(), c.bytes.begin(), c.bytes.end());
  return all;
}

TEST(SimTarget, AnswersWhatItHoldsRefusesWithItsOwnErrorNumbersAndHearsNoiseAtAnotherRate) {
  SimTarget t(SimProtocol::Ecs3);
  t.SetRegister(0x10, 0x1234);
  t.SetReadError(0x100, 0x28);
  t.SetWriteError(0x102, 0x23);
  t.AddNvmDevice(2, 0x100, 0x1FF);
  SimBytes badSum = Read3(0x10, 1);
  badSum.back() ^= 1;
  const SimBytes block = Frame3({0xF1, 0x00, 0x0D, 0x02}, 0x101, {0x11, 0x11, 0x22, 0x22});  // 0x101 and 0x102
  const std::pair<SimBytes, SimBytes> cases[] = {
      {Read3(0x10, 2, 1), Ok3({0x34, 0x00})},  // bytes: the low byte of each register
      {badSum, Error3(0x12)},
      {Read3(0x10, 131), Error3(0x26)},  // 262 data bytes do not fit a reply
      {{0xF0, 0x01, 0x40}, Error3(0x13)},  // a length field no frame can have: refused at once
      {Read3(0x100, 1), Error3(0x28)},
      {Frame3({0xF1, 0x00, 0x0B, 0x02}, 0x100, {0, 9}), Ok3({})},  // write-only: writing works
      {block, Error3(0x23)},            // a protected word keeps the whole block from being written
      {Frame3({0xF2, 0x00, 0x0F, 2, 0, 0, 0, 0}, 0xFFFFFFFF, {0, 2}), Error3(0x22)},  // no wrap-around
      {Frame3({0xF2, 0x00, 0x0F, 3, 0, 0, 0, 0}, 0x100, {0, 1}), Error3(0x21)},
  };
  for (const auto& c : cases) EXPECT_EQ(Reply(t, c.first), c.second) << t.FrameCount();
  EXPECT_EQ(t.Register(0x100), 9);
  EXPECT_EQ(t.Register(0x101), 0);
  // At another rate than its own it hears noise: no frame, a framing error at its rate.
  const size_t frames = t.FrameCount();
  EXPECT_EQ(Reply(t, Read3(0x10, 1), 9), Error3(sim_error::kFramingError));
  EXPECT_EQ(t.FrameCount(), frames);
}

// The pty server against a raw termios client on the slave side.
TEST(SimPtyServer, PacedRepliesTakeTheirWireTime) {
  SimTarget target(SimProtocol::Ecs3);
  target.SetRegister(0x1000, 0xBEEF);
  target.SetBaudIndex(4);  // 2400 baud
  SimPtyServer server(target);
  server.SetPacing(true);
  ASSERT_TRUE(server.Start());
  const int fd = ::open(server.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  termios t{};
  ::tcgetattr(fd, &t);
  ::cfmakeraw(&t);
  ::cfsetspeed(&t, B2400);
  ::tcsetattr(fd, TCSANOW, &t);
  // 11 bytes out and 6 back: 17 bytes of 10 bits at 2400 baud are 70.8 ms.
  const SimBytes request = Read3(0x1000, 1), reply = Ok3({0xBE, 0xEF});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(::write(fd, request.data(), request.size()), ssize_t(request.size()));
  SimBytes got;
  pollfd p{fd, POLLIN, 0};
  uint8_t buf[64];
  for (ssize_t n = 0; got.size() < reply.size() && ::poll(&p, 1, 5000) > 0 && (n = ::read(fd, buf, sizeof buf)) > 0;)
    got.insert(got.end(), buf, buf + n);
  EXPECT_EQ(got, reply);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(70));
  ::close(fd);
}

}  // namespace
