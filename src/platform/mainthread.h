// The mark of an object that lives on the main thread: a worker thread (a
// script) reaches it only by running a function there through
// platform::GuiThread. Such an object is handed out by reference and never
// copied, so no copy of it can wander off to another thread.
#pragma once

namespace platform {

class MainThreadOnly {
 public:
  MainThreadOnly(const MainThreadOnly&) = delete;
  MainThreadOnly& operator=(const MainThreadOnly&) = delete;

 protected:
  MainThreadOnly() = default;
  ~MainThreadOnly() = default;
};

}  // namespace platform
