// The rules of the script's dialogs: input numbers, message kinds and layout.
#include <gtest/gtest.h>

#include <climits>

#include "rules/scriptdialogrules.h"

namespace {

TEST(ScriptDialogRulesTest, IntegerInputReadsHexOctalAndStopsOnlyAtBlanks) {
  int v = -1;
  EXPECT_TRUE(ui::ParseInputInteger("0x1F", v));
  EXPECT_EQ(v, 31);
  EXPECT_TRUE(ui::ParseInputInteger("010", v));
  EXPECT_EQ(v, 8);
  EXPECT_TRUE(ui::ParseInputInteger("  -12 ", v));
  EXPECT_EQ(v, -12);
  EXPECT_TRUE(ui::ParseInputInteger("", v));
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(ui::ParseInputInteger("99999999999", v));
  EXPECT_EQ(v, INT_MAX);
  v = 5;
  EXPECT_FALSE(ui::ParseInputInteger("12a", v));
  EXPECT_FALSE(ui::ParseInputInteger("09", v));
  EXPECT_EQ(v, 5);

  double d = 0;
  EXPECT_TRUE(ui::ParseInputFloating("2.5e1 ", d));
  EXPECT_DOUBLE_EQ(d, 25.0);
  EXPECT_FALSE(ui::ParseInputFloating("1.5x", d));
  EXPECT_EQ(ui::InitialInputText(ui::kIoFloating, 0, 0.1, ""), "0.1");
  EXPECT_EQ(ui::InitialInputText(ui::kIoInteger, -7, 0, ""), "-7");
}

TEST(ScriptDialogRulesTest, KindAndButtonSetAreReadFromTheirOwnBits) {
  const ui::IoMessageLook look = ui::MessageLook(0x44);
  EXPECT_EQ(look.caption, "MESSAGE(Auto-Erase)");
  EXPECT_TRUE(look.autoErase);
  EXPECT_EQ(look.button1, "YES");
  EXPECT_EQ(look.button2, "NO");
  EXPECT_FALSE(look.jump);
  // A set without buttons of its own still gets one.
  EXPECT_EQ(ui::MessageLook(0x70).button1, "OK");
  EXPECT_EQ(ui::MessageLook(0x70).button2, "");
}

TEST(ScriptDialogRulesTest, LayoutPutsControlsUnderTheTextAndGrowsForTheJumpRow) {
  ui::IoDialogMeasures m;
  m.lines = {{300, 20}, {100, 20}};
  m.buttons = 2;
  const ui::IoDialogLayout two = ui::LayoutIoDialog(m);
  EXPECT_EQ(two.text.x, 48);
  EXPECT_EQ(two.text.y, 8);
  EXPECT_EQ(two.client.w, 300 + 40 + 16);
  EXPECT_GE(two.button1.y, 8 + 40);
  EXPECT_EQ(two.button1.y, two.button2.y);
  m.jump = true;
  const ui::IoDialogLayout three = ui::LayoutIoDialog(m);
  EXPECT_GT(three.jump.y, three.button1.y);
  EXPECT_GT(three.client.h, two.client.h);
  ui::IoDialogMeasures list;
  list.showList = true;
  list.listRowHeight = 18;
  list.buttons = 2;
  EXPECT_EQ(ui::LayoutIoDialog(list).list.h, 12 * 18);
}

}  // namespace
