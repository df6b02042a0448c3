#include "script/childprocess.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "platform/files.h"
#include "platform/text.h"
#include "script/builtinargs.h"
#include "script/scripthost.h"

extern char** environ;

using namespace builtin;

namespace {

std::mutex g_lock;
std::vector<pid_t> g_unwaited;  // children started without waiting, not reaped yet
ShellOpenHandler g_shellOpen;

// Children started without waiting are reaped whenever the next one starts,
// so they do not linger as zombies for the rest of the run.
void ReapFinished() {
  std::lock_guard<std::mutex> hold(g_lock);
  for (auto it = g_unwaited.begin(); it != g_unwaited.end();) {
    int status = 0;
    const pid_t r = ::waitpid(*it, &status, WNOHANG);
    if (r == *it || (r < 0 && errno == ECHILD)) it = g_unwaited.erase(it);
    else ++it;
  }
}

// Starts program with argv (CP932 texts) and a clean signal state, none of
// our descriptors (ports, files) passed on. 0 or the error number.
int Spawn(const std::string& program, const std::vector<std::string>& args, pid_t& pid) {
  std::vector<std::string> os;
  os.reserve(args.size());
  for (const std::string& a : args) os.push_back(platform::ToOsPath(a));
  std::vector<char*> argv;
  for (std::string& a : os) argv.push_back(&a[0]);
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawnattr_init(&attr);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  const int rc = ::posix_spawn(&pid, platform::ToOsPath(program).c_str(), &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  return rc;
}

bool WaitFor(pid_t pid, int& status) {
  for (;;) {
    if (::waitpid(pid, &status, 0) == pid) return true;
    if (errno != EINTR) return false;
  }
}

}  // namespace

std::vector<std::string> SpawnArguments(const std::string& path, const std::string& param) {
  std::vector<std::string> args{platform::ExtractFileName(path)};
  std::string word;
  for (char c : param + " ") {
    if (c != ' ') {
      word += c;
    } else if (!word.empty()) {
      args.push_back(word);
      word.clear();
    }
  }
  return args;
}

bool SpawnProcess(const std::string& path, const std::string& param, bool wait) {
  ReapFinished();
  pid_t pid = 0;
  if (path.empty() || Spawn(path, SpawnArguments(path, param), pid) != 0) return false;
  if (!wait) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_unwaited.push_back(pid);
    return true;
  }
  int status = 0;
  if (!WaitFor(pid, status)) return false;
  // An exit status of -1 arrives here as 255.
  return !(WIFEXITED(status) && WEXITSTATUS(status) == 255);
}

bool RunSystemCommand(const std::string& command) {
  pid_t pid = 0;
  if (Spawn("/bin/sh", {"sh", "-c", command}, pid) != 0) return false;
  int status = 0;
  return WaitFor(pid, status) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool ShellOpen(const std::string& path) {
  ShellOpenHandler handler;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    handler = g_shellOpen;
  }
  return handler && !path.empty() && handler(path);
}

void SetShellOpenHandler(ShellOpenHandler handler) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_shellOpen = std::move(handler);
}

void BuiltinCopSpawn(TStackData* args, vmcode_t* result, ScriptEnv&) {
  ReturnInt(result, SpawnProcess(Str(args, 0), Str(args, 1), Int(args, 2) != 0) ? 0 : 1);
}

void BuiltinCopSystem(TStackData* args, vmcode_t* result, ScriptEnv&) {
  ReturnInt(result, RunSystemCommand(Str(args, 0)) ? 0 : 1);
}

void BuiltinCopShellExecute(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  bool ok = false;
  const std::string path = Str(args, 0);
  // The desktop services belong to the main thread.
  env.RunOnMainThread([&] { ok = ShellOpen(path); });
  ReturnInt(result, ok ? 0 : 1);
}
