// An in-process physical layer wired to a SimTarget, for tests. Replies travel
// on the given clock: each chunk arrives at a time of its own, Read hands over
// what has arrived by clock.NowUs(), and WaitForData on a VirtualClock moves
// the clock to the next arrival (or by the whole time-out) instead of
// sleeping, so time-outs, retries and gaps cost no real time.
// The host's line rate is the baud index of the last Open; the target hears
// only noise while it differs from the target's own.
// One thread drives a link (the host's); the target may be shared.
#pragma once
#include <cstdint>
#include <deque>

#include "link/busphysicallayer.h"
#include "platform/clock.h"
#include "simtarget.h"

class SimLink : public TBusPhysicalLayer {
 public:
  // Starts open at baud index 6 (9600), the serial port's default.
  SimLink(SimTarget& target, platform::Clock& clock);

  bool Open(uint8_t port, uint8_t baud, uint8_t dataBitReduction, uint8_t parity, uint8_t stopBits,
            uint8_t flowMode) override;
  bool OpenUsb(uint16_t vendorId, uint16_t productId, uint8_t inEndPoint, uint8_t outEndPoint) override;
  bool Close() override;
  bool Read(uint8_t* buffer, uint32_t maximum, uint32_t& received) override;
  bool Write(const uint8_t* buffer, uint32_t length) override;
  void Purge() override;
  bool WaitForData(uint32_t timeoutMs) override;
  bool IsSerial() const override { return serial_; }

  // For tests: make the next Write calls fail.
  void FailWrites(bool fail) { failWrites_ = fail; }

 private:
  struct Arrival {
    uint64_t atUs;
    SimBytes bytes;
  };
  void DropAll();
  size_t ArrivedBytes(uint64_t nowUs) const;

  SimTarget& target_;
  platform::Clock& clock_;
  std::deque<Arrival> queue_;  // in arrival order
  size_t headOffset_ = 0;      // bytes of the first arrival already read
  uint64_t lineFreeUs_ = 0;    // when the target's last chunk finishes arriving
  bool open_ = true;
  bool serial_ = true;
  int hostBaud_ = 6;
  bool failWrites_ = false;
};
