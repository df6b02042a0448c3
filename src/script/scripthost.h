// The seam between a script thread and the windows. The script engine has no
// Qt: it reaches the main thread, its script window and the script dialogs only
// through these interfaces. src/ui implements them with Qt; tests record.
//
// Threads: a script runs on its own thread. The dialogs of ScriptHost and all
// of ScriptWindow but its printing run on the main thread; the script thread
// gets there through its GuiThread (the synchronise call), which blocks it
// until the main thread has run the function.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/guithread.h"
#include "script/machine/builtin_dispatch.h"
#include "script/scriptoutput.h"

struct TScriptModuleState;

// Colours are Windows colour values, 0x00BBGGRR.
constexpr int kScriptErrorColor = 255;  // pure red: run-time errors

// One script's window: a title line, a progress bar (0 to 100) and the output
// memo. Created, used and destroyed on the main thread; only the printing and
// saving may come from the script thread.
class ScriptWindow {
 public:
  virtual ~ScriptWindow() = default;

  virtual void Show() = 0;
  virtual void Close() = 0;

  // Appends text to the output memo: a carriage return goes back to the start
  // of the current line (what follows overwrites it), a line feed starts a new
  // line; an unfinished line shows at once and the next call continues it.
  // Any thread: the caller does not wait for the window to show it.
  virtual void Print(const std::string& text) = 0;
  // Print in the given font colour; the memo's own colour is kept for the rest.
  virtual void PrintColored(const std::string& text, int color) = 0;
  // Shows everything printed so far. Main thread.
  virtual void Flush() {}
  // The script has ended: what it printed shows now, not at the next
  // refresh. Any thread.
  virtual void Ended() {}
  // Saves the memo's lines to the file; false, with the system's reason, when
  // saving failed. Any thread.
  virtual bool SaveOutput(const std::string& fileName, std::string& reason) = 0;

  // Window geometry in screen pixels.
  virtual void GetPos(int& left, int& top) = 0;
  virtual void SetPos(int left, int top) = 0;
  virtual void GetSize(int& width, int& height) = 0;
  virtual void SetSize(int width, int height) = 0;
  // The title line.
  virtual std::string GetText() = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual void SetColor(int color) = 0;  // title line background
  // The progress bar position.
  virtual int GetProgress() = 0;
  virtual void SetProgress(int position) = 0;
  // Font colour of the output memo.
  virtual void SetTextColor(int color) = 0;
};

// Values of the input dialog: the initial values going in, the answer coming
// out when the dialog was confirmed.
struct ScriptInputValue {
  std::string text;
  std::int32_t integer = 0;
  double floating = 0.0;
  bool blank = false;  // the box opens empty: the value has no form of the kind asked for
};

// Modal results of the script dialogs.
enum : int { kScriptDlgOk = 1, kScriptDlgCancel = 2, kScriptDlgJump = 8 };

// What the bus module's built-ins reach (main thread). An empty slot makes
// its built-in print a trace line and answer a fixed default.
struct TBusHooks {
  std::function<int()> busIsAvailable;
  std::function<int()> iicIsAvailable;
  std::function<std::string()> busGetBusFileName;
  std::function<int()> busEnterAdjustMode;
  std::function<int()> busExitAdjustMode;
  std::function<int(int regNo, int* value)> busReadReg;  // 0 = success
  std::function<int(int regNo, int value)> busWriteReg;  // 0 = success
  std::function<int(int saveNo)> busSave;
  std::function<int(int* cmmd, int cmmdLen, int* ans, int ansLen, int inv)> ecs;
  std::function<int(int sw)> iicTurnBInt;
  std::function<int(int line, int type, uint16_t slave, int sub, uint8_t* data, int n)> iicRead;  // 0 = success
  std::function<int(int line, int type, uint16_t slave, int sub, uint8_t* data, int n)> iicWrite;
};

// The program side of running scripts.
class ScriptHost {
 public:
  ScriptHost();
  virtual ~ScriptHost();
  ScriptHost(const ScriptHost&) = delete;
  ScriptHost& operator=(const ScriptHost&) = delete;

  // The window of a new script, not shown yet. Main thread.
  virtual std::unique_ptr<ScriptWindow> CreateScriptWindow() = 0;

  // The synchronise call of one script thread; called on the main thread when
  // the script's executable is made. Implementations must keep this contract:
  // - Run called on the main thread itself runs fn at once;
  // - Cancel (a stop, from any thread) makes every waiting and later Run
  //   return false at once; a fn that has not started by then never runs (it
  //   may refer to the script thread's stack), one already running is waited
  //   for. So a stop never deadlocks against the main thread.
  virtual std::unique_ptr<platform::GuiThread> CreateGuiThread() = 0;

