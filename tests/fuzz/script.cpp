// Scripts compiled and run, each for at most a quarter of a second. The
// built-ins that reach outside are sandboxed: files and folders only under
// paths that stay in the scripts' own folder, which is made anew for each
// input, with a file beside it that must come through every input untouched;
// no serial ports, no child processes, no waiting.
#include <chrono>
#include <filesystem>
#include <future>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/files.h"
#include "script/builtins/modules.h"
#include "script/compiler/jcompiler.h"
#include "script/compiler/lexer.h"
#include "script/machine/builtin_dispatch.h"
#include "script/machine/jexecutable.h"
#include "script/machine/vmcode.h"

namespace fs = std::filesystem;

namespace {

// A path in the scripts' folder; false for one that would leave it (from the
// root, or ".." past its top) and for numbers, which the built-ins would take
// as names in the working directory.
bool Confine(TStackData& cell) {
  const std::string& s = cell.sval;
  if (cell.kind != dtString || s.size() > 40) return false;
  const std::string normal = fs::path(platform::ToOsPath(s)).lexically_normal().string();
  if (normal.rfind('/', 0) == 0 || normal == ".." || normal.rfind("../", 0) == 0) return false;
  cell.sval = fuzz::Home() + "box/" + s;
  return true;
}

// What lies beside the scripts' folder: the other names of the program folder,
// the sentinel's bytes and its and its folder's modification times.
std::string Outside() {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(fuzz::Home(), ec)) names.insert(e.path().filename().string() + "|");
  names.erase("box|");  // the scripts may delete their own folder
  std::string seen = std::accumulate(names.begin(), names.end(), std::string()), bytes;
  for (const char* p : {"keep", "keep/sentinel"})
    seen += std::to_string(fs::last_write_time(fuzz::Home() + p, ec).time_since_epoch().count()) + "|";
  platform::ReadFileBytes(fuzz::Home() + "keep/sentinel", bytes);
  return seen + bytes;
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
  static const std::string outside = [] {
    fs::create_directory(fuzz::Home() + "keep");
    fuzz::WriteHomeFile("keep/sentinel", "left alone");
    return Outside();
  }();
  std::error_code ec;
  fs::remove_all(fuzz::Home() + "box", ec);
  fs::create_directory(fuzz::Home() + "box", ec);
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
  if (Outside() != outside) fuzz::Fail("a script reached outside its folder");
  return 0;
}
