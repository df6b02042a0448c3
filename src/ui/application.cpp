#include "ui/application.h"

#include <clocale>
#include <exception>

#include "platform/ui.h"

namespace ui {

VundApplication::VundApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // Qt sets the locale from the environment; numbers in files and on screen
  // always use the C conventions.
  std::setlocale(LC_NUMERIC, "C");
}

void VundApplication::ShowException(const char* what) {
  platform::GetUi().MessageBox("Vund2", what ? what : "", 0x10);
}

bool VundApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowException(e.what());
  } catch (...) {
    ShowException(nullptr);
  }
  return false;
}

}  // namespace ui
