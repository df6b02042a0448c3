#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "simtarget_fixture.h"
#include "ui/analyzerrules.h"
#include "ui/frmanalyzer.h"
#include "ui/textconv.h"

namespace {

using Bytes = std::vector<uint8_t>;

class AnalyzerTest : public ui_sim::SimTargetTest {
 protected:
  std::vector<std::string> log;
  ui::AnalyzerTerminal terminal{tc, [this](const std::string& line) { log.push_back(line); }};
};

TEST_F(AnalyzerTest, SendsTheTrimmedFrameWithItsChecksumAndLogsIt) {
  std::string command = " \tF0 00 03 \r\n";
  EXPECT_TRUE(terminal.SendCommand(command, true));
  EXPECT_EQ(command, "F0 00 03");
  ASSERT_EQ(link->written.size(), 1u);
  EXPECT_EQ(link->written[0], (Bytes{0xF0, 0x00, 0x03, 0xF3}));
  EXPECT_EQ(log, (std::vector<std::string>{"", "Tx > F0 00 03 F3"}));

  // The sum is taken modulo 256 and written with two digits; one digit and tabs will do.
  command = "1\tFF";
  EXPECT_TRUE(terminal.SendCommand(command, true));
  EXPECT_EQ(link->written[1], (Bytes{0x01, 0xFF, 0x00}));
  EXPECT_EQ(log.back(), "Tx > 1\tFF 00");

  command = "  \t ";
  EXPECT_FALSE(terminal.SendCommand(command, true));
  EXPECT_EQ(link->written.size(), 2u);
  EXPECT_EQ(log.size(), 4u);
}

TEST_F(AnalyzerTest, FramesThatAreNotHexadecimalBytesOrTooLongAreRefused) {
  for (const char* bad : {"F0 XY 03", "F0 0x03", "F0 123"}) {
    std::string command = bad;
    ui.ExpectMessage(0x10, platform::kIdOk, "is not a hexadecimal byte (00 to FF). Nothing was sent.");
    EXPECT_FALSE(terminal.SendCommand(command, true)) << bad;
  }
  std::string full;
  for (int i = 0; i < ui::AnalyzerTerminal::kMaxFrameBytes; ++i) full += "01 ";
  std::string command = full;
  ui.ExpectMessage(0x10, platform::kIdOk, "The frame has 301 bytes; at most 300 can be sent.");
  EXPECT_FALSE(terminal.SendCommand(command, true));
  EXPECT_TRUE(link->written.empty());
  EXPECT_TRUE(log.empty());

  // Without the checksum the same 300 bytes fit.
  EXPECT_TRUE(terminal.SendCommand(command, false));
  ASSERT_EQ(link->written.size(), 1u);
  EXPECT_EQ(link->written[0].size(), 300u);
}

// ---- The window ----

TEST_F(AnalyzerTest, SendButtonEnterClearAndTheReceiveTimer) {
  TFrmAlalyzer form(nullptr, tc);
  auto* edit = form.findChild<QLineEdit*>(QStringLiteral("edtSendCmmd"));
  auto* memo = form.findChild<QPlainTextEdit*>(QStringLiteral("CommMemo"));
  form.findChild<QCheckBox*>(QStringLiteral("cBoxChkSum"))->setChecked(true);
  EXPECT_FALSE(form.Receiving());

  edit->setText(QStringLiteral(" F0 00 03 "));
  form.findChild<QPushButton*>(QStringLiteral("BtnSendCommad"))->click();
  EXPECT_EQ(edit->text(), QStringLiteral("F0 00 03"));
  EXPECT_EQ(memo->toPlainText(), QStringLiteral("\nTx > F0 00 03 F3"));
  EXPECT_TRUE(form.Receiving());

  target.SetRegister(0x0100, 0x1234);
  edit->setText(QStringLiteral("F0 00 0B 02 00 00 01 00 00 01"));
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(edit, &enter);
  EXPECT_EQ(link->written.size(), 2u);  // once, not once more by a default button
  form.ReadTimerTimer();
  const QString received = memo->toPlainText();
  EXPECT_TRUE(received.endsWith(QStringLiteral("\nRx > 50 00 06 12 34 9C"))) << ui::FromQt(received);
  EXPECT_TRUE(form.Receiving());
  form.ReadTimerTimer();  // nothing more arrived: no line
  EXPECT_EQ(memo->toPlainText(), received);

  form.findChild<QPushButton*>(QStringLiteral("btnClear"))->click();
  EXPECT_TRUE(edit->text().isEmpty());
  EXPECT_TRUE(memo->toPlainText().contains(QStringLiteral("Tx > F0 00 03 F3")));
}

}  // namespace
