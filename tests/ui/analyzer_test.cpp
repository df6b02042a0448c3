// The analyzer window: Send, Enter and the receive timer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "support/simtarget_fixture.h"
#include "ui/frmanalyzer.h"
#include "ui/textconv.h"

namespace {

using AnalyzerWindowTest = ui_sim::SimTargetTest;

TEST_F(AnalyzerWindowTest, SendButtonEnterAndTheReceiveTimer) {
  TFrmAlalyzer form(nullptr, tc, ui);
  auto* edit = form.findChild<QLineEdit*>(QStringLiteral("edtSendCmmd"));
  auto* memo = form.findChild<QPlainTextEdit*>(QStringLiteral("CommMemo"));
  form.findChild<QCheckBox*>(QStringLiteral("cBoxChkSum"))->setChecked(true);
  edit->setText(QStringLiteral(" F0 00 03 "));
  form.findChild<QPushButton*>(QStringLiteral("BtnSendCommad"))->click();
  EXPECT_EQ(memo->toPlainText(), QStringLiteral("\nTx > F0 00 03 F3"));
  EXPECT_TRUE(form.Receiving());

  target.SetRegister(0x0101, 0x1234);
  edit->setText(QStringLiteral("F0 00 0B 02 00 00 01 01 00 01"));  // adds up to 0x100
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(edit, &enter);
  EXPECT_EQ(link->written.size(), 2u);  // once, not once more by a default button
  form.ReadTimerTimer();
  const QString received = memo->toPlainText();
  EXPECT_TRUE(received.endsWith(QStringLiteral("01 01 00 01 00\nRx > 50 00 06 12 34 9C"))) << ui::FromQt(received);
}

TEST_F(AnalyzerWindowTest, TheCommandLineReachesTenPixelsBeforeSendAtAnyWidth) {
  TFrmAlalyzer form(nullptr, tc, ui);
  auto* edit = form.findChild<QLineEdit*>(QStringLiteral("edtSendCmmd"));
  auto* send = form.findChild<QPushButton*>(QStringLiteral("BtnSendCommad"));
  auto* check = form.findChild<QCheckBox*>(QStringLiteral("cBoxChkSum"));
  for (int width : {578, 900}) {
    form.resize(width, 486);
    form.show();
    QApplication::processEvents();
    EXPECT_EQ(edit->geometry().right() + 1 + 10, send->x()) << width;
    EXPECT_GE(check->y(), edit->geometry().bottom()) << width;
    EXPECT_LE(check->geometry().bottom(), 72) << width;
  }
}

}  // namespace
