// The register value dialog: stepping, clamping, merging, writing and undo on
// the session; the dialog's keys offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <climits>
#include <vector>

#include "model/registers.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "support/scripted_ui.h"
#include "ui/editregrules.h"
#include "ui/frmeditreg.h"
#include "ui/textconv.h"

using testing_support::ScriptedUi;
using ui::EditRegSession;
using Key = EditRegSession::Key;

namespace {

struct Write {
  uint32_t id;
  uint32_t word;
};

class EditRegTest : public ::testing::Test {
 protected:
  void SetUp() override { SRegisters = Registers(); }
  void TearDown() override { SRegisters = Registers(); }

  ST_REGISTER Reg(uint32_t id, uint32_t mask, int max, int min = 0) {
    ST_REGISTER r;
    r.LongName = r.ShortName = "R";
    r.ID = id;
    r.Mask = mask;
    r.Max = max;
    r.Min = min;
    return r;
  }
  ui::RegisterWriter Writer() {
    return [this](uint32_t id, uint32_t word) {
      if (failWrites) return false;
      writes.push_back({id, word});
      return true;
    };
  }
  EditRegSession Open(const ST_REGISTER& reg, int word, bool hex = false) {
    SRegisters.SetValue(reg.ID, word);
    EditRegSession s(SRegisters, reg, ExtractByMask(word, static_cast<int>(reg.Mask)), hex, Writer());
    s.Start();
    return s;
  }

