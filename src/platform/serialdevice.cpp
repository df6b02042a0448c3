#include "platform/serialdevice.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/files.h"

namespace platform {

namespace {

// The B constant of a rate, or B0 when it has none (termios2 sets those).
speed_t SpeedConstant(int baud) {
  struct Entry {
    int baud;
    speed_t speed;
  };
  static const Entry table[] = {
      {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
      {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
      {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
      {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
  };
  for (const Entry& e : table)
    if (e.baud == baud) return e.speed;
  return B0;
}

// Where serial tools leave their lock files.
constexpr char kLockFolder[] = "/var/lock";

// The lock file (OS path) for the device at the OS path osPath; empty without
// a lock folder.
std::string LockFileFor(const std::string& osPath) {
  struct stat st {};
  if (::stat(kLockFolder, &st) != 0 || !S_ISDIR(st.st_mode)) return std::string();
  // Every name of a device shares the one lock of the device itself.
  char* real = ::realpath(osPath.c_str(), nullptr);
  std::string device = real ? real : osPath;
  std::free(real);
  if (device.compare(0, 5, "/dev/") == 0) {
    device.erase(0, 5);
  } else {
    device.erase(0, device.rfind('/') + 1);
  }
  std::replace(device.begin(), device.end(), '/', '_');
  return std::string(kLockFolder) + "/LCK.." + device;
}

// The process a lock file names (its number in ASCII), or 0.
pid_t LockOwner(const std::string& lockFile) {
  const int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return 0;
  char text[32] = {};
  const ssize_t n = ::read(fd, text, sizeof text - 1);
  ::close(fd);
  if (n <= 0) return 0;
  long pid = 0;
  return std::sscanf(text, "%ld", &pid) == 1 && pid > 0 ? static_cast<pid_t>(pid) : 0;
}

bool OtherLiveOwner(pid_t pid) { return pid > 0 && pid != ::getpid() && (::kill(pid, 0) == 0 || errno == EPERM); }

// Makes the device's lock file for this process. False with EBUSY in error
// when another live process holds it. A lock file that names no live process
// is left over and goes. Where none can be written (no right to the folder),
// the lock on the device itself guards it alone: true, and made stays empty.
bool TakeLockFile(const std::string& lockFile, std::string& made, int& error) {
  std::string temp = std::string(kLockFolder) + "/LTMP.XXXXXX";
  const int fd = ::mkstemp(&temp[0]);
  if (fd < 0) {
    if (!OtherLiveOwner(LockOwner(lockFile))) return true;
    error = EBUSY;
    return false;
  }
  // Written whole before it takes the lock's name, so nobody reads it half done.
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%10ld\n", static_cast<long>(::getpid()));
  const bool written = ::fchmod(fd, 0644) == 0 && ::write(fd, text, static_cast<size_t>(length)) == length;
  ::close(fd);
  bool taken = false, busy = false;
  for (int attempt = 0; written && attempt < 2 && !taken && !busy; ++attempt) {
    if (::link(temp.c_str(), lockFile.c_str()) == 0) {
      taken = true;
    } else if (errno != EEXIST) {
      break;
    } else if (OtherLiveOwner(LockOwner(lockFile))) {
      busy = true;
    } else if (attempt == 0) {
      ::unlink(lockFile.c_str());
    } else {
      busy = true;  // another open took it meanwhile
    }
  }
  ::unlink(temp.c_str());
  if (busy) {
    error = EBUSY;
    return false;
  }
  if (taken) made = lockFile;
  return true;
}

}  // namespace

std::string SerialLockFilePath(const std::string& path) { return FromOsPath(LockFileFor(ToOsPath(path))); }

bool ApplySerialSettings(const SerialSettings& s, struct termios& t) {
  if (s.baud <= 0 || s.dataBits < 5 || s.dataBits > 8 || s.parity < 0 || s.parity > 4 || s.stopBits < 0 ||
      s.stopBits > 2)
    return false;
  cfmakeraw(&t);
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= CLOCAL | CREAD;
  static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= sizes[s.dataBits - 5];
  switch (s.parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  // One and a half stop bits exist only with five data bits, where the
  // driver makes them of CSTOPB.
  if (s.stopBits != 0) t.c_cflag |= CSTOPB;
  t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
  if (s.flowMode == 1) {
    t.c_cflag |= CRTSCTS;
  } else if (s.flowMode == 2) {
    t.c_iflag |= IXON | IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
  }
  // With O_NONBLOCK, VMIN 1 makes an empty read EAGAIN, so 0 means hang-up.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;

  // A rate without a B constant is set afterwards through termios2.
  const speed_t speed = SpeedConstant(s.baud);
  cfsetispeed(&t, speed == B0 ? B38400 : speed);
  cfsetospeed(&t, speed == B0 ? B38400 : speed);
  return true;
}

SerialDevice::~SerialDevice() { Close(); }

bool SerialDevice::Open(const std::string& path) {
  Close();
  lastErrno_ = 0;
  const int fd = ::open(ToOsPath(path).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    lastErrno_ = errno;
    return false;
  }
  if (!isatty(fd)) {
    lastErrno_ = ENOTTY;
    ::close(fd);
    return false;
  }
  // One user of the port at a time. TIOCEXCL does not hold back a process
  // with CAP_SYS_ADMIN (root), so every open also takes a lock on the device
  // (any other open of it, in this program too, is refused) and the lock file
  // that other serial tools respect.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    lastErrno_ = errno == EWOULDBLOCK ? EBUSY : errno;
    ::close(fd);
    return false;
  }
  const std::string lockFile = LockFileFor(ToOsPath(path));
  if (!lockFile.empty() && !TakeLockFile(lockFile, lockFile_, lastErrno_)) {
    ::close(fd);
    return false;
  }
  ioctl(fd, TIOCEXCL);
  const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake < 0) {
    lastErrno_ = errno;
    fd_ = fd;
    Close();
    return false;
  }
  fd_ = fd;
  wakeFd_ = wake;
  return true;
}

void SerialDevice::Close() {
  // The lock file goes first: the device's own lock still keeps it ours.
  if (!lockFile_.empty()) {
    if (LockOwner(lockFile_) == ::getpid()) ::unlink(lockFile_.c_str());
    lockFile_.clear();
  }
  if (fd_ >= 0) {
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
  }
  if (wakeFd_ >= 0) {
    ::close(wakeFd_);
    wakeFd_ = -1;
  }
}

bool SerialDevice::Configure(const SerialSettings& s) {
  if (fd_ < 0) return false;
  struct termios t {};
  if (tcgetattr(fd_, &t) != 0) {
    lastErrno_ = errno;
    return false;
  }
  if (!ApplySerialSettings(s, t)) {
    lastErrno_ = EINVAL;
    return false;
  }
  if (tcsetattr(fd_, TCSANOW, &t) != 0) {
    lastErrno_ = errno;
    return false;
  }
  if (SpeedConstant(s.baud) == B0 && !SetSerialRate(fd_, s.baud)) {
    lastErrno_ = errno ? errno : EINVAL;
    return false;
  }
  return true;
}

void SerialDevice::SetModemLines(bool dtr, bool rts) {
  if (fd_ < 0) return;
  int set = 0, clear = 0;
  (dtr ? set : clear) |= TIOCM_DTR;
  (rts ? set : clear) |= TIOCM_RTS;
  // A pseudo-terminal has no modem lines: failures are of no consequence.
  if (set) ioctl(fd_, TIOCMBIS, &set);
  if (clear) ioctl(fd_, TIOCMBIC, &clear);
}

void SerialDevice::Purge() {
  if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

size_t SerialDevice::WriteAll(const uint8_t* data, size_t length, uint32_t timeoutMs) {
  if (fd_ < 0) {
    lastErrno_ = EBADF;
    return 0;
  }
  using Steady = std::chrono::steady_clock;
  const Steady::time_point deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::write(fd_, data + done, length - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      lastErrno_ = errno;
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
    if (left <= 0) {
      lastErrno_ = ETIMEDOUT;
      break;
    }
    struct pollfd p {fd_, POLLOUT, 0};
    if (poll(&p, 1, static_cast<int>(left)) < 0 && errno != EINTR) {
      lastErrno_ = errno;
      break;
    }
  }
  return done;
}

int SerialDevice::ReadSome(uint8_t* buffer, int maximum) {
  if (fd_ < 0 || maximum <= 0) return fd_ < 0 ? -1 : 0;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, static_cast<size_t>(maximum));
    if (n > 0) return static_cast<int>(n);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return 0;
    lastErrno_ = n < 0 ? errno : EIO;
    return -1;
  }
}

SerialDevice::WaitResult SerialDevice::WaitInput(int timeoutMs) {
  if (fd_ < 0 || wakeFd_ < 0) return WaitResult::Failed;
  using Steady = std::chrono::steady_clock;
  const Steady::time_point deadline = Steady::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
  int wait = timeoutMs < 0 ? -1 : timeoutMs;
  for (;;) {
    struct pollfd p[2] = {{wakeFd_, POLLIN, 0}, {fd_, POLLIN, 0}};
    const int ready = poll(p, 2, wait);
    if (ready < 0 && errno != EINTR) {
      lastErrno_ = errno;
      return WaitResult::Failed;
    }
    if (ready > 0) {
      if (p[0].revents & POLLIN) return WaitResult::Woken;
      if (p[1].revents & POLLNVAL) return WaitResult::Failed;
      if (p[1].revents & (POLLIN | POLLHUP | POLLERR)) return WaitResult::Readable;
    }
    if (timeoutMs >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
      if (left <= 0) return WaitResult::TimedOut;
      wait = static_cast<int>(left);
    }
  }
}

bool SerialDevice::WaitWake(int timeoutMs) {
  if (wakeFd_ < 0) return true;
  for (;;) {
    struct pollfd p {wakeFd_, POLLIN, 0};
    const int ready = poll(&p, 1, timeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    return ready != 0;
  }
}

void SerialDevice::Wake() {
  if (wakeFd_ < 0) return;
  const uint64_t one = 1;
  while (::write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

}  // namespace platform
