// The register value session: stepping, clamping, merging, writing and undo;
// the placement of the dialog on the screen.
#include <gtest/gtest.h>

#include "rules/editregrules.h"
#include "support/editreg_fixture.h"

using namespace testing_support;

namespace {

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
  EXPECT_EQ(255, regs.GetValue(0x20));
  EXPECT_EQ(255, regs.GetSnapshotValue(0x20));  // written values are not "changed"

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
  EXPECT_EQ(40, regs.GetValue(0x30));
  EXPECT_EQ(1u, regs.GetUndoStack(0x30, 0xFFFF).size());  // nothing pushed
}

TEST_F(EditRegTest, UndoStepsBackAndSurvivesReopeningAndFailedWrites) {
  // Right after opening: nothing written, and once the history is empty nothing at all.
  EditRegSession fresh = Open(Reg(0x40, 0xFFFF, 100), 7);
  EXPECT_TRUE(fresh.Undo());
  EXPECT_TRUE(regs.GetUndoStack(0x40, 0xFFFF).empty());
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
  EditRegSession s(regs, reg, 30, false, Writer());
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
  const size_t depth = regs.GetUndoStack(0x50, 0xFFFF).size();
  s.Undo();
  EXPECT_EQ(depth, regs.GetUndoStack(0x50, 0xFFFF).size());
  EXPECT_EQ(20, s.Value());
  failWrites = false;
  s.Undo();
  EXPECT_EQ(10u, writes.back().word);
}

TEST_F(EditRegTest, FieldsOfOneWordKeepTheirOwnHistories) {
  const ST_REGISTER lo = Reg(0x60, 0x00FF, 255);
  const ST_REGISTER hi = Reg(0x60, 0xFF00, 255);
  regs.SetValue(0x60, 0x0102);
  EditRegSession a(regs, lo, 2, false, Writer());
  a.Start();
  a.ApplyValue(Key::Enter, "3");  // word 0x0103
  EditRegSession b(regs, hi, 1, false, Writer());
  b.Start();
  b.ApplyValue(Key::Enter, "9");  // word 0x0903
  // Undo of the high field goes back to its own earlier value, in its own bits.
  b.Undo();
  EXPECT_EQ(0x0103u, writes.back().word);
  // ...and stops at its own first entry instead of taking the low field's.
  const size_t before = writes.size();
  b.Undo();
  EXPECT_EQ(before, writes.size());
  EXPECT_EQ(2u, regs.GetUndoStack(0x60, 0x00FF).size());
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

}  // namespace
