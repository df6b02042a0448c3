#include "ui/frmmain.h"

#include <QAction>
#include <QMenuBar>

#include "ui/textconv.h"

TFrmMain* FrmMain = nullptr;

TFrmMain::TFrmMain(QWidget* parent) : QMainWindow(parent) {
  FrmMain = this;
  setWindowTitle(QStringLiteral("Vund2"));
  CreateMenus();
  resize(800, 600);
}

TFrmMain::~TFrmMain() {
  if (FrmMain == this) FrmMain = nullptr;
}

void TFrmMain::CreateMenus() {
  QMenu* file = menuBar()->addMenu(ui::ToQt("ファイル(&F)"));
  QAction* exit = file->addAction(ui::ToQt("終了(&X)"));
  exit->setObjectName(QStringLiteral("mnuExit"));
  connect(exit, &QAction::triggered, this, &QWidget::close);
}
