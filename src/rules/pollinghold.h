// Status polling held off around a long target operation: polling goes off,
// and it comes back on afterwards only when the Start/Stop choice is "Start"
// by then (the user's last word, so the radio group and the polling agree).
#pragma once

namespace rules {

class PollingSwitch {
 public:
  virtual ~PollingSwitch() = default;
  // 0 "Start", 1 "Stop".
  virtual int StatusWindowChoice() const = 0;
  virtual void SetStatusPolling(bool on) = 0;
};

// Polling back on when the choice, as it stands now, is "Start".
void ResumePolling(PollingSwitch& polling);

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
};

}  // namespace rules
