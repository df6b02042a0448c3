#include "script/scripthost.h"

#include <atomic>

#include "platform/files.h"

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

HeadlessScriptHost g_headless;
std::atomic<ScriptHost*> g_host{nullptr};

}  // namespace

bool HeadlessScriptWindow::SaveOutput(const std::string& fileName) {
  return platform::WriteFileAtomic(fileName, output_.Text());
}

std::unique_ptr<ScriptWindow> HeadlessScriptHost::CreateScriptWindow() {
  return std::make_unique<HeadlessScriptWindow>();
}

std::unique_ptr<platform::GuiThread> HeadlessScriptHost::CreateGuiThread() {
  return std::make_unique<HeadlessGuiThread>();
}

ScriptHost& GetScriptHost() {
  ScriptHost* host = g_host.load();
  return host ? *host : g_headless;
}

void SetScriptHost(ScriptHost* host) { g_host.store(host); }
