#include "ui/messagelog.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <algorithm>
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

// A bar of no work keeps a range: Qt shows 0 to 0 as a busy animation that
// would run on after the work is done.
void MessageLog::SetProgressMax(int max) { progressBar_->setRange(0, std::max(max, 1)); }

void MessageLog::SetProgressPosition(int position) { progressBar_->setValue(position); }

void MessageLog::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace ui
