// The rate through termios2: the only way to set rates that have no B
// constant. <asm/termbits.h> clashes with <termios.h>, hence a source of its own.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "platform/serialdevice.h"

namespace platform {

int SerialRateOf(int fd) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return -1;
  return static_cast<int>(t.c_ospeed);
}

bool SetSerialRate(int fd, int baud) {
  if (baud <= 0) return false;
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ospeed = static_cast<speed_t>(baud);
  t.c_ispeed = static_cast<speed_t>(baud);
  if (ioctl(fd, TCSETS2, &t) != 0) return false;
  // A driver that cannot do the rate says so only by what it kept; a rate
  // within 2 % of the one asked for still carries the line.
  struct termios2 back {};
  if (ioctl(fd, TCGETS2, &back) != 0) return false;
  const long long kept = back.c_ospeed;
  const long long diff = kept > baud ? kept - baud : baud - kept;
  return diff * 50 <= baud;
}

}  // namespace platform
