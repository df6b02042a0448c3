// The line rate of the link as the main window's start-up, close and reload
// drive it. TTargetControl is the one implementation; tests log the calls.
#pragma once

class TLineRate {
 public:
  virtual ~TLineRate() = default;
  virtual int FindBaudRate() = 0;   // 0 or -1
  virtual int RaiseBaudRate() = 0;  // 0 or -1
  virtual int SendBaudRate() = 0;   // the protocol's status; -1 without a link
  virtual int GetBaudIndex() = 0;   // 0 without a link
};
