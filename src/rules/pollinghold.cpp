#include "rules/pollinghold.h"

namespace rules {

PollingHold::PollingHold(PollingSwitch* polling) : polling_(polling) {
  if (!polling_) return;
  choice_ = polling_->StatusWindowChoice();
  polling_->SetStatusPolling(false);
}

PollingHold::~PollingHold() {
  if (polling_ && choice_ == 0) polling_->SetStatusPolling(true);
}

}  // namespace rules
