// Status polling held off around a long target operation: the Start/Stop
// choice is saved, polling goes off, and it comes back on afterwards only
// when the choice was "Start".
#pragma once

namespace rules {

class PollingSwitch {
 public:
  virtual ~PollingSwitch() = default;
  // 0 "Start", 1 "Stop".
  virtual int StatusWindowChoice() const = 0;
  virtual void SetStatusPolling(bool on) = 0;
};

class PollingHold {
 public:
  explicit PollingHold(PollingSwitch& polling) : PollingHold(&polling) {}
  // Without a switch (nullptr) there is nothing to hold.
  explicit PollingHold(PollingSwitch* polling);
  ~PollingHold();
  PollingHold(const PollingHold&) = delete;
  PollingHold& operator=(const PollingHold&) = delete;

 private:
  PollingSwitch* polling_;
  int choice_ = 1;
};

}  // namespace rules
