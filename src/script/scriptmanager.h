// Runs one script file: loads it and its parameter file, compiles it once for
// each thread slot, starts the threads, tells whether they have finished,
// stops or discards them, and gathers their results into one error text.
// Every operation runs on the main thread.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "model/iniproperty.h"
#include "script/compiler/jcompiler.h"
#include "script/machine/vmcode.h"

class TJExecutable;
class TScriptSource;
class ScriptHost;
class TTargetControl;
namespace platform {
class Ui;
}

class TScriptManager : public TJCompiler {
 public:
  // Loads the script; a file that cannot be read or is empty leaves the
  // manager unopened with "User Script ERROR : Fail to open the Script(%s)!".
  // host: where the scripts' windows and main-thread calls come from (null:
  // a headless host of each script's own).
  TScriptManager(const std::string& fileName, int slotCount, ScriptHost* host = nullptr);
  ~TScriptManager() override;

  // Compiles and starts every slot with the slot number (from 1) followed by
  // args as the script's ArgString. False when unopened or when a slot does
  // not compile (slots started before it keep running).
  bool Start(const std::vector<std::string>& args = {});
  // True once no started thread is still running (at once when nothing was
  // started).
  bool IsFinished() const;
  // Asks every running thread to stop before its next instruction.
  bool StopAll();
  // The ok flag after gathering every slot's end; a failure sets the last
  // error. A slot that was stopped and did not fail before it is no failure.
  bool CollectResults();
  // Closes every script window and deletes every thread (waiting for it).
  void TerminateAll();

  std::string GetLastError() const { return lastError_; }
  bool IsOpened() const { return opened_; }
  int SlotCount() const { return slotCount_; }
  // The executable of slot i (0-based), null when empty.
  TJExecutable* Slot(int i) const;

 private:
  std::vector<std::string> script_;
  std::unique_ptr<TIniData> params_;
  std::vector<std::unique_ptr<TJExecutable>> slots_;
  std::unique_ptr<TScriptSource> source_;
  std::vector<std::string> arguments_;
  TStackData result_;
  std::string lastError_;
  bool opened_ = true;
  bool ok_ = true;
  int slotCount_ = 0;
  ScriptHost* host_ = nullptr;
};

// The main window's link from scripts to the program: the bus module's
// register hooks reach the target, and the script serial ports close when the
// main window goes. One per main window, made and destroyed with it.
class TScriptHost {
 public:
  // host: the program side of the main window's scripts; target: what their
  // register hooks reach. Both outlive it.
  TScriptHost(ScriptHost& host, TTargetControl& target) : host_(host), target_(target) {}
  // Closes the serial ports the scripts left open.
  ~TScriptHost();
  TScriptHost(const TScriptHost&) = delete;
  TScriptHost& operator=(const TScriptHost&) = delete;

  // busReadReg and busWriteReg read and write target registers.
  void InstallRegisterHooks();

 private:
  ScriptHost& host_;
  TTargetControl& target_;
};

// Asked when a script window is being closed: with a current manager (may
// be null) whose script still runs, the user confirms through ui (Yes stops
// the script). True when the window may close.
bool ConfirmScriptWindowClose(TScriptManager* manager, platform::Ui& ui);
