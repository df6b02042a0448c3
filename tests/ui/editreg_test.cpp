// The register value dialog: its keys offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <cstdlib>

#include "support/editreg_fixture.h"
#include "support/scripted_ui.h"
#include "ui/frmeditreg.h"
#include "ui/qtui.h"

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

TEST_F(EditRegDialogTest, KeysStepWriteUndoAndCloseAndEnterStaysOpenOnBadText) {
  const ST_REGISTER reg = Reg(0x70, 0x00F0, 15);
  regs.SetValue(0x70, 0x1234);
  int value = 3;
  TfrmEditReg dlg(nullptr, ui, regs, true, &value, &reg, Writer());
  dlg.show();
  dlg.initTimerTimer();
  Press(dlg, Qt::Key_Up);
  EXPECT_EQ(QStringLiteral("0x4"), dlg.edtReg->text());
  Press(dlg, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(QStringLiteral("0x3"), dlg.edtReg->text());
  EXPECT_EQ(0x1234u, writes.back());

  const size_t before = writes.size();
  dlg.edtReg->setText(QStringLiteral("zz"));
  ui.ExpectMessage(0x10, platform::kIdOk, "zz");
  Press(dlg, Qt::Key_Return);
  EXPECT_TRUE(dlg.isVisible());
  dlg.edtReg->setText(QStringLiteral("0xA"));
  Press(dlg, Qt::Key_Return);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(0x12A4, value);

  TfrmEditReg other(nullptr, ui, regs, false, &value, &reg, Writer());
  other.initTimerTimer();
  other.edtReg->setText(QStringLiteral("7"));
  Press(other, Qt::Key_Escape);  // closes; nothing written
  EXPECT_EQ(before + 1, writes.size());
  EXPECT_EQ(0x12A4, value);  // the word last composed
}

// The register's name is the caption: the dialog is wide enough to show it
// beside the title buttons, its two 120-pixel controls centred under it; a
// short name keeps the dialog's own width.
TEST_F(EditRegDialogTest, TheDialogIsAsWideAsItsCaptionNeeds) {
  const ST_REGISTER reg = Reg(0x70, 0x00F0, 15);
  int value = 3;
  TfrmEditReg dlg(nullptr, ui, regs, false, &value, &reg, Writer());
  EXPECT_EQ(dlg.size(), QSize(134, 61));
  dlg.setWindowTitle(QStringLiteral("InputSrc"));
  EXPECT_GE(dlg.width(), ui::CaptionRoom(QStringLiteral("InputSrc"), dlg.font()));
  EXPECT_EQ(dlg.height(), 61);
  for (QWidget* control : {static_cast<QWidget*>(dlg.edtReg), static_cast<QWidget*>(dlg.RegAttr)}) {
    EXPECT_EQ(control->width(), 120);
    EXPECT_LE(std::abs(control->x() - (dlg.width() - control->geometry().right() - 1)), 1) << "not centred";
  }
  EXPECT_LT(dlg.edtReg->geometry().bottom(), dlg.RegAttr->y());
  dlg.setWindowTitle(QStringLiteral("A"));
  EXPECT_EQ(dlg.width(), std::max(134, ui::CaptionRoom(QStringLiteral("A"), dlg.font())));
}

}  // namespace
