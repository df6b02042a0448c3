// The order of the main window's start-up and close. The window supplies the
// steps; the order and its branches live here so that tests can run them
// without a display.
#pragma once
#include <string>

#include "model/registers.h"

namespace ui {

class MainWindowSteps {
 public:
  virtual ~MainWindowSteps() = default;

  // ---- Start-up ----
  virtual void ForceEnglish() = 0;
  virtual void LoadSettings() = 0;
  virtual void ApplySettings() = 0;
  virtual void LoadDataFiles() = 0;
  virtual void BuildTabStrip() = 0;
  virtual void BuildCommandMenu() = 0;
  virtual void SelectFirstValueCell() = 0;
  virtual bool Connect() = 0;
  // Reads every value of the file with polling held off.
  virtual bool ReadRegisterValues(RegKind kind) = 0;
  virtual int FindBaudRate() = 0;
  virtual void SetStatusPolling(bool on) = 0;
  virtual void RaiseBaudRate() = 0;
  virtual void ShowComStatus() = 0;
  virtual void TakeSnapshot() = 0;
  virtual void ShowRegisterTab(int tab) = 0;
  // Poll interval from vund.dat, then polling on.
  virtual void StartStatusPolling() = 0;

  // ---- Close ----
  // Switches polling off and stops the status timer; returns whether it was on.
  virtual bool StopStatusPolling() = 0;
  // Offers to save the file when it changed; returns
  // the button pressed (0 when nothing was asked).
  virtual int SaveRegisterFileIfChanged(RegKind kind) = 0;
  virtual void SendBaudRate() = 0;
  virtual void SaveRefreshList() = 0;
  // Geometry, colours and fonts into the settings, then Vund2.ini.
  virtual void SaveWindowSettings() = 0;
  virtual void ReleaseResources() = 0;
};

// The start-up sequence. False when it ended without a link (no values, no
// polling); the window stays usable either way.
bool RunStartup(MainWindowSteps& window, const std::string& firstArgument);

// After the COM port dialog's OK. The same port and rate keep a working
// link. Otherwise the link is made again and brought up as at start-up: the
// shown file's values read (the rate searched for when they do not come),
// the rate raised, the snapshot taken when there was no link before, the
// status bar and the grid of the tab shown. False when no values came.
bool ConnectAfterComPortChoice(MainWindowSteps& window, bool choiceChanged, bool wasConnected, RegKind shownFile,
                               int tab);

// The close sequence. The save questions come first, before anything is sent
// to the target, with polling stopped; Cancel in one of them ends the close
// with polling as it was, and the result is false (the window stays open).
bool RunClose(MainWindowSteps& window);

}  // namespace ui
