#include "platform/serialdevice.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

using platform::SerialDevice;
using platform::SerialSettings;

namespace {

// A pseudo-terminal: the device side is opened by path, the test plays the
// far end on the master.
struct Pty {
  int master = -1;
  std::string slavePath;
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
    slavePath = ptsname(master);
  }
  ~Pty() { CloseMaster(); }
  void CloseMaster() {
    if (master >= 0) ::close(master);
    master = -1;
  }
  std::vector<uint8_t> ReadMaster(size_t count, int timeoutMs = 2000) {
    std::vector<uint8_t> got;
    while (got.size() < count) {
      struct pollfd p {master, POLLIN, 0};
      if (poll(&p, 1, timeoutMs) <= 0) break;
      uint8_t buf[512];
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n <= 0) break;
      got.insert(got.end(), buf, buf + n);
    }
    return got;
  }
};

termios MasterTermios(int master) {
  termios t{};
  tcgetattr(master, &t);
  return t;
}

}  // namespace

TEST(SerialDevice, OpenRefusesMissingPathsAndNonTerminals) {
  SerialDevice d;
  EXPECT_FALSE(d.Open("/nonexistent/tty"));
  EXPECT_EQ(d.LastErrno(), ENOENT);
  testing_support::TempDir dir;
  dir.Write("plain", "x");
  EXPECT_FALSE(d.Open(dir.File("plain")));
  EXPECT_EQ(d.LastErrno(), ENOTTY);
  EXPECT_FALSE(d.IsOpen());
  EXPECT_EQ(d.ReadSome(nullptr, 1), -1);
  EXPECT_EQ(d.WaitInput(), SerialDevice::WaitResult::Failed);
}

TEST(SerialDevice, ConfigureSetsRawLineAndAnyRate) {
  Pty pty;
  ASSERT_GE(pty.master, 0);
  SerialDevice d;
  ASSERT_TRUE(d.Open(pty.slavePath));
  SerialSettings s;
  for (int rate : {9600, 14400, 56000, 128000, 256000, 115200}) {
    s.baud = rate;
    ASSERT_TRUE(d.Configure(s)) << rate;
    EXPECT_EQ(platform::SerialRateOf(pty.master), rate);
  }
  termios t = MasterTermios(pty.master);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);

  s.flowMode = 2;
  ASSERT_TRUE(d.Configure(s));
  t = MasterTermios(pty.master);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), tcflag_t(IXON | IXOFF));
  EXPECT_EQ(t.c_cc[VSTART], 0x11);
  EXPECT_EQ(t.c_cc[VSTOP], 0x13);
  s.flowMode = 1;
  ASSERT_TRUE(d.Configure(s));
  t = MasterTermios(pty.master);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
  EXPECT_EQ(t.c_cflag & CRTSCTS, tcflag_t(CRTSCTS));

  for (auto bad : {SerialSettings{9600, 4, 0, 0, 0, 0x11, 0x13}, SerialSettings{9600, 8, 5, 0, 0, 0x11, 0x13},
                   SerialSettings{9600, 8, 0, 3, 0, 0x11, 0x13}, SerialSettings{0, 8, 0, 0, 0, 0x11, 0x13}})
    EXPECT_FALSE(d.Configure(bad));
}

// A pseudo-terminal keeps neither parity nor byte size, so these are checked
// on the settings as they go to the driver.
TEST(SerialDevice, ByteSizeParityAndStopBits) {
  struct Case {
    int dataBits, parity, stopBits;
    tcflag_t expected;
  };
  const Case cases[] = {
      {8, 0, 0, CS8},
      {7, 1, 0, CS7 | PARENB | PARODD},
      {7, 2, 2, CS7 | PARENB | CSTOPB},
      {6, 3, 0, CS6 | PARENB | PARODD | CMSPAR},
      {5, 4, 1, CS5 | PARENB | CMSPAR | CSTOPB},
  };
  for (const Case& c : cases) {
    termios t{};
    t.c_cflag = PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CS5;  // stale settings go
    t.c_lflag = ICANON | ECHO;
    SerialSettings s;
    s.dataBits = c.dataBits;
    s.parity = c.parity;
    s.stopBits = c.stopBits;
    ASSERT_TRUE(platform::ApplySerialSettings(s, t));
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS), c.expected) << c.dataBits << c.parity;
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
  }
}

