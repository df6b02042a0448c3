// platform::GuiThread on Qt: a script thread's call is queued to the main
// thread's event loop and the script thread waits for it. Cancel wakes every
// waiter whose call has not started, so a main thread that stops a script
// and waits for its thread never waits on a call it will not run.
#pragma once
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/guithread.h"

namespace ui {

class QtGuiThread : public QObject, public platform::GuiThread {
  Q_OBJECT
 public:
  // Made on the main thread: that is where calls run. inCall, when given,
  // counts the calls running on the main thread of every thread sharing it.
  explicit QtGuiThread(std::shared_ptr<std::atomic<int>> inCall = nullptr, QObject* parent = nullptr);
  ~QtGuiThread() override;

  // From the main thread itself fn runs at once. Otherwise fn is queued and
  // the caller waits until it has run (true), or until Cancel drops it
  // before it started (false). A call that has started is always waited
  // for: it may be writing into the caller's data. What fn throws is
  // thrown again on the calling thread.
  bool Run(const std::function<void()>& fn) override;
  void Cancel() override;
  void Reset() override;

  bool Cancelled() const;
  // Test seam: calls queued and not started; their callers are waiting.
  size_t QueuedForTest() const;
  // True while a call runs on the main thread. A modal dialog of a script
  // may be open further down the main thread's stack then, so the script
  // thread cannot be waited for until that call has returned.
  bool InCall() const;

 private slots:
  // Runs the queued calls. Posted by name, and the queue is ours under our
  // lock, so no data of a call passes through Qt's event between threads.
  void Drain();

 private:
  struct Call;
  void Execute(const std::shared_ptr<Call>& call);

  mutable std::mutex mutex_;
  std::condition_variable done_;
  std::deque<std::shared_ptr<Call>> queue_;
  bool cancelled_ = false;
  int running_ = 0;  // calls running on the main thread (nested by modal loops)
  std::shared_ptr<std::atomic<int>> inCall_;
};

}  // namespace ui
