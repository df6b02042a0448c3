#include "ui/mainwindowrules.h"

#include <gtest/gtest.h>

#include <set>

#include "model/vunddata.h"
#include "support/temp_dir.h"

namespace {

TEST(MainWindowRules, StatusBarShowsPortAndBaudNameWithDashesOutsideTheTable) {
  EXPECT_EQ(ui::FormatComStatus(0, 0), "COM:Port 1 BaudRate ---");
  EXPECT_EQ(ui::FormatComStatus(1, 12), "COM:Port 2 BaudRate 115200");
  EXPECT_EQ(ui::BaudRateName(14), "256000");
  EXPECT_EQ(ui::BaudRateName(15), "---");
  EXPECT_EQ(ui::BaudRateName(-1), "---");
  EXPECT_EQ(ui::BaudRateName(1000000), "---");
}

TEST(MainWindowRules, CaptionUsesFileNamesWithoutFolderAndExtension) {
  EXPECT_EQ(ui::FormatMainCaption("/opt/vund/Sreg.dat", "V1", "Hreg.dat", "V2"),
            "Vund2  S_REG : Sreg M_Ver:V1 H_REG : Hreg M_ver:V2");
  EXPECT_EQ(ui::FormatMainCaption("", "", "a.b.dat", ""), "Vund2  S_REG :  M_Ver: H_REG : a.b M_ver:");
}

TEST(MainWindowRules, OnlyAnArgumentContainingOneForcesEnglish) {
  EXPECT_TRUE(ui::ArgumentForcesEnglish("x1y"));
  EXPECT_TRUE(ui::ArgumentForcesEnglish("1"));
  EXPECT_FALSE(ui::ArgumentForcesEnglish("2"));
  EXPECT_FALSE(ui::ArgumentForcesEnglish(""));
}

TEST(MainWindowRules, MessageLinesSplitAtLineFeeds) {
  using V = std::vector<std::string>;
  EXPECT_EQ(ui::SplitMessageLines("a\nb"), (V{"a", "b"}));
  EXPECT_EQ(ui::SplitMessageLines("a\n"), (V{"a", ""}));
  EXPECT_EQ(ui::SplitMessageLines("one"), (V{"one"}));
  EXPECT_EQ(ui::SplitMessageLines(""), (V{""}));
  EXPECT_EQ(ui::SplitMessageLines("\n\nx"), (V{"", "", "x"}));
  EXPECT_EQ(ui::SplitMessageLines("err\r\nSend Data\r\n01 02"), (V{"err", "Send Data", "01 02"}));
}

TEST(MainWindowRules, WindowOffEveryScreenComesBack) {
  const std::vector<ui::ScreenRect> one = {{0, 0, 1920, 1080}};
  int l = 100, t = 200;
  EXPECT_FALSE(ui::BringOnScreen(l, t, one));
  EXPECT_EQ(l, 100);
  EXPECT_EQ(t, 200);

  l = -3000, t = 50;  // a screen that is gone now
  EXPECT_TRUE(ui::BringOnScreen(l, t, one));
  EXPECT_EQ(l, 0);
  EXPECT_EQ(t, 50);

  l = 500, t = 1080;  // just past the bottom
  EXPECT_TRUE(ui::BringOnScreen(l, t, one));
  EXPECT_EQ(l, 500);
  EXPECT_EQ(t, 0);

  l = 5000, t = -40;
  EXPECT_TRUE(ui::BringOnScreen(l, t, one));
  EXPECT_EQ(l, 0);
  EXPECT_EQ(t, 0);

  // A second screen on the left keeps a negative position valid.
  const std::vector<ui::ScreenRect> two = {{0, 0, 1920, 1080}, {-1280, 0, 1280, 1024}};
  l = -1000, t = 100;
  EXPECT_FALSE(ui::BringOnScreen(l, t, two));
  // Below the smaller screen but level with the primary's lower part.
  l = -1000, t = 1050;
  EXPECT_TRUE(ui::BringOnScreen(l, t, two));
  EXPECT_EQ(l, 0);
  EXPECT_EQ(t, 0);
}

TEST(MainWindowRules, CommandTagsRunOverBothLists) {
  testing_support::TempDir dir;
  testing_support::ScopedHome home(dir.Path());
  dir.Write("vund.dat",
            "[EcsSettings]\r\nMemName1=M0\r\nMemID1=0x10\r\nMemName2=M1\r\nMemID2=0x11\r\nMemName3=M2\r\nMemID3=0x12\r\n"
            "SWName1=S0\r\nSWID1=0x20\r\nSWName2=S1\r\nSWID2=0x21\r\n");
  ASSERT_TRUE(LoadVundData());
  const std::vector<ui::CommandMenuItem> items = ui::CommandMenuItems();
  ASSERT_EQ(items.size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(items[static_cast<size_t>(i)].tag, i);
  EXPECT_EQ(items[3].caption, "S0");

  const ui::CommandRef mem = ui::CommandForTag(2, 3);
  EXPECT_FALSE(mem.switchEntry);
  EXPECT_EQ(mem.index, 2);
  const ui::CommandRef sw = ui::CommandForTag(3, 3);
  EXPECT_TRUE(sw.switchEntry);
  EXPECT_EQ(sw.index, 0);
  ResetVundData();
}

TEST(MainWindowRules, ColoursAreBlueGreenRed) {
  const ui::Rgb c = ui::ColorToRgb(0x00123456);
  EXPECT_EQ(c.r, 0x56);
  EXPECT_EQ(c.g, 0x34);
  EXPECT_EQ(c.b, 0x12);
  EXPECT_EQ(ui::RgbToColor(0x56, 0x34, 0x12), 0x123456);
}

TEST(MainWindowRules, MissingFontsFallBackToAnInstalledJapaneseFont) {
  const std::set<std::string> installed = {"Arial", "IPAPGothic", "IPAGothic"};
  auto has = [&](const std::string& n) { return installed.count(n) > 0; };
  EXPECT_EQ(ui::ResolveFontFamily("Arial", has), "Arial");
  EXPECT_EQ(ui::ResolveFontFamily("ＭＳ Ｐゴシック", has), "IPAPGothic");
  EXPECT_EQ(ui::ResolveFontFamily("@ＭＳ Ｐゴシック", has), "IPAPGothic");
  EXPECT_EQ(ui::ResolveFontFamily("@Arial", has), "Arial");
  auto none = [](const std::string&) { return false; };
  EXPECT_EQ(ui::ResolveFontFamily("Courier", none), "Courier");
}

TEST(MainWindowRules, HelpFileFollowsTheLanguage) {
  EXPECT_EQ(ui::HelpFileName(17), "Vund2.chm");
  EXPECT_EQ(ui::HelpFileName(9), "Vund2EG.chm");
  EXPECT_EQ(ui::HelpFileName(12), "Vund2EG.chm");
}

TEST(MainWindowRules, SearchHistoryKeepsOneEntryPerTextNewestFirst) {
  std::vector<std::string> h;
  EXPECT_TRUE(ui::AddSearchHistory(h, "VOL"));
  EXPECT_FALSE(ui::AddSearchHistory(h, "vol"));
  EXPECT_TRUE(ui::AddSearchHistory(h, "BASS"));
  EXPECT_FALSE(ui::AddSearchHistory(h, ""));
  EXPECT_EQ(h, (std::vector<std::string>{"BASS", "VOL"}));
  EXPECT_EQ(ui::SearchModeFor(true), 1);
  EXPECT_EQ(ui::SearchModeFor(false), 2);
}

}  // namespace
