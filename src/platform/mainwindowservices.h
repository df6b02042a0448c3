// The three services of the main window that the rest of the program calls:
// the message log, the progress text and the progress bar.
#pragma once
#include <string>

namespace platform {

class MainWindowServices {
 public:
  virtual ~MainWindowServices() = default;
  virtual void AddMessage(const std::string& line) = 0;
  // Splits at "\n" and appends each part as a line.
  virtual void AddMessageLines(const std::string& text) = 0;
  virtual void SetProgressMessage(const std::string& text) = 0;
  virtual void SetProgressMax(int max) = 0;
  virtual void SetProgressPosition(int position) = 0;
  // Lets the window repaint during a long operation (no user input).
  virtual void ProcessMessages() = 0;
};

// Services that show nothing (no window).
class SilentServices : public MainWindowServices {
 public:
  void AddMessage(const std::string&) override {}
  void AddMessageLines(const std::string&) override {}
  void SetProgressMessage(const std::string&) override {}
  void SetProgressMax(int) override {}
  void SetProgressPosition(int) override {}
  void ProcessMessages() override {}
};

// Passes every call on to the window set in it, or to nothing while none is
// set: what the rest of the program holds before the main window exists and
// after it is gone.
class MainWindowServicesSlot : public MainWindowServices {
 public:
  MainWindowServicesSlot() = default;
  MainWindowServicesSlot(const MainWindowServicesSlot&) = delete;
  MainWindowServicesSlot& operator=(const MainWindowServicesSlot&) = delete;
  // nullptr: no window.
  void Set(MainWindowServices* window) { window_ = window ? window : &silent_; }
  // No window from now on, unless another one has set itself meanwhile.
  void Release(MainWindowServices* window) {
    if (window_ == window) window_ = &silent_;
  }
  void AddMessage(const std::string& line) override { window_->AddMessage(line); }
  void AddMessageLines(const std::string& text) override { window_->AddMessageLines(text); }
  void SetProgressMessage(const std::string& text) override { window_->SetProgressMessage(text); }
  void SetProgressMax(int max) override { window_->SetProgressMax(max); }
  void SetProgressPosition(int position) override { window_->SetProgressPosition(position); }
  void ProcessMessages() override { window_->ProcessMessages(); }

 private:
  SilentServices silent_;
  MainWindowServices* window_ = &silent_;
};

}  // namespace platform
