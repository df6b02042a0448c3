// The rules of the script's dialogs: input numbers, message kinds and layout.
#include <gtest/gtest.h>

#include <climits>

#include "rules/scriptdialogrules.h"

namespace {

TEST(ScriptDialogRulesTest, IntegerInputReadsHexOctalAndStopsOnlyAtBlanks) {
  const std::pair<const char*, int> taken[] = {{"0x1F", 31}, {"010", 8}, {"  -12 ", -12}, {"", 0},
                                               {"99999999999", INT_MAX}};
  for (const auto& t : taken) {
    int v = -1;
    EXPECT_TRUE(ui::ParseInputInteger(t.first, v)) << t.first;
    EXPECT_EQ(v, t.second) << t.first;
  }
  int v = 5;
  EXPECT_FALSE(ui::ParseInputInteger("12a", v));
  EXPECT_FALSE(ui::ParseInputInteger("09", v));
  EXPECT_EQ(v, 5);
  double d = 0;
  EXPECT_TRUE(ui::ParseInputFloating("2.5e1 ", d));
  EXPECT_DOUBLE_EQ(d, 25.0);
  EXPECT_FALSE(ui::ParseInputFloating("1.5x", d));
}

TEST(ScriptDialogRulesTest, KindAndButtonSetAreReadFromTheirOwnBitsAndTheJumpRowGoesBelow) {
  const ui::IoMessageLook look = ui::MessageLook(0x44);
  EXPECT_EQ(look.caption, "MESSAGE(Auto-Erase)");
  EXPECT_TRUE(look.autoErase);
  EXPECT_EQ(look.button2, "NO");
  // A set without buttons of its own still gets one.
  EXPECT_EQ(ui::MessageLook(0x70).button1, "OK");

  ui::IoDialogMeasures m;
  m.lines = {{300, 20}, {100, 20}};
  m.buttons = 2;
  const ui::IoDialogLayout two = ui::LayoutIoDialog(m);
  EXPECT_GE(two.button1.y, 8 + 40);  // under the text
  m.jump = true;
  const ui::IoDialogLayout three = ui::LayoutIoDialog(m);
  EXPECT_GT(three.jump.y, three.button1.y);
  EXPECT_GT(three.client.h, two.client.h);
}

}  // namespace
