// A script host for tests: windows that record what they are told, dialogs
// that answer from queues, and a choice of synchronise call: inline (the
// headless one), or one whose "main thread" is the test's own thread, pumped
// by the test.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "script/scripthost.h"

// A headless window that also counts its shows and takes saves as told.
class RecordingScriptWindow : public HeadlessScriptWindow {
 public:
  void Show() override {
    ++shown;
    HeadlessScriptWindow::Show();
  }
  bool SaveOutput(const std::string& fileName) override {
    savedTo = fileName;
    return saveSucceeds;
  }
  // The lines printed, joined by line feeds.
  std::string Text() const {
    std::string all;
    for (const ScriptOutputLine& line : Output().Lines()) all += (all.empty() ? "" : "\n") + line.text;
    return all;
  }

  int shown = 0;
  std::string savedTo;
  bool saveSucceeds = true;
};

// The thread that makes it is the main thread; other threads' calls wait in a
// queue until the main thread pumps them, or until Cancel drops them.
class PumpedScriptGui : public platform::GuiThread {
 public:
  bool Run(const std::function<void()>& fn) override {
    if (std::this_thread::get_id() == main_) {
      fn();
      return true;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (cancelled_) return false;
    Task task{&fn};
    queue_.push_back(&task);
    cv_.notify_all();
    cv_.wait(lock, [&] { return task.state != kQueued; });
    return task.state == kDone;
  }
  void Cancel() override {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    for (Task* t : queue_) t->state = kDropped;
    queue_.clear();
    cv_.notify_all();
  }
  void Reset() override {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = false;
  }
  // Main thread: runs queued calls until done() holds; false after 20 s.
  bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::unique_lock<std::mutex> lock(mutex_);
      if (!cv_.wait_for(lock, std::chrono::milliseconds(1), [&] { return !queue_.empty(); })) continue;
      Task* task = queue_.front();
      queue_.pop_front();
      lock.unlock();
      (*task->fn)();  // the caller waits until it is marked done
      lock.lock();
      task->state = kDone;
      cv_.notify_all();
    }
    return true;
  }
  // Main thread: waits until a call is queued (without running it).
  bool WaitForQueued() {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, std::chrono::seconds(20), [&] { return !queue_.empty(); });
  }
  std::thread::id MainThread() const { return main_; }

 private:
  enum State { kQueued, kDone, kDropped };
  struct Task {
    const std::function<void()>* fn;
    State state = kQueued;
  };
  const std::thread::id main_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Task*> queue_;
  bool cancelled_ = false;
};

class RecordingScriptHost : public ScriptHost {
 public:
  explicit RecordingScriptHost(bool pumped = false) : pumped_(pumped) {}

  std::unique_ptr<ScriptWindow> CreateScriptWindow() override {
    auto w = std::make_unique<RecordingScriptWindow>();
    window = w.get();
    return w;
  }
  std::unique_ptr<platform::GuiThread> CreateGuiThread() override {
    if (!pumped_) return HeadlessScriptHost().CreateGuiThread();
    auto g = std::make_unique<PumpedScriptGui>();
    gui = g.get();
    return g;
  }
  bool OpenDocument(const std::string& path) override { return openDocument && openDocument(path); }
  int InputDialog(const std::string& prompt, int option, ScriptInputValue& value) override {
    options.push_back(option);
    if (inputAnswers.empty()) return Unexpected(prompt);
    const auto answer = inputAnswers.front();
    inputAnswers.pop_front();
    if (answer.first == kScriptDlgOk) value = answer.second;
    return answer.first;
  }
  int MessageDialog(const std::string& prompt, int option) override {
    options.push_back(option);
    return Next(prompt);
  }
  int SelectDialog(const std::string& prompt, const std::vector<std::string>& items, int& index) override {
    selectItems = items;
    const int result = Next(prompt);
    if (result == kScriptDlgOk) index = selectIndex;
    return result;
  }

  // Newest window and pumped synchronise call.
  RecordingScriptWindow* window = nullptr;
  PumpedScriptGui* gui = nullptr;
  std::deque<std::pair<int, ScriptInputValue>> inputAnswers;
  std::deque<int> answers;  // message and select dialogs
  int selectIndex = 0;
  std::vector<std::string> selectItems;
  std::vector<int> options;
  std::function<bool(const std::string&)> openDocument;  // none: refused

 private:
  static int Unexpected(const std::string& prompt) {
    ADD_FAILURE() << "unexpected dialog: " << prompt;
    return kScriptDlgCancel;
  }
  int Next(const std::string& prompt) {
    if (answers.empty()) return Unexpected(prompt);
    const int r = answers.front();
    answers.pop_front();
    return r;
  }
  bool pumped_;
};
