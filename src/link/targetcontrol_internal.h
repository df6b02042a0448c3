// Shared by the target-control sources only.
#pragma once
#include <string>

#include "link/ecs.h"
#include "link/targetcontrol.h"

namespace targetcontrol_detail {

// The log line of an operation attempted without a link.
std::string NotConnectedText(const platform::Ui& ui);

}  // namespace targetcontrol_detail

// Gives the protocol another receive time-out (or keeps it) and puts the
// saved one back on every way out, unless the protocol was replaced meanwhile.
class TTargetControl::TimeOutScope {
 public:
  explicit TimeOutScope(TTargetControl& owner) : owner_(owner), ecs_(owner.protocol_.get()) {
    if (ecs_) saved_ = ecs_->GetTimeOut();
  }
  TimeOutScope(TTargetControl& owner, int ms) : TimeOutScope(owner) {
    if (ecs_) ecs_->SetTimeOut(ms);
  }
  ~TimeOutScope() {
    if (ecs_ && owner_.protocol_.get() == ecs_) ecs_->SetTimeOut(saved_);
  }
  TimeOutScope(const TimeOutScope&) = delete;
  TimeOutScope& operator=(const TimeOutScope&) = delete;

 private:
  TTargetControl& owner_;
  TEcs* ecs_;
  int saved_ = 0;
};
