#include "rules/mainlifecycle.h"

#include "platform/ui.h"
#include "rules/mainwindowrules.h"

namespace rules {

bool RunStartup(MainWindowSteps& steps, MainView& view, TLineRate& line, const std::string& firstArgument) {
  RegisterPane& registers = view.Registers();
  StatusPane& status = view.Status();
  if (ArgumentForcesEnglish(firstArgument)) steps.ForceEnglish();
  steps.LoadSettings();
  view.ApplySettings();
  steps.LoadDataFiles();
  registers.BuildTabStrip();
  steps.FillCommandMenu();
  registers.SelectFirstValueCell();
  if (!steps.Connect()) return false;

  bool ok = status.ReadRegisterValues(RegKind::S);
  if (!ok && line.FindBaudRate() == 0) ok = status.ReadRegisterValues(RegKind::S);
  status.SetStatusPolling(false);
  // A faster line only after the target answered at the current one.
  if (ok) line.RaiseBaudRate();
  steps.ShowComStatus();
  // Values not read stay "not read"; the grid compares against them anyway.
  steps.TakeSnapshot();
  registers.ShowRegisterTab(0);
  status.StartStatusPolling();
  return true;
}

bool ConnectAfterComPortChoice(MainWindowSteps& steps, MainView& view, TLineRate& line, bool choiceChanged,
                               bool wasConnected, bool linkWorking, RegKind shownFile, int tab) {
  if (!choiceChanged && wasConnected && linkWorking) {
    steps.ShowComStatus();
    return true;
  }
  if (!steps.Connect()) {
    steps.ShowComStatus();
    return false;
  }
  StatusPane& status = view.Status();
  bool ok = status.ReadRegisterValues(shownFile);
  if (!ok && line.FindBaudRate() == 0) ok = status.ReadRegisterValues(shownFile);
  if (ok) line.RaiseBaudRate();
  steps.ShowComStatus();
  if (!wasConnected) steps.TakeSnapshot();
  view.Registers().ShowRegisterTab(tab);
  return ok;
}

bool RunClose(MainWindowSteps& steps, MainView& view, TLineRate& line, CloseCause cause) {
  StatusPane& status = view.Status();
  const bool wasPolling = status.StopStatusPolling();
  const bool settingsFirst = cause == CloseCause::Signal;
  if (settingsFirst) {
    steps.SaveRefreshList();
    steps.SaveWindowSettings();
  }
  for (const RegKind kind : {RegKind::S, RegKind::H}) {
    if (steps.SaveRegisterFileIfChanged(kind) == platform::kIdCancel) {
      if (wasPolling) status.SetStatusPolling(true);
      return false;
    }
  }
  line.SendBaudRate();
  if (!settingsFirst) {
    steps.SaveRefreshList();
    steps.SaveWindowSettings();
  }
  view.ReleaseResources();
  return true;
}

}  // namespace rules
