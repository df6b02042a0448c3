// The application object: shows what escapes an event handler in a message
// box instead of ending the program, keeps modal dialogs in sight and closes
// the main window on a termination signal.
#pragma once
#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <exception>
#include <functional>

class QTimer;
class QWindow;

namespace platform {
class Ui;
}

namespace ui {

// Keeps the program's modal dialogs in sight. Window managers offer minimize
// and maximize on any window, and a minimized modal dialog would leave every
// window of the program dead, often with nothing on the screen to bring it
// back (some window managers take the dialog's owner down with it, or the
// dialog with its owner, alike). So a modal dialog that is minimized comes
// back at once, while the program waits for its answer; one the window
// manager hid some other way (showing the desktop) comes back with the first
// window of the program that is activated. A maximized one takes its size
// again.
class ModalDialogKeeper : public QObject {
 public:
  explicit ModalDialogKeeper(QApplication& app);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void WindowStateChanged(QWidget* window);
  void FocusWindowChanged(QWindow* focused);

  QTimer hiddenCheck_;
};

class VundApplication : public QApplication {
 public:
  // ui shows what escapes a handler; it outlives the application.
  VundApplication(int& argc, char** argv, platform::Ui& ui);
  bool notify(QObject* receiver, QEvent* event) override;
  // Shows an escaped exception's message (also used outside notify), in the
  // language the user reads where it has one in Japanese.
  static void ShowException(platform::Ui& ui, const std::exception& e);
  static void ShowException(platform::Ui& ui, const char* what);
  // SIGTERM, SIGINT and SIGHUP close window as the user would, so changed
  // files are offered for saving and the settings written, instead of the
  // process just ending. Boxes and dialogs open then are ended first as Esc
  // ends them, and the close waits until all of them have returned: it
  // deletes windows that the code after a box may still use. busy: a target
  // operation runs; the close waits for its end, ending the boxes it opens.
  void CloseOnTerminationSignals(QWidget* window, std::function<bool()> busy);
  // A termination signal came and the window's close it asked for has not
  // ended yet: a close now is the signal's.
  bool EndingOnSignal() const { return ending_; }

 private:
  void EndStep();
  void StopEnding();

  platform::Ui& ui_;
  ModalDialogKeeper keeper_{*this};
  QPointer<QWidget> closeTarget_;
  std::function<bool()> busy_;
  QTimer* endTimer_ = nullptr;
  bool ending_ = false;    // a signal came; the window's close has not run yet
  int targetClosing_ = 0;  // the window's close is running (its questions are the user's)
};

}  // namespace ui
