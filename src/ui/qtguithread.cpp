#include "ui/qtguithread.h"

#include <QMetaObject>
#include <QThread>
#include <exception>

namespace ui {

struct QtGuiThread::Call {
  enum State { kQueued, kRunning, kDone, kDropped };
  std::function<void()> fn;
  State state = kQueued;
  std::exception_ptr error;
};

std::atomic<int> QtGuiThread::allRunning_{0};

QtGuiThread::QtGuiThread(QObject* parent) : QObject(parent) {}

QtGuiThread::~QtGuiThread() {
  // Nobody may be left waiting on calls that can no longer run.
  Cancel();
}

bool QtGuiThread::Run(const std::function<void()>& fn) {
  if (QThread::currentThread() == thread()) {
    if (Cancelled()) return false;
    fn();
    return true;
  }
  auto call = std::make_shared<Call>();
  call->fn = fn;
  std::unique_lock<std::mutex> lock(mutex_);
  if (cancelled_) return false;
  QMetaObject::invokeMethod(
      this, [this, call] { Execute(call); }, Qt::QueuedConnection);
  done_.wait(lock, [&] { return call->state == Call::kDone || (cancelled_ && call->state == Call::kQueued); });
  if (call->state == Call::kDone) {
    // What fn threw ends up with the caller, as if it had run there.
    if (call->error) std::rethrow_exception(call->error);
    return true;
  }
  call->state = Call::kDropped;
  return false;
}

void QtGuiThread::Execute(const std::shared_ptr<Call>& call) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (call->state != Call::kQueued) return;  // its waiter gave up
    call->state = Call::kRunning;
    ++running_;
    ++allRunning_;
  }
  struct Finish {
    QtGuiThread* self;
    const std::shared_ptr<Call>& call;
    ~Finish() {
      std::lock_guard<std::mutex> lock(self->mutex_);
      --self->running_;
      --allRunning_;
      call->state = Call::kDone;
      self->done_.notify_all();
    }
  } finish{this, call};
  try {
    call->fn();
  } catch (...) {
    call->error = std::current_exception();
  }
}

void QtGuiThread::Cancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  cancelled_ = true;
  done_.notify_all();
}

void QtGuiThread::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  cancelled_ = false;
}

bool QtGuiThread::Cancelled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cancelled_;
}

bool QtGuiThread::AnyInCall() { return allRunning_.load() > 0; }

bool QtGuiThread::InCall() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return running_ > 0;
}

}  // namespace ui
