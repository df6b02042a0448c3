#include "ui/frmscriptwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "platform/files.h"
#include "rules/mainwindowrules.h"
#include "script/scriptmanager.h"
#include "ui/textconv.h"

namespace {

constexpr int kErrorColor = 255;  // pure red, 0x00BBGGRR

QColor ToQColor(int color) {
  const rules::Rgb c = rules::ColorToRgb(color);
  return QColor(c.r, c.g, c.b);
}

}  // namespace

TfrmScriptWindow::TfrmScriptWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmScriptWindow"));
  setWindowTitle(QStringLiteral("Script Window"));

  StaticText1 = new QLabel(this);
  StaticText1->setObjectName(QStringLiteral("StaticText1"));
  StaticText1->setFixedHeight(31);
  StaticText1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  StaticText1->setAutoFillBackground(true);
  QFont titleFont = StaticText1->font();
  titleFont.setPixelSize(27);
  titleFont.setBold(true);
  StaticText1->setFont(titleFont);
  QPalette titlePalette = StaticText1->palette();
  titlePalette.setColor(QPalette::Window, Qt::black);
  titlePalette.setColor(QPalette::WindowText, QColor(0, 255, 0));
  StaticText1->setPalette(titlePalette);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setFixedHeight(16);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);

  mmJOutput = new QPlainTextEdit(this);
  mmJOutput->setObjectName(QStringLiteral("mmJOutput"));
  mmJOutput->setReadOnly(true);
  // An undo history would keep every line ever shown.
  mmJOutput->setUndoRedoEnabled(false);
  mmJOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
  mmJOutput->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmJOutput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont memoFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  memoFont.setPixelSize(13);
  mmJOutput->setFont(memoFont);
  QPalette memoPalette = mmJOutput->palette();
  memoPalette.setColor(QPalette::Base, Qt::black);
  memoPalette.setColor(QPalette::Text, QColor(0, 255, 0));
  mmJOutput->setPalette(memoPalette);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(StaticText1);
  layout->addWidget(ProgressBar1);
  layout->addWidget(mmJOutput, 1);

  refreshTimer_ = new QTimer(this);
  refreshTimer_->setSingleShot(true);
  connect(refreshTimer_, &QTimer::timeout, this, &TfrmScriptWindow::Flush);

  // The focus leaves a modal dialog when it closes.
  connect(qApp, &QGuiApplication::focusWindowChanged, this,
          [this] { QTimer::singleShot(0, this, [this] { RaiseAfterModal(); }); });

  resize(469, 425);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TfrmScriptWindow::FormShow() {
  output_.Clear();
  mmJOutput->clear();
}

void TfrmScriptWindow::showEvent(QShowEvent* event) {
  // Only a show by the program starts afresh; the window coming back from
  // being minimised keeps its output.
  if (!event->spontaneous()) FormShow();
  QWidget::showEvent(event);
}

