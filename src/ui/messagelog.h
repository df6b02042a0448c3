// The main window's message log and progress, as the rest of the program
// calls them.
#pragma once
#include <string>

#include "platform/mainwindowservices.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;

namespace ui {

class MessageLog : public platform::MainWindowServices {
 public:
  // The widgets belong to the window and outlive the log.
  MessageLog(QPlainTextEdit* memo, QLabel* progressText, QProgressBar* progressBar)
      : memo_(memo), progressText_(progressText), progressBar_(progressBar) {}

  void AddMessage(const std::string& line) override;
  // One line per "\n"-separated piece; pending events are processed between them.
  void AddMessageLines(const std::string& text) override;
  // Sets the progress text and lets the window repaint.
  void SetProgressMessage(const std::string& text) override;
  void SetProgressMax(int max) override;
  void SetProgressPosition(int position) override;
  // Repaints and runs timers, without user input.
  void ProcessMessages() override;

 private:
  QPlainTextEdit* memo_;
  QLabel* progressText_;
  QProgressBar* progressBar_;
};

}  // namespace ui
