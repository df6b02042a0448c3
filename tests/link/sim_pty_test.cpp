// The pty server against a raw termios client on the slave side.
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

class RawClient {
 public:
  RawClient(const std::string& path, speed_t speed) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY);
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
  SimBytes Receive(size_t want, int quietMs = 2000) {
    SimBytes got;
    while (got.size() < want) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, quietMs) <= 0) break;
      uint8_t buf[512];
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n <= 0) break;
      got.insert(got.end(), buf, buf + n);
    }
    return got;
  }

 private:
  int fd_ = -1;
};

const SimBytes kRead = WithSum({0xF0, 0x00, 0x0B, 0x02, 0x00, 0x00, 0x10, 0x00, 0x00, 0x01});
const SimBytes kReply = WithSum({'P', 0x00, 0x06, 0xBE, 0xEF});

TEST(SimPtyServer, AnswersARawClientAndAssemblesSplitFrames) {
  SimTarget target(SimProtocol::Ecs3);
  target.SetRegister(0x1000, 0xBEEF);
  SimPtyServer server(target);
  std::string error;
  ASSERT_TRUE(server.Start(&error)) << error;
  RawClient client(server.SlavePath(), B9600);
  ASSERT_TRUE(client.Ok());

  ASSERT_TRUE(client.Send(kRead));
  EXPECT_EQ(client.Receive(kReply.size()), kReply);

  ASSERT_TRUE(client.Send(SimBytes(kRead.begin(), kRead.begin() + 4)));
  usleep(2000);
  ASSERT_TRUE(client.Send(SimBytes(kRead.begin() + 4, kRead.end())));
  EXPECT_EQ(client.Receive(kReply.size()), kReply);
  EXPECT_EQ(target.FrameCount(), 2u);

  // Faults travel over the pty as well.
  target.AddFault(SimFault::Split(2, 5));
  ASSERT_TRUE(client.Send(kRead));
  EXPECT_EQ(client.Receive(kReply.size()), kReply);
  target.AddFault(SimFault::Silence());
  ASSERT_TRUE(client.Send(kRead));
  EXPECT_TRUE(client.Receive(1, 50).empty());

  server.Stop();
  EXPECT_FALSE(server.Running());
  server.Stop();
}

TEST(SimPtyServer, FollowsTheRateTheHostSetsOnTheLine) {
  SimTarget target(SimProtocol::Ecs3);
  target.SetRegister(0x1000, 0xBEEF);
  target.SetBaudRegister(0x0F00);
  SimPtyServer server(target);
  ASSERT_TRUE(server.Start());
  RawClient client(server.SlavePath(), B9600);
  ASSERT_TRUE(client.Ok());

  const SimBytes tell9 = WithSum({0xF1, 0x00, 0x0B, 0x02, 0, 0, 0x0F, 0x00, 0x00, 0x09});
  const SimBytes ack = WithSum({'P', 0x00, 0x04});
  ASSERT_TRUE(client.Send(tell9));
  EXPECT_EQ(client.Receive(ack.size()), ack);
  EXPECT_EQ(target.BaudIndex(), 9);

  // Still at 9600: the reply cannot be read.
  ASSERT_TRUE(client.Send(kRead));
  const SimBytes noise = client.Receive(kReply.size(), 100);
  EXPECT_NE(noise, kReply);
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
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(70));
}

TEST(SimPtyServer, PacedPiecesOfAFrameAreHeardByteByByte) {
  // The second piece takes longer on the wire than the target waits for a
  // next byte, but follows the first without a gap: the frame stands.
  SimTarget target(SimProtocol::Ecs3);
  target.SetRegister(0x1000, 0xBEEF);
  // At 1200 baud the nine bytes of the second piece take 75 ms on the wire,
  // against a 40 ms wait for a next byte: wide enough that a busy machine's
  // scheduling between the two writes cannot break the frame.
  target.SetInterByteTimeoutUs(40000);
  target.SetBaudIndex(3);  // 1200
  SimPtyServer server(target);
  server.SetPacing(true);
  ASSERT_TRUE(server.Start());
  RawClient client(server.SlavePath(), B1200);
  ASSERT_TRUE(client.Ok());
  ASSERT_TRUE(client.Send(SimBytes(kRead.begin(), kRead.begin() + 2)));
  usleep(1000);
  ASSERT_TRUE(client.Send(SimBytes(kRead.begin() + 2, kRead.end())));
  EXPECT_EQ(client.Receive(kReply.size()), kReply);
  ASSERT_EQ(target.FrameCount(), 1u);
  EXPECT_EQ(target.Frames()[0].bytes, kRead);
}

TEST(SimPtyServer, StopsWhileAClientIsAttachedAndRestarts) {
  SimTarget target(SimProtocol::Ecs2);
  {
    SimPtyServer server(target);
    ASSERT_TRUE(server.Start());
    RawClient client(server.SlavePath(), B9600);
    ASSERT_TRUE(client.Ok());
    target.AddFault(SimFault::Late(10000));  // a reply still due when we stop
    ASSERT_TRUE(client.Send(WithSum({0xF0, 0x07, 0x02, 0x00, 0x10, 0x01})));
    // Stop only once the request has taken its fault, so the late reply is really due.
    for (int i = 0; i < 5000 && target.FrameCount() == 0; ++i) usleep(1000);
    ASSERT_EQ(target.FrameCount(), 1u);
  }  // the destructor stops it
  SimPtyServer again(target);
  ASSERT_TRUE(again.Start());
  RawClient client(again.SlavePath(), B9600);
  ASSERT_TRUE(client.Ok());
  ASSERT_TRUE(client.Send(WithSum({0xF0, 0x07, 0x02, 0x00, 0x10, 0x01})));
  EXPECT_EQ(client.Receive(5), WithSum({'P', 0x05, 0x00, 0x00}));
}

}  // namespace
