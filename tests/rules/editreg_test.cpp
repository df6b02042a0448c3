// The register value session: stepping, clamping, merging, writing and undo.
#include <gtest/gtest.h>

#include "support/editreg_fixture.h"

using namespace testing_support;

namespace {

TEST_F(EditRegTest, StepsOfASixteenthClampedToMaxAndMinAndEveryStepWrites) {
  EditRegSession s = Open(Reg(0x10, 0xFF, 255), 250);
  const std::pair<Key, int> steps[] = {{Key::Right, 255}, {Key::Left, 240}, {Key::Down, 239}, {Key::PageDown, 0},
                                       {Key::Down, 0},    {Key::Up, 1},     {Key::PageUp, 255}, {Key::PageUp, 255}};
  for (const auto& step : steps) {
    ASSERT_TRUE(s.ApplyValue(step.first));
    EXPECT_EQ(step.second, s.Value());
    EXPECT_EQ(static_cast<uint32_t>(step.second), writes.back());
  }
  EXPECT_EQ(8u, writes.size());

  // The widest range steps in 64 bits, never wrapping round.
  EditRegSession wide = Open(Reg(0x12, 0xFFFF, INT_MAX, INT_MIN), 0);
  for (int i = 0; i < 20; ++i) wide.ApplyValue(Key::Right);
  EXPECT_EQ(INT_MAX, wide.Value());
  for (int i = 0; i < 40; ++i) wide.ApplyValue(Key::Left);
  EXPECT_EQ(INT_MIN, wide.Value());
}

TEST_F(EditRegTest, TypedValueIsClampedMergedWrittenAndCachedUnlessTheWriteFails) {
  EditRegSession s = Open(Reg(0x20, 0xFFFF, 255), 3, true);
  ASSERT_TRUE(s.ApplyValue(Key::Enter, "300"));
  EXPECT_EQ(255u, writes.back());
  EXPECT_EQ("0xFF", s.EditText());
  EXPECT_EQ(255, regs.GetSnapshotValue(0x20));  // written values are not "changed"

  EditRegSession field = Open(Reg(0x21, 0x0F00, 15), 0x1234);
  ASSERT_TRUE(field.ApplyValue(Key::Enter, "5"));
  EXPECT_EQ(0x1534u, writes.back());
  EXPECT_EQ(0x1534, regs.GetValue(0x21));
  // Text that is no number changes and writes nothing; nor does a failed write.
  EXPECT_THROW(field.ApplyValue(Key::Enter, "abc"), platform::EConvertError);
  failWrites = true;
  EXPECT_FALSE(field.ApplyValue(Key::Enter, "7"));
  EXPECT_EQ(2u, writes.size());
  EXPECT_EQ(5, field.Value());
  EXPECT_EQ(0x1534, field.Word());
  EXPECT_EQ(0x1534, regs.GetValue(0x21));
  EXPECT_EQ(2u, regs.GetUndoStack(0x21, 0x0F00).size());  // nothing pushed by the failure
}

// One past either end, typed or stepped, is written as the end itself, in
// its field of the word (the field has room for both, so nothing hides it).
TEST_F(EditRegTest, OnePastMaxOrMinTypedOrSteppedIsWrittenAsTheEnd) {
  const ST_REGISTER reg = Reg(0x30, 0x0FF0, 100, 10);  // steps of (100 - 10) / 16 = 5
  struct Case {
    int from;
    Key key;
    const char* typed;
    int written;
  };
  const Case cases[] = {
      {50, Key::Enter, "101", 100}, {100, Key::Up, "", 100}, {96, Key::Right, "", 100},
      {50, Key::Enter, "9", 10},    {10, Key::Down, "", 10}, {14, Key::Left, "", 10},
  };
  for (const Case& c : cases) {
    EditRegSession s = Open(reg, 0xF00F | (c.from << 4));
    ASSERT_TRUE(s.ApplyValue(c.key, c.typed));
    EXPECT_EQ(s.Value(), c.written) << c.from << " " << c.typed;
    EXPECT_EQ(writes.back(), static_cast<uint32_t>(0xF00F | (c.written << 4))) << c.from << " " << c.typed;
  }
}

TEST_F(EditRegTest, UndoStepsBackAndSurvivesReopeningAndFailedWrites) {
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
  s.Undo();
  EXPECT_EQ(30u, writes.back());
  s.Undo();
  EXPECT_EQ(20u, writes.back());
  EXPECT_EQ("20", s.EditText());

  // A failed undo write keeps the entry it popped.
  failWrites = true;
  s.Undo();
  EXPECT_EQ(20, s.Value());
  failWrites = false;
  s.Undo();
  EXPECT_EQ(10u, writes.back());
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
  // Undo of the high field goes back to its own earlier value, in its own bits...
  b.Undo();
  EXPECT_EQ(0x0103u, writes.back());
  // ...and stops at its own first entry instead of taking the low field's.
  const size_t before = writes.size();
  b.Undo();
  EXPECT_EQ(before, writes.size());
}

}  // namespace
