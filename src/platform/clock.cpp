#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {

class SteadyClock : public Clock {
 public:
  uint64_t NowMs() override { return NowUs() / 1000; }
  uint64_t NowUs() override {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
  }
  void BusyWaitMs(uint32_t ms) override {
    const uint64_t end = NowUs() + uint64_t(ms) * 1000;
    while (NowUs() < end) {
    }
  }
  void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

}  // namespace

Clock& SystemClock() {
  static SteadyClock clock;
  return clock;
}

}  // namespace platform