void TfrmScriptWindow::closeEvent(QCloseEvent* event) {
  if (closeCheck_ && !closeCheck_()) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

void TfrmScriptWindow::Print(const std::string& text) { Write(text, -1); }

void TfrmScriptWindow::PrintColored(const std::string& text, int color) { Write(text, color & 0x00FFFFFF); }

void TfrmScriptWindow::PrintError(const std::string& text) { Write(text, kErrorColor); }

void TfrmScriptWindow::Write(const std::string& text, int color) {
  // The first change after a refresh asks for the next one; a posted call is
  // safe from any thread and dropped with the window.
  if (output_.Print(text, color)) QMetaObject::invokeMethod(this, [this] { ScheduleRefresh(); }, Qt::QueuedConnection);
}

// At most kRefreshPerSecond refreshes: the next one comes a period after the last.
void TfrmScriptWindow::ScheduleRefresh() {
  if (refreshTimer_->isActive()) return;
  constexpr qint64 kPeriodMs = 1000 / kRefreshPerSecond;
  const qint64 since = lastRefresh_.isValid() ? lastRefresh_.elapsed() : kPeriodMs;
  refreshTimer_->start(static_cast<int>(std::max<qint64>(0, kPeriodMs - since)));
}

void TfrmScriptWindow::FlushSoon() { QMetaObject::invokeMethod(this, [this] { Flush(); }, Qt::QueuedConnection); }

void TfrmScriptWindow::Flush() {
  refreshTimer_->stop();
  lastRefresh_.start();
  std::vector<ScriptOutputLine> lines;
  size_t dropped = 0;
  const int first = output_.TakeChanges(lines, dropped);
  if (first < 0) return;
  KeepVisible();
  ShowLines(first, dropped, lines);
}

// Brings the window to the top, without activating it, when fewer than
// three corners of it can be seen, but never over a modal dialog of the
// program. Qt knows only this program's windows, so only they count as
// covering it.
void TfrmScriptWindow::KeepVisible() {
  if (!isVisible() || isMinimized()) return;
  const QRect frame = frameGeometry();
  int seen = 0;
  const auto points = rules::VisibilityProbePoints(frame.x(), frame.y(), frame.width(), frame.height());
  for (const rules::ScreenPoint& p : points) {
    const QPoint point(p.x, p.y);
    if (!QGuiApplication::screenAt(point)) continue;
    QWidget* at = QApplication::widgetAt(point);
    if (at && at->window() == this) ++seen;
  }
  switch (rules::RaiseOnPrint(seen, QApplication::activeModalWidget() != nullptr)) {
    case rules::PrintRaise::Now:
      // raise() changes the stacking order only; the focus stays where it is.
      raisePending_ = false;
      raise();
      break;
    case rules::PrintRaise::AfterModal:
      raisePending_ = true;
      break;
    case rules::PrintRaise::None:
      raisePending_ = false;
      break;
  }
}

// A raise held back by a modal dialog is made once the last one has gone.
void TfrmScriptWindow::RaiseAfterModal() {
  if (raisePending_ && !QApplication::activeModalWidget()) KeepVisible();
}

// Takes the dropped lines from the top of the memo, then writes the changed
// lines into it: those it has are replaced, the rest appended, each run of
// one colour in one insert.
void TfrmScriptWindow::ShowLines(int first, size_t dropped, const std::vector<ScriptOutputLine>& lines) {
  auto format = [](int color) {
    QTextCharFormat f;
    if (color >= 0) f.setForeground(ToQColor(color));
    return f;
  };
  QScrollBar* bar = mmJOutput->verticalScrollBar();
  const bool atBottom = bar->value() >= bar->maximum();
  QTextDocument* doc = mmJOutput->document();
  QTextCursor cursor(doc);
  cursor.beginEditBlock();
  if (dropped >= static_cast<size_t>(doc->blockCount())) {
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
  } else if (dropped > 0) {
    cursor.setPosition(doc->findBlockByNumber(static_cast<int>(dropped)).position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
  }
  size_t i = 0;
  for (; i < lines.size() && first + static_cast<int>(i) < doc->blockCount(); ++i) {
    cursor.setPosition(doc->findBlockByNumber(first + static_cast<int>(i)).position());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(ui::ToQt(lines[i].text), format(lines[i].color));
  }
  cursor.movePosition(QTextCursor::End);
  while (i < lines.size()) {
    const int color = lines[i].color;
    std::string run;
    for (; i < lines.size() && lines[i].color == color; ++i) run += "\n" + lines[i].text;
    cursor.insertText(ui::ToQt(run), format(color));
  }
  cursor.endEditBlock();
  if (atBottom) bar->setValue(bar->maximum());
}

bool TfrmScriptWindow::SaveOutput(const std::string& fileName, std::string* reason) const {
  return platform::WriteFileAtomic(fileName, output_.Text(), reason);
}

int TfrmScriptWindow::Left() const { return frameGeometry().x(); }
int TfrmScriptWindow::Top() const { return frameGeometry().y(); }
int TfrmScriptWindow::WindowWidth() const { return frameGeometry().width(); }
int TfrmScriptWindow::WindowHeight() const { return frameGeometry().height(); }

void TfrmScriptWindow::SetLeft(int left) { move(left, Top()); }
void TfrmScriptWindow::SetTop(int top) { move(Left(), top); }

// Scripts give the outer size; Qt sizes the inside.
void TfrmScriptWindow::SetWindowWidth(int width) {
  const int frameExtra = frameGeometry().width() - geometry().width();
  resize(std::max(0, width - frameExtra), height());
}

void TfrmScriptWindow::SetWindowHeight(int height) {
  const int frameExtra = frameGeometry().height() - geometry().height();
  resize(width(), std::max(0, height - frameExtra));
}

std::string TfrmScriptWindow::TitleText() const { return ui::FromQt(StaticText1->text()); }
void TfrmScriptWindow::SetTitleText(const std::string& text) { StaticText1->setText(ui::ToQt(text)); }

int TfrmScriptWindow::Progress() const { return ProgressBar1->value(); }
void TfrmScriptWindow::SetProgress(int position) { ProgressBar1->setValue(std::clamp(position, 0, 100)); }

void TfrmScriptWindow::SetTitleColor(uint32_t color) {
  QPalette p = StaticText1->palette();
  p.setColor(QPalette::Window, ToQColor(rules::ResolveScriptColor(color)));
  StaticText1->setPalette(p);
}

// Lines written in the memo's own colour follow it; error lines stay red.
void TfrmScriptWindow::SetTextColor(uint32_t color) {
  QPalette p = mmJOutput->palette();
  p.setColor(QPalette::Text, ToQColor(rules::ResolveScriptColor(color)));
  mmJOutput->setPalette(p);
}

