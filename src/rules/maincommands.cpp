#include "rules/maincommands.h"

namespace rules {

const std::vector<MainCommandRow>& MainCommandRows() {
  using Id = CommandId;
  using Key = RegisterKeyCommand;
  constexpr CommandFlags none = CommandFlags::None;
  constexpr CommandFlags target = CommandFlags::NeedsTarget;
  // Polling is held only while the window or dialog comes up.
  constexpr CommandFlags targetHold = CommandFlags::NeedsTarget | CommandFlags::HoldsPolling;
  static const std::vector<MainCommandRow> rows = {
      {nullptr, "StatusPopUpMenu", 0, Id::Popup, none, "", Key::None},
      {nullptr, "RegPopUpMenu", 0, Id::Popup, none, "", Key::None},
      {nullptr, "TabPopUpMenu", 0, Id::Popup, none, "", Key::None},
      {"", "FileF1", 0, Id::Menu, none, "", Key::None},
      {"FileF1", "mnuReadNVM", 0, Id::Menu, none, "", Key::None},
      {"mnuReadNVM", "mnuNVMRead_With_Verify", 1, Id::ReadNvmImage, target, "", Key::None},
      {"mnuReadNVM", "mnuReadNVM_No_Verify", 0, Id::ReadNvmImage, target, "", Key::None},
      {"FileF1", "mnuNVMWrite", 0, Id::Menu, none, "", Key::None},
      {"mnuNVMWrite", "mnuWriteNVM_WithVerify", 1, Id::WriteNvmImage, target, "", Key::None},
      {"mnuNVMWrite", "mnuWriteNVM_WithoutVerify", 0, Id::WriteNvmImage, target, "", Key::None},
      {"FileF1", "mnuNVMComp", 0, Id::CompareNvmImage, target, "", Key::None},
      {"FileF1", "mnuSregFile", 0, Id::Menu, none, "", Key::None},
      {"mnuSregFile", "mnuSregFileSel", 0, Id::SelectRegisterFile, target, "", Key::None},
      {"mnuSregFile", "mnuSaveAsSreg", 0, Id::SaveRegisterFileAs, none, "", Key::None},
      {"mnuSregFile", "mnuSregOverWrite", 0, Id::OverwriteRegisterFile, none, "", Key::None},
      {"FileF1", "mnuHregFile", 1, Id::Menu, none, "", Key::None},
      {"mnuHregFile", "mnuHRegFileSel", 1, Id::SelectRegisterFile, target, "", Key::None},
      {"mnuHregFile", "mnuSaveAsHreg", 1, Id::SaveRegisterFileAs, none, "", Key::None},
      {"mnuHregFile", "mnuHregOverWrite", 1, Id::OverwriteRegisterFile, none, "", Key::None},
      {"FileF1", "mnuSregSave", 0, Id::SaveRegisterValues, target, "", Key::None},
      {"FileF1", "mnuSHregWrite", 0, Id::WriteRegisterValues, target, "", Key::None},
      {"FileF1", "mnuExit", 0, Id::Exit, none, "", Key::None},
      {"", "E1", 0, Id::Menu, none, "", Key::None},
      {"E1", "mnuEditSreg", 0, Id::ShowSRegFile, target, "", Key::None},
      {"E1", "mnuHregEdit", 0, Id::ShowHRegFile, target, "", Key::None},
      {"E1", "mnuTableEdit", 0, Id::ShowTableWindow, targetHold, "", Key::None},
      {"E1", "mnuDataReload", 0, Id::ReloadData, target, "F5", Key::Reload},
      {"", "mnuCommand", 0, Id::Menu, none, "", Key::None},
      {"", "S1", 0, Id::Menu, none, "", Key::None},
      {"S1", "mnuSearch", 0, Id::Search, none, "Ctrl+F", Key::None},
      {"", "V1", 0, Id::Menu, none, "", Key::None},
      {"V1", "mnuHexDeci", 0, Id::HexDecimal, none, "Ctrl+F6", Key::None},
      {"V1", "mnuMessageClear", 0, Id::ClearMessages, none, "", Key::None},
      {"", "T1", 0, Id::Menu, none, "", Key::None},
      {"T1", "mnuScriptRun", 0, Id::RunScript, none, "", Key::None},
      {"T1", "mnuAnalyzer", 0, Id::ShowAnalyzer, targetHold, "", Key::None},
      {"T1", "mnuComPort", 0, Id::ChooseComPort, targetHold, "", Key::None},
      {"T1", "mnuColor", 0, Id::Menu, none, "", Key::None},
      {"mnuColor", "mnuMainWindowColor", 0, Id::ChooseColor, none, "", Key::None},
      {"mnuColor", "mnuMessageWIndowColor", 1, Id::ChooseColor, none, "", Key::None},
      {"mnuColor", "mnuSelRegBack", 2, Id::ChooseColor, none, "", Key::None},
      {"T1", "mnuFont", 0, Id::Menu, none, "", Key::None},
      {"mnuFont", "mnuEditWindowFont", 0, Id::ChooseFont, none, "", Key::None},
      {"mnuFont", "mnuMessageWindowFont", 1, Id::ChooseFont, none, "", Key::None},
      {"", "mnuHelp", 0, Id::Menu, none, "", Key::None},
      {"mnuHelp", "mnuVundHelp", 0, Id::OpenHelp, none, "", Key::None},
      {"StatusPopUpMenu", "mnuSatsuItemInsert", 0, Id::InsertStatusItem, none, "", Key::None},
      {"StatusPopUpMenu", "mnuStatusItemDelete", 0, Id::DeleteStatusItem, none, "", Key::None},
      {"StatusPopUpMenu", "mnuStatusItemAdd", 0, Id::AddStatusItem, none, "", Key::None},
      {"StatusPopUpMenu", "mnuEditStatusItem", 1, Id::AddStatusItem, none, "", Key::None},
      {"RegPopUpMenu", "mnuRegCopy", 0, Id::CopyRegister, none, "", Key::Copy},
      {"RegPopUpMenu", "mnuRegPaste", 0, Id::PasteRegister, none, "", Key::Paste},
      {"RegPopUpMenu", "mnuRegDelete", 0, Id::DeleteRegister, none, "", Key::Delete},
      // Add and Property read the register's word from the target.
      {"RegPopUpMenu", "mnuRegNew", 0, Id::AddRegister, target, "", Key::Add},
      {"RegPopUpMenu", "mnuRegProperty", 0, Id::EditRegisterProperty, target, "", Key::None},
      {"TabPopUpMenu", "mnuTabNameChange", 0, Id::RenameTab, none, "", Key::None},
      {"TabPopUpMenu", "mnuNewTabAdd", 0, Id::AddTab, none, "", Key::None},
      {"TabPopUpMenu", "mnuDeleteTab", 0, Id::DeleteTab, none, "", Key::None},
      {nullptr, "FindNext", 0, Id::FindNext, none, "", Key::FindNext},
      {nullptr, "FindPrev", 0, Id::FindPrev, none, "", Key::FindPrev},
      {nullptr, "LetterNext", 0, Id::LetterNext, none, "", Key::LetterNext},
      {nullptr, "LetterPrev", 0, Id::LetterPrev, none, "", Key::LetterPrev},
  };
  return rows;
}

const MainCommandRow* CommandRowForGridKey(RegisterKeyCommand key) {
  if (key == RegisterKeyCommand::None) return nullptr;
  for (const MainCommandRow& row : MainCommandRows())
    if (row.gridKey == key) return &row;
  return nullptr;
}

}  // namespace rules
