// The two built-in module tables (system 1001-1080, bus 2001-2013), the
// prelude texts the compiler puts before every script, and the dispatchers the
// virtual machine calls by id.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "script/machine/builtin_dispatch.h"
#include "script/machine/vmcode.h"

// Where a built-in runs.
enum class BuiltinRuns : std::uint8_t {
  kScriptThread,
  kMainThread,  // it touches windows, ports, open files or the target
  // On the main thread too, on the script's own window: its handler runs
  // whichever system module the host gives.
  kScriptWindow,
};

// One row of a module table.
struct builtindata {
  const char* name;       // internal name the wrapper body calls
  std::int32_t id;
  const char* prototype;  // script signature; "x&" is by reference
  BuiltinHandler handler;
  BuiltinRuns runs;
};

// A named constant of the prelude.
struct TBuiltinConstant {
  const char* name;
  const char* value;  // as the initialisation text writes it
};

// A module: its table of built-ins and its constants.
class TBuiltinModule {
 public:
  template <std::size_t N, std::size_t M>
  constexpr TBuiltinModule(const builtindata (&rows)[N], const TBuiltinConstant (&constants)[M])
      : rows_(rows), rowCount_(static_cast<int>(N)), constants_(constants), constantCount_(static_cast<int>(M)) {}

  int BuiltinCount() const { return rowCount_; }
  std::string DeclText() const;  // "var sysINTEGER,...;"
  std::string InitText() const;  // "sysINTEGER=0;sysFLOATING=1;..."
  // Fields of row index (0-based); empty or 0 outside the table.
  std::string BuiltinName(int index) const;
  std::int32_t BuiltinId(int index) const;
  std::string BuiltinPrototype(int index) const;
  // The row of id; null when no row has it.
  const builtindata* Row(std::int32_t id) const;
  // Runs the handler of the row of id; nothing for an id without one.
  void Call(int id, TStackData* args, vmcode_t* result, ScriptEnv& env) const;

 private:
  const builtindata* rows_;
  int rowCount_;
  const TBuiltinConstant* constants_;
  int constantCount_;
};

// The system module (ids 1001-1080) and the bus module (2001-2013).
const TBuiltinModule& SystemModule();
const TBuiltinModule& BusModule();

// Their dispatchers, which the machine calls by id.
void CallSystemBuiltin(int id, TStackData* args, vmcode_t* result, ScriptEnv& env);
void CallBusBuiltin(int id, TStackData* args, vmcode_t* result, ScriptEnv& env);
