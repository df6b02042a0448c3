// Running a function on the main thread from a worker (the script thread's
// synchronise call). Qt: a blocking queued call; tests: inline.
#pragma once
#include <functional>

namespace platform {

class GuiThread {
 public:
  virtual ~GuiThread() = default;
  // Runs fn on the main thread and waits for it. Returns false without
  // running it when the wait was cancelled (the script was stopped).
  virtual bool Run(const std::function<void()>& fn) = 0;
  // Wakes and fails every waiting Run; later calls fail at once until Reset.
  virtual void Cancel() = 0;
  virtual void Reset() = 0;
};

// Runs every call inline on the calling thread.
class InlineGuiThread : public GuiThread {
 public:
  bool Run(const std::function<void()>& fn) override {
    if (cancelled_) return false;
    fn();
    return true;
  }
  void Cancel() override { cancelled_ = true; }
  void Reset() override { cancelled_ = false; }

 private:
  bool cancelled_ = false;
};

}  // namespace platform
