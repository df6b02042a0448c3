#include "rules/maincontroller.h"

#include <exception>

#include "link/workspace.h"
#include "platform/files.h"
#include "platform/system.h"
#include "rules/nvmtransfer.h"
#include "rules/regsnapshottransfer.h"

namespace ui {

MainController::MainController(Workspace& ws, MainView& view)
    : ws_(ws), view_(view), regCommands_(ws, *this, &view.Status()) {}

// ---- Start-up and close ----

void MainController::RunStartup(const std::string& firstArgument) {
  if (startupStarted_) return;
  startupStarted_ = true;
  TargetOperation op(*this);
  ui::RunStartup(*this, firstArgument);
  startupDone_ = true;
}

bool MainController::Close() {
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
  if (!RunClose(*this)) return false;
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
  RegSnapshotTransfer(ws_, view_.SnapshotWindows(), &view_.Status())
      .SaveRegisterValues(regCommands_.HValuesRead(),
                          [this](RegKind kind) { return view_.Status().ReadRegisterValues(kind); });
}

void MainController::WriteRegisterValues() {
  RegSnapshotTransfer(ws_, view_.SnapshotWindows(), &view_.Status()).WriteRegisterValues();
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
  ConnectAfterComPortChoice(*this, changed, ws_.TargetControl.IsConnected(), view_.Registers().ShownFile(),
                            view_.Registers().CurrentTab());
}

// ---- Steps of start-up and close ----

void MainController::ForceEnglish() { ws_.ui.SetForceEnglish(true); }

void MainController::LoadSettings() { ws_.settings.LoadSettings(); }

void MainController::ApplySettings() { view_.ApplySettings(); }

void MainController::LoadDataFiles() {
  ws_.settings.GetLastRegFiles(sRegFileName_, hRegFileName_);
  ws_.SRegisters.LoadFromFile(RegFilePath(sRegFileName_), false, ws_.ui, ws_.settings);
  ws_.HRegisters.LoadFromFile(RegFilePath(hRegFileName_), true, ws_.ui, ws_.settings);
  // A file chosen in the open dialog in place of a missing one is the one
  // the window works on and saves to.
  ws_.settings.GetLastRegFiles(sRegFileName_, hRegFileName_);
  ws_.UserTables.LoadFromFile(platform::ProgramFolder() + "Table.dat", ws_.ui);
  ws_.vund.LoadVundData();
  UpdateCaption();
}

void MainController::BuildTabStrip() { view_.Registers().BuildTabStrip(); }

void MainController::BuildCommandMenu() {
  view_.BuildCommandMenu(CommandMenuItems(ws_.vund));
  memCommandCount_ = ws_.vund.GetMemCommandCount();
}

void MainController::SelectFirstValueCell() { view_.Registers().SelectFirstValueCell(); }

bool MainController::Connect() { return connector_ ? connector_() : ws_.TargetControl.Connect(ws_.linkSettings); }

bool MainController::ReadRegisterValues(RegKind kind) { return view_.Status().ReadRegisterValues(kind); }

int MainController::FindBaudRate() { return ws_.TargetControl.FindBaudRate(); }

void MainController::SetStatusPolling(bool on) { view_.Status().SetStatusPolling(on); }

void MainController::RaiseBaudRate() { ws_.TargetControl.RaiseBaudRate(); }

void MainController::ShowComStatus() {
  view_.SetComStatus(FormatComStatus(ws_.settings.GetComPort(), ws_.TargetControl.GetBaudIndex()));
}

void MainController::TakeSnapshot() { ws_.SRegisters.TakeSnapshot(); }

void MainController::ShowRegisterTab(int tab) { view_.Registers().ShowRegisterTab(tab); }

void MainController::StartStatusPolling() { view_.Status().StartStatusPolling(); }

bool MainController::StopStatusPolling() { return view_.Status().StopStatusPolling(); }

int MainController::SaveRegisterFileIfChanged(RegKind kind) {
  if (kind == RegKind::S) return ws_.SRegisters.SaveIfChanged(RegFilePath(sRegFileName_), false, ws_.ui);
  return ws_.HRegisters.SaveIfChanged(RegFilePath(hRegFileName_), true, ws_.ui);
}

void MainController::SendBaudRate() { ws_.TargetControl.SendBaudRate(); }

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

void MainController::ReleaseResources() { view_.ReleaseResources(); }

// ---- What the register commands need ----

RegKind MainController::ShownFile() const { return view_.Registers().ShownFile(); }

void MainController::SetShownFile(RegKind kind) { view_.Registers().SetShownFile(kind); }

int MainController::CurrentRegisterIndex() const { return view_.Registers().CurrentRegisterIndex(); }

int MainController::CurrentTab() const { return view_.Registers().CurrentTab(); }

int MainController::LinkBaudIndex() const { return ws_.TargetControl.GetBaudIndex(); }

void MainController::RedrawRegisterValues() { view_.Registers().RedrawRegisterValues(); }

void MainController::UpdateCaption() {
  view_.SetCaption(
      FormatMainCaption(sRegFileName_, ws_.SRegisters.GetMiconVer(), hRegFileName_, ws_.HRegisters.GetMiconVer()));
}

std::string MainController::RegFileName(RegKind kind) const {
  return kind == RegKind::H ? hRegFileName_ : sRegFileName_;
}

void MainController::SetRegFileName(RegKind kind, const std::string& name) {
  (kind == RegKind::H ? hRegFileName_ : sRegFileName_) = name;
}

bool MainController::EditParameters(std::vector<STEditItem>& rows) { return view_.EditParameters(rows); }

}  // namespace ui
