// Scripts compiled and run, each for at most a quarter of a second. The
// built-ins that reach outside are sandboxed: files and folders only under
// plain names, which are made paths in the private program folder; no serial
// ports, no child processes, no waiting.
#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "script/builtin_dispatch.h"
#include "script/jcompiler.h"
#include "script/jexecutable.h"
#include "script/lexer.h"
#include "script/modules.h"
#include "script/sysbuiltins.h"
#include "script/sysfiles.h"
#include "script/vmcode.h"

namespace {

// A plain file name becomes a path in the program folder; false for anything
// else (folders, "..", numbers, which the built-ins would take as names in
// the working directory).
bool Confine(TStackData& cell) {
  const std::string& s = cell.sval;
  if (cell.kind != dtString || s.empty() || s.size() > 12 || s[0] == '.' ||
      s.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_.") != std::string::npos)
    return false;
  cell.sval = fuzz::Home() + s;
  return true;
}

void SandboxedSystemCall(int id, TStackData* args, vmcode_t* result, ScriptEnv& env) {
  // sysSleep (a stop would cut it short anyway), the serial ports, diskCheckMedia, child processes.
  const bool refused = id == 1002 || (id >= 1014 && id <= 1025) || (id >= 1047 && id <= 1050);
  // Built-ins that take a path first (fileOpen, fileExists, ...), second (fileSaveAs) or both (fileCopy, ...).
  const bool first = id == 1026 || id == 1037 || id == 1039 || (id >= 1041 && id <= 1043);
  const bool both = id == 1036 || id == 1038 || id == 1040 || (id >= 1044 && id <= 1046);
  if (refused || ((first || both) && !Confine(args[0])) || ((both || id == 1034) && !Confine(args[1]))) {
    result->a = pcInteger;
    result->b = -1;
    return;
  }
  CallSystemBuiltin(id, args, result, env);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ClearHome();
  const std::vector<std::string> lines = fuzz::Lines(data, size);
  TStringListSource source(&lines);
  HeadlessScriptHost host;
  host.SetModules(&SandboxedSystemCall, nullptr);
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  TJCompiler compiler;
  compiler.SetUserSource(true);
  if (!compiler.Compile(source, exe, {"1", "arg"})) return 0;
  std::promise<void> finished;
  std::future<void> watchdog = std::async(std::launch::async, [&exe, done = finished.get_future()] {
    if (done.wait_for(std::chrono::milliseconds(250)) != std::future_status::ready) exe.Stop();
  });
  exe.RunHere();
  finished.set_value();
  watchdog.get();
  exe.GetErrorText();
  return 0;
}
