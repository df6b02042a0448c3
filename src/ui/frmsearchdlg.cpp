#include "ui/frmsearchdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "model/systemfunc.h"
#include "platform/ui.h"
#include "ui/textconv.h"

TFrmSearchDlg::TFrmSearchDlg(QWidget* owner, const platform::Ui& ui, const std::vector<std::string>* history,
                             STSearcSetting* setting)
    : QDialog(owner), ui_(ui), setting_(setting), history_(history) {
  setObjectName(QStringLiteral("FrmSearchDlg"));
  setWindowTitle(ui::ToQt("検索"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

  LabelSearchStr = new QLabel(ui::ToQt("検索する文字列"), this);
  SearchCBox = new QComboBox(this);
  SearchCBox->setObjectName(QStringLiteral("SearchCBox"));
  SearchCBox->setEditable(true);
  SearchCBox->setInsertPolicy(QComboBox::NoInsert);
  SearchCBox->setMinimumWidth(220);
  SearchCBox->lineEdit()->installEventFilter(this);
  gBoxOption = new QGroupBox(ui::ToQt("オプション"), this);
  cBoxWordSearch = new QCheckBox(ui::ToQt("単語単位で探す"), gBoxOption);
  cBoxWordSearch->setObjectName(QStringLiteral("cBoxWordSearch"));
  auto* optionLayout = new QVBoxLayout(gBoxOption);
  optionLayout->addWidget(cBoxWordSearch);
  btnNextSearch = new QPushButton(ui::ToQt("次を検索(&N)"), this);
  btnNextSearch->setObjectName(QStringLiteral("btnNextSearch"));
  btnNextSearch->setDefault(true);
  btnCancel = new QPushButton(ui::ToQt("キャンセル"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  connect(btnNextSearch, &QPushButton::clicked, this, &TFrmSearchDlg::btnNextSearchClick);
  connect(btnCancel, &QPushButton::clicked, this, &TFrmSearchDlg::btnCancelClick);

  auto* left = new QVBoxLayout;
  auto* textRow = new QHBoxLayout;
  textRow->addWidget(LabelSearchStr);
  textRow->addWidget(SearchCBox, 1);
  left->addLayout(textRow);
  left->addWidget(gBoxOption);
  auto* right = new QVBoxLayout;
  right->addWidget(btnNextSearch);
  right->addWidget(btnCancel);
  right->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(right);

  initTimer = new QTimer(this);
  initTimer->setSingleShot(true);
  initTimer->setInterval(10);
  connect(initTimer, &QTimer::timeout, this, &TFrmSearchDlg::initTimerTimer);
}

void TFrmSearchDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TFrmSearchDlg::FormShow() {
  initTimer->start();
  SearchCBox->clear();
  if (history_)
    for (const std::string& h : *history_) SearchCBox->addItem(ui::ToQt(h));
  SearchCBox->setCurrentIndex(SearchCBox->count() > 0 ? 0 : -1);
  // Typing replaces the text offered rather than adding to it.
  SearchCBox->lineEdit()->selectAll();
}

void TFrmSearchDlg::initTimerTimer() {
  initTimer->stop();
  if (ui_.GetLanguageId() != 17) {
    setWindowTitle(QStringLiteral("Search"));
    LabelSearchStr->setText(QStringLiteral("Search Name"));
    gBoxOption->setTitle(QStringLiteral("Option"));
    cBoxWordSearch->setText(QStringLiteral("Word Search"));
    btnNextSearch->setText(QStringLiteral("NEXT"));
    btnCancel->setText(QStringLiteral("Cancel"));
  }
}

void TFrmSearchDlg::btnNextSearchClick() {
  if (setting_) {
    setting_->SearchText = ui::FromQt(SearchCBox->currentText());
    setting_->WholeWord = cBoxWordSearch->isChecked();
  }
  done(1);
}

void TFrmSearchDlg::btnCancelClick() { done(2); }

bool TFrmSearchDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SearchCBox->lineEdit() && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      btnNextSearchClick();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}
