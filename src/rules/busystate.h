// Long target operations let the window repaint by processing pending events
// (without user input). Timers and a close request can still arrive then: this
// keeps a second operation from starting and holds a close until the running
// operation ends.
#pragma once

namespace rules {

class BusyState {
 public:
  bool Busy() const { return depth_ > 0; }
  // Starts an operation; false (nothing started) while another one runs.
  bool TryEnter();
  // Ends the operation; true when a close was asked meanwhile and is due now.
  bool Leave();
  // Asks for a close: false when it may run now, true when it was held back
  // until the running operation ends.
  bool DeferClose();

 private:
  int depth_ = 0;
  bool closePending_ = false;
};

}  // namespace rules
