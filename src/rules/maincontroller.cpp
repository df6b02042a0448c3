#include "rules/maincontroller.h"

#include <exception>

#include "link/workspace.h"
#include "platform/files.h"
#include "platform/system.h"
#include "rules/nvmtransfer.h"
#include "rules/regsnapshottransfer.h"

namespace rules {

MainController::MainController(Workspace& ws, MainView& view)
    : ws_(ws), view_(view), regCommands_(ws, view, ws.TargetControl) {}

// ---- Start-up and close ----

void MainController::RunStartup(const std::string& firstArgument) {
  if (startupStarted_) return;
  startupStarted_ = true;
  TargetOperation op(*this);
  rules::RunStartup(*this, view_, ws_.TargetControl, firstArgument);
}

bool MainController::Close(CloseCause cause) {
  if (closed_) return true;
  // Closed before start-up loaded anything: there is nothing to save, and
  // saving the empty store would overwrite the files with defaults.
  if (!startupStarted_) {
    closed_ = true;
    return true;
  }
  // Never in the middle of a target operation: the close runs when it ends.
  if (busy_.DeferClose()) return false;
  TargetOperation op(*this);
  if (!RunClose(*this, view_, ws_.TargetControl, cause)) return false;
  closed_ = true;
  return true;
}

// ---- Commands ----

MainController::TargetOperation::TargetOperation(MainController& controller)
    : controller_(controller), started_(controller.busy_.TryEnter()) {}

MainController::TargetOperation::~TargetOperation() {
  // The close the user asked for while the operation ran.
  if (started_ && controller_.busy_.Leave()) controller_.view_.CloseSoon();
}

void MainController::Run(const MainCommand& command) {
  if (!command.run) return;
  const bool holdsPolling = Has(command.flags, CommandFlags::HoldsPolling);
  if (!Has(command.flags, CommandFlags::NeedsTarget)) {
    PollingHold hold(holdsPolling ? &view_.Status() : nullptr);
    command.run(command.tag);
    return;
  }
  TargetOperation op(*this);
  if (!op) return;
  PollingHold hold(holdsPolling ? &view_.Status() : nullptr);
  command.run(command.tag);
}

void MainController::ReadNvmImage(bool verify) {
  NvmTransfer(ws_, view_.NvmWindows(), &view_.Status()).ReadNvmImage(verify);
}

void MainController::WriteNvmImage(bool verify) {
  NvmTransfer(ws_, view_.NvmWindows(), &view_.Status()).WriteNvmImage(verify);
}

void MainController::CompareNvmImage() { NvmTransfer(ws_, view_.NvmWindows(), &view_.Status()).CompareNvmImage(); }

void MainController::SaveRegisterValues() {
  // The save's read of the H values is the run's one read of them.
  RegSnapshotTransfer(ws_, view_.SnapshotWindows(), &view_.Status())
      .SaveRegisterValues(regCommands_.HValuesRead(), [this](RegKind) { return regCommands_.ReadHValuesOnce(); });
}

void MainController::WriteRegisterValues() {
  RegSnapshotTransfer(ws_, view_.SnapshotWindows(), &view_.Status(), &view_.Registers()).WriteRegisterValues();
}

void MainController::ExecuteCommandEntry(int tag) {
  const CommandRef ref = CommandForTag(tag, memCommandCount_);
  ws_.TargetControl.ExecuteCommandEntry(ref.index, ref.switchEntry);
}

void MainController::ChooseComPort() {
  const int port = ws_.settings.GetComPort();
  const int baud = ws_.settings.GetBaudRate();
  if (!ws_.linkSettings.ChooseComPort()) return;
  const bool changed = port != ws_.settings.GetComPort() || baud != ws_.settings.GetBaudRate();
  // The set leaves the raised rate for the new start rate, as it does at
  // close, so the new link finds it there at once.
  if (changed) ws_.TargetControl.TellStartRate(ws_.settings.GetBaudRate());
  ConnectAfterComPortChoice(*this, view_, ws_.TargetControl, changed, ws_.TargetControl.IsConnected(),
                            ws_.TargetControl.IsLinkWorking(), view_.Registers().ShownFile(),
                            view_.Registers().CurrentTab());
}

// ---- Steps of start-up and close ----

void MainController::ForceEnglish() { ws_.ui.SetForceEnglish(true); }

void MainController::LoadSettings() { ws_.settings.LoadSettings(); }

void MainController::LoadDataFiles() {
  RegFileNames& names = regCommands_.FileNames();
  ws_.settings.GetLastRegFiles(names.s, names.h);
  ws_.SRegisters.LoadFromFile(RegFilePath(names.s), false, ws_.ui, ws_.settings);
  ws_.HRegisters.LoadFromFile(RegFilePath(names.h), true, ws_.ui, ws_.settings);
  // A file chosen in the open dialog in place of a missing one is the one
  // the window works on and saves to.
  ws_.settings.GetLastRegFiles(names.s, names.h);
  ws_.UserTables.LoadFromFile(platform::ProgramFolder() + "Table.dat", ws_.ui);
  ws_.vund.LoadVundData();
  regCommands_.UpdateCaption();
}

void MainController::FillCommandMenu() {
  view_.BuildCommandMenu(CommandMenuItems(ws_.vund));
  memCommandCount_ = ws_.vund.GetMemCommandCount();
}

bool MainController::Connect() { return connector_ ? connector_() : ws_.TargetControl.Connect(ws_.linkSettings); }

void MainController::ShowComStatus() { regCommands_.ShowComStatus(); }

void MainController::TakeSnapshot() { ws_.SRegisters.TakeSnapshot(); }

int MainController::SaveRegisterFileIfChanged(RegKind kind) {
  const RegFileNames& names = regCommands_.FileNames();
  if (kind == RegKind::S) return ws_.SRegisters.SaveIfChanged(RegFilePath(names.s), false, ws_.ui);
  return ws_.HRegisters.SaveIfChanged(RegFilePath(names.h), true, ws_.ui);
}

void MainController::SaveRefreshList() { ws_.vund.SaveRefreshList(); }

void MainController::SaveWindowSettings() {
  view_.StoreWindowSettings();
  try {
    ws_.settings.SaveSettings();
  } catch (const std::exception& e) {
    // The window still closes; the user has seen why the settings were not
    // kept, in the box the top level shows what escapes.
    ws_.ui.MessageBox("Vund2", e.what(), 0x10);
  }
}

}  // namespace rules
