#include "link/ecs.h"

#include <algorithm>

#include "model/vunddata.h"

// A negative count or wait in vund.dat means none: a negative wait would be
// read as four billion ms once it reaches an unsigned delay.
TEcs::TEcs(platform::Clock& clock)
    : clock_(clock),
      timeOutTime_(GetTimeOutTime()),
      timeOutRetry_(std::max(0, GetTimeOutRetry())),
      errorRetry_(std::max(0, GetErrorRetry())),
      errorRetryWait_(std::max(0, GetErrorRetryWait())) {}

TEcs::~TEcs() = default;
