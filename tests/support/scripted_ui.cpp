#include "support/scripted_ui.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace testing_support {

namespace {
const char* KindName(ScriptedUi::Kind k) {
  switch (k) {
    case ScriptedUi::Kind::Message: return "message box";
    case ScriptedUi::Kind::OpenFile: return "open-file dialog";
    case ScriptedUi::Kind::SaveFile: return "save-file dialog";
    case ScriptedUi::Kind::Input: return "input box";
    case ScriptedUi::Kind::ComPort: return "COM port dialog";
  }
  return "?";
}
}  // namespace

ScriptedUi::~ScriptedUi() {
  for (const Expectation& e : queue_)
    ADD_FAILURE() << "expected " << KindName(e.kind) << " was never shown: " << platform::Cp932ToUtf8(e.text);
}

ScriptedUi& ScriptedUi::ExpectMessage(int flags, int answer, const std::string& textPart) {
  Expectation e;
  e.kind = Kind::Message;
  e.flags = flags;
  e.answer = answer;
  e.text = textPart;
  queue_.push_back(e);
  return *this;
}

ScriptedUi& ScriptedUi::ExpectOpenFile(const std::string& path) {
  Expectation e;
  e.kind = Kind::OpenFile;
  e.text = path;
  queue_.push_back(e);
  return *this;
}

ScriptedUi& ScriptedUi::ExpectSaveFile(const std::string& path) {
  Expectation e;
  e.kind = Kind::SaveFile;
  e.text = path;
  queue_.push_back(e);
  return *this;
}

ScriptedUi& ScriptedUi::ExpectInput(const std::string& text, bool ok) {
  Expectation e;
  e.kind = Kind::Input;
  e.text = text;
  e.ok = ok;
  queue_.push_back(e);
  return *this;
}

ScriptedUi& ScriptedUi::ExpectComPortDialog(bool ok, std::function<void(int&, int&)> action) {
  Expectation e;
  e.kind = Kind::ComPort;
  e.ok = ok;
  e.action = std::move(action);
  queue_.push_back(e);
  return *this;
}

bool ScriptedUi::Take(Kind kind, const std::string& what, Expectation& out) {
  if (queue_.empty() || queue_.front().kind != kind) {
    ADD_FAILURE() << "unexpected " << KindName(kind) << ": " << platform::Cp932ToUtf8(what)
                  << (queue_.empty() ? std::string(" (nothing expected)")
                                     : std::string(" (expected a ") + KindName(queue_.front().kind) + ")");
    return false;
  }
  out = queue_.front();
  queue_.pop_front();
  return true;
}

int ScriptedUi::MessageBox(const std::string& caption, const std::string& text, int flags) {
  shown_.push_back(text);
  Expectation e;
  e.kind = Kind::Message;
  if (!Take(Kind::Message, caption + ": " + text, e)) return platform::kIdCancel;
  if (e.flags >= 0) {
    EXPECT_EQ(e.flags, flags) << "flags of message box: " << platform::Cp932ToUtf8(text);
  }
  if (!e.text.empty()) {
    EXPECT_NE(text.find(e.text), std::string::npos)
        << "message box text " << platform::Cp932ToUtf8(text) << " lacks " << platform::Cp932ToUtf8(e.text);
  }
  return e.answer;
}

bool ScriptedUi::OpenFileDialog(const platform::FileDialogOptions& options, std::string& path) {
  lastDialog_ = options;
  Expectation e;
  e.kind = Kind::OpenFile;
  if (!Take(Kind::OpenFile, options.title, e) || e.text.empty()) return false;
  path = e.text;
  return true;
}

bool ScriptedUi::SaveFileDialog(const platform::FileDialogOptions& options, std::string& path) {
  lastDialog_ = options;
  Expectation e;
  e.kind = Kind::SaveFile;
  if (!Take(Kind::SaveFile, options.title, e) || e.text.empty()) return false;
  path = e.text;
  return true;
}

bool ScriptedUi::InputBox(const std::string& caption, const std::string& prompt, std::string& text, char) {
  Expectation e;
  e.kind = Kind::Input;
  if (!Take(Kind::Input, caption + ": " + prompt, e) || !e.ok) return false;
  text = e.text;
  return true;
}

bool ScriptedUi::ShowComPortDialog(int& comPort, int& baudRate) {
  Expectation e;
  e.kind = Kind::ComPort;
  if (!Take(Kind::ComPort, "", e)) return false;
  if (e.action) e.action(comPort, baudRate);
  return e.ok;
}

}  // namespace testing_support
