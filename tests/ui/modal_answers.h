// Answers the modal dialogs a window opens, in turn: each handler runs on the
// next dialog that comes up. And the event pump the Qt tests wait with.
#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>

namespace ui_test {

// Runs the events of this thread until done holds; false after 20 seconds.
template <typename Pred>
bool PumpUntil(Pred done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

class ModalAnswers {
 public:
  ModalAnswers() {
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
  }
  ~ModalAnswers() { EXPECT_TRUE(queue_.empty()) << queue_.size() << " dialog(s) never came up"; }
  ModalAnswers(const ModalAnswers&) = delete;
  ModalAnswers& operator=(const ModalAnswers&) = delete;

  ModalAnswers& Then(std::function<void(QDialog*)> answer) {
    queue_.push_back(std::move(answer));
    timer_.start();
    return *this;
  }

 private:
  void Tick() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || dialog == last_ || queue_.empty()) return;
    last_ = dialog;
    auto answer = std::move(queue_.front());
    queue_.pop_front();
    if (queue_.empty()) timer_.stop();
    answer(dialog);
  }

  QTimer timer_;
  QPointer<QDialog> last_;
  std::deque<std::function<void(QDialog*)>> queue_;
};

}  // namespace ui_test
