#include "rules/busystate.h"

namespace rules {

bool BusyState::TryEnter() {
  if (depth_ > 0) return false;
  ++depth_;
  return true;
}

bool BusyState::Leave() {
  if (depth_ > 0) --depth_;
  if (depth_ == 0 && closePending_) {
    closePending_ = false;
    return true;
  }
  return false;
}

bool BusyState::DeferClose() {
  if (depth_ == 0) return false;
  closePending_ = true;
  return true;
}

}  // namespace rules
