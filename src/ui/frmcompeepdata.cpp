#include "ui/frmcompeepdata.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "model/nvmimage.h"
#include "model/systemfunc.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "ui/qtui.h"
#include "ui/textconv.h"

namespace {
constexpr int kFormWidth = 338;
constexpr int kFormHeight = 604;  // below the menu bar
}  // namespace

TfrmCompEEPData::TfrmCompEEPData(QWidget* owner, platform::Ui& ui, const std::vector<std::string>* lines)
    : QDialog(owner), ui_(ui), lines_(lines) {
  setObjectName(QStringLiteral("frmCompEEPData"));
  setWindowTitle(QStringLiteral("RESULT"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

  MainMenu1 = new QMenuBar(this);
  File1 = MainMenu1->addMenu(ui::ToQt("ファイル(&F)"));
  File1->setObjectName(QStringLiteral("File1"));
  S1 = File1->addAction(ui::ToQt("結果をファイルに保存(&S)"));
  S1->setObjectName(QStringLiteral("S1"));
  connect(S1, &QAction::triggered, this, [this] { S1Click(); });

  ResultMemo = new QPlainTextEdit(this);
  ResultMemo->setObjectName(QStringLiteral("ResultMemo"));
  ResultMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  ResultMemo->setLineWrapMode(QPlainTextEdit::NoWrap);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setMenuBar(MainMenu1);
  layout->addWidget(ResultMemo);
  setFixedSize(kFormWidth, kFormHeight + MainMenu1->sizeHint().height());

  initTimer = new QTimer(this);
  initTimer->setSingleShot(true);
  initTimer->setInterval(50);
  connect(initTimer, &QTimer::timeout, this, &TfrmCompEEPData::initTimerTimer);
}

void TfrmCompEEPData::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ui::PlaceCentred(*this, kFormWidth, kFormHeight + MainMenu1->sizeHint().height());
  initTimer->start();
}

void TfrmCompEEPData::initTimerTimer() {
  initTimer->stop();
  if (filled_) return;
  filled_ = true;
  if (ui_.GetLanguageId() != 17) {
    File1->setTitle(QStringLiteral("File(&F)"));
    S1->setText(QStringLiteral("Save as File(&S)"));
  }
  if (!lines_) return;
  for (const std::string& line : *lines_) ResultMemo->appendPlainText(ui::ToQt(line));
}

bool TfrmCompEEPData::S1Click() {
  platform::FileDialogOptions options;
  options.initialDir = platform::ProgramFolder();
  options.defaultExt = "csv";
  options.filter = "Verify log files (*.csv)|*.csv";
  std::string path;
  if (!ui_.SaveFileDialog(options, path)) return true;
  static const std::vector<std::string> kNone;
  return SaveLinesToFile(path, lines_ ? *lines_ : kNone, ui_);
}

int ShowCompareResult(QWidget* owner, platform::Ui& ui, const std::vector<std::string>& lines) {
  TfrmCompEEPData dlg(owner, ui, &lines);
  return dlg.exec();
}
