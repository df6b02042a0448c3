#include "platform/ui.h"
#include "ui/application.h"
#include "ui/frmmain.h"
#include "ui/qtui.h"

int main(int argc, char** argv) {
  ui::VundApplication app(argc, argv);
  ui::QtUi qtUi;
  platform::SetUi(&qtUi);
  int rc;
  {
    TFrmMain mainWindow;
    mainWindow.show();
    rc = app.exec();
  }
  platform::SetUi(nullptr);
  return rc;
}
