#include "link/comport.h"

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "link/commbuffer.h"
#include "platform/serialdevice.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Steady = std::chrono::steady_clock;

TEST(CommBuffer, RingKeepsOrderAcrossTheWrapDropsWhenFullAndWakesAReaderAfterEveryEmpty) {
  TCommBuffer q;
  uint8_t b = 0;
  ASSERT_TRUE(q.Allocate(8192));
  for (int i = 0; i < 8192; ++i) ASSERT_EQ(q.Put(static_cast<uint8_t>(i)), 0);
  EXPECT_EQ(q.Put(0xEE), 1);  // the 8193rd
  for (int i = 0; i < 100; ++i) ASSERT_EQ(q.Get(b), 0);
  EXPECT_EQ(b, 99);
  // Refill past the end of the storage: order holds across the wrap.
  const uint8_t more[150] = {0xAB};
  EXPECT_EQ(q.PutBlock(more, 150), 50);
  uint8_t out[8192];
  ASSERT_EQ(q.GetBlock(out, 8192), 8192);
  for (int i = 0; i < 8092; ++i) ASSERT_EQ(out[i], static_cast<uint8_t>(i + 100));
  EXPECT_EQ(out[8092], 0xAB);

  // Only the first bytes after empty wake a reader: after a drain or a Clear
  // the next ones must wake it again. They come once it sleeps.
  EXPECT_FALSE(q.WaitForData(5));
  for (int round = 0; round < 4; ++round) {
    std::thread producer([&] {
      for (int i = 0; i < 10000 && q.Waiting() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      q.Put(7);
    });
    const auto start = Steady::now();
    EXPECT_TRUE(q.WaitForData(10000)) << round;
    EXPECT_LT(Steady::now() - start, std::chrono::seconds(5)) << round << ": woken only by the timeout";
    producer.join();
    if (round % 2) {
      q.Clear();
    } else {
      EXPECT_EQ(q.Get(b), 0);
    }
  }
}

// A serial line on a pseudo-terminal: the port opens its device side, the
// test plays the target on the master.
class ComPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[128];
    ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
    slavePath_ = name;
    port_.SetDevicePath(slavePath_);
  }
  void TearDown() override {
    port_.Close();
    for (int fd : {master_, slave_})
      if (fd >= 0) close(fd);
  }

  void SendFromTarget(const Bytes& bytes) { ASSERT_EQ(write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
  Bytes ReceiveAtTarget(size_t count) {
    Bytes got;
    pollfd p{master_, POLLIN, 0};
    uint8_t buf[512];
    for (ssize_t n = 0; got.size() < count && poll(&p, 1, 5000) > 0 && (n = read(master_, buf, sizeof buf)) > 0;)
      got.insert(got.end(), buf, buf + n);
    return got;
  }
  bool WaitForQueued(int32_t count) {
    const auto deadline = Steady::now() + std::chrono::seconds(5);
    while (port_.InQueueCount() < count && Steady::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return port_.InQueueCount() >= count;
  }

  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
  TComPort port_;
};

TEST_F(ComPortTest, OpensAtTableRatesAndFlowModesAndCarriesBinaryBothWaysAndAByteEndsAWait) {
  const struct {
    uint8_t index;
    int rate;
    uint8_t flowMode;
    tcflag_t iflag, cflag;
  } cases[] = {{6, 9600, 0, 0, 0}, {10, 56000, 2, IXON | IXOFF, 0}, {14, 256000, 1, 0, CRTSCTS}};
  for (const auto& c : cases) {
    // Open on the open port closes it and opens it again with the new settings.
    ASSERT_TRUE(port_.Open(0, c.index, 0, 0, 0, c.flowMode)) << c.rate;
    EXPECT_EQ(platform::SerialRateOf(master_), c.rate);
    termios t{};
    tcgetattr(master_, &t);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), c.iflag);
    EXPECT_EQ(t.c_cflag & CRTSCTS, c.cflag);
  }
  const Bytes binary{0x00, 0x0A, 0x0D, 0x11, 0x13, 0xFF, 0x7F, 0x80};
  SendFromTarget(binary);
  ASSERT_TRUE(WaitForQueued(int32_t(binary.size())));
  uint8_t buf[16];
  uint32_t received = 0;
  EXPECT_TRUE(port_.Read(buf, sizeof buf, received));
  EXPECT_EQ(Bytes(buf, buf + received), binary);
  ASSERT_TRUE(port_.Write(binary.data(), uint32_t(binary.size())));
  EXPECT_EQ(ReceiveAtTarget(binary.size()), binary);

  // A byte sent once the reader sleeps ends the wait at once.
  std::atomic<bool> returned{false};
  std::thread target([&] {
    while (!port_.ReaderAsleepForTest() && !returned) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    SendFromTarget({'y'});
  });
  char c = 0;
  const auto start = Steady::now();
  EXPECT_TRUE(port_.ReadByteWait(&c, 20000));
  returned = true;
  EXPECT_LT(Steady::now() - start, std::chrono::seconds(10)) << "woken only by the timeout";
  EXPECT_EQ(c, 'y');
  target.join();
}

