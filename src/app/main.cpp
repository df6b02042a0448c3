#include <QColor>
#include <QPalette>
#include <exception>

#include "platform/ui.h"
#include "rules/mainwindowrules.h"
#include "ui/application.h"
#include "ui/formtable.h"
#include "ui/frmmain.h"
#include "ui/qtui.h"

int main(int argc, char** argv) {
  ui::VundApplication app(argc, argv);
  ui::QtUi qtUi;
  platform::SetUi(&qtUi);
  int rc = 0;
  try {
    TFrmMain mainWindow;
    // Made once, shown and hidden from the Edit menu; closing the main
    // window ends the program even while it is open.
    TFormTable tableWindow(&mainWindow);
    // Its grid takes the edit-window colour and font of the main window.
    QObject::connect(&mainWindow, &TFrmMain::EditWindowColorChanged, &tableWindow, [&tableWindow](int color) {
      const ui::Rgb c = ui::ColorToRgb(color);
      QPalette p = tableWindow.palette();
      p.setColor(QPalette::Base, QColor(c.r, c.g, c.b));
      tableWindow.setPalette(p);
    });
    QObject::connect(&mainWindow, &TFrmMain::EditWindowFontChanged, &tableWindow,
                     [&] { tableWindow.setFont(mainWindow.font()); });
    app.CloseOnTerminationSignals(&mainWindow);
    mainWindow.show();
    rc = app.exec();
  } catch (const std::exception& e) {
    ui::VundApplication::ShowException(e.what());
  } catch (...) {
    ui::VundApplication::ShowException(nullptr);
  }
  platform::SetUi(nullptr);
  return rc;
}
