// The main window and its dialogs as the rules see them: one fake for every
// flow, answering from queues the test fills and logging what talks to the
// target or the user.
#pragma once
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/convert.h"
#include "platform/ui.h"
#include "rules/maincontroller.h"
#include "rules/mainlifecycle.h"
#include "rules/nvmtransfer.h"
#include "rules/registercommands.h"
#include "rules/regsnapshottransfer.h"

namespace rules_fake {

// The next answer a fake window gives; none when the test expected no window.
template <typename T>
T Next(std::deque<T>& answers, T none) {
  if (answers.empty()) {
    ADD_FAILURE() << "window not expected";
    return none;
  }
  const T a = answers.front();
  answers.pop_front();
  return a;
}

class FakeWindow : public rules::MainWindowSteps,
                   public rules::MainView,
                   public rules::RegisterPane,
                   public rules::StatusPane,
                   public TLineRate,
                   public rules::NvmDialogs,
                   public rules::RegSnapshotDialogs {
 public:
  ~FakeWindow() override {
    EXPECT_TRUE(reads.empty() && edits.empty() && selects.empty() && confirms.empty() && choices.empty());
  }
  void Step(const std::string& s) { log += (log.empty() ? "" : " ") + s; }

  // Start-up and close; what only a real window shows does nothing.
  void ForceEnglish() override {}
  void LoadSettings() override {}
  void LoadDataFiles() override {}
  void FillCommandMenu() override {}
  bool Connect() override {
    Step("connect");
    return connects;
  }
  void ShowComStatus() override {}
  void TakeSnapshot() override { Step("snapshot"); }
  int SaveRegisterFileIfChanged(RegKind kind) override {
    Step("ask" + std::to_string(static_cast<int>(kind)));
    return saveAnswers[static_cast<int>(kind)];
  }
  void SaveRefreshList() override { Step("refresh"); }
  void SaveWindowSettings() override { Step("settings"); }

  // The line rate: each call logged, and found or done.
  int Done(const std::string& s) {
    Step(s);
    return 0;
  }
  int FindBaudRate() override { return Done("findbaud"); }
  int RaiseBaudRate() override { return Done("raise"); }
  int SendBaudRate() override { return Done("sendbaud"); }
  int GetBaudIndex() override { return baud; }

  // The status window.
  // From reads in turn, then from readTarget when set, else true.
  bool ReadRegisterValues(RegKind kind) override {
    Step("read" + std::to_string(static_cast<int>(kind)));
    if (reads.empty()) return readTarget ? readTarget(kind) : true;
    const bool ok = reads.front();
    reads.pop_front();
    return ok;
  }
  int StatusWindowChoice() const override { return 0; }  // "Start"
  void SetStatusPolling(bool on) override { polling = on; switched.push_back(on); Step(on ? "poll-on" : "poll-off"); }
  void StartStatusPolling() override { SetStatusPolling(true); }
  bool StopStatusPolling() override {
    Step("stop-polling");
    const bool was = polling;
    polling = false;
    return was;
  }

  // The register grid.
  void BuildTabStrip() override {}
  void ShowRegisterTab(int) override {}
  void ShowRegisterTabAt(int, int currentRegister) override { current = currentRegister; }
  void RedrawRegisterValues() override { ++redraws; }
  void SelectFirstValueCell() override {}
  RegKind ShownFile() const override { return shown; }
  void SetShownFile(RegKind kind) override { shown = kind; }
  int CurrentRegisterIndex() const override { return current; }
  int CurrentTab() const override { return tab; }

  // The controller's view.
  void ApplySettings() override {}
  void StoreWindowSettings() override {}
  void SetCaption(const std::string&) override {}
  void SetComStatus(const std::string&) override {}
  void BuildCommandMenu(const std::vector<rules::CommandMenuItem>&) override {}
  void CloseSoon() override {}
  void ReleaseResources() override { Step("release"); }
  rules::RegisterPane& Registers() override { return *this; }
  rules::StatusPane& Status() override { return *this; }
  // The values typed into rows by name, and OK or not.
  bool EditParameters(std::vector<STEditItem>& rows) override {
    const Edit e = Next<Edit>(edits, {false, {}});
    for (STEditItem& row : rows)
      if (e.second.count(row.Name)) row.Value = e.second.at(row.Name);
    return e.first;
  }
  rules::NvmDialogs& NvmWindows() override { return *this; }
  rules::RegSnapshotDialogs& SnapshotWindows() override { return *this; }

  // The NVM and register value windows.
  int SelectTargetNvm(int& index) override {
    const auto answer = Next<std::pair<int, int>>(selects, {platform::kIdCancel, 0});
    if (answer.first == platform::kIdOk) index = answer.second;
    return answer.first;
  }
  int ConfirmNvmAccess(const std::string& name, int type, uint32_t start, uint32_t end, bool write) override {
    confirmed.push_back(platform::Format("%s %d 0x%X-0x%X %s", name.c_str(), type, start, end,
                                         write ? "write" : "compare"));
    return Next<int>(confirms, platform::kIdCancel);
  }
  int SelectRegisterFiles(bool& s, bool& h) override {
    const Choice c = Next<Choice>(choices, {platform::kIdCancel});
    s = s && c.s;
    h = h && c.h;
    return c.result;
  }
  int ShowCompareResult(const std::vector<std::string>& lines) override {
    results.push_back(lines);
    return platform::kIdOk;
  }

  std::string log;
  bool connects = true;
  std::deque<bool> reads;
  std::function<bool(RegKind)> readTarget;
  bool polling = false;
  std::vector<bool> switched;
  int saveAnswers[2] = {0, 0};
  RegKind shown = RegKind::S;
  int current = -1, tab = 0, baud = 12;
  int redraws = 0;
  using Edit = std::pair<bool, std::map<std::string, std::string>>;
  std::deque<Edit> edits;
  std::deque<std::pair<int, int>> selects;  // result, index
  std::deque<int> confirms;
  std::vector<std::string> confirmed;
  struct Choice {
    int result = platform::kIdOk;
    bool s = true;  // ticked when offered
    bool h = true;
  };
  std::deque<Choice> choices;
  std::vector<std::vector<std::string>> results;
};

}  // namespace rules_fake
