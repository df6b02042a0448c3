#include "ui/frmselsnapshotid.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

TfrmSelSnapShotID::TfrmSelSnapShotID(QWidget* owner, bool* sReg, bool* hReg)
    : QDialog(owner), sReg_(sReg), hReg_(hReg) {
  setObjectName(QStringLiteral("frmSelSnapShotID"));
  setWindowTitle(QStringLiteral("Select"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

  GroupBox1 = new QGroupBox(QStringLiteral("Select"), this);
  cBoxSreg = new QCheckBox(QStringLiteral("S Reg"), GroupBox1);
  cBoxSreg->setObjectName(QStringLiteral("cBoxSreg"));
  cBoxHreg = new QCheckBox(QStringLiteral("H Reg"), GroupBox1);
  cBoxHreg->setObjectName(QStringLiteral("cBoxHreg"));
  btnOk = new QPushButton(QStringLiteral("OK"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("CANCEL"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));

  auto* boxes = new QVBoxLayout(GroupBox1);
  boxes->addWidget(cBoxSreg);
  boxes->addWidget(cBoxHreg);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(GroupBox1);
  outer->addLayout(buttons);
  outer->setSizeConstraint(QLayout::SetFixedSize);

  // The boxes are right from the start, so an OK before the timer runs
  // cannot store a choice the user never saw.
  ShowFlags();

  initTimer = new QTimer(this);
  initTimer->setSingleShot(true);
  initTimer->setInterval(10);
  connect(initTimer, &QTimer::timeout, this, &TfrmSelSnapShotID::initTimerTimer);
  connect(btnOk, &QPushButton::clicked, this, &TfrmSelSnapShotID::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmSelSnapShotID::btnCancelClick);
}

void TfrmSelSnapShotID::ShowFlags() {
  const bool s = sReg_ && *sReg_;
  const bool h = hReg_ && *hReg_;
  cBoxSreg->setChecked(s);
  cBoxSreg->setEnabled(s);
  cBoxHreg->setChecked(h);
  cBoxHreg->setEnabled(h);
}

void TfrmSelSnapShotID::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  initTimer->start();
}

void TfrmSelSnapShotID::initTimerTimer() { initTimer->stop(); }

void TfrmSelSnapShotID::btnOkClick() {
  if (sReg_) *sReg_ = cBoxSreg->isChecked();
  if (hReg_) *hReg_ = cBoxHreg->isChecked();
  done(1);
}

void TfrmSelSnapShotID::btnCancelClick() { done(2); }

void TfrmSelSnapShotID::reject() { done(2); }

int SelectRegisterFiles(QWidget* owner, bool& sReg, bool& hReg) {
  TfrmSelSnapShotID dlg(owner, &sReg, &hReg);
  return dlg.exec() == 1 ? 1 : 2;
}
