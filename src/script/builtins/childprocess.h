// Child processes of scripts: a program with blank-separated arguments (never
// through a shell), a command line through the shell, and "open" of a
// document through whatever the desktop associates with it.
#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "script/machine/vmcode.h"

class ScriptEnv;

// Children nobody waits for (started without waiting, or left running by a
// stopped script) are reaped by one thread as they end.
class TChildReaper {
 public:
  TChildReaper() = default;
  ~TChildReaper();
  TChildReaper(const TChildReaper&) = delete;
  TChildReaper& operator=(const TChildReaper&) = delete;
  void Add(int pid);

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<int> pids_;
  bool quit_ = false;
  std::thread thread_;
};

// The argument list copSpawn gives a program: its file name, then the
// blank-separated words of param (runs of blanks make no empty words).
std::vector<std::string> SpawnArguments(const std::string& path, const std::string& param);
// Starts path (no search along PATH) with SpawnArguments; with wait, waits for
// it. True when it started and, when waited for, did not end with status -1.
// A wait ends when the script is stopped (false then): the child runs on and
// is reaped when it ends, as one started without waiting is.
bool SpawnProcess(const std::string& path, const std::string& param, bool wait, ScriptEnv& env);
// Runs command through /bin/sh and waits as SpawnProcess does; true when it
// ended with status 0.
bool RunSystemCommand(const std::string& command, ScriptEnv& env);
// The program that opens documents with whatever the desktop associates
// with them.
constexpr const char* kDesktopOpener = "xdg-open";
// How long "open" waits for the opener's answer at most.
constexpr int kShellOpenWaitMs = 3000;
// "open" of path with opener (a program name looked up along PATH, or a path
// to one). True when path exists and the opener found a program and started
// it: it ended with status 0, or is still running after kShellOpenWaitMs (an
// opener without a desktop session runs the program and waits for it; it is
// left to run and reaped). False when path does not exist, the opener is not
// installed or answered with an error, or the script was stopped meanwhile.
bool ShellOpen(const std::string& path, const std::string& opener, ScriptEnv& env);
void BuiltinCopSpawn(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinCopSystem(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinCopShellExecute(TStackData* args, vmcode_t* result, ScriptEnv& env);
