// The register value dialog: its keys offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "support/editreg_fixture.h"
#include "support/scripted_ui.h"
#include "ui/frmeditreg.h"

using namespace testing_support;

namespace {

class EditRegDialogTest : public EditRegTest {
 protected:
  void Press(TfrmEditReg& dlg, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(dlg.edtReg, &e);
  }
  ScriptedUi ui;
};

TEST_F(EditRegDialogTest, KeysStepWriteUndoAndClose) {
  const ST_REGISTER reg = Reg(0x70, 0xFFFF, 255);
  regs.SetValue(0x70, 100);
  int value = 100;
  TfrmEditReg dlg(nullptr, ui, regs, false, &value, &reg, Writer());
  dlg.initTimerTimer();
  EXPECT_EQ(QStringLiteral("Max:255 Min:0"), dlg.RegAttr->text());
  Press(dlg, Qt::Key_Up);
  EXPECT_EQ(QStringLiteral("101"), dlg.edtReg->text());
  Press(dlg, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(QStringLiteral("100"), dlg.edtReg->text());
  EXPECT_EQ(100u, writes.back().word);

  const size_t before = writes.size();
  dlg.edtReg->setText(QStringLiteral("77"));
  Press(dlg, Qt::Key_Escape);  // closes; nothing written
  EXPECT_EQ(before, writes.size());
  EXPECT_EQ(100, value);  // the word last composed
}

TEST_F(EditRegDialogTest, EnterWritesAndClosesOrStaysOpenOnBadText) {
  const ST_REGISTER reg = Reg(0x71, 0x00F0, 15);
  regs.SetValue(0x71, 0x1234);
  int value = 3;
  TfrmEditReg dlg(nullptr, ui, regs, true, &value, &reg, Writer());
  dlg.show();
  dlg.initTimerTimer();
  EXPECT_EQ(QStringLiteral("0x3"), dlg.edtReg->text());
  dlg.edtReg->setText(QStringLiteral("zz"));
  ui.ExpectMessage(0x10, platform::kIdOk, "zz");
  Press(dlg, Qt::Key_Return);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_TRUE(writes.empty());
  dlg.edtReg->setText(QStringLiteral("0xA"));
  Press(dlg, Qt::Key_Return);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(0x12A4, value);
}

}  // namespace
