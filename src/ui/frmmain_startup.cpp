// The main window's start-up and close, and the guards of target operations.
#include <QApplication>
#include <QCloseEvent>
#include <QTimer>
#include <exception>

#include "link/targetcontrol.h"
#include "link/workspace.h"
#include "model/tables.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "rules/registercommands.h"
#include "ui/application.h"
#include "ui/frmmain.h"
#include "ui/registergridtabcontrol.h"
#include "ui/scriptrunner.h"
#include "ui/statuswindow.h"
#include "ui/textconv.h"

// ---- Guards ----

TFrmMain::TargetOperation::TargetOperation(TFrmMain& window)
    : window_(window), started_(window.busy_.TryEnter()) {}

TFrmMain::TargetOperation::~TargetOperation() {
  if (started_ && window_.busy_.Leave()) {
    // The close the user asked for while the operation ran.
    QTimer::singleShot(0, &window_, &QWidget::close);
  }
}

// ---- Start-up ----

void TFrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  FormShow();
}

void TFrmMain::FormShow() {
  if (!startupStarted_) initTimer->start();
}

void TFrmMain::initTimerTimer() {
  initTimer->stop();
  const QStringList args = QCoreApplication::arguments();
  RunStartupNow(args.size() > 1 ? ui::FromQt(args[1]) : std::string());
}

void TFrmMain::RunStartupNow(const std::string& firstArgument) {
  if (startupStarted_) return;
  startupStarted_ = true;
  initTimer->stop();
  TargetOperation op(*this);
  ui::RunStartup(*this, firstArgument);
  startupDone_ = true;
}

void TFrmMain::ForceEnglish() { ws_.ui.SetForceEnglish(true); }

void TFrmMain::LoadSettings() { ws_.settings.LoadSettings(); }

void TFrmMain::LoadDataFiles() {
  ws_.settings.GetLastRegFiles(sRegFileName_, hRegFileName_);
  ws_.SRegisters.LoadFromFile(ui::RegFilePath(sRegFileName_), false, ws_.ui, ws_.settings);
  ws_.HRegisters.LoadFromFile(ui::RegFilePath(hRegFileName_), true, ws_.ui, ws_.settings);
  // A file chosen in the open dialog in place of a missing one is the one
  // the window works on and saves to.
  ws_.settings.GetLastRegFiles(sRegFileName_, hRegFileName_);
  ws_.UserTables.LoadFromFile(platform::ProgramFolder() + "Table.dat", ws_.ui);
  ws_.vund.LoadVundData();
  UpdateCaption();
}

// The connect step of start-up.
bool TFrmMain::Connect() { return connector_ ? connector_() : ws_.TargetControl.Connect(ws_.linkSettings); }

int TFrmMain::FindBaudRate() { return ws_.TargetControl.FindBaudRate(); }

void TFrmMain::RaiseBaudRate() { ws_.TargetControl.RaiseBaudRate(); }

int TFrmMain::LinkBaudIndex() const { return ws_.TargetControl.GetBaudIndex(); }

void TFrmMain::TakeSnapshot() { ws_.SRegisters.TakeSnapshot(); }

// ---- Close ----

void TFrmMain::mnuExitClick() { close(); }

void TFrmMain::closeEvent(QCloseEvent* event) {
  if (closed_) {
    event->accept();
    return;
  }
  // Closed before start-up loaded anything: there is nothing to save, and
  // saving the empty store would overwrite the files with defaults.
  if (!startupStarted_) {
    initTimer->stop();
    closed_ = true;
    event->accept();
    return;
  }
  // Never in the middle of a target operation: the close runs when it ends.
  if (busy_.DeferClose()) {
    event->ignore();
    return;
  }
  TargetOperation op(*this);
  if (!ui::RunClose(*this)) {
    event->ignore();
    return;
  }
  closed_ = true;
  event->accept();
}

int TFrmMain::SaveRegisterFileIfChanged(int kind) {
  if (kind == 0) return ws_.SRegisters.SaveIfChanged(ui::RegFilePath(sRegFileName_), false, ws_.ui);
  return ws_.HRegisters.SaveIfChanged(ui::RegFilePath(hRegFileName_), true, ws_.ui);
}

void TFrmMain::SendBaudRate() { ws_.TargetControl.SendBaudRate(); }

void TFrmMain::SaveRefreshList() { ws_.vund.SaveRefreshList(); }

void TFrmMain::SaveWindowSettings() {
  // The frame, as it is placed at the next start.
  const QRect frame = frameGeometry();
  ws_.settings.SetMainWindowRect(frame.x(), frame.y(), frame.width(), frame.height(), GroupBox1->width(),
                                 S_HRegTab->height());
  ws_.settings.SetColors(backColor_, msgBackColor_, selRegBackColor_);
  ws_.settings.SetFonts(fontName_, fontStyle_, fontSize_, msgFontName_, msgFontStyle_, msgFontSize_, msgFontColor_);
  try {
    ws_.settings.SaveSettings();
  } catch (const std::exception& e) {
    // The window still closes; the user has seen why the settings were not kept.
    ui::VundApplication::ShowException(ws_.ui, e.what());
  }
}

void TFrmMain::ReleaseResources() {
  scriptRunner_->FormClose();
  searchHistory_.clear();
}
