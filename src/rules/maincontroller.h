// The main window without a widget: its start-up and close, the register
// commands, the NVM and register value transfers, the command entries and
// the COM port choice, and the guard that each command of the window's menus
// runs under (Run). It talks to the window through MainView only.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "rules/busystate.h"
#include "rules/maincommands.h"
#include "rules/mainlifecycle.h"
#include "rules/mainview.h"
#include "rules/pollinghold.h"
#include "rules/registercommands.h"

class Workspace;

namespace rules {

// One command of the main window's menus, popups and keys.
struct MainCommand {
  const char* name = "";  // the menu item's object name, also its caption's key
  std::function<void(int tag)> run;
  CommandFlags flags = CommandFlags::None;
  int tag = 0;
};

class MainController : private MainWindowSteps {
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
  // A close of the window: true when it may close now. Before start-up
  // nothing is saved; during a target operation the close is held until it
  // ends; a Cancel in a save question keeps the window.
  bool Close(CloseCause cause = CloseCause::User);
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
  // The COM port dialog; OK on a new choice or a failed link brings the link
  // up again.
  void ChooseComPort();


 private:
  // ---- Steps of start-up and close ----
  void ForceEnglish() override;
  void LoadSettings() override;
  void LoadDataFiles() override;
  void FillCommandMenu() override;
  bool Connect() override;
  void ShowComStatus() override;
  void TakeSnapshot() override;
  int SaveRegisterFileIfChanged(RegKind kind) override;
  void SaveRefreshList() override;
  void SaveWindowSettings() override;

  Workspace& ws_;
  MainView& view_;
  BusyState busy_;
  RegisterCommands regCommands_;
  int memCommandCount_ = 0;
  std::function<bool()> connector_;
  bool startupStarted_ = false;
  bool closed_ = false;
};

}  // namespace rules
