// The application object: shows what escapes an event handler in a message
// box instead of ending the program.
#pragma once
#include <QApplication>

namespace ui {

class VundApplication : public QApplication {
 public:
  VundApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
  // Shows an escaped exception's message (also used outside notify).
  static void ShowException(const char* what);
};

}  // namespace ui
