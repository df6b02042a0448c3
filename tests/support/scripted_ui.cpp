#include "support/scripted_ui.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace testing_support {

namespace {
const char* KindName(ScriptedUi::Kind k) {
  static const char* const names[] = {"message box", "open-file dialog", "save-file dialog", "input box",
                                      "COM port dialog"};
  return names[static_cast<int>(k)];
}
}  // namespace

ScriptedUi::~ScriptedUi() {
  for (const Expectation& e : queue_)
    ADD_FAILURE() << "expected " << KindName(e.kind) << " was never shown: " << platform::Cp932ToUtf8(e.text);
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
  Expectation e;
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

bool ScriptedUi::FileDialog(Kind kind, const platform::FileDialogOptions& options, std::string& path) {
  lastDialog_ = options;
  Expectation e;
  if (!Take(kind, options.title, e) || e.text.empty()) return false;
  path = e.text;
  return true;
}

bool ScriptedUi::InputBox(const std::string& caption, const std::string& prompt, std::string& text, char) {
  Expectation e;
  if (!Take(Kind::Input, caption + ": " + prompt, e) || !e.ok) return false;
  text = e.text;
  return true;
}

bool ScriptedUi::ShowComPortDialog(int& comPort, int& baudRate) {
  Expectation e;
  if (!Take(Kind::ComPort, "", e)) return false;
  if (e.action) e.action(comPort, baudRate);
  return e.ok;
}

}  // namespace testing_support
