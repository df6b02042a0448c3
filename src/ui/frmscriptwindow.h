// The window of one script thread: a title line, a progress bar and the
// output memo that the script's print output and errors go to. Used on the
// main thread only, except the printing and SaveOutput.
#pragma once
#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <string>

#include "rules/scriptwindowrules.h"
#include "script/scriptoutput.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QTimer;

class TfrmScriptWindow : public QWidget {
  Q_OBJECT
 public:
  // A top-level window of its own (no owner), centred on the screen.
  explicit TfrmScriptWindow(QWidget* parent = nullptr);

  // Asked when the user closes the window; false keeps it open (none set:
  // it closes).
  void SetCloseCheck(std::function<bool()> check) { closeCheck_ = std::move(check); }

  QLabel* StaticText1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPlainTextEdit* mmJOutput = nullptr;

  // Clears the memo and the line being written (also when the window is shown).
  void FormShow();
  // Writes text into the memo: "\r" rewrites the current line, "\n" starts a
  // new one. Any thread: the memo shows it at its next refresh, at most
  // kRefreshPerSecond times a second; the window comes to the top then when
  // it is mostly covered.
  void Print(const std::string& text);
  // The same in a colour of its own (0x00BBGGRR); PrintError in red.
  void PrintColored(const std::string& text, int color);
  void PrintError(const std::string& text);
  // Shows what was printed at once (main thread); soon, from any thread.
  void Flush();
  void FlushSoon();
  static constexpr int kRefreshPerSecond = 30;
  // Saves the memo's lines to the file; false when that failed. Safe on any thread.
  bool SaveOutput(const std::string& fileName, std::string* reason = nullptr) const;

  // ---- What the script-window built-ins change (screen pixels, the frame) ----
  int Left() const;
  int Top() const;
  int WindowWidth() const;
  int WindowHeight() const;
  void SetLeft(int left);
  void SetTop(int top);
  void SetWindowWidth(int width);
  void SetWindowHeight(int height);
  std::string TitleText() const;
  void SetTitleText(const std::string& text);
  int Progress() const;
  // Kept within 0 to 100.
  void SetProgress(int position);
  // Colours as scripts give them (0x00BBGGRR or a system colour).
  void SetTitleColor(uint32_t color);
  void SetTextColor(uint32_t color);

  const TScriptOutput& Output() const { return output_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<bool()> closeCheck_;
  void Write(const std::string& text, int color);
  void ScheduleRefresh();
  void KeepVisible();
  void RaiseAfterModal();
  void ShowLines(int first, size_t dropped, const std::vector<ScriptOutputLine>& lines);

  TScriptOutput output_{rules::kScriptWindowLines};
  QTimer* refreshTimer_ = nullptr;
  QElapsedTimer lastRefresh_;
  bool raisePending_ = false;
};