  // The input, message and select dialog (main thread, modal). Each returns
  // the modal result: kScriptDlgOk, kScriptDlgCancel or, from the message
  // dialog's third button, kScriptDlgJump.
  // option: 0 integer, 1 floating, 2 text. value holds the initial value and,
  // when confirmed, the answer.
  virtual int InputDialog(const std::string& prompt, int option, ScriptInputValue& value) = 0;
  // option: dialog kind in the low 4 bits, button set in bits 4 to 7.
  virtual int MessageDialog(const std::string& prompt, int option) = 0;
  // index: the item selected at start; when confirmed, the selected item or -1.
  virtual int SelectDialog(const std::string& prompt, const std::vector<std::string>& items,
                           int& index) = 0;

  // A line for the program's message log. Main thread.
  virtual void AddMessage(const std::string& line) { (void)line; }

  // The progress window of a script's long file operation: shown (or
  // updated) with its caption and done out of total, then closed. Either
  // thread, without waiting: the window lives on the main thread, and a
  // stopped script, which can no longer reach that thread, still closes it.
  virtual void ShowProgress(const std::string& caption, int done, int total) {
    (void)caption, (void)done, (void)total;
  }
  virtual void CloseProgress() {}

  // The bus module's hooks: empty until the program sets them, before a
  // script runs. Main thread.
  TBusHooks& BusHooks() { return busHooks_; }

  // The system (ids 1001-1080 but the script-window ones, 1058-1068) and bus
  // (2001-2013) modules its scripts call; null: the program's own. Set
  // before a script runs (tests and the fuzz sandbox put others in place).
  void SetModules(BuiltinModuleCall system, BuiltinModuleCall bus) {
    systemModule_ = system;
    busModule_ = bus;
  }
  BuiltinModuleCall SystemModule() const { return systemModule_; }
  BuiltinModuleCall BusModule() const { return busModule_; }

  // The system module's files, ports and global values of its scripts.
  // Either thread.
  TScriptModuleState& ModuleState() { return *moduleState_; }

 private:
  std::unique_ptr<TScriptModuleState> moduleState_;
  TBusHooks busHooks_;
  BuiltinModuleCall systemModule_ = nullptr;
  BuiltinModuleCall busModule_ = nullptr;
};

// A window without a screen: it keeps the memo's lines as the real window
// does (so saving works) and the values the built-ins set.
class HeadlessScriptWindow : public ScriptWindow {
 public:
  void Show() override { output_.Clear(); }
  void Close() override {}
  void Print(const std::string& text) override { output_.Print(text); }
  void PrintColored(const std::string& text, int color) override { output_.Print(text, color & 0x00FFFFFF); }
  bool SaveOutput(const std::string& fileName, std::string& reason) override;
  void GetPos(int& left, int& top) override { left = left_, top = top_; }
  void SetPos(int left, int top) override { left_ = left, top_ = top; }
  void GetSize(int& width, int& height) override { width = width_, height = height_; }
  void SetSize(int width, int height) override { width_ = width, height_ = height; }
  std::string GetText() override { return text_; }
  void SetText(const std::string& text) override { text_ = text; }
  void SetColor(int) override {}
  int GetProgress() override { return progress_; }
  void SetProgress(int position) override { progress_ = position; }
  void SetTextColor(int) override {}

  const TScriptOutput& Output() const { return output_; }

 private:
  TScriptOutput output_;
  int left_ = 0, top_ = 0, width_ = 469, height_ = 425, progress_ = 0;
  std::string text_;
};

// Scripts without a screen: headless windows, calls run on the calling
// thread, dialogs answer Cancel.
class HeadlessScriptHost : public ScriptHost {
 public:
  std::unique_ptr<ScriptWindow> CreateScriptWindow() override;
  std::unique_ptr<platform::GuiThread> CreateGuiThread() override;
  int InputDialog(const std::string&, int, ScriptInputValue&) override { return kScriptDlgCancel; }
  int MessageDialog(const std::string&, int) override { return kScriptDlgCancel; }
  int SelectDialog(const std::string&, const std::vector<std::string>&, int&) override { return kScriptDlgCancel; }
};

// What a built-in handler may use of the script that called it. The virtual
// machine implements it for each running script.
class ScriptEnv {
 public:
  virtual ~ScriptEnv() = default;
  // Appends text to the script's window, from either thread, without waiting
  // for the window (unless it is far behind).
  virtual void Print(const std::string& text) = 0;
  // The script's window. Main thread only (a built-in that runs there).
  virtual ScriptWindow& Window() = 0;
  // The program side: its dialogs and hooks on the main thread only; its
  // modules from either thread.
  virtual ScriptHost& Host() = 0;
  // Runs fn on the main thread and waits; false (fn not run) when the script
  // was stopped first. From the main thread, runs fn at once.
  virtual bool RunOnMainThread(const std::function<void()>& fn) = 0;
  // True once the script has been asked to stop: a built-in that waits long
  // should give up early.
  virtual bool StopRequested() const = 0;
  // Waits ms milliseconds, or less when a stop is requested meanwhile; true
  // when the whole time passed.
  virtual bool WaitFor(std::int64_t ms) = 0;
};