TEST_F(ComPortTest, AWaitingReaderAndTheReceiveThreadKeepTheBytesInOrder) {
  // The reader takes what arrives while it waits; the receive thread takes
  // what arrives while it does not. Small pieces with pauses of both kinds
  // make them take turns and race for the same arrivals.
  ASSERT_TRUE(port_.Open(0, 12, 0, 0, 0, 0));
  Bytes data(6000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13 + i / 256);
  std::thread target([&] {
    for (size_t at = 0, piece = 1; at < data.size(); at += piece, piece = piece % 37 + 1) {
      const size_t n = std::min(piece, data.size() - at);
      ASSERT_EQ(write(master_, data.data() + at, n), ssize_t(n));
      if (piece % 5 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  Bytes got;
  for (int round = 0; got.size() < data.size(); ++round) {
    // A wake-up the reader missed would hold it here for the whole minute.
    ASSERT_TRUE(port_.WaitForData(60000));
    uint8_t buf[64];
    uint32_t received = 0;
    ASSERT_TRUE(port_.Read(buf, round % 3 ? sizeof buf : 5, received));
    got.insert(got.end(), buf, buf + received);
    if (round % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(300));
  }
  target.join();
  EXPECT_EQ(got, data);
  EXPECT_FALSE(port_.WaitForData(5));
}

TEST_F(ComPortTest, PurgeDropsWhatTheReceiveThreadHasReadButNotQueued) {
  // The receive thread is held with bytes read but not yet queued.
  std::mutex m;
  std::condition_variable cv;
  bool held = false, released = false;
  port_.SetReadHookForTest([&] {
    std::unique_lock<std::mutex> lock(m);
    held = true;
    cv.notify_all();
    cv.wait(lock, [&] { return released; });
  });
  ASSERT_TRUE(port_.Open(0, 12, 0, 0, 0, 0));
  SendFromTarget(Bytes(40, 0xA5));
  {
    std::unique_lock<std::mutex> lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return held; }));
  }
  std::atomic<bool> purged{false};
  std::thread purger([&] {
    port_.Purge();
    purged = true;
  });
  // A purge that does not wait for the bytes in hand would finish here.
  const auto until = Steady::now() + std::chrono::milliseconds(100);
  while (!purged && Steady::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(purged);
  {
    std::lock_guard<std::mutex> lock(m);
    released = true;
  }
  cv.notify_all();
  purger.join();
  EXPECT_EQ(port_.InQueueCount(), 0);
}

TEST_F(ComPortTest, BadIndexesAndMissingDevicesFailOpenAndAClosedOrHungUpPortFailsAtOnce) {
  const struct {
    uint8_t port, baud, parity;
    const char* device;
    uint8_t error;
    const char* reason;  // for the log
  } cases[] = {
      {9, 6, 0, "", TComPort::kErrOpen, ""},  // there is no COM10
      {1, 6, 0, "/nonexistent/tty", TComPort::kErrOpen, "/nonexistent/tty: No such file or directory"},
      {1, 6, 0, "/dev/null", TComPort::kErrOpen, "/dev/null: Inappropriate ioctl for device"},  // not a terminal
      {0, 15, 0, "", TComPort::kErrSettings, ""},  // no 16th rate
      {0, 6, 5, "", TComPort::kErrSettings, ""},   // no parity 5
  };
  for (const auto& c : cases) {
    port_.SetDevicePath(c.device[0] ? c.device : slavePath_.c_str());
    EXPECT_FALSE(port_.Open(c.port, c.baud, 0, c.parity, 0, 0)) << int(c.port) << " " << int(c.baud);
    EXPECT_EQ(port_.LastError(), c.error) << int(c.port) << " " << int(c.baud);
    EXPECT_EQ(port_.OpenFailure(), c.reason);
    EXPECT_FALSE(port_.IsOpen());
  }
  // Failures leave nothing behind: the port opens again.
  port_.SetDevicePath(slavePath_);
  ASSERT_TRUE(port_.Open(0, 6, 0, 0, 0, 0));
  SendFromTarget({1, 2});
  ASSERT_TRUE(WaitForQueued(2));
  EXPECT_TRUE(port_.Close());
  uint8_t buf[4];
  uint32_t received = 0;
  char c;
  EXPECT_FALSE(port_.Read(buf, sizeof buf, received));
  EXPECT_EQ(port_.LastError(), TComPort::kErrReadFailed);
  EXPECT_FALSE(port_.ReadByteWait(&c, 10000));
  EXPECT_EQ(port_.LastError(), TComPort::kErrReadFailed);

  // A write the line does not take (nobody reads it) fails.
  ASSERT_TRUE(port_.Open(0, 6, 0, 0, 0, 0));
  const Bytes big(1 << 20, 0x55);
  EXPECT_FALSE(port_.Write(big.data(), uint32_t(big.size())));
  EXPECT_EQ(port_.LastError(), TComPort::kErrWrite);
  EXPECT_TRUE(port_.Close());

  ASSERT_TRUE(port_.Open(0, 6, 0, 0, 0, 0));
  EXPECT_FALSE(port_.HasFailed());
  close(std::exchange(master_, -1));
  const auto deadline = Steady::now() + std::chrono::seconds(5);
  bool ok = true;
  while ((ok = port_.Read(buf, sizeof buf, received)) && Steady::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(ok);
  EXPECT_EQ(port_.LastError(), TComPort::kErrReadFailed);
  EXPECT_TRUE(port_.HasFailed());  // the COM port dialog's OK opens it again
}

}  // namespace
