#include "rules/mainwindowrules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

TEST(MainWindowRules, StatusBarCaptionHelpFileAndMessageLines) {
  EXPECT_EQ(ui::FormatComStatus(1, 12), "COM:Port 2 BaudRate 115200");
  // Outside the table of 15 names: dashes, never a read past it.
  for (int index : {0, 15, -1, 1000000}) EXPECT_EQ(ui::BaudRateName(index), "---") << index;
  // File names without folder and extension.
  EXPECT_EQ(ui::FormatMainCaption("/opt/vund/Sreg.dat", "V1", "a.b.dat", "V2"),
            "Vund2  S_REG : Sreg M_Ver:V1 H_REG : a.b M_ver:V2");
  // The Japanese help file for Japanese only.
  EXPECT_EQ(ui::HelpFileName(17), "Vund2.chm");
  EXPECT_EQ(ui::HelpFileName(9), "Vund2EG.chm");
  using V = std::vector<std::string>;
  EXPECT_EQ(ui::SplitMessageLines("\n\nx"), (V{"", "", "x"}));
  EXPECT_EQ(ui::SplitMessageLines("err\r\nSend Data\r\n01 02\n"), (V{"err", "Send Data", "01 02", ""}));
}

TEST(MainWindowRules, WindowOffEveryScreenComesBackAndAFrameIsKeptInsideTheArea) {
  const std::vector<ui::ScreenRect> one = {{0, 0, 1920, 1080}};
  // A second screen on the left keeps a negative position valid.
  const std::vector<ui::ScreenRect> two = {{0, 0, 1920, 1080}, {-1280, 0, 1280, 1024}};
  struct Case {
    const std::vector<ui::ScreenRect>& screens;
    int left, top;
    bool moved;
    int newLeft, newTop;
  };
  const Case cases[] = {
      {one, 100, 200, false, 100, 200},
      {one, -3000, 50, true, 0, 50},   // a screen that is gone now
      {one, 500, 1080, true, 500, 0},  // just past the bottom
      {two, -1000, 100, false, -1000, 100},
      {two, -1000, 1050, true, 0, 0},  // below the smaller screen, level with the primary's lower part
  };
  for (const Case& c : cases) {
    int l = c.left, t = c.top;
    EXPECT_EQ(ui::BringOnScreen(l, t, c.screens), c.moved);
    EXPECT_EQ(std::make_pair(l, t), std::make_pair(c.newLeft, c.newTop)) << c.left << "," << c.top;
  }

  const ui::ScreenRect area{0, 0, 1280, 770};  // a panel below
  ui::ScreenRect whole{0, 0, 1280, 800};       // the first run: the whole screen
  ui::KeepInside(whole, area);
  EXPECT_EQ(whole.height, 770);
  ui::ScreenRect low{300, 600, 400, 300};
  ui::KeepInside(low, area);
  EXPECT_EQ(low.top, 470);
  EXPECT_EQ(low.height, 300);
}

TEST(MainWindowRules, ChosenColoursMissingFontsAndSearchHistory) {
  // A colour chosen as red, green, blue is kept as 0x00BBGGRR.
  EXPECT_EQ(ui::RgbToColor(0x56, 0x34, 0x12), 0x123456);
  // Fonts of another system fall back to an installed Japanese font.
  const std::set<std::string> installed = {"Arial", "IPAPGothic", "IPAGothic"};
  auto has = [&](const std::string& n) { return installed.count(n) > 0; };
  EXPECT_EQ(ui::ResolveFontFamily("Arial", has), "Arial");
  EXPECT_EQ(ui::ResolveFontFamily("@ＭＳ Ｐゴシック", has), "IPAPGothic");
  EXPECT_EQ(ui::ResolveFontFamily("@Arial", has), "Arial");
  EXPECT_EQ(ui::ResolveFontFamily("Courier", [](const std::string&) { return false; }), "Courier");

  std::vector<std::string> h;
  EXPECT_TRUE(ui::AddSearchHistory(h, "VOL"));
  EXPECT_FALSE(ui::AddSearchHistory(h, "vol"));
  EXPECT_TRUE(ui::AddSearchHistory(h, "BASS"));
  EXPECT_FALSE(ui::AddSearchHistory(h, ""));
  EXPECT_EQ(h, (std::vector<std::string>{"BASS", "VOL"}));
}

}  // namespace
