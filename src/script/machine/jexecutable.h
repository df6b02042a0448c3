// One running script: the compiled code (owned through its registry), a value
// stack, the globals, the return cell and a script window, and the thread that
// interprets the code from the start-up function __startup.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/iniproperty.h"
#include "script/machine/flatcode.h"
#include "script/machine/registry.h"
#include "script/machine/vmcode.h"
#include "script/scripthost.h"

class TJExecutable : public ScriptEnv {
 public:
  static constexpr int kDefaultStackSize = 65535;

  // Made on the main thread. The thread does not run until Continue. host
  // null: a headless host of its own.
  explicit TJExecutable(int stackSize = kDefaultStackSize, ScriptHost* host = nullptr);
  // Stops the thread and waits for it, then frees everything; main thread.
  ~TJExecutable() override;
  TJExecutable(const TJExecutable&) = delete;
  TJExecutable& operator=(const TJExecutable&) = delete;

  // Filled by the compiler before the run.
  TJMemoryManager& GetMemoryManager() { return registry_; }
  void SetEntry(funcdata* entry) { entry_ = entry; }
  // Replaces the globals by count cells, each the integer 0.
  void AllocGlobals(int count);
  // The script's parameters for sysGetParam; not owned, only read.
  void SetIniData(const TIniData* data) { iniData_ = data; }

  // The script window (main thread).
  void ShowWindow();
  void CloseWindow();

  // Starts the thread, or lets a paused run go on.
  void Continue();
  // Holds the run at its next call, return, backward jump or print until
  // Continue or Stop; a built-in under way finishes first. From any thread.
  void Pause();
  // Asks the run to end: it does at its next call, return, backward jump or
  // print, so it calls no built-in, returns and shows nothing more, and an
  // error on the way ends it as stopped; a built-in waiting for the main
  // thread and a paused run are released at once. From any thread.
  void Stop();
  bool StopRequested() const override { return stop_.load(std::memory_order_relaxed); }
  // True once the run has ended (or was stopped before it started), so the
  // wait of WaitDone cannot block on it.
  bool IsTerminated() const;
  // Waits for the thread to end; true when it ended normally or by Stop,
  // false after a run-time error. Not from the script thread.
  bool WaitDone();
  // The value of the last executed return (main's result after a normal end)
  // and the last run-time error text. After WaitDone.
  TStackData GetReturnValue() const { return returnCell_; }
  std::string GetErrorText() const { return errorText_; }

  // Runs the entry on the calling thread as the script thread would; returns
  // the exit code. For tests and measurements; never together with Continue.
  int RunHere();

  // ScriptEnv, for the built-ins.
  void Print(const std::string& text) override;
  ScriptWindow& Window() override { return *window_; }
  ScriptHost& Host() override { return *host_; }
  bool RunOnMainThread(const std::function<void()>& fn) override;
  bool WaitFor(std::int64_t ms) override;

 private:
  struct CallFrame {
    funcdata* func;
    TStackData* base;
    const TFlatInsn* next;  // where the caller goes on
  };

  void Execute();
  void Interpret(funcdata* entry);
  [[noreturn]] void RuntimeError(const std::string& message);
  [[noreturn]] void OperationError(const char* format, const funcdata* func);
  void CallBuiltin(std::int32_t id, bool mainThread, TStackData* args, vmcode_t* result);
  // Writes the arguments to the window; text becomes everything written.
  void DoPrint(TStackData* args, int count, std::string& text);
  void DoStrPrintf(TStackData* args, int count, TPrintfFormat& format, std::string& out, const funcdata* func);
  void SyncPrint(const std::string& text);
  void SyncPrintError(const std::string& text);
  bool OnScriptThread() const;
  // At a stop check that found a pause or a stop: waits while paused; true
  // when the run must end.
  bool HoldOrEnd();

  std::unique_ptr<ScriptHost> ownHost_;
  ScriptHost* host_;
  std::unique_ptr<platform::GuiThread> gui_;
  std::unique_ptr<ScriptWindow> window_;
  TJMemoryManager registry_;
  TFlatCode code_;
  funcdata* entry_ = nullptr;
  const TIniData* iniData_ = nullptr;
  std::vector<TStackData> globals_;
  std::vector<TStackData> stack_;
  std::vector<CallFrame> frames_;
  std::string errorText_;
  std::string printBuffer_;
  std::string textBuffer_;  // print and strPrintf results are made here, then swapped into their cell
  TStackData returnCell_;
  int exitCode_ = 0;

  std::thread thread_;
  std::thread::id scriptThread_;
  std::atomic<bool> stop_{false};
  // Set while a stop or a pause is pending: the run's checks read this one flag.
  std::atomic<bool> attention_{false};
  bool paused_ = false;  // under waitMutex_
  std::atomic<bool> started_{false};
  std::atomic<bool> finished_{false};
  std::mutex waitMutex_;
  std::condition_variable waitCv_;
};
