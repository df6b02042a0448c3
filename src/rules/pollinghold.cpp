#include "rules/pollinghold.h"

namespace rules {

void ResumePolling(PollingSwitch& polling) {
  if (polling.StatusWindowChoice() == 0) polling.SetStatusPolling(true);
}

PollingHold::PollingHold(PollingSwitch* polling) : polling_(polling) {
  if (polling_) polling_->SetStatusPolling(false);
}

PollingHold::~PollingHold() {
  if (polling_) ResumePolling(*polling_);
}

}  // namespace rules
