// The script host on Qt: each script gets a TfrmScriptWindow and a queued
// synchronise call; the dialogs are TfrmIoDialog.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "script/scripthost.h"

class TfrmIoDialog;
class TfrmScriptWindow;

namespace ui {

// One script's window behind the engine's interface; owns the form.
class QtScriptWindow : public ScriptWindow {
 public:
  QtScriptWindow();
  ~QtScriptWindow() override;

  void Show() override;
  void Close() override;
  void Print(const std::string& text) override;
  void PrintColored(const std::string& text, int color) override;
  bool Behind() const override;
  void Flush() override;
  void Ended() override;
  bool SaveOutput(const std::string& fileName) override;
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
  // Main thread.
  std::unique_ptr<ScriptWindow> CreateScriptWindow() override;
  std::unique_ptr<platform::GuiThread> CreateGuiThread() override;
  int InputDialog(const std::string& prompt, int option, ScriptInputValue& value) override;
  int MessageDialog(const std::string& prompt, int option) override;
  int SelectDialog(const std::string& prompt, const std::vector<std::string>& items, int& index) override;

  // Ends every script dialog still open as Cancel would (the program closes).
  void RejectDialogs();

 private:
  int Exec(TfrmIoDialog& dialog);

  std::vector<TfrmIoDialog*> open_;  // innermost last
};

}  // namespace ui
