#include "platform/serialdevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

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

}  // namespace

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
  // Nobody else may open the port while we hold it.
  ioctl(fd, TIOCEXCL);
  const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake < 0) {
    lastErrno_ = errno;
    ioctl(fd, TIOCNXCL);
    ::close(fd);
    return false;
  }
  fd_ = fd;
  wakeFd_ = wake;
  return true;
}

void SerialDevice::Close() {
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