TEST(SerialDevice, ReadSomeWaitAndWake) {
  Pty pty;
  ASSERT_GE(pty.master, 0);
  SerialDevice d;
  ASSERT_TRUE(d.Open(pty.slavePath));
  ASSERT_TRUE(d.Configure(SerialSettings{}));
  uint8_t buf[8];
  EXPECT_EQ(d.ReadSome(buf, 8), 0);  // nothing waiting: no block, no failure

  const uint8_t bytes[] = {0x00, 0x0A, 0x0D, 0x11, 0x13, 0xFF};
  ASSERT_EQ(::write(pty.master, bytes, sizeof bytes), ssize_t(sizeof bytes));
  EXPECT_EQ(d.WaitInput(), SerialDevice::WaitResult::Readable);
  std::vector<uint8_t> got;
  while (got.size() < sizeof bytes) {
    const int n = d.ReadSome(buf, 4);
    ASSERT_GE(n, 0);
    if (n == 0) {
      ASSERT_EQ(d.WaitInput(), SerialDevice::WaitResult::Readable);
      continue;
    }
    EXPECT_LE(n, 4);
    got.insert(got.end(), buf, buf + n);
  }
  EXPECT_EQ(got, std::vector<uint8_t>(bytes, bytes + sizeof bytes));

  // Another thread's Wake releases a blocked WaitInput.
  std::thread waker([&] { d.Wake(); });
  EXPECT_EQ(d.WaitInput(), SerialDevice::WaitResult::Woken);
  waker.join();
  d.WaitWake();  // stays released until the device is closed
}

TEST(SerialDevice, WaitInputAndWaitWakeWithATimeOut) {
  Pty pty;
  ASSERT_GE(pty.master, 0);
  SerialDevice d;
  ASSERT_TRUE(d.Open(pty.slavePath));
  ASSERT_TRUE(d.Configure(SerialSettings{}));
  EXPECT_EQ(d.WaitInput(0), SerialDevice::WaitResult::TimedOut);
  EXPECT_EQ(d.WaitInput(5), SerialDevice::WaitResult::TimedOut);
  // Input that comes during the wait ends it; Wake wins over input.
  std::thread target([&] {
    const uint8_t byte = 0x5A;
    EXPECT_EQ(::write(pty.master, &byte, 1), 1);
  });
  EXPECT_EQ(d.WaitInput(10000), SerialDevice::WaitResult::Readable);
  target.join();
  EXPECT_FALSE(d.WaitWake(0));
  EXPECT_FALSE(d.WaitWake(5));
  d.Wake();
  EXPECT_EQ(d.WaitInput(10000), SerialDevice::WaitResult::Woken);
  EXPECT_TRUE(d.WaitWake(10000));
}

TEST(SerialDevice, WriteAllFinishesAcrossPartialWritesAndStopsAtTheTimeOut) {
  Pty pty;
  ASSERT_GE(pty.master, 0);
  SerialDevice d;
  ASSERT_TRUE(d.Open(pty.slavePath));
  ASSERT_TRUE(d.Configure(SerialSettings{}));
  // Far more than the terminal buffers: it only goes out while the far end reads.
  std::vector<uint8_t> data(256 * 1024);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31);
  std::vector<uint8_t> got;
  std::thread reader([&] { got = pty.ReadMaster(data.size()); });
  EXPECT_EQ(d.WriteAll(data.data(), data.size(), 5000), data.size());
  reader.join();
  EXPECT_EQ(got, data);

  // Nobody reads: the write gives up after its time-out and says how far it got.
  const size_t sent = d.WriteAll(data.data(), data.size(), 30);
  EXPECT_LT(sent, data.size());
  EXPECT_EQ(d.LastErrno(), ETIMEDOUT);
}
