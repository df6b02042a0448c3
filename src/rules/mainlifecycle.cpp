#include "rules/mainlifecycle.h"

#include "platform/ui.h"
#include "rules/mainwindowrules.h"

namespace ui {

bool RunStartup(MainWindowSteps& w, const std::string& firstArgument) {
  if (ArgumentForcesEnglish(firstArgument)) w.ForceEnglish();
  w.LoadSettings();
  w.ApplySettings();
  w.LoadDataFiles();
  w.BuildTabStrip();
  w.BuildCommandMenu();
  w.SelectFirstValueCell();
  if (!w.Connect()) return false;

  bool ok = w.ReadRegisterValues(RegKind::S);
  if (!ok && w.FindBaudRate() == 0) ok = w.ReadRegisterValues(RegKind::S);
  w.SetStatusPolling(false);
  // A faster line only after the target answered at the current one.
  if (ok) w.RaiseBaudRate();
  w.ShowComStatus();
  // Values not read stay "not read"; the grid compares against them anyway.
  w.TakeSnapshot();
  w.ShowRegisterTab(0);
  w.StartStatusPolling();
  return true;
}

bool ConnectAfterComPortChoice(MainWindowSteps& w, bool choiceChanged, bool wasConnected, RegKind shownFile, int tab) {
  if (!choiceChanged && wasConnected) {
    w.ShowComStatus();
    return true;
  }
  if (!w.Connect()) {
    w.ShowComStatus();
    return false;
  }
  bool ok = w.ReadRegisterValues(shownFile);
  if (!ok && w.FindBaudRate() == 0) ok = w.ReadRegisterValues(shownFile);
  if (ok) w.RaiseBaudRate();
  w.ShowComStatus();
  if (!wasConnected) w.TakeSnapshot();
  w.ShowRegisterTab(tab);
  return ok;
}

bool RunClose(MainWindowSteps& w) {
  const bool wasPolling = w.StopStatusPolling();
  for (const RegKind kind : {RegKind::S, RegKind::H}) {
    if (w.SaveRegisterFileIfChanged(kind) == platform::kIdCancel) {
      if (wasPolling) w.SetStatusPolling(true);
      return false;
    }
  }
  w.SendBaudRate();
  w.SaveRefreshList();
  w.SaveWindowSettings();
  w.ReleaseResources();
  return true;
}

}  // namespace ui
