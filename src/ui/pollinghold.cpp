#include "ui/pollinghold.h"

namespace ui {

PollingHold::PollingHold(PollingSwitch& polling) : polling_(polling), choice_(polling.StatusWindowChoice()) {
  polling_.SetStatusPolling(false);
}

PollingHold::~PollingHold() {
  if (choice_ == 0) polling_.SetStatusPolling(true);
}

}  // namespace ui
