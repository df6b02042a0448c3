#include "ui/application.h"

#include <fcntl.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <clocale>
#include <csignal>
#include <exception>

#include <xcb/xcb.h>

#include "platform/convert.h"
#include "platform/ui.h"

namespace ui {

VundApplication::VundApplication(int& argc, char** argv, platform::Ui& ui) : QApplication(argc, argv), ui_(ui) {
  // Qt sets the locale from the environment; numbers in files and on screen
  // always use the C conventions.
  std::setlocale(LC_NUMERIC, "C");
}

void VundApplication::ShowException(platform::Ui& ui, const std::exception& e) {
  ShowException(ui, platform::MessageOf(e, ui.IsJapanese()));
}

void VundApplication::ShowException(platform::Ui& ui, const char* what) {
  ui.MessageBox("Vund2", what ? what : "", 0x10);
}

namespace {

bool IsModalWindow(const QWidget* w) { return w && w->isWindow() && w->isModal() && w->isVisible(); }

// Shown by the program but minimized or unmapped by the window manager.
bool Hidden(const QWidget* w) {
  return IsModalWindow(w) && (w->isMinimized() || !w->windowHandle() || !w->windowHandle()->isExposed());
}

// Maps a window that another X client withdrew behind Qt's back: Qt still
// takes it for shown, so showing it again would do nothing.
void MapAgain(QWidget* w) {
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->connection()) return;
  xcb_map_window(x11->connection(), static_cast<xcb_window_t>(w->winId()));
  xcb_flush(x11->connection());
}

void Restore(QWidget* w) {
  if (!Hidden(w)) return;
  if (!w->isMinimized()) MapAgain(w);
  w->setWindowState(w->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
  w->raise();
  w->activateWindow();
}

// Another window of the program than w can be seen.
bool OtherWindowShown(const QWidget* w) {
  for (const QWidget* other : QApplication::topLevelWidgets())
    if (other != w && other->isVisible() && !other->isMinimized() && !other->windowFlags().testFlag(Qt::Popup) &&
        other->windowHandle() && other->windowHandle()->isExposed())
      return true;
  return false;
}

constexpr int kHiddenCheckMs = 500;

}  // namespace

ModalDialogKeeper::ModalDialogKeeper(QApplication& app) {
  app.installEventFilter(this);
  connect(&app, &QGuiApplication::focusWindowChanged, this, &ModalDialogKeeper::FocusWindowChanged);
  // A dialog unmapped without the window manager (by another X client) sends
  // the program nothing to act on; while one waits for its answer it is
  // looked at now and then, and comes back while the program can be seen.
  hiddenCheck_.setInterval(kHiddenCheckMs);
  connect(&hiddenCheck_, &QTimer::timeout, this, [this] {
    QWidget* front = QApplication::activeModalWidget();
    if (!front) {
      hiddenCheck_.stop();
      return;
    }
    if (Hidden(front) && !front->isMinimized() && OtherWindowShown(front)) Restore(front);
  });
}

bool ModalDialogKeeper::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowStateChange && watched->isWidgetType())
    WindowStateChanged(static_cast<QWidget*>(watched));
  if (event->type() == QEvent::Show && watched->isWidgetType() && static_cast<QWidget*>(watched)->isModal() &&
      !hiddenCheck_.isActive())
    hiddenCheck_.start();
  return false;
}


void ModalDialogKeeper::WindowStateChanged(QWidget* window) {
  if (!IsModalWindow(window)) return;
  const QPointer<QWidget> guarded(window);
  // Changed back once the window manager's change has been taken in.
  if (window->isMaximized()) {
    QTimer::singleShot(0, this, [guarded] {
      if (IsModalWindow(guarded)) guarded->setWindowState(guarded->windowState() & ~Qt::WindowMaximized);
    });
    return;
  }
  if (window->isMinimized()) QTimer::singleShot(0, this, [guarded] { Restore(guarded); });
}

void ModalDialogKeeper::FocusWindowChanged(QWindow* focused) {
  if (!focused) return;
  QList<QPointer<QWidget>> hidden;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowHandle() != focused && Hidden(w)) hidden.append(w);
  if (hidden.isEmpty()) return;
  QTimer::singleShot(0, this, [hidden] {
    for (const QPointer<QWidget>& w : hidden) Restore(w);
    // The dialog that answers stays in front of those under it.
    if (QWidget* front = QApplication::activeModalWidget()) {
      front->raise();
      front->activateWindow();
    }
  });
}

namespace {

int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
  const char byte = 1;
  // Only async-signal-safe work here: the main loop does the rest.
  [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &byte, 1);
}

constexpr int kEndStepMs = 50;

// Ends every open modal dialog and popup as Esc would; returns how many.
int EndModalBoxes() {
  int ended = 0;
  for (int i = 0; i < 8 && QApplication::activePopupWidget(); ++i, ++ended) QApplication::activePopupWidget()->close();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(w);
    if (!dialog || !dialog->isVisible() || dialog->windowModality() == Qt::NonModal) continue;
    auto* box = qobject_cast<QMessageBox*>(dialog);
    if (box && box->escapeButton())
      box->escapeButton()->click();
    else
      dialog->reject();
    ++ended;
  }
  return ended;
}

}  // namespace

void VundApplication::CloseOnTerminationSignals(QWidget* window, std::function<bool()> busy) {
  if (g_signalPipe[0] < 0 && pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  closeTarget_ = window;
  busy_ = std::move(busy);
  endTimer_ = new QTimer(this);
  endTimer_->setInterval(kEndStepMs);
  connect(endTimer_, &QTimer::timeout, this, [this] { EndStep(); });
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this] {
    char buf[16];
    while (read(g_signalPipe[0], buf, sizeof buf) > 0) {
    }
    if (!ending_) {
      ending_ = true;
      endTimer_->start();
    }
    EndStep();
  });
  struct sigaction sa {};
  sa.sa_handler = OnTerminationSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
}

// Runs from the event loop, possibly from a box's loop further up the stack.
void VundApplication::EndStep() {
  if (!ending_) return;
  if (!closeTarget_ || closeTarget_->isHidden()) {
    StopEnding();
    return;
  }
  if (targetClosing_ > 0) return;
  if (QThread::currentThread()->loopLevel() > 1) {
    // Checked again as soon as the loops have returned, before whatever
    // the code after the boxes queues next (a script's next dialog).
    if (EndModalBoxes() > 0) QMetaObject::invokeMethod(this, [this] { EndStep(); }, Qt::QueuedConnection);
    return;
  }
  if (busy_ && busy_()) return;
  closeTarget_->close();
}

void VundApplication::StopEnding() {
  ending_ = false;
  if (endTimer_) endTimer_->stop();
}

bool VundApplication::notify(QObject* receiver, QEvent* event) {
  try {
    if (!ending_ || event->type() != QEvent::Close || receiver != closeTarget_.data())
      return QApplication::notify(receiver, event);
    // The window's own close: held during a target operation (then the
    // boxes are still ended until it runs), otherwise done or refused by the
    // user's Cancel in a save question.
    struct Closing {
      int& depth;
      explicit Closing(int& d) : depth(d) { ++depth; }
      ~Closing() { --depth; }
    } closing(targetClosing_);
    const bool handled = QApplication::notify(receiver, event);
    if (!busy_ || !busy_()) StopEnding();
    return handled;
  } catch (const std::exception& e) {
    ShowException(ui_, e);
  } catch (...) {
    ShowException(ui_, nullptr);
  }
  return false;
}

}  // namespace ui
