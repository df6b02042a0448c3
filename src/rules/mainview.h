// What the rules behind the main window need of it: its frame, its two panes
// and its dialogs. The controller, the start-up and close sequences and the
// register commands all talk to the window through these.
#pragma once
#include <string>
#include <vector>

#include "model/iniproperty.h"
#include "model/registers.h"
#include "rules/mainwindowrules.h"
#include "rules/pollinghold.h"

namespace rules {

class NvmDialogs;
class RegSnapshotDialogs;

// The register tabs and their grid.
class RegisterPane {
 public:
  virtual ~RegisterPane() = default;
  // Fills the tab strip for the shown file.
  virtual void BuildTabStrip() = 0;
  // Lays out the names of tab and shows their values; the current cell
  // stays on the register it held.
  virtual void ShowRegisterTab(int tab) = 0;
  // The same after the list changed: the pair of the register at list index
  // currentRegister becomes current (-1: the cell keeps its place).
  virtual void ShowRegisterTabAt(int tab, int currentRegister) = 0;
  // The values of the current tab again from the cache.
  virtual void RedrawRegisterValues() = 0;
  // The first value cell becomes current, and the grid takes the keys.
  virtual void SelectFirstValueCell() = 0;
  // The file in the grid.
  virtual RegKind ShownFile() const = 0;
  virtual void SetShownFile(RegKind kind) = 0;
  // The register list index of the current pair's name cell; -1 when empty.
  virtual int CurrentRegisterIndex() const = 0;
  // The tab strip's current index (0 "ALL", t tab number t).
  virtual int CurrentTab() const = 0;
};

// The status window.
class StatusPane : public PollingSwitch {
 public:
  // Reads every value of the file, polling held off.
  virtual bool ReadRegisterValues(RegKind kind) = 0;
  // Poll interval from vund.dat, then polling on.
  virtual void StartStatusPolling() = 0;
  // Polling off and the timer stopped; true when it was on.
  virtual bool StopStatusPolling() = 0;
};

class MainView {
 public:
  virtual ~MainView() = default;

  // ---- Frame ----
  // Geometry, grid sizes, colours and fonts from the settings; English
  // captions when the texts are not Japanese.
  virtual void ApplySettings() = 0;
  // Geometry, colours and fonts into the settings (not the file).
  virtual void StoreWindowSettings() = 0;
  virtual void SetCaption(const std::string& text) = 0;
  virtual void SetComStatus(const std::string& text) = 0;
  virtual void BuildCommandMenu(const std::vector<CommandMenuItem>& items) = 0;
  // Closes the window from the event loop, once the caller has returned.
  virtual void CloseSoon() = 0;
  // The window's end: what scripts still run is ended.
  virtual void ReleaseResources() = 0;

  // ---- Panes ----
  virtual RegisterPane& Registers() = 0;
  virtual StatusPane& Status() = 0;

  // ---- Dialogs ----
  // The parameter editor on rows; true when confirmed (rows then hold the
  // accepted values).
  virtual bool EditParameters(std::vector<STEditItem>& rows) = 0;
  virtual NvmDialogs& NvmWindows() = 0;
  virtual RegSnapshotDialogs& SnapshotWindows() = 0;
};

}  // namespace rules
