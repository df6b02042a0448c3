#include "platform/serialdevice.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/convert.h"
#include "support/temp_dir.h"

using platform::SerialDevice;
using platform::SerialSettings;

namespace {

// A pseudo-terminal keeps neither parity nor byte size, so these are checked
// on the settings as they go to the driver. The raw line and the rates off
// the standard table are shown by the port's tests.
TEST(SerialDevice, ByteSizeParityAndStopBitsAndWhatTheLineCannotDo) {
  const struct {
    int dataBits, parity, stopBits;
    tcflag_t expected;
  } cases[] = {
      {8, 0, 0, CS8},
      {7, 2, 2, CS7 | PARENB | CSTOPB},
      {6, 3, 0, CS6 | PARENB | PARODD | CMSPAR},
  };
  for (const auto& c : cases) {
    termios t{};
    t.c_cflag = PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CS5;  // stale settings go
    t.c_lflag = ICANON | ECHO;
    ASSERT_TRUE(platform::ApplySerialSettings({9600, c.dataBits, c.parity, c.stopBits}, t));
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS), c.expected) << c.dataBits << c.parity;
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
  }
  termios t{};
  for (auto bad : {SerialSettings{9600, 4, 0, 0, 0, 0x11, 0x13}, SerialSettings{9600, 8, 5, 0, 0, 0x11, 0x13}})
    EXPECT_FALSE(platform::ApplySerialSettings(bad, t));
}

// The device opens the slave side of a pseudo-terminal, the test plays the far end on the master.
TEST(SerialDevice, WriteAllFinishesAcrossPartialWritesAndStopsAtTheTimeOut) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
  SerialDevice d;
  ASSERT_TRUE(d.Open(ptsname(master)));
  ASSERT_TRUE(d.Configure(SerialSettings{}));
  // Far more than the terminal buffers: it only goes out while the far end reads.
  std::vector<uint8_t> data(256 * 1024), got;
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31);
  std::thread reader([&] {
    uint8_t buf[4096];
    pollfd p{master, POLLIN, 0};
    for (ssize_t n = 0; got.size() < data.size() && poll(&p, 1, 5000) > 0 && (n = ::read(master, buf, sizeof buf)) > 0;)
      got.insert(got.end(), buf, buf + n);
  });
  EXPECT_EQ(d.WriteAll(data.data(), data.size(), 5000), data.size());
  reader.join();
  EXPECT_EQ(got, data);
  // Nobody reads: the write gives up after its time-out and says how far it got.
  EXPECT_LT(d.WriteAll(data.data(), data.size(), 30), data.size());
  EXPECT_EQ(d.LastErrno(), ETIMEDOUT);
  ::close(master);
}

// A pseudo-terminal's far end; the device side is opened by name.
struct Pty {
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    path = ptsname(master);
  }
  ~Pty() { ::close(master); }
  int master = -1;
  std::string path;
};

std::string ReadAll(const std::string& file) {
  std::stringstream ss;
  ss << std::ifstream(file).rdbuf();
  return ss.str();
}

// A process that has ended: its number names nobody.
pid_t EndedProcess() {
  const pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

// One open of a device at a time, even for root, whatever name it is opened
// by; the lock goes with the close.
TEST(SerialDevice, ADeviceInUseIsBusyForEveryOtherOpenUntilItCloses) {
  Pty pty;
  testing_support::TempDir dir;
  const std::string link = dir.File("link");
  std::filesystem::create_symlink(pty.path, link);
  SerialDevice first, second;
  ASSERT_TRUE(first.Open(link));
  for (const std::string& name : {pty.path, link}) {
    EXPECT_FALSE(second.Open(name)) << name;
    EXPECT_EQ(second.LastErrno(), EBUSY) << name;
    EXPECT_FALSE(second.IsOpen());
  }
  first.Close();
  EXPECT_TRUE(second.Open(pty.path));
}

// The lock file other serial tools respect: made while the device is open,
// honoured while its process lives, replaced when it is left over.
TEST(SerialDevice, TheLockFileOfALiveProcessHoldsTheDeviceAndALeftOverOneGoes) {
  Pty pty;
  const std::string lock = platform::SerialLockFilePath(pty.path);
  if (lock.empty() || access(std::filesystem::path(lock).parent_path().c_str(), W_OK) != 0)
    GTEST_SKIP() << "no lock folder this test may write";
  EXPECT_EQ(lock, "/var/lock/LCK..pts_" + pty.path.substr(9));  // from /dev/pts/N
  SerialDevice d;
  ASSERT_TRUE(d.Open(pty.path));
  EXPECT_EQ(ReadAll(lock), platform::Format("%10d\n", static_cast<int>(getpid())));
  d.Close();
  EXPECT_FALSE(std::filesystem::exists(lock));

  std::ofstream(lock) << platform::Format("%10d\n", static_cast<int>(getppid()));
  EXPECT_FALSE(d.Open(pty.path));
  EXPECT_EQ(d.LastErrno(), EBUSY);
  std::ofstream(lock) << platform::Format("%10d\n", static_cast<int>(EndedProcess()));
  EXPECT_TRUE(d.Open(pty.path));
  EXPECT_EQ(ReadAll(lock), platform::Format("%10d\n", static_cast<int>(getpid())));
  d.Close();
  EXPECT_FALSE(std::filesystem::exists(lock));
}

}  // namespace
