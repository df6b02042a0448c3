// The main window's command table: every menu, popup and grid key command as
// plain data. The window builds its menus, popups and grid keys from the
// rows and runs a row by its CommandId.
#pragma once
#include <vector>

#include "rules/registercommands.h"

namespace rules {

enum class CommandId {
  Menu,   // a menu of the menu bar or a submenu: no command of its own
  Popup,  // a popup menu of a grid or the tab strip
  ReadNvmImage,  // tag 1 with verify
  WriteNvmImage,  // tag 1 with verify
  CompareNvmImage,
  SelectRegisterFile,  // tag: the RegKind
  SaveRegisterFileAs,
  OverwriteRegisterFile,
  SaveRegisterValues,
  WriteRegisterValues,
  Exit,
  ShowSRegFile,
  ShowHRegFile,
  ShowTableWindow,
  ReloadData,
  Search,
  HexDecimal,
  ClearMessages,
  RunScript,
  ShowAnalyzer,
  ChooseComPort,
  ChooseColor,  // tag 0 edit window, 1 message window, 2 selected register
  ChooseFont,   // tag 0 edit window, 1 message window
  OpenHelp,
  InsertStatusItem,
  DeleteStatusItem,
  AddStatusItem,  // tag 1 edits the current item
  CopyRegister,
  PasteRegister,
  DeleteRegister,
  AddRegister,
  EditRegisterProperty,
  RenameTab,
  AddTab,
  DeleteTab,
  FindNext,  // the last search text and mode
  FindPrev,
  LetterNext,  // tag: the letter
  LetterPrev,
};

enum class CommandFlags : unsigned {
  None = 0,
  NeedsTarget = 1,   // refused while another target operation runs; a close waits for it
  HoldsPolling = 2,  // status polling is off while it runs
};
constexpr CommandFlags operator|(CommandFlags a, CommandFlags b) {
  return static_cast<CommandFlags>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool Has(CommandFlags flags, CommandFlags flag) {
  return (static_cast<unsigned>(flags) & static_cast<unsigned>(flag)) != 0;
}

struct MainCommandRow {
  // The parent menu's name; "" the menu bar; null for a popup and for a
  // grid key only.
  const char* menu;
  const char* name;  // the item's object name, also its caption's key
  int tag;
  CommandId id;
  CommandFlags flags;
  const char* shortcut;  // portable key text ("Ctrl+F"); "" none
  RegisterKeyCommand gridKey;  // the register grid's key that runs it too
};

// Every row, popups first, then the menu bar in menu order, then the rows
// of grid keys only.
const std::vector<MainCommandRow>& MainCommandRows();
// The row a grid key command runs; null for none.
const MainCommandRow* CommandRowForGridKey(RegisterKeyCommand key);

}  // namespace rules
