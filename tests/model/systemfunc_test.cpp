#include "model/systemfunc.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "model/iniproperty.h"
#include "model/nvmimage.h"
#include "model/registers.h"
#include "model/vunddata.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "support/file_size_limit.h"
#include "support/scoped_env.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

using testing_support::ScopedEnv;

namespace {

class Settings : public ::testing::Test {
 protected:

  testing_support::TempDir dir_;
  testing_support::ScopedHome home_{dir_.Path()};
  ScopedEnv lang_{"LC_ALL", "C"};
  testing_support::ScriptedUi ui_;
  SystemSettings settings_{ui_};
};

TEST_F(Settings, WithoutAFileTheDefaultsAreWrittenAndTheReadOnlyKeysLeftOut) {
  // The separators: a fifth of the screen width, just under seven tenths of its height.
  ui_.SetScreenSize(1920, 1080);
  ASSERT_TRUE(settings_.LoadSettings());
  ASSERT_TRUE(settings_.SaveSettings());
  const std::string text = dir_.Read("Vund2.ini");
  EXPECT_EQ(text.rfind("[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainWidth=1920\r\nMainHeight=1080\r\n"
                       "StatusWindowSeparator=384\r\nMemoWindowSeparator=755\r\n",
                       0),
            0u)
      << text;
  EXPECT_EQ(text.find("TableNameWidth"), std::string::npos);
  EXPECT_EQ(text.substr(text.find("[File]")), "[File]\r\nLastSregFile=Sreg.dat\r\nLastHregFile=Hreg.dat\r\n"
                                             "[Bus]\r\nComPort=1\r\nBaudRate=9\r\nECSType=2\r\nBusPhysicalLayer=0\r\n");
}

TEST_F(Settings, HandTypedValuesAndLinesSurviveSavingInAFileFoundWithoutRegardToCase) {
  const std::string bus = "[Bus]\r\n; our adapter\r\nProductCode=0x1234\r\nVenderID=5\r\nInEndPoint=3\r\nOutEndPoint=4\r\n";
  dir_.Write("VUND2.INI", "[Window]\r\nTableNameWidth=77\r\nmainwidth=0\r\nMainTop=-3\r\nBackColor=0xFF\r\n"
                          "FontStyle_Underline=1\r\nMsgFontStyle_Italic=2\r\n" +
                              bus + "ComPort=12\r\nBaudRate=99\r\n[Ports]\r\nCOM1=/dev/ttyUSB0\r\n");
  EXPECT_EQ(SettingsFilePath(), dir_.File("VUND2.INI"));
  settings_.LoadSettings();
  int vendor, product, in, out, valueWidth, nameHeight, nameWidth;
  settings_.GetUsbParams(vendor, product, in, out);
  settings_.GetTableGridSizes(valueWidth, nameHeight, nameWidth);
  EXPECT_EQ((std::vector<int>{vendor, product, in, out, nameWidth}), (std::vector<int>{5, 0x1234, 3, 4, 77}));
  for (int run = 0; run < 2; ++run) {
    settings_.LoadSettings();
    ASSERT_TRUE(settings_.SaveSettings());
  }
  EXPECT_FALSE(platform::FileExists(dir_.File("Vund2.ini")));
  // A zero size is the screen's; any non-zero style is set. Out-of-range
  // indexes are kept as read: the link refuses them later.
  const std::string text = dir_.Read("VUND2.INI");
  EXPECT_EQ(text.rfind("[Window]\r\nTableNameWidth=77\r\nMainWidth=1920\r\nMainTop=-3\r\nBackColor=255\r\n"
                       "FontStyle_Underline=1\r\nMsgFontStyle_Italic=1\r\nMainLeft=0\r\n",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find(bus + "ComPort=12\r\nBaudRate=99\r\n"), std::string::npos) << text;
  EXPECT_EQ(platform::IniFile(dir_.File("VUND2.INI")).ReadSections(), (std::vector<std::string>{"Window", "Bus", "Ports", "File"}));
}

TEST_F(Settings, EveryValueReadsBackUnderItsOwnKey) {
  // Distinct values everywhere, so a value stored or read under another key
  // comes back changed in the second save.
  settings_.LoadSettings();
  settings_.SetFonts("ＭＳ ゴシック", 1 << 2, 11, "Courier", (1 << 0) | (1 << 3), 12, 0x123456);
  settings_.SetMainWindowRect(-5, 1, 2, 3, 4, 5);
  settings_.GetMainWindowRect()[5] = 600;  // callers adjust the geometry in place
  settings_.SetColors(6, 7, 8);
  settings_.SetRegGridSizes(9, 10, 11);
  settings_.SetStatusGridSizes(12, 13, 14);
  settings_.SetTableGridSizes(15, 16);
  settings_.SetComPort(0);
  settings_.SetBaudRate(14);
  settings_.SetLastSregFile("日本語.dat");
  settings_.SetLastHregFile("h.dat");
  ASSERT_TRUE(settings_.SaveSettings());
  const std::string first = dir_.Read("Vund2.ini");
  EXPECT_NE(first.find("MemoWindowSeparator=600\r\n"), std::string::npos);
  EXPECT_NE(first.find("MsgFontStyle_StrikeOut=1\r\n"), std::string::npos);
  SystemSettings again(ui_);
  again.LoadSettings();
  dir_.Write("Vund2.ini", "");
  ASSERT_TRUE(again.SaveSettings());
  EXPECT_EQ(dir_.Read("Vund2.ini"), first);
}

// Every file the program saves: a read-only one, or a disk that fills up
// half-way, asks Retry or Cancel naming the file (and the system's reason);
// neither leaves anything but the old file, nor is reported as saved. A
// parameter file's caller is told by the result alone.
TEST(SavingFiles, ARefusedWriteIsReportedAndLeavesTheOldFileWhole) {
  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi ui;
  ui.SetForceEnglish(true);
  SystemSettings settings(ui);
  VundData vund(ui);
  Registers regs;
  TIniFileManager params;
  const std::string old = "[Window]\r\nMainLeft=7\r\n[EcsSettings]\r\nRefresh1=a\r\nRefreshID1=1\r\n";
  const struct {
    const char* file;
    std::function<bool()> save;
    bool asks;
  } savers[] = {
      {"Vund2.ini", [&] { return settings.SaveSettings(); }, true},
      {"s.dat", [&] { return regs.SaveToFile("s.dat", false, ui); }, true},
      {"i.eep", [&] { return SaveLinesToFile(dir.File("i.eep"), std::vector<std::string>(9, "a longer line"), ui); },
       true},
      {"vund.dat", [&] { return vund.SaveRefreshList(); }, true},
      {"p.ini", [&] { return params.SaveToIniFile(dir.File("p.ini")); }, false},
  };
  ASSERT_TRUE(settings.LoadSettings());
  ST_REGISTER reg;
  reg.LongName = reg.ShortName = "A";
  regs.AddRegister(reg);
  params.LoadFromEditItems({{"B", 1, "x;y", "a longer value"}, {"C", 1, "", "and one more"}});
  for (const auto& s : savers) {
    SCOPED_TRACE(s.file);
    dir.Write(s.file, old);
    if (s.file == std::string("vund.dat")) {
      ASSERT_TRUE(vund.LoadVundData());
      for (int i = 0; i < 9; ++i) vund.SetRefreshEntry({"a longer name", 3 + i, 3}, 99);
    }
    if (s.asks) {
      ASSERT_TRUE(platform::SetReadOnly(dir.File(s.file), true));
      ui.ExpectMessage(0x15, platform::kIdRetry, "Fail to save " + dir.File(s.file));
      ui.ExpectMessage(0x15, platform::kIdCancel, "Fail to save");
      EXPECT_FALSE(s.save());
      EXPECT_EQ(dir.Read(s.file), old);
      ASSERT_TRUE(platform::SetReadOnly(dir.File(s.file), false));
      ui.ExpectMessage(0x15, platform::kIdRetry, "Fail to save " + dir.File(s.file) + "\r\nFile too large");
      ui.ExpectMessage(0x15, platform::kIdCancel, "File too large");
    }
    testing_support::FileSizeLimit full(old.size());
    EXPECT_FALSE(s.save());
    EXPECT_EQ(dir.Read(s.file), old);
  }
}

TEST(Language, FollowsTheSystemOnEveryCallUnlessEnglishIsForced) {
  testing_support::ScriptedUi ui;
  ScopedEnv ja("LC_ALL", "ja_JP.UTF-8");
  EXPECT_EQ(ui.GetLanguageId(), 17);
  ui.SetForceEnglish(true);
  EXPECT_EQ(ui.GetLanguageId(), 9);
  ScopedEnv de("LC_ALL", "de_DE");
  ui.SetForceEnglish(false);
  EXPECT_EQ(ui.GetLanguageId(), 7);
}

TEST(BitFields, ShiftAndExtractUnderAMask) {
  EXPECT_EQ(ShiftIntoMask(0x00F0, 0x15), 0x50);
  EXPECT_EQ(ExtractByMask(0x1234, 0x0F00), 2);
  EXPECT_EQ(ShiftIntoMask(0xFFFF, 0x12345), 0x2345);
  // No set bit among 0 to 15: the shift is 16.
  EXPECT_EQ(ShiftIntoMask(0, 0x7FFF), 0);
  EXPECT_EQ(ExtractByMask(-1, 0), 0);
  EXPECT_EQ(ExtractByMask(1 << 18, 1 << 18), 4);
  EXPECT_EQ(ShiftIntoMask(0x30000, 3), 0x30000);
  // The sign bit is copied.
  EXPECT_EQ(ExtractByMask(int(0x80000000u), int(0xFFFF0000u)), -32768);
  EXPECT_EQ(ShiftIntoMask(int(0xFFFF0000u), 0xFFFF), int(0xFFFF0000u));
}

TEST(PreciseDelay, WaitsTheWholeTimeOnA64BitClock) {
  // Far beyond the 32-bit millisecond range: no wrap.
  platform::VirtualClock clock;
  const uint64_t start = clock.NowUs();
  PreciseDelay(0xFFFFFFFFu, clock);
  EXPECT_EQ(clock.NowUs(), start + 0xFFFFFFFFull * 1000);
  // Never returns early on the real clock.
  platform::SteadyClock real;
  const uint64_t t0 = real.NowUs();
  PreciseDelay(2, real);
  EXPECT_GE(real.NowUs() - t0, 2000u);
}

}  // namespace
