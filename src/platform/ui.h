// The modal things a core operation may need from the user. src/ui implements
// it with Qt; tests use a scripted implementation that answers from a queue.
#pragma once
#include <string>

namespace platform {

// Message box button identifiers (the Windows numbering the callers test).
enum MessageResult : int { kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6, kIdNo = 7 };

struct FileDialogOptions {
  std::string title;
  std::string filter;      // "Description|*.ext|All files|*.*"
  int filterIndex = 1;     // 1-based
  std::string initialDir;  // with or without a trailing '/'
  std::string fileName;    // proposed name
  std::string defaultExt;  // without the dot
};

class Ui {
 public:
  virtual ~Ui() = default;
  // Standard message box: flags hold the buttons (low 4 bits) and the icon
  // (next 4 bits); returns the identifier of the button pressed.
  virtual int MessageBox(const std::string& caption, const std::string& text, int flags) = 0;
  // True and the chosen path when the user confirmed.
  virtual bool OpenFileDialog(const FileDialogOptions& options, std::string& path) = 0;
  virtual bool SaveFileDialog(const FileDialogOptions& options, std::string& path) = 0;
  // One line of text; true when confirmed (OK or Enter), text then holds the
  // answer. On cancel text is left as given.
  virtual bool InputBox(const std::string& caption, const std::string& prompt, std::string& text,
                        char passwordChar = 0) = 0;
  // The COM port and baud rate choice; true when the user pressed OK (the
  // dialog stores the choice in the settings store itself).
  virtual bool ShowComPortDialog() = 0;
  // The primary display's size in pixels.
  virtual void ScreenSize(int& width, int& height) = 0;
};

// The process's Ui. Until one is set, a headless one answers every question
// with Cancel (or No), writes messages to stderr and reports a 1024 x 768 screen.
Ui& GetUi();
void SetUi(Ui* ui);  // nullptr restores the headless one

}  // namespace platform
