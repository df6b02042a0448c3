// Scripts compiled and run, each for at most a quarter of a second. The
// built-ins that reach outside are sandboxed: files and folders only under
// plain names, which are made paths in the private program folder; no serial
// ports, no child processes, no waiting.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fuzz_support.h"
#include "platform/files.h"
#include "script/builtin_dispatch.h"
#include "script/jcompiler.h"
#include "script/jexecutable.h"
#include "script/lexer.h"
#include "script/modules.h"
#include "script/sysbuiltins.h"
#include "script/sysfiles.h"
#include "script/vmcode.h"

namespace {

constexpr auto kTimeLimit = std::chrono::milliseconds(250);

// A plain file name becomes a path in the program folder; false for
// anything else (folders, "..", numbers, which the built-ins would take as
// names in the working directory).
bool Confine(TStackData& cell) {
  if (cell.kind != dtString) return false;
  const std::string& s = cell.sval;
  if (s.empty() || s.size() > 12 || s[0] == '.') return false;
  for (char c : s)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.'))
      return false;
  cell.sval = fuzz::Home() + s;
  return true;
}

void Refuse(vmcode_t* result) {
  result->a = pcInteger;
  result->b = -1;
}

void SandboxedSystemCall(int id, TStackData* args, vmcode_t* result, ScriptEnv& env) {
  switch (id) {
    case 1002:  // sysSleep: a stop would cut it short anyway
    case 1014: case 1015: case 1016: case 1017: case 1018: case 1019: case 1020:  // serial ports
    case 1021: case 1022: case 1023: case 1024: case 1025:
    case 1047:                      // diskCheckMedia
    case 1048: case 1049: case 1050:  // child processes
      Refuse(result);
      return;
    case 1026: case 1037: case 1039: case 1041: case 1042: case 1043:  // one path first
      if (!Confine(args[0])) return Refuse(result);
      break;
    case 1034:  // fileSaveAs(file, filename)
      if (!Confine(args[1])) return Refuse(result);
      break;
    case 1036: case 1038: case 1040: case 1044: case 1045: case 1046:  // two paths
      if (!Confine(args[0]) || !Confine(args[1])) return Refuse(result);
      break;
    default:
      break;
  }
  CallSystemBuiltin(id, args, result, env);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SetSystemBuiltinModule(&SandboxedSystemCall);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FreshUi();
  fuzz::ClearHome();
  ClearGlobalValues();
  ScriptFiles().CloseAll();
  const std::vector<std::string> lines =
      platform::SplitLines(std::string(reinterpret_cast<const char*>(data), size));
  TStringListSource source(&lines);
  TJExecutable exe;
  TJCompiler compiler;
  compiler.SetUserSource(true);
  if (!compiler.Compile(source, exe, {"1", "arg"})) return 0;

  std::mutex lock;
  std::condition_variable done;
  bool finished = false;
  std::thread watchdog([&] {
    std::unique_lock<std::mutex> hold(lock);
    if (!done.wait_for(hold, kTimeLimit, [&] { return finished; })) exe.Stop();
  });
  exe.RunHere();
  {
    std::lock_guard<std::mutex> hold(lock);
    finished = true;
  }
  done.notify_one();
  watchdog.join();
  exe.GetErrorText();
  return 0;
}
