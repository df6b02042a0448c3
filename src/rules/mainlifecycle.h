// The order of the main window's start-up and close. The controller supplies
// its own steps; the window's frame and panes and the line rate are called
// directly. The order and its branches live here so that tests can run them
// without a display.
#pragma once
#include <string>

#include "link/linerate.h"
#include "model/registers.h"
#include "rules/mainview.h"

namespace rules {

class MainWindowSteps {
 public:
  virtual ~MainWindowSteps() = default;

  // ---- Start-up ----
  virtual void ForceEnglish() = 0;
  virtual void LoadSettings() = 0;
  virtual void LoadDataFiles() = 0;
  // The command menu from vund.dat.
  virtual void FillCommandMenu() = 0;
  virtual bool Connect() = 0;
  virtual void ShowComStatus() = 0;
  virtual void TakeSnapshot() = 0;

  // ---- Close ----
  // Offers to save the file when it changed; returns the button pressed (0
  // when nothing was asked).
  virtual int SaveRegisterFileIfChanged(RegKind kind) = 0;
  virtual void SaveRefreshList() = 0;
  // Geometry, colours and fonts into the settings, then Vund2.ini.
  virtual void SaveWindowSettings() = 0;
};

// The start-up sequence. False when it ended without a link (no values, no
// polling); the window stays usable either way.
bool RunStartup(MainWindowSteps& steps, MainView& view, TLineRate& line, const std::string& firstArgument);

// After the COM port dialog's OK. The same port and rate keep a working
// link. Otherwise (a new choice, no link, or a link whose port or last
// exchange failed) the link is made again and brought up as at start-up: the
// shown file's values read (the rate searched for when they do not come),
// the rate raised, the snapshot taken when there was no link before, the
// status bar and the grid of the tab shown. False when no values came.
bool ConnectAfterComPortChoice(MainWindowSteps& steps, MainView& view, TLineRate& line, bool choiceChanged,
                               bool wasConnected, bool linkWorking, RegKind shownFile, int tab);

// How a close came: from the user (the window, the menu) or from a
// termination signal (a logout, a session manager).
enum class CloseCause { User, Signal };

// The close sequence. The save questions come first, before anything is sent
// to the target, with polling stopped; Cancel in one of them ends the close
// with polling as it was, and the result is false (the window stays open).
// On a signal the settings and the status list are written before any
// question: whoever sent it may end the program while a question waits.
bool RunClose(MainWindowSteps& steps, MainView& view, TLineRate& line, CloseCause cause = CloseCause::User);

}  // namespace rules
