// The script host on Qt: each script gets a TfrmScriptWindow and a queued
// synchronise call; the dialogs are TfrmIoDialog.
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "script/scripthost.h"

class QObject;
class QProgressDialog;
class TfrmIoDialog;
class TfrmScriptWindow;
namespace platform {
class MainWindowServices;
}

namespace ui {

// One script's window behind the engine's interface; owns the form.
class QtScriptWindow : public ScriptWindow {
 public:
  // closeCheck: asked when the user closes the window (may be empty).
  explicit QtScriptWindow(std::function<bool()> closeCheck = {});
  ~QtScriptWindow() override;

  void Show() override;
  void Close() override;
  void Print(const std::string& text) override;
  void PrintColored(const std::string& text, int color) override;
  void Flush() override;
  void Ended() override;
  bool SaveOutput(const std::string& fileName, std::string& reason) override;
  void GetPos(int& left, int& top) override;
  void SetPos(int left, int top) override;
  void GetSize(int& width, int& height) override;
  void SetSize(int width, int height) override;
  std::string GetText() override;
  void SetText(const std::string& text) override;
  void SetColor(int color) override;
  int GetProgress() override;
  void SetProgress(int position) override;
  void SetTextColor(int color) override;

  TfrmScriptWindow& Form() { return *form_; }

 private:
  std::unique_ptr<TfrmScriptWindow> form_;
};

class QtScriptHost : public ScriptHost {
 public:
  // services: the message log the scripts write to. Main thread.
  explicit QtScriptHost(platform::MainWindowServices& services);
  ~QtScriptHost() override;
  // Main thread.
  std::unique_ptr<ScriptWindow> CreateScriptWindow() override;
  std::unique_ptr<platform::GuiThread> CreateGuiThread() override;
  int InputDialog(const std::string& prompt, int option, ScriptInputValue& value) override;
  int MessageDialog(const std::string& prompt, int option) override;
  int SelectDialog(const std::string& prompt, const std::vector<std::string>& items, int& index) override;

  void AddMessage(const std::string& line) override;
  void ShowProgress(const std::string& caption, int done, int total) override;
  void CloseProgress() override;
  // The progress window while it is open, else null (tests). Main thread.
  QProgressDialog* Progress() const { return progress_.get(); }

  // Ends every script dialog still open as Cancel would (the program closes).
  void RejectDialogs();
  // True while a call of one of its scripts runs on the main thread: a modal
  // dialog of a script may be open further down the main thread's stack then.
  bool AnyInCall() const;
  // Asked when the user closes a script window made from now on.
  void SetCloseCheck(std::function<bool()> check) { closeCheck_ = std::move(check); }

 private:
  int Exec(TfrmIoDialog& dialog);

  platform::MainWindowServices& services_;
  // Lives on the main thread: the progress calls of script threads are
  // queued to it.
  std::unique_ptr<QObject> mainThread_;
  std::unique_ptr<QProgressDialog> progress_;
  std::function<bool()> closeCheck_;
  // Shared with the scripts' GUI threads, which may outlive the host.
  std::shared_ptr<std::atomic<int>> inCall_ = std::make_shared<std::atomic<int>>(0);
  std::vector<TfrmIoDialog*> open_;  // innermost last
};

}  // namespace ui
