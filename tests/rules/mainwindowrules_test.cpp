#include "rules/mainwindowrules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

TEST(MainWindowRules, ABaudIndexOutsideTheTableShowsDashes) {
  for (int index : {15, -1, 1000000}) EXPECT_EQ(rules::BaudRateName(index), "---") << index;
}

TEST(MainWindowRules, WindowOffEveryScreenComesBack) {
  const std::vector<rules::ScreenRect> one = {{0, 0, 1920, 1080}};
  // A second screen on the left keeps a negative position valid.
  const std::vector<rules::ScreenRect> two = {{0, 0, 1920, 1080}, {-1280, 0, 1280, 1024}};
  struct Case {
    const std::vector<rules::ScreenRect>& screens;
    int left, top;
    bool moved;
    int newLeft, newTop;
  };
  const Case cases[] = {
      {one, -3000, 50, true, 0, 50},  // a screen that is gone now
      {two, -1000, 100, false, -1000, 100},
      {two, -1000, 1050, true, 0, 0},  // below the smaller screen, level with the primary's lower part
  };
  for (const Case& c : cases) {
    int l = c.left, t = c.top;
    EXPECT_EQ(rules::BringOnScreen(l, t, c.screens), c.moved);
    EXPECT_EQ(std::make_pair(l, t), std::make_pair(c.newLeft, c.newTop)) << c.left << "," << c.top;
  }
}

// A form centred on the screen keeps its size where its frame fits and is
// shrunk into the area where it does not, title bar and borders included.
TEST(MainWindowRules, ACentredWindowLargerThanTheAreaIsFittedIntoIt) {
  const rules::FrameMargins frame{1, 23, 1, 4};
  struct Case {
    int clientW, clientH;
    rules::ScreenRect area;
    int left, top, w, h;
  };
  const Case cases[] = {
      {758, 640, {0, 0, 1024, 640}, 132, 0, 758, 613},     // the table window on a low screen
      {578, 486, {0, 0, 1024, 640}, 222, 63, 578, 486},    // fits: its own size, centred
      {758, 640, {0, 30, 700, 600}, 0, 30, 698, 573},      // a panel above, a narrow area
      {338, 630, {1280, 0, 1024, 768}, 1622, 55, 338, 630},  // on a second screen
  };
  for (const Case& c : cases) {
    const rules::WindowPlace p = rules::CentreInside(c.clientW, c.clientH, frame, c.area);
    EXPECT_EQ(std::vector<int>({p.left, p.top, p.clientWidth, p.clientHeight}),
              std::vector<int>({c.left, c.top, c.w, c.h}))
        << c.clientW << "x" << c.clientH << " on " << c.area.width << "x" << c.area.height;
  }
}

TEST(MainWindowRules, FontsOfAnotherSystemFallBackToAnInstalledOne) {
  const std::set<std::string> installed = {"Arial", "IPAPGothic", "IPAGothic"};
  auto has = [&](const std::string& n) { return installed.count(n) > 0; };
  EXPECT_EQ(rules::ResolveFontFamily("@ＭＳ Ｐゴシック", has), "IPAPGothic");
  EXPECT_EQ(rules::ResolveFontFamily("Courier", [](const std::string&) { return false; }), "Courier");
}

}  // namespace
