// The main window's progress text around a target operation: cleared with
// the progress bar on every way out, so a failure leaves no half-full bar.
#pragma once
#include <string>

#include "platform/mainwindowservices.h"

namespace rules {

class ProgressScope {
 public:
  explicit ProgressScope(platform::MainWindowServices& services, const std::string& text = std::string())
      : services_(services) {
    if (!text.empty()) Set(text);
  }
  ~ProgressScope() { Clear(); }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;
  void Set(const std::string& text) { services_.SetProgressMessage(text); }
  // Before a box that reports the failure.
  void Clear() {
    Set("");
    services_.SetProgressPosition(0);
  }

 private:
  platform::MainWindowServices& services_;
};

}  // namespace rules
