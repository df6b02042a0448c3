// Runs one script file through the script manager, as the program does, with
// its window's output on stdout.
//
//   bench_script_driver FILE               run to the end; exit 0 when main returned 0
//   bench_script_driver --stop-after MS FILE
//                                          stop the run after MS ms and print how long
//                                          the stop took to end it, in microseconds
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "script/jexecutable.h"
#include "script/scripthost.h"
#include "script/scriptmanager.h"

namespace {

class StdoutWindow : public ScriptWindow {
 public:
  void Show() override {}
  void Close() override {}
  void Print(const std::string& text) override { std::fwrite(text.data(), 1, text.size(), stdout); }
  void PrintColored(const std::string& text, int) override {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
  }
  bool SaveOutput(const std::string&) override { return false; }
  void GetPos(int& left, int& top) override { left = top = 0; }
  void SetPos(int, int) override {}
  void GetSize(int& width, int& height) override { width = height = 0; }
  void SetSize(int, int) override {}
  std::string GetText() override { return std::string(); }
  void SetText(const std::string&) override {}
  void SetColor(int) override {}
  int GetProgress() override { return 0; }
  void SetProgress(int) override {}
  void SetTextColor(int) override {}
};

class StdoutHost : public ScriptHost {
 public:
  std::unique_ptr<ScriptWindow> CreateScriptWindow() override { return std::make_unique<StdoutWindow>(); }
  // No windows to serve: the headless host's calls run where they are made.
  std::unique_ptr<platform::GuiThread> CreateGuiThread() override { return GetScriptHost().CreateGuiThread(); }
  int InputDialog(const std::string&, int, ScriptInputValue&) override { return kScriptDlgCancel; }
  int MessageDialog(const std::string&, int) override { return kScriptDlgCancel; }
  int SelectDialog(const std::string&, const std::vector<std::string>&, int&) override { return kScriptDlgCancel; }
};

int Usage() {
  std::fprintf(stderr, "usage: bench_script_driver [--stop-after MS] FILE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long stopAfter = -1;
  int arg = 1;
  if (argc == 4 && std::strcmp(argv[1], "--stop-after") == 0) {
    stopAfter = std::atol(argv[2]);
    arg = 3;
  } else if (argc != 2) {
    return Usage();
  }
  StdoutHost host;
  TScriptManager manager(argv[arg], 1, &host);
  if (!manager.Start()) {
    std::fprintf(stderr, "%s\n", manager.GetLastError().c_str());
    return 1;
  }
  if (stopAfter >= 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(stopAfter));
    if (manager.IsFinished()) {
      std::fprintf(stderr, "the script ended before the stop\n");
      return 1;
    }
    const auto from = std::chrono::steady_clock::now();
    manager.StopAll();
    manager.Slot(0)->WaitDone();
    const auto took = std::chrono::steady_clock::now() - from;
    std::printf("%lld\n", static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(took).count()));
    return 0;
  }
  std::fflush(stdout);
  if (!manager.CollectResults()) {
    std::fprintf(stderr, "%s\n", manager.GetLastError().c_str());
    return 1;
  }
  return 0;
}
