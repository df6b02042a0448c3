// The main window's script handling: the script command with its open
// dialog, the script timer that watches the running script and reports its
// errors, status polling held for the whole run, and the current manager,
// which is deleted before the next run and when the window closes.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "rules/pollinghold.h"
#include "script/scriptmanager.h"
#include "ui/qtscripthost.h"

class QTimer;
class Workspace;

namespace ui {


class ScriptRunner {
 public:
  static constexpr int kScriptTimerMs = 1000;

  // polling is the main window's status polling; the scripts' register
  // hooks reach the workspace's target.
  ScriptRunner(rules::PollingSwitch& polling, Workspace& ws);
  // Ends what still runs and closes the script serial ports.
  ~ScriptRunner();
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // The script command: the open dialog, then StartScript with the file.
  void mnuScriptRunClick();
  // Replaces the current manager by a new one for the file and starts it;
  // polling stays off until the script has ended.
  void StartScript(const std::string& fileName);
  // The script timer: when the script has ended, its errors in the
  // "Script Error" box and polling back on when the choice is then
  // "Start"; otherwise the timer goes on.
  void ScriptTimerTimer();
  // The main window's close: a script dialog still open is cancelled, the
  // script windows close, the current manager's threads end and it is deleted.
  void FormClose();

  TScriptManager* Manager() const { return manager_.get(); }
  QTimer* ScriptTimer() const { return timer_.get(); }
  // Managers whose threads are still inside a call on the main thread
  // (a script dialog open further down the stack): deleted once it returns.
  size_t RetiredCount() const { return retired_.size(); }

 private:
  void Retire(std::unique_ptr<TScriptManager> manager);
  void DeleteRetired();
  void RestorePolling();

  rules::PollingSwitch& polling_;
  Workspace& ws_;
  QtScriptHost qtHost_;
  TScriptHost scriptHost_;
  std::unique_ptr<TScriptManager> manager_;
  std::vector<std::unique_ptr<TScriptManager>> retired_;
  std::unique_ptr<QTimer> timer_;
  std::unique_ptr<QTimer> retireTimer_;
  bool watching_ = false;  // the current run has not been reported yet
};

}  // namespace ui
