#include "script/builtins/childprocess.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/files.h"
#include "platform/text.h"
#include "script/builtins/builtinargs.h"
#include "script/builtins/modulestate.h"
#include "script/scripthost.h"

extern char** environ;

using namespace builtin;

namespace {

// How often a wait for a child looks whether the script was stopped.
constexpr int kStopCheckMs = 20;

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

// Waits for the child to end, or until limitMs have passed when it is not
// negative; true with its status. A stop of the script or the limit ends the
// wait: the child is left to run and reaped when it ends.
bool WaitForChild(pid_t pid, int& status, ScriptEnv& env, int limitMs = -1) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  bool ended = false;
  for (;;) {
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) {
      ended = true;
      break;
    }
    if (r < 0 && errno != EINTR) break;
    if (env.StopRequested() || (limitMs >= 0 && std::chrono::steady_clock::now() >= deadline)) {
      env.Host().ModuleState().reaper.Add(pid);
      break;
    }
    if (fd >= 0) {
      pollfd p{fd, POLLIN, 0};
      ::poll(&p, 1, kStopCheckMs);
    } else {
      env.WaitFor(1);
    }
  }
  if (fd >= 0) ::close(fd);
  return ended;
}

// The executable a program name stands for: itself when it holds a "/",
// else the first match along PATH. Empty when there is none.
std::string FindProgram(const std::string& name) {
  auto runnable = [](const std::string& p) { return ::access(platform::ToOsPath(p).c_str(), X_OK) == 0; };
  if (name.empty()) return std::string();
  if (name.find('/') != std::string::npos) return runnable(name) ? name : std::string();
  const char* path = std::getenv("PATH");
  const std::string dirs = platform::FromOsPath(path ? path : "/usr/local/bin:/usr/bin:/bin");
  for (size_t begin = 0; begin <= dirs.size();) {
    size_t end = dirs.find(':', begin);
    if (end == std::string::npos) end = dirs.size();
    const std::string candidate = (end > begin ? dirs.substr(begin, end - begin) : std::string(".")) + "/" + name;
    if (runnable(candidate)) return candidate;
    begin = end + 1;
  }
  return std::string();
}

}  // namespace

TChildReaper::~TChildReaper() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    quit_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TChildReaper::Add(int pid) {
  std::lock_guard<std::mutex> hold(mutex_);
  pids_.push_back(pid);
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  cv_.notify_all();
}

void TChildReaper::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!quit_) {
    pids_.erase(std::remove_if(pids_.begin(), pids_.end(),
                               [](int pid) {
                                 int status = 0;
                                 const pid_t r = ::waitpid(pid, &status, WNOHANG);
                                 return r == pid || (r < 0 && errno == ECHILD);
                               }),
                pids_.end());
    if (pids_.empty())
      cv_.wait(lock, [this] { return quit_ || !pids_.empty(); });
    else
      cv_.wait_for(lock, std::chrono::milliseconds(100), [this] { return quit_; });
  }
}

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

bool SpawnProcess(const std::string& path, const std::string& param, bool wait, ScriptEnv& env) {
  pid_t pid = 0;
  if (path.empty() || Spawn(path, SpawnArguments(path, param), pid) != 0) return false;
  if (!wait) {
    env.Host().ModuleState().reaper.Add(pid);
    return true;
  }
  int status = 0;
  if (!WaitForChild(pid, status, env)) return false;
  // An exit status of -1 arrives here as 255.
  return !(WIFEXITED(status) && WEXITSTATUS(status) == 255);
}

bool RunSystemCommand(const std::string& command, ScriptEnv& env) {
  pid_t pid = 0;
  if (Spawn("/bin/sh", {"sh", "-c", command}, pid) != 0) return false;
  int status = 0;
  return WaitForChild(pid, status, env) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BuiltinCopSpawn(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, SpawnProcess(Str(args, 0), Str(args, 1), Int(args, 2) != 0, env) ? 0 : 1);
}

void BuiltinCopSystem(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, RunSystemCommand(Str(args, 0), env) ? 0 : 1);
}

bool ShellOpen(const std::string& path, const std::string& opener, ScriptEnv& env) {
  struct stat st;
  if (path.empty() || ::stat(platform::ToOsPath(path).c_str(), &st) != 0) return false;
  // The opener learns nothing from our folder: it gets the whole path.
  std::string whole = path;
  if (path[0] != '/') {
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return false;
    whole = platform::FromOsPath(cwd) + "/" + path;
  }
  const std::string program = FindProgram(opener);
  pid_t pid = 0;
  if (program.empty() || Spawn(program, {platform::ExtractFileName(program), whole}, pid) != 0) return false;
  int status = 0;
  if (!WaitForChild(pid, status, env, kShellOpenWaitMs)) return !env.StopRequested();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BuiltinCopShellExecute(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, ShellOpen(Str(args, 0), env.Host().ModuleState().shellOpener, env) ? 0 : 1);
}
