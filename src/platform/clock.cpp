#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace platform {

uint64_t SteadyClock::NowUs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

void SteadyClock::BusyWaitMs(uint32_t ms) {
  const uint64_t end = NowUs() + uint64_t(ms) * 1000;
  while (NowUs() < end) {
  }
}

void SteadyClock::SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace platform
