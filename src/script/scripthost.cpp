#include "script/scripthost.h"

#include <atomic>

#include "platform/files.h"
#include "script/builtins/modulestate.h"

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

}  // namespace

ScriptHost::ScriptHost() : moduleState_(std::make_unique<TScriptModuleState>()) {}

ScriptHost::~ScriptHost() = default;

bool HeadlessScriptWindow::SaveOutput(const std::string& fileName, std::string& reason) {
  return platform::WriteFileAtomic(fileName, output_.Text(), &reason);
}

std::unique_ptr<ScriptWindow> HeadlessScriptHost::CreateScriptWindow() {
  return std::make_unique<HeadlessScriptWindow>();
}

std::unique_ptr<platform::GuiThread> HeadlessScriptHost::CreateGuiThread() {
  return std::make_unique<HeadlessGuiThread>();
}
