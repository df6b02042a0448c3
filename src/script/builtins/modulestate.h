// What the system module keeps from one built-in call to the next: the open
// line files, the serial ports, the global values and the children left to
// run, all of which outlive a script run. One per script host; either thread
// reaches it under its locks.
#pragma once
#include <map>
#include <mutex>
#include <string>

#include "script/builtins/childprocess.h"
#include "script/builtins/sysfiles.h"
#include "script/builtins/sysserial.h"
#include "script/machine/vmcode.h"

struct TScriptModuleState {
  TScriptModuleState() : files(lock), ports(lock) {}
  TScriptModuleState(const TScriptModuleState&) = delete;
  TScriptModuleState& operator=(const TScriptModuleState&) = delete;

  // Serialises the opening and closing of files and ports. First, so that it
  // outlives the ports, which take it as they close.
  std::mutex lock;
  TScriptFiles files;
  TScriptComPorts ports;

  // Scripts run one at a time, but a lock keeps the store sound should two
  // ever overlap; it costs nothing next to a built-in call.
  std::mutex globalsLock;
  std::map<std::string, TStackData> globals;

  TChildReaper reaper;
  // What copShellExecute hands a document to (tests put a stand-in there).
  std::string shellOpener = kDesktopOpener;
};
