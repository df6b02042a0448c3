// What every fuzz target shares: a private program folder in a temporary
// directory (VUND2_HOME), a Ui that never blocks, and ways to cut the input.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fuzz {

// The program folder of this process, with a trailing '/'. Made on first use,
// removed at exit; VUND2_HOME points at it.
const std::string& Home();
std::string WriteHomeFile(const std::string& name, const std::string& bytes);
// Removes every entry of the program folder.
void ClearHome();

// Answers the first queued answer, else the button that ends a question
// without doing anything (OK, Cancel, No); dialogs answer from their queues
// or cancel. Nothing is shown; texts are English.
class QuietUi : public platform::Ui {
 public:
  QuietUi() { SetForceEnglish(true); }
  int MessageBox(const std::string&, const std::string&, int flags) override;
  bool OpenFileDialog(const platform::FileDialogOptions&, std::string& path) override { return Take(openFiles, path); }
  bool SaveFileDialog(const platform::FileDialogOptions&, std::string& path) override { return Take(saveFiles, path); }
  bool InputBox(const std::string&, const std::string&, std::string& text, char) override { return Take(inputs, text); }
  bool ShowComPortDialog(int&, int&) override { return false; }
  void ScreenSize(int& width, int& height) override { width = 1024, height = 768; }
  void Clear() { *this = QuietUi(); }

  std::deque<int> answers;
  std::deque<std::string> openFiles, saveFiles, inputs;

 private:
  template <typename T>
  static bool Take(std::deque<T>& queue, T& out) {
    if (queue.empty()) return false;
    out = queue.front();
    queue.pop_front();
    return true;
  }
};

// The input as text and as lines.
inline std::string Text(const uint8_t* data, size_t size) { return std::string(reinterpret_cast<const char*>(data), size); }
std::vector<std::string> Lines(const uint8_t* data, size_t size);
// Splits an input at "\n@@\n": a file and the parts that go with it.
std::vector<std::string> Parts(const uint8_t* data, size_t size, size_t count);

// Every section's lines as the reader sees them and its name, but those skip names.
std::vector<std::vector<std::string>> Sections(const std::string& path,
                                               const std::function<bool(const std::string&)>& skip);

// Stops the process with a message: a check of the target failed.
[[noreturn]] void Fail(const std::string& what);

}  // namespace fuzz
