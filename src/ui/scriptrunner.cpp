#include "ui/scriptrunner.h"

#include <QThread>
#include <QTimer>

#include "link/workspace.h"
#include "model/systemfunc.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "script/builtins/childprocess.h"
#include "script/builtins/modules.h"
#include "script/machine/jexecutable.h"

namespace ui {

namespace {
constexpr int kRetireRetryMs = 50;
constexpr int kMbIconError = 0x10;
}  // namespace

ScriptRunner::ScriptRunner(rules::PollingSwitch& polling, Workspace& ws)
    : polling_(polling),
      ws_(ws),
      qtHost_(ws.services),
      scriptHost_(qtHost_, ws.TargetControl),
      timer_(std::make_unique<QTimer>()),
      retireTimer_(std::make_unique<QTimer>()) {
  scriptHost_.InstallRegisterHooks();
  // Closing a script window while its script runs asks first.
  qtHost_.SetCloseCheck([this] { return ConfirmScriptWindowClose(manager_.get(), ws_.ui); });
  timer_->setObjectName(QStringLiteral("ScriptTimer"));
  timer_->setInterval(kScriptTimerMs);
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { ScriptTimerTimer(); });
  retireTimer_->setInterval(kRetireRetryMs);
  QObject::connect(retireTimer_.get(), &QTimer::timeout, [this] { DeleteRetired(); });
}

ScriptRunner::~ScriptRunner() {
  timer_->stop();
  retireTimer_->stop();
  FormClose();
  DeleteRetired();
  // Still inside a script's call on the main thread: its threads cannot be
  // waited for from here, so they are left to the end of the process.
  for (std::unique_ptr<TScriptManager>& m : retired_) (void)m.release();
  retired_.clear();
}

void ScriptRunner::mnuScriptRunClick() {
  platform::FileDialogOptions options;
  options.initialDir = platform::ProgramFolder();
  options.defaultExt = "jsc";
  options.filter = "Script files (*.jsc)|*.JSC";
  polling_.SetStatusPolling(false);
  std::string fileName;
  if (ws_.ui.OpenFileDialog(options, fileName)) {
    StartScript(fileName);
    return;
  }
  // A script that still runs keeps polling off until its end.
  if (!watching_) RestorePolling();
}

void ScriptRunner::StartScript(const std::string& fileName) {
  if (manager_) Retire(std::move(manager_));
  manager_ = std::make_unique<TScriptManager>(fileName, 1, &qtHost_);
  manager_->Start();
  watching_ = true;
  timer_->start();
}

void ScriptRunner::ScriptTimerTimer() {
  timer_->stop();
  // A run is reported once.
  if (!manager_ || !watching_) return;
  if (!manager_->IsFinished()) {
    timer_->start();
    return;
  }
  watching_ = false;
  if (!manager_->CollectResults()) {
    const std::string error = manager_->GetLastError();
    ws_.ui.ShowMessageBoxJE("Script Error", error, "Script Error", error, kMbIconError);
  }
  RestorePolling();
}

// Closing the main window ends the program: a script dialog still open is
// cancelled and every script window goes at once, so nothing of a script keeps
// the program alive; the stopped threads are deleted once their calls return.
void ScriptRunner::FormClose() {
  timer_->stop();
  watching_ = false;
  if (manager_) Retire(std::move(manager_));
  qtHost_.RejectDialogs();
  for (const std::unique_ptr<TScriptManager>& m : retired_)
    for (int i = 0; i < m->SlotCount(); ++i)
      if (TJExecutable* slot = m->Slot(i)) slot->CloseWindow();
}

// The choice as it stands at the end, not as it was at the start: the user
// may have clicked Start or Stop while the script ran.
void ScriptRunner::RestorePolling() { rules::ResumePolling(polling_); }

// A manager's threads are stopped at once; it is deleted (which waits for
// them) unless one of them is inside a call that the main thread is running
// further down its stack: waiting then would never end, so it is deleted
// once that call has returned. Nor while a box runs its loop further down:
// the box may belong to one of its windows, and the code after it may use it.
void ScriptRunner::Retire(std::unique_ptr<TScriptManager> manager) {
  manager->StopAll();
  retired_.push_back(std::move(manager));
  DeleteRetired();
}

void ScriptRunner::DeleteRetired() {
  if (qtHost_.AnyInCall() || QThread::currentThread()->loopLevel() > 1) {
    for (std::unique_ptr<TScriptManager>& m : retired_) m->StopAll();
    if (!retired_.empty() && !retireTimer_->isActive()) retireTimer_->start();
    return;
  }
  retireTimer_->stop();
  std::vector<std::unique_ptr<TScriptManager>> done;
  done.swap(retired_);
  for (std::unique_ptr<TScriptManager>& m : done) {
    m->TerminateAll();
    m.reset();
  }
}

}  // namespace ui
