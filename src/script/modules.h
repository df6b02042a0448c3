// The two built-in module tables (system 1001-1080, bus 2001-2013), the
// prelude texts the compiler puts before every script, and the dispatchers the
// virtual machine calls by id.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "script/builtin_dispatch.h"
#include "script/vmcode.h"

// One row of a module table.
struct builtindata {
  const char* name;       // internal name the wrapper body calls
  std::int32_t id;
  std::int32_t id2;       // the same id, returned by the by-id accessor
  const char* prototype;  // script signature; "x&" is by reference
  BuiltinHandler handler; // null for the script-window ids the machine does itself
};

// System module.
int GetSystemBuiltinCount();
std::string GetSystemDeclText();  // "var sysINTEGER,...;"
std::string GetSystemInitText();  // "sysINTEGER=0;sysFLOATING=1;..."
std::string GetSystemBuiltinName(int index);
std::int32_t GetSystemBuiltinId(int index);
std::string GetSystemBuiltinPrototype(int index);
// The row's id for id; 0 when no row has it.
std::int32_t GetSystemBuiltinIdById(std::int32_t id);
void CallSystemBuiltin(int id, TStackData* args, vmcode_t* result, ScriptEnv& env);

// Bus module.
int GetBusBuiltinCount();
std::string GetBusDeclText();
std::string GetBusInitText();
std::string GetBusBuiltinName(int index);
std::int32_t GetBusBuiltinId(int index);
std::string GetBusBuiltinPrototype(int index);
std::int32_t GetBusBuiltinIdById(std::int32_t id);
void CallBusBuiltin(int id, TStackData* args, vmcode_t* result, ScriptEnv& env);

// The prelude lines in compile order: bus declaration, initialisation and
// wrappers ("func proto{name;}") from the last row to the first, then the same
// for the system module.
std::vector<std::string> BuildBuiltinPrelude();

// Plugs both modules into the machine's dispatch (also done at start-up).
void InstallBuiltinModules();

// Closes every serial port scripts left open (the main window's end).
void CloseAllComPorts();
