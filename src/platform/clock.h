// Monotonic time for the protocol code. Tests replace the system clock with a
// virtual one so that time-outs, retries and settle waits cost no real time.
#pragma once
#include <atomic>
#include <cstdint>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint64_t NowMs() = 0;  // 64-bit: never wraps
  virtual uint64_t NowUs() = 0;
  // A busy wait of ms milliseconds (frame pacing); never sleeps.
  virtual void BusyWaitMs(uint32_t ms) = 0;
  // Lets the calling thread sleep (used between retries, never for pacing).
  virtual void SleepMs(uint32_t ms) = 0;
};

// The real monotonic clock. It holds no state: any number of them agree.
class SteadyClock : public Clock {
 public:
  uint64_t NowMs() override { return NowUs() / 1000; }
  uint64_t NowUs() override;
  void BusyWaitMs(uint32_t ms) override;
  void SleepMs(uint32_t ms) override;
};

// A clock that moves only by Advance and by the waits made on it.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(uint64_t startUs = 1000000) : nowUs_(startUs) {}
  uint64_t NowMs() override { return nowUs_.load() / 1000; }
  uint64_t NowUs() override { return nowUs_.load(); }
  void BusyWaitMs(uint32_t ms) override { AdvanceUs(uint64_t(ms) * 1000); }
  void SleepMs(uint32_t ms) override { AdvanceUs(uint64_t(ms) * 1000); }
  void AdvanceUs(uint64_t us) { nowUs_ += us; }
  void AdvanceMs(uint64_t ms) { nowUs_ += ms * 1000; }

 private:
  std::atomic<uint64_t> nowUs_;
};

}  // namespace platform
