#include "ui/messagelog.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <vector>

#include "rules/mainwindowrules.h"
#include "ui/textconv.h"

namespace ui {

void MessageLog::AddMessage(const std::string& line) { memo_->appendPlainText(ToQt(line)); }

void MessageLog::AddMessageLines(const std::string& text) {
  const std::vector<std::string> lines = rules::SplitMessageLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    AddMessage(lines[i]);
    if (i + 1 < lines.size()) ProcessMessages();
  }
}

void MessageLog::SetProgressMessage(const std::string& text) {
  progressText_->setText(ToQt(text));
  ProcessMessages();
}

void MessageLog::SetProgressMax(int max) { progressBar_->setMaximum(max); }

void MessageLog::SetProgressPosition(int position) { progressBar_->setValue(position); }

void MessageLog::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace ui
