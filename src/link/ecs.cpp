#include "link/ecs.h"

#include <algorithm>

// A negative count or wait in vund.dat means none: a negative wait would be
// read as four billion ms once it reaches an unsigned delay. No time-out at
// all would fail every exchange at once, so it means the default.
TEcs::TEcs(const TLinkSettings& settings, platform::Clock& clock)
    : clock_(clock),
      timeOutTime_(settings.TimeOutTime > 0 ? settings.TimeOutTime : kEcsDefaultTimeOutMs),
      timeOutRetry_(std::max(0, settings.TimeOutRetry)),
      errorRetry_(std::max(0, settings.ErrorRetry)),
      errorRetryWait_(std::max(0, settings.ErrorRetryWait)),
      comPort_(settings.ComPort),
      configuredBaud_(settings.BaudRate),
      baudRateSupport_(settings.BaudRateSupport),
      baudRateSupportId_(settings.BaudRateSupportID) {}

TEcs::~TEcs() = default;
