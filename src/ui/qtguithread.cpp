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

QtGuiThread::QtGuiThread(std::shared_ptr<std::atomic<int>> inCall, QObject* parent)
    : QObject(parent), inCall_(std::move(inCall)) {}

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
  queue_.push_back(call);
  QMetaObject::invokeMethod(this, "Drain", Qt::QueuedConnection);
  done_.wait(lock, [&] { return call->state == Call::kDone || call->state == Call::kDropped; });
  if (call->state == Call::kDropped) return false;
  // What fn threw ends up with the caller, as if it had run there. Taken out
  // here, so the main thread never releases it.
  std::exception_ptr error = std::move(call->error);
  lock.unlock();
  if (error) std::rethrow_exception(error);
  return true;
}

void QtGuiThread::Drain() {
  for (;;) {
    std::shared_ptr<Call> call;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (queue_.empty()) return;
      call = std::move(queue_.front());
      queue_.pop_front();
      if (call->state != Call::kQueued) continue;  // its waiter gave up
      call->state = Call::kRunning;
      ++running_;
      if (inCall_) ++*inCall_;
    }
    Execute(call);
  }
}

void QtGuiThread::Execute(const std::shared_ptr<Call>& call) {
  struct Finish {
    QtGuiThread* self;
    const std::shared_ptr<Call>& call;
    ~Finish() {
      std::lock_guard<std::mutex> lock(self->mutex_);
      --self->running_;
      if (self->inCall_) --*self->inCall_;
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
  for (const std::shared_ptr<Call>& call : queue_)
    if (call->state == Call::kQueued) call->state = Call::kDropped;
  queue_.clear();
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

size_t QtGuiThread::QueuedForTest() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

bool QtGuiThread::InCall() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return running_ > 0;
}

}  // namespace ui
