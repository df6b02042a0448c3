// A platform::Ui for tests: every prompt must have been announced with an
// Expect... call, in order; an unexpected prompt fails the test.
#pragma once
#include <deque>
#include <functional>
#include <string>

#include "platform/ui.h"

namespace testing_support {

class ScriptedUi : public platform::Ui {
 public:
  enum class Kind { Message, OpenFile, SaveFile, Input, ComPort };

  ~ScriptedUi() override;  // fails on expectations left over

  // A message box whose text contains textPart (empty: any) with these flags
  // (-1: any), answered with answer.
  ScriptedUi& ExpectMessage(int flags, int answer, const std::string& textPart = std::string()) {
    return Expect({Kind::Message, flags, answer, textPart, true, {}});
  }
  // A file dialog answered with path (empty: cancelled).
  ScriptedUi& ExpectOpenFile(const std::string& path) { return Expect({Kind::OpenFile, -1, 0, path, true, {}}); }
  ScriptedUi& ExpectSaveFile(const std::string& path) { return Expect({Kind::SaveFile, -1, 0, path, true, {}}); }
  // An input box answered with text (ok = false: cancelled).
  ScriptedUi& ExpectInput(const std::string& text, bool ok = true) { return Expect({Kind::Input, -1, 0, text, ok, {}}); }
  // The COM port dialog; action runs in its place (it may change the port
  // and baud indexes shown).
  ScriptedUi& ExpectComPortDialog(bool ok, std::function<void(int& comPort, int& baudRate)> action = {}) {
    return Expect({Kind::ComPort, -1, 0, "", ok, std::move(action)});
  }

  void SetScreenSize(int w, int h) { screenW_ = w, screenH_ = h; }
  bool AllSeen() const { return queue_.empty(); }
  const platform::FileDialogOptions& LastFileDialog() const { return lastDialog_; }

  int MessageBox(const std::string& caption, const std::string& text, int flags) override;
  bool OpenFileDialog(const platform::FileDialogOptions& o, std::string& path) override { return FileDialog(Kind::OpenFile, o, path); }
  bool SaveFileDialog(const platform::FileDialogOptions& o, std::string& path) override { return FileDialog(Kind::SaveFile, o, path); }
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& text,
                char passwordChar) override;
  bool ShowComPortDialog(int& comPort, int& baudRate) override;
  void ScreenSize(int& width, int& height) override {
    width = screenW_;
    height = screenH_;
  }

 private:
  struct Expectation {
    Kind kind = Kind::Message;
    int flags = -1;
    int answer = 0;
    std::string text;
    bool ok = true;
    std::function<void(int&, int&)> action;
  };
  ScriptedUi& Expect(Expectation e) { queue_.push_back(std::move(e)); return *this; }
  bool Take(Kind kind, const std::string& what, Expectation& out);
  bool FileDialog(Kind kind, const platform::FileDialogOptions& options, std::string& path);

  std::deque<Expectation> queue_;
  platform::FileDialogOptions lastDialog_;
  int screenW_ = 1920;
  int screenH_ = 1080;
};

}  // namespace testing_support
