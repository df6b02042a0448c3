// A serial device on POSIX termios, in raw mode, with a wake-up descriptor so
// that a thread blocked in WaitInput can be released by another thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct termios;

namespace platform {

struct SerialSettings {
  int baud = 9600;    // bits per second; any rate the driver accepts
  int dataBits = 8;   // 5 to 8
  int parity = 0;     // 0 none, 1 odd, 2 even, 3 mark, 4 space
  int stopBits = 0;   // 0 one, 1 one and a half, 2 two
  int flowMode = 0;   // 0 none, 1 hardware handshake, 2 XON/XOFF
  uint8_t xonChar = 0x11;
  uint8_t xoffChar = 0x13;
};

class SerialDevice {
 public:
  enum class WaitResult { Readable, Woken, Failed, TimedOut };

  SerialDevice() = default;
  ~SerialDevice();
  SerialDevice(const SerialDevice&) = delete;
  SerialDevice& operator=(const SerialDevice&) = delete;

  // Opens the device (a CP932 path) for exclusive use, non-blocking, in raw
  // mode. False (with LastErrno) when it cannot be opened; EBUSY when another
  // open holds it, in this program or another one, whoever runs it.
  bool Open(const std::string& path);
  // Drops the exclusive use and its locks and closes the device and the
  // wake-up descriptor.
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Applies the line settings; false when the driver refuses them or a value
  // is out of range.
  bool Configure(const SerialSettings& settings);
  // DTR and RTS; a device without modem lines (a pseudo-terminal) ignores it.
  void SetModemLines(bool dtr, bool rts);
  // Discards both directions' driver buffers.
  void Purge();

  // Writes every byte or as many as go out within timeoutMs; returns the
  // number written.
  size_t WriteAll(const uint8_t* data, size_t length, uint32_t timeoutMs);
  // What is waiting, at most maximum bytes: > 0 bytes read, 0 nothing
  // waiting, -1 the device failed or hung up.
  int ReadSome(uint8_t* buffer, int maximum);

  // Blocks until input is waiting (or the device reports a hang-up or error,
  // which ReadSome then reveals), or Wake is called; with a timeoutMs >= 0, at
  // most that long.
  WaitResult WaitInput(int timeoutMs = -1);
  // Blocks until Wake is called (a receiver that has given up on the device),
  // or at most timeoutMs when that is >= 0; true when woken.
  bool WaitWake(int timeoutMs = -1);
  // Releases WaitInput and WaitWake, now or at their next call. Thread-safe.
  void Wake();

  int LastErrno() const { return lastErrno_; }

 private:
  int fd_ = -1;
  int wakeFd_ = -1;
  int lastErrno_ = 0;
  std::string lockFile_;  // the lock file this open made (OS path), or empty
};

// The lock file that serial tools agree on for the device behind path
// (links followed): "LCK..ttyS0" for /dev/ttyS0 in the system's lock folder,
// as an OS path. Empty when there is no lock folder.
std::string SerialLockFilePath(const std::string& path);

// Turns t (as read from the device) into a raw line with the settings, all
// but a rate without a B constant; false when a value is out of range.
bool ApplySerialSettings(const SerialSettings& settings, struct termios& t);

// The rate of a terminal as set, through termios2 (works for rates without a
// B constant). -1 when it cannot be read.
int SerialRateOf(int fd);
// Sets a terminal's input and output rate to any rate with termios2 BOTHER.
bool SetSerialRate(int fd, int baud);

}  // namespace platform
