// The application object: shows what escapes an event handler in a message
// box instead of ending the program.
#pragma once
#include <QApplication>
#include <exception>

namespace platform {
class Ui;
}

namespace ui {

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
  // process just ending.
  void CloseOnTerminationSignals(QWidget* window);

 private:
  platform::Ui& ui_;
};

}  // namespace ui
