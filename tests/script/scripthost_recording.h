// A script host for tests: windows that record what they are told, dialogs
// that answer from queues, and a choice of synchronise call: inline (the
// headless one), or one whose "main thread" is the test's own thread, pumped
// by the test.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
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

class RecordingScriptWindow : public ScriptWindow {
 public:
  struct Piece {
    std::string text;
    int color;  // -1: the memo's own colour
  };
  void Show() override { ++shown; }
  void Close() override {}
  void Print(const std::string& text) override { Record(text, -1); }
  void PrintColored(const std::string& text, int color) override { Record(text, color); }
  bool SaveOutput(const std::string& fileName) override {
    savedTo = fileName;
    return saveSucceeds;
  }
  void GetPos(int& l, int& t) override { l = left, t = top; }
  void SetPos(int l, int t) override { left = l, top = t; }
  void GetSize(int& w, int& h) override { w = width, h = height; }
  void SetSize(int w, int h) override { width = w, height = h; }
  std::string GetText() override { return text; }
  void SetText(const std::string& t) override { text = t; }
  void SetColor(int) override {}
  int GetProgress() override { return progress; }
  void SetProgress(int p) override { progress = p; }
  void SetTextColor(int) override {}

  std::vector<Piece> Pieces() {
    std::lock_guard<std::mutex> lock(mutex_);
    return pieces_;
  }
  std::string Output() {
    std::string all;
    for (const Piece& p : Pieces()) all += p.text;
    return all;
  }

  int shown = 0;
  int left = 10, top = 20, width = 469, height = 425, progress = 0;
  std::string text = "Script", savedTo;
  bool saveSucceeds = true;

 private:
  void Record(const std::string& t, int c) {
    std::lock_guard<std::mutex> lock(mutex_);
    pieces_.push_back({t, c});
  }
  std::mutex mutex_;
  std::vector<Piece> pieces_;
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
    cv_.wait(lock, [&] { return task.state == kDone || task.state == kDropped; });
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
  // Main thread: runs queued calls until done() holds; false after timeout.
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::unique_lock<std::mutex> lock(mutex_);
      cv_.wait_for(lock, std::chrono::milliseconds(1), [&] { return !queue_.empty(); });
      if (queue_.empty()) continue;
      Task* task = queue_.front();
      queue_.pop_front();
      task->state = kRunning;
      lock.unlock();
      (*task->fn)();
      lock.lock();
      task->state = kDone;
      cv_.notify_all();
    }
    return true;
  }
  // Main thread: waits until a call is queued (without running it).
  bool WaitForQueued(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return !queue_.empty(); });
  }
  std::thread::id MainThread() const { return main_; }

 private:
  enum State { kQueued, kRunning, kDone, kDropped };
  struct Task {
    const std::function<void()>* fn;
    State state = kQueued;
  };
  std::thread::id main_ = std::this_thread::get_id();
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
  int InputDialog(const std::string& prompt, int option, ScriptInputValue& value) override {
    options.push_back(option);
    if (inputAnswers.empty()) {
      ADD_FAILURE() << "unexpected input dialog: " << prompt;
      return kScriptDlgCancel;
    }
    auto answer = inputAnswers.front();
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
    int result = Next(prompt);
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

 private:
  int Next(const std::string& prompt) {
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected dialog: " << prompt;
      return kScriptDlgCancel;
    }
    int r = answers.front();
    answers.pop_front();
    return r;
  }
  bool pumped_;
};
