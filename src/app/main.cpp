#include <QColor>
#include <QPalette>
#include <exception>

#include "link/workspace.h"
#include "rules/mainwindowrules.h"
#include "ui/application.h"
#include "ui/formtable.h"
#include "ui/frmmain.h"
#include "ui/qtui.h"

int main(int argc, char** argv) {
  ui::QtUi qtUi;
  ui::VundApplication app(argc, argv, qtUi);
  // Qt's own dialogs and buttons speak the language of the program's texts.
  ui::LoadQtTranslations(app, qtUi.IsJapanese() && !(argc > 1 && rules::ArgumentForcesEnglish(argv[1])));
  int rc = 0;
  try {
    Workspace ws(qtUi);
    TFrmMain mainWindow(ws);
    qtUi.SetMainWindow(&mainWindow);
    // Made once, shown and hidden from the Edit menu; closing the main
    // window ends the program even while it is open.
    TFormTable tableWindow(&mainWindow, ws);
    QObject::connect(&mainWindow, &TFrmMain::TableWindowRequested, &tableWindow, &TFormTable::ShowTable);
    // Its grid takes the edit-window colour and font of the main window.
    QObject::connect(&mainWindow, &TFrmMain::EditWindowColorChanged, &tableWindow, [&tableWindow](int color) {
      const rules::Rgb c = rules::ColorToRgb(color);
      QPalette p = tableWindow.palette();
      p.setColor(QPalette::Base, QColor(c.r, c.g, c.b));
      tableWindow.setPalette(p);
    });
    QObject::connect(&mainWindow, &TFrmMain::EditWindowFontChanged, &tableWindow,
                     [&] { tableWindow.setFont(mainWindow.font()); });
    app.CloseOnTerminationSignals(&mainWindow, [&mainWindow] { return mainWindow.Controller().Busy(); });
    mainWindow.show();
    rc = app.exec();
  } catch (const std::exception& e) {
    ui::VundApplication::ShowException(qtUi, e);
  } catch (...) {
    ui::VundApplication::ShowException(qtUi, nullptr);
  }
  return rc;
}
