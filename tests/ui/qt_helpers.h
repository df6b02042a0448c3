// Helpers of the Qt tests: the main window's parts by their object names,
// answers to the modal dialogs a window opens and the event pump the tests
// wait with.
#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLatin1String>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>

#include "ui/frmmain.h"
#include "ui/micomversionpage.h"
#include "ui/registergrid.h"
#include "ui/statuswindow.h"

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

template <class T>
T* Part(const QWidget& window, const char* name) {
  T* part = window.findChild<T*>(QLatin1String(name));
  EXPECT_NE(part, nullptr) << name;
  return part;
}

inline TStatusWindow* StatusWindowOf(const TFrmMain& w) { return Part<TStatusWindow>(w, "GroupBox1"); }
inline TRegisterGrid* GridOf(const TFrmMain& w) { return Part<TRegisterGrid>(w, "RegisterGrid"); }
inline QPlainTextEdit* MemoOf(const TFrmMain& w) { return Part<QPlainTextEdit>(w, "VundMemo"); }
inline QLabel* ComStatusOf(const TFrmMain& w) { return Part<QLabel>(w, "MainStatusPanel0"); }
inline QMenu* CommandMenuOf(const TFrmMain& w) { return Part<QMenu>(w, "mnuCommand"); }
inline TMicomVersionPage* MicomPageOf(const TFrmMain& w) { return Part<TMicomVersionPage>(w, "sGridMiconVer"); }

}  // namespace ui_test
