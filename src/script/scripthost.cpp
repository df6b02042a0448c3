#include "script/scripthost.h"

#include <atomic>

namespace {

// Runs on the calling thread; a stop may come from another thread.
class HeadlessGuiThread : public platform::GuiThread {
 public:
  bool Run(const std::function<void()>& fn) override {
    if (cancelled_.load()) return false;
    fn();
    return true;
  }
  void Cancel() override { cancelled_.store(true); }
  void Reset() override { cancelled_.store(false); }

 private:
  std::atomic<bool> cancelled_{false};
};

class HeadlessScriptWindow : public ScriptWindow {
 public:
  void Show() override {}
  void Close() override {}
  void Print(const std::string&) override {}
  void PrintColored(const std::string&, int) override {}
  bool SaveOutput(const std::string&) override { return false; }
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

 private:
  int left_ = 0, top_ = 0, width_ = 469, height_ = 425, progress_ = 0;
  std::string text_;
};

class HeadlessScriptHost : public ScriptHost {
 public:
  std::unique_ptr<ScriptWindow> CreateScriptWindow() override {
    return std::make_unique<HeadlessScriptWindow>();
  }
  std::unique_ptr<platform::GuiThread> CreateGuiThread() override {
    return std::make_unique<HeadlessGuiThread>();
  }
  int InputDialog(const std::string&, int, ScriptInputValue&) override { return kScriptDlgCancel; }
  int MessageDialog(const std::string&, int) override { return kScriptDlgCancel; }
  int SelectDialog(const std::string&, const std::vector<std::string>&, int&) override {
    return kScriptDlgCancel;
  }
};

HeadlessScriptHost g_headless;
std::atomic<ScriptHost*> g_host{nullptr};

}  // namespace

ScriptHost& GetScriptHost() {
  ScriptHost* host = g_host.load();
  return host ? *host : g_headless;
}

void SetScriptHost(ScriptHost* host) { g_host.store(host); }
