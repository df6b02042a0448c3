// What every fuzz target shares: a private program folder in a temporary
// directory (VUND2_HOME), a Ui that never blocks, and a way to split one
// input into parts.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/ui.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fuzz {

// The program folder of this process, with a trailing '/'. Made on first use,
// removed at exit; VUND2_HOME points at it.
const std::string& Home();
std::string WriteHomeFile(const std::string& name, const std::string& bytes);
std::string ReadHomeFile(const std::string& name);
// Removes every entry of the program folder but the names listed.
void ClearHome(const std::vector<std::string>& keep = {});

// Answers the first queued answer, else the button that ends a question
// without doing anything (OK, Cancel, No); dialogs answer from their queues
// or cancel. Nothing is shown.
class QuietUi : public platform::Ui {
 public:
  QuietUi();
  ~QuietUi() override;
  int MessageBox(const std::string& caption, const std::string& text, int flags) override;
  bool OpenFileDialog(const platform::FileDialogOptions& options, std::string& path) override;
  bool SaveFileDialog(const platform::FileDialogOptions& options, std::string& path) override;
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& text, char passwordChar) override;
  bool ShowComPortDialog() override { return false; }
  void ScreenSize(int& width, int& height) override { width = 1024, height = 768; }

  void Clear();
  std::deque<int> answers;
  std::deque<std::string> openFiles, saveFiles, inputs;
  int messages = 0;
};

// The process's QuietUi, set as the Ui, with its queues emptied.
QuietUi& FreshUi();

// Splits an input at "\n@@\n": a file and the parts that go with it.
std::vector<std::string> Parts(const uint8_t* data, size_t size, size_t count);

// Stops the process with a message: a check of the target failed.
[[noreturn]] void Fail(const std::string& what);

}  // namespace fuzz