  std::vector<Write> writes;
  bool failWrites = false;
};

TEST_F(EditRegTest, StepsOfASixteenthClampedToMaxAndMin) {
  EditRegSession s = Open(Reg(0x10, 0xFF, 255), 250);
  EXPECT_EQ("Max:255 Min:0", s.RangeText());
  EXPECT_EQ("250", s.EditText());
  ASSERT_TRUE(s.ApplyValue(Key::Right));  // 250 + 15 clamps to 255
  EXPECT_EQ(255, s.Value());
  s.ApplyValue(Key::Left);
  EXPECT_EQ(240, s.Value());
  s.ApplyValue(Key::Down);
  s.ApplyValue(Key::PageDown);
  EXPECT_EQ(0, s.Value());
  s.ApplyValue(Key::Down);  // below Min
  EXPECT_EQ(0, s.Value());
  s.ApplyValue(Key::Up);
  EXPECT_EQ(1, s.Value());
  ASSERT_EQ(6u, writes.size());  // every step writes, clamped or not

  // Page Up writes Max even when the value already is Max.
  s.ApplyValue(Key::PageUp);
  s.ApplyValue(Key::PageUp);
  EXPECT_EQ(8u, writes.size());
  EXPECT_EQ(255u, writes.back().word);

  EditRegSession small = Open(Reg(0x11, 0xFFFF, 10), 4);
  small.ApplyValue(Key::Right);
  small.ApplyValue(Key::Left);
  EXPECT_EQ(4, small.Value());  // 10 / 16 = 0

  // The widest range steps in 64 bits, never wrapping round.
  EditRegSession wide = Open(Reg(0x12, 0xFFFF, INT_MAX, INT_MIN), 0);
  for (int i = 0; i < 20; ++i) wide.ApplyValue(Key::Right);
  EXPECT_EQ(INT_MAX, wide.Value());
  for (int i = 0; i < 40; ++i) wide.ApplyValue(Key::Left);
  EXPECT_EQ(INT_MIN, wide.Value());
}

TEST_F(EditRegTest, TypedValueIsClampedMergedWrittenAndCached) {
  EditRegSession s = Open(Reg(0x20, 0xFFFF, 255), 3, true);
  EXPECT_EQ("Max:0xFF Min:0x0", s.RangeText());
  ASSERT_TRUE(s.ApplyValue(Key::Enter, "300"));
  EXPECT_EQ(255u, writes.back().word);
  EXPECT_EQ("0xFF", s.EditText());
  EXPECT_EQ(255, SRegisters.GetValue(0x20));
  EXPECT_EQ(255, SRegisters.GetSnapshotValue(0x20));  // written values are not "changed"

  EditRegSession field = Open(Reg(0x21, 0x0F00, 15), 0x1234);
  ASSERT_TRUE(field.ApplyValue(Key::Enter, "5"));
  EXPECT_EQ(0x21u, writes.back().id);
  EXPECT_EQ(0x1534u, writes.back().word);
  EXPECT_EQ(0x1534, field.Word());

  // Text that is no number changes and writes nothing.
  const size_t before = writes.size();
  EXPECT_THROW(field.ApplyValue(Key::Enter, "abc"), platform::EConvertError);
  EXPECT_EQ(before, writes.size());
  EXPECT_EQ(5, field.Value());
}

TEST_F(EditRegTest, FailedWriteKeepsTheOldValueAndTheCache) {
  EditRegSession s = Open(Reg(0x30, 0xFFFF, 100), 40);
  failWrites = true;
  EXPECT_FALSE(s.ApplyValue(Key::Enter, "50"));
  EXPECT_EQ(40, s.Value());
  EXPECT_EQ(40, s.Word());
  EXPECT_EQ(40, SRegisters.GetValue(0x30));
  EXPECT_EQ(1u, SRegisters.GetUndoStack(0x30, 0xFFFF).size());  // nothing pushed
}

TEST_F(EditRegTest, UndoStepsBackAndSurvivesReopeningAndFailedWrites) {
  // Right after opening: nothing written, and once the history is empty nothing at all.
  EditRegSession fresh = Open(Reg(0x40, 0xFFFF, 100), 7);
  EXPECT_TRUE(fresh.Undo());
  EXPECT_TRUE(SRegisters.GetUndoStack(0x40, 0xFFFF).empty());
  EXPECT_TRUE(fresh.Undo());
  EXPECT_TRUE(writes.empty());

  const ST_REGISTER reg = Reg(0x50, 0xFFFF, 100);
  {
    EditRegSession s = Open(reg, 10);
    s.ApplyValue(Key::Enter, "20");
    s.ApplyValue(Key::Enter, "30");
  }
  // A new opening pushes the shown value once more; the first undo removes
  // that push and writes the value before it.
  EditRegSession s(SRegisters, reg, 30, false, Writer());
  s.Start();
  writes.clear();
  s.Undo();
  EXPECT_EQ(30u, writes.back().word);
  s.Undo();
  EXPECT_EQ(20u, writes.back().word);
  EXPECT_EQ(20, s.Value());
  EXPECT_EQ("20", s.EditText());

  // A failed undo write keeps the entry it popped.
  failWrites = true;
  const size_t depth = SRegisters.GetUndoStack(0x50, 0xFFFF).size();
  s.Undo();
  EXPECT_EQ(depth, SRegisters.GetUndoStack(0x50, 0xFFFF).size());
  EXPECT_EQ(20, s.Value());
  failWrites = false;
  s.Undo();
  EXPECT_EQ(10u, writes.back().word);
}

TEST_F(EditRegTest, FieldsOfOneWordKeepTheirOwnHistories) {
  const ST_REGISTER lo = Reg(0x60, 0x00FF, 255);
  const ST_REGISTER hi = Reg(0x60, 0xFF00, 255);
  SRegisters.SetValue(0x60, 0x0102);
  EditRegSession a(SRegisters, lo, 2, false, Writer());
  a.Start();
  a.ApplyValue(Key::Enter, "3");  // word 0x0103
  EditRegSession b(SRegisters, hi, 1, false, Writer());
  b.Start();
  b.ApplyValue(Key::Enter, "9");  // word 0x0903
  // Undo of the high field goes back to its own earlier value, in its own bits.
  b.Undo();
  EXPECT_EQ(0x0103u, writes.back().word);
  // ...and stops at its own first entry instead of taking the low field's.
  const size_t before = writes.size();
  b.Undo();
  EXPECT_EQ(before, writes.size());
  EXPECT_EQ(2u, SRegisters.GetUndoStack(0x60, 0x00FF).size());
}

TEST(EditRegPlacement, KeptOnScreen) {
  const ui::ScreenRect screen{0, 0, 1920, 1080};
  int left = 1800, top = 1030;
  ui::KeepOnScreen(left, top, 134, 61, screen);
  EXPECT_EQ(1666, left);
  EXPECT_EQ(969, top);
  left = 100, top = 100;
  ui::KeepOnScreen(left, top, 134, 61, screen);
  EXPECT_EQ(100, left);
  EXPECT_EQ(100, top);
  // The frame counts, and a panel at the bottom takes its share of the screen.
  left = 100, top = 1000;
  ui::KeepOnScreen(left, top, 140, 90, {0, 0, 1920, 1040});
  EXPECT_EQ(910, top);
  // A cell near the top of a screen with the frame taller than the room above
  // it: the window stays inside.
  left = 10, top = 40;
  ui::KeepOnScreen(left, top, 140, 90, {0, 0, 1920, 100});
  EXPECT_EQ(0, top);
  EXPECT_EQ(10, left);
}

// ---- The dialog ----

class EditRegDialogTest : public EditRegTest {
 protected:
  void Press(TfrmEditReg& dlg, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(dlg.edtReg, &e);
  }
};

TEST_F(EditRegDialogTest, KeysStepWriteUndoAndClose) {
  const ST_REGISTER reg = Reg(0x70, 0xFFFF, 255);
  SRegisters.SetValue(0x70, 100);
  int value = 100;
  TfrmEditReg dlg(nullptr, false, 0, &value, &reg, Writer());
  dlg.initTimerTimer();
  EXPECT_EQ(QStringLiteral("Max:255 Min:0"), dlg.RegAttr->text());
  EXPECT_EQ(QStringLiteral("100"), dlg.edtReg->text());

  Press(dlg, Qt::Key_Up);
  EXPECT_EQ(QStringLiteral("101"), dlg.edtReg->text());
  Press(dlg, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(QStringLiteral("100"), dlg.edtReg->text());
  EXPECT_EQ(100u, writes.back().word);
  Press(dlg, Qt::Key_PageUp);
  Press(dlg, Qt::Key_F11, Qt::ControlModifier);
  EXPECT_EQ(100, SRegisters.GetValue(0x70));

  const size_t before = writes.size();
  dlg.edtReg->setText(QStringLiteral("77"));
  Press(dlg, Qt::Key_Escape);  // closes; nothing written
  EXPECT_EQ(before, writes.size());
  EXPECT_EQ(100, value);  // the word last composed
}

TEST_F(EditRegDialogTest, EnterWritesAndClosesOrStaysOpenOnBadText) {
  ScriptedUi ui;
  const ST_REGISTER reg = Reg(0x71, 0x00F0, 15);
  SRegisters.SetValue(0x71, 0x1234);
  int value = 3;
  TfrmEditReg dlg(nullptr, true, 0, &value, &reg, Writer());
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
