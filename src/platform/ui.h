// The modal things a core operation may need from the user. src/ui implements
// it with Qt; tests use a scripted implementation that answers from a queue.
#pragma once
#include <cstdint>
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

  // ---- The language the user reads ----
  // Start-up forces English when asked to; nothing clears it.
  void SetForceEnglish(bool force) { forceEnglish_ = force; }
  // 9 when English is forced, else the system's identifier AND 0x3FF.
  uint16_t GetLanguageId() const;
  // True when texts are to be Japanese (GetLanguageId() == 17).
  bool IsJapanese() const { return GetLanguageId() == 17; }
  // Shows textJ under captionJ when the language is Japanese, else textE
  // under captionE; returns the button identifier.
  int ShowMessageBoxJE(const std::string& captionJ, const std::string& textJ, const std::string& captionE,
                       const std::string& textE, int flags);
  // The warning about a setting that cannot be used: " %s の設定を確認して下さい"
  // / "Check setting. ( %s )" with what (the line or key of the setting).
  void ShowCheckSetting(const std::string& what);

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
  // The COM port and baud rate choice (a port index, 0 = COM1, and a baud
  // index), starting from the given ones; true and the chosen ones when the
  // user pressed OK.
  virtual bool ShowComPortDialog(int& comPort, int& baudRate) = 0;
  // The primary display's size in pixels.
  virtual void ScreenSize(int& width, int& height) = 0;

 private:
  bool forceEnglish_ = false;
};

// A Ui without a screen: it answers every question with Cancel (or No),
// writes messages to stderr and reports a 1024 x 768 screen.
class HeadlessUi : public Ui {
 public:
  int MessageBox(const std::string& caption, const std::string& text, int flags) override;
  bool OpenFileDialog(const FileDialogOptions&, std::string&) override { return false; }
  bool SaveFileDialog(const FileDialogOptions&, std::string&) override { return false; }
  bool InputBox(const std::string&, const std::string&, std::string&, char) override { return false; }
  bool ShowComPortDialog(int&, int&) override { return false; }
  void ScreenSize(int& width, int& height) override {
    width = 1024;
    height = 768;
  }
};

}  // namespace platform
