// The main window without a widget: its start-up and close, the register
// commands, the NVM and register value transfers, the command entries and
// the COM port choice, the guard of target operations, and the command table
// its menus are built from. It talks to the window through MainView only.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "model/iniproperty.h"
#include "rules/busystate.h"
#include "rules/maincommands.h"
#include "rules/mainlifecycle.h"
#include "rules/mainwindowrules.h"
#include "rules/pollinghold.h"
#include "rules/registercommands.h"

class Workspace;

namespace ui {

class NvmDialogs;
class RegSnapshotDialogs;

// The register tabs and their grid as the controller sees them.
class RegisterPane {
 public:
  virtual ~RegisterPane() = default;
  virtual void BuildTabStrip() = 0;
  // Lays out the names of tab and shows their values.
  virtual void ShowRegisterTab(int tab) = 0;
  // The values of the current tab again from the cache.
  virtual void RedrawRegisterValues() = 0;
  // The first value cell becomes current, and the grid takes the keys.
  virtual void SelectFirstValueCell() = 0;
  virtual RegKind ShownFile() const = 0;
  virtual void SetShownFile(RegKind kind) = 0;
  // The register list index of the current pair's name cell; -1 when empty.
  virtual int CurrentRegisterIndex() const = 0;
  virtual int CurrentTab() const = 0;
};

// The status window as the controller sees it.
class StatusPane : public PollingSwitch {
 public:
  // Reads every value of the file, polling held off.
  virtual bool ReadRegisterValues(RegKind kind) = 0;
  // Poll interval from vund.dat, then polling on.
  virtual void StartStatusPolling() = 0;
  // Polling off and the timer stopped; true when it was on.
  virtual bool StopStatusPolling() = 0;
};

// What the controller needs of the main window.
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
  // The parameter editor on rows; true when confirmed.
  virtual bool EditParameters(std::vector<STEditItem>& rows) = 0;
  virtual NvmDialogs& NvmWindows() = 0;
  virtual RegSnapshotDialogs& SnapshotWindows() = 0;
};

// One command of the main window's menus, popups and keys.
struct MainCommand {
  const char* name = "";  // the menu item's object name, also its caption's key
  std::function<void(int tag)> run;
  CommandFlags flags = CommandFlags::None;
  int tag = 0;
};

class MainController : private MainWindowSteps, private RegisterCommandHost {
 public:
  MainController(Workspace& ws, MainView& view);

  // ---- Start-up and close ----
  // How start-up connects; by default the settings' link through the target
  // control's Connect. Tests and the sample run put the simulated target in
  // its place.
  void SetTargetConnector(std::function<bool()> connector) { connector_ = std::move(connector); }
  // The start-up sequence, once; firstArgument is the first command-line
  // argument.
  void RunStartup(const std::string& firstArgument);
  bool StartupStarted() const { return startupStarted_; }
  bool StartupDone() const { return startupDone_; }
  // A close of the window: true when it may close now. Before start-up
  // nothing is saved; during a target operation the close is held until it
  // ends; a Cancel in a save question keeps the window.
  bool Close();
  // The window manager's close during a target operation: true when it is
  // held until the operation ends.
  bool DeferClose() { return busy_.DeferClose(); }

  // ---- Commands ----
  // Marks a target operation: false (do nothing) while another one runs; a
  // close asked meanwhile runs when it ends.
  class TargetOperation {
   public:
    explicit TargetOperation(MainController& controller);
    ~TargetOperation();
    TargetOperation(const TargetOperation&) = delete;
    TargetOperation& operator=(const TargetOperation&) = delete;
    explicit operator bool() const { return started_; }

   private:
    MainController& controller_;
    bool started_;
  };
  bool Busy() const { return busy_.Busy(); }
  // Runs command with the given tag under its flags.
  void Run(const MainCommand& command);

  RegisterCommands& Registers() { return regCommands_; }
  // The File menu's NVM image and register value commands.
  void ReadNvmImage(bool verify);
  void WriteNvmImage(bool verify);
  void CompareNvmImage();
  void SaveRegisterValues();
  void WriteRegisterValues();
  // The command menu's entry of tag.
  void ExecuteCommandEntry(int tag);
  // The COM port dialog; a new choice brings the link up again.
  void ChooseComPort();

  const std::string& SRegFileName() const { return sRegFileName_; }
  const std::string& HRegFileName() const { return hRegFileName_; }
  int MemCommandCount() const { return memCommandCount_; }

 private:
  // ---- Steps of start-up and close ----
  void ForceEnglish() override;
  void LoadSettings() override;
  void ApplySettings() override;
  void LoadDataFiles() override;
  void BuildTabStrip() override;
  void BuildCommandMenu() override;
  void SelectFirstValueCell() override;
  bool Connect() override;
  bool ReadRegisterValues(RegKind kind) override;
  int FindBaudRate() override;
  void SetStatusPolling(bool on) override;
  void RaiseBaudRate() override;
  void ShowComStatus() override;
  void TakeSnapshot() override;
  void ShowRegisterTab(int tab) override;
  void StartStatusPolling() override;
  bool StopStatusPolling() override;
  int SaveRegisterFileIfChanged(RegKind kind) override;
  void SendBaudRate() override;
  void SaveRefreshList() override;
  void SaveWindowSettings() override;
  void ReleaseResources() override;

  // ---- What the register commands need ----
  RegKind ShownFile() const override;
  void SetShownFile(RegKind kind) override;
  int CurrentRegisterIndex() const override;
  int CurrentTab() const override;
  int LinkBaudIndex() const override;
  void RedrawRegisterValues() override;
  void UpdateCaption() override;
  std::string RegFileName(RegKind kind) const override;
  void SetRegFileName(RegKind kind, const std::string& name) override;
  bool EditParameters(std::vector<STEditItem>& rows) override;

  Workspace& ws_;
  MainView& view_;
  BusyState busy_;
  RegisterCommands regCommands_;
  // A bare name lies in the program folder; a file from elsewhere is held by
  // its whole path.
  std::string sRegFileName_, hRegFileName_;
  int memCommandCount_ = 0;
  std::function<bool()> connector_;
  bool startupStarted_ = false;
  bool startupDone_ = false;
  bool closed_ = false;
};

}  // namespace ui
