#include "model/systemfunc.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "support/scoped_env.h"
#include "support/scripted_ui.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

using testing_support::ScopedEnv;

namespace {

// The system language as the locale variables give it.
class ScopedLanguage {
 public:
  explicit ScopedLanguage(const char* lang) : all_("LC_ALL", lang), messages_("LC_MESSAGES", nullptr), lang_("LANG", nullptr) {}

 private:
  ScopedEnv all_, messages_, lang_;
};

// A scripted Ui that also records captions and can act after a message box.
class PromptUi : public testing_support::ScriptedUi {
 public:
  int MessageBox(const std::string& caption, const std::string& text, int flags) override {
    captions.push_back(caption);
    const int answer = ScriptedUi::MessageBox(caption, text, flags);
    if (afterMessage) afterMessage();
    return answer;
  }
  std::vector<std::string> captions;
  std::function<void()> afterMessage;
};

class Settings : public ::testing::Test {
 protected:
  std::string IniPath() const { return dir_.File("Vund2.ini"); }

  testing_support::TempDir dir_;
  testing_support::ScopedHome home_{dir_.Path()};
  ScopedLanguage lang_{"C"};
  PromptUi ui_;
  SystemSettings settings_{ui_};
};

TEST_F(Settings, WithoutAFileTheDefaultsAreWrittenInOrderAndTheReadOnlyKeysLeftOut) {
  // The separators: a fifth of the screen width, just under seven tenths of its height.
  ui_.SetScreenSize(1024, 768);
  ASSERT_TRUE(settings_.LoadSettings());
  const int* r = settings_.GetMainWindowRect();
  EXPECT_EQ(std::vector<int>(r, r + 6), (std::vector<int>{0, 0, 1024, 768, 204, 537}));

  ui_.SetScreenSize(1920, 1080);
  settings_.LoadSettings();
  ASSERT_TRUE(settings_.SaveSettings());
  EXPECT_EQ(dir_.Read("Vund2.ini"),
            "[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainWidth=1920\r\nMainHeight=1080\r\n"
            "StatusWindowSeparator=384\r\nMemoWindowSeparator=755\r\n"
            "BackColor=12632256\r\nMsgBackColor=0\r\nSelRegBackColor=8421504\r\nFontName=Arial\r\nFontSize=9\r\n"
            "FontStyle_Bold=0\r\nFontStyle_Italic=0\r\nFontStyle_Underline=0\r\nFontStyle_StrikeOut=0\r\n"
            "MsgFontName=@ＭＳ Ｐゴシック\r\nMsgFontSize=9\r\nMsgFontStyle_Bold=0\r\nMsgFontStyle_Italic=0\r\n"
            "MsgFontStyle_Underline=0\r\nMsgFontStyle_StrikeOut=0\r\nMsgFontColor=65280\r\n"
            "NameWidth=140\r\nValueWidth=40\r\nNameHeight=20\r\n"
            "StatusNameWidth=150\r\nStatusValueWidth=30\r\nStatusNameHeight=24\r\n"
            "TableValWidth=30\r\nTableNameHeight=24\r\n"
            "[File]\r\nLastSregFile=Sreg.dat\r\nLastHregFile=Hreg.dat\r\n"
            "[Bus]\r\nComPort=1\r\nBaudRate=9\r\nECSType=2\r\nBusPhysicalLayer=0\r\n");
}

TEST_F(Settings, StoredValuesZeroSizesAndIndexesOutOfRange) {
  dir_.Write("Vund2.ini",
             "[window]\r\nmainwidth=0\r\nMainLeft=0\r\nMainTop=-3\r\nMainHeight=700\r\nBackColor=0xFF\r\n"
             "FontStyle_Underline=1\r\nMsgFontStyle_Italic=2\r\n[Bus]\r\nComPort=12\r\nBaudRate=99\r\n");
  settings_.LoadSettings();
  const int* r = settings_.GetMainWindowRect();
  EXPECT_EQ(std::vector<int>(r, r + 4), (std::vector<int>{0, -3, 1920, 700}));
  int back, msgBack, sel, size, msgSize, msgColor;
  settings_.GetColors(back, msgBack, sel);
  EXPECT_EQ(back, 255);
  std::string font, msgFont;
  TFontStyles style = 0, msgStyle = 0;
  settings_.GetFonts(font, style, size, msgFont, msgStyle, msgSize, msgColor);
  EXPECT_EQ(style, 1 << 2);
  EXPECT_EQ(msgStyle, 1 << 1);
  // Out-of-range indexes are kept as read; the link refuses them later.
  EXPECT_EQ(settings_.GetComPort(), 12);
  EXPECT_EQ(settings_.GetBaudRate(), 99);
}

TEST_F(Settings, EveryValueReadsBackUnderItsOwnKey) {
  // Distinct values everywhere, so a value stored or read under another key shows.
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
  EXPECT_EQ(platform::IniFile(IniPath()).ReadString("Window", "MsgFontStyle_StrikeOut", ""), "1");

  settings_.SetMainWindowRect(0, 0, 0, 0, 0, 0);
  settings_.SetFonts("", 0, 0, "", 0, 0, 0);
  settings_.SetLastSregFile("");
  settings_.LoadSettings();
  const int* r = settings_.GetMainWindowRect();
  std::vector<int> got(r, r + 6);
  int a, b, c, size, msgSize, msgColor;
  settings_.GetColors(a, b, c);
  got.insert(got.end(), {a, b, c});
  settings_.GetRegGridSizes(a, b, c);
  got.insert(got.end(), {a, b, c});
  settings_.GetStatusGridSizes(a, b, c);
  got.insert(got.end(), {a, b, c});
  settings_.GetTableGridSizes(a, b, c);
  got.insert(got.end(), {a, b, c, settings_.GetComPort(), settings_.GetBaudRate()});
  EXPECT_EQ(got, (std::vector<int>{-5, 1, 2, 3, 4, 600, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 100, 0, 14}));
  std::string font, msgFont, s, h;
  TFontStyles style = 0, msgStyle = 0;
  settings_.GetFonts(font, style, size, msgFont, msgStyle, msgSize, msgColor);
  EXPECT_EQ(font + "|" + msgFont, "ＭＳ ゴシック|Courier");
  EXPECT_EQ((std::vector<int>{style, msgStyle, size, msgSize, msgColor}), (std::vector<int>{4, 9, 11, 12, 0x123456}));
  settings_.GetLastRegFiles(s, h);
  EXPECT_EQ(s + "|" + h, "日本語.dat|h.dat");
}

TEST_F(Settings, HandTypedKeysAndOtherLinesSurviveSavingAndTheFileIsFoundWithoutRegardToCase) {
  const std::string bus = "[Bus]\r\n; our adapter\r\nProductCode=0x1234\r\nVenderID=5\r\nInEndPoint=3\r\nOutEndPoint=4\r\n";
  dir_.Write("VUND2.INI", "[Window]\r\nTableNameWidth=77\r\n" + bus + "[Ports]\r\nCOM1=/dev/ttyUSB0\r\n");
  EXPECT_EQ(SettingsFilePath(), dir_.File("VUND2.INI"));
  for (int run = 0; run < 2; ++run) {
    settings_.LoadSettings();
    settings_.SetTableGridSizes(1, 2);
    ASSERT_TRUE(settings_.SaveSettings());
  }
  int vendor, product, in, out, a, b, nameWidth;
  settings_.GetUsbParams(vendor, product, in, out);
  EXPECT_EQ(std::vector<int>({vendor, product, in, out}), (std::vector<int>{5, 0x1234, 3, 4}));
  settings_.GetTableGridSizes(a, b, nameWidth);
  EXPECT_EQ(nameWidth, 77);
  EXPECT_FALSE(platform::FileExists(IniPath()));
  const std::string text = dir_.Read("VUND2.INI");
  EXPECT_EQ(text.rfind("[Window]\r\nTableNameWidth=77\r\nMainLeft=0\r\n", 0), 0u) << text;
  EXPECT_NE(text.find(bus + "ComPort=1\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[Ports]\r\nCOM1=/dev/ttyUSB0\r\n"), std::string::npos);
  EXPECT_EQ(platform::IniFile(dir_.File("VUND2.INI")).ReadSections(), (std::vector<std::string>{"Window", "Bus", "Ports", "File"}));
}

TEST_F(Settings, AReadOnlyFileIsLeftUntouchedUnlessRetryFindsItWritableAndARefusedWriteThrows) {
  const std::string before = "[Window]\r\nMainLeft=7\r\n";
  dir_.Write("Vund2.ini", before);
  ASSERT_EQ(chmod(IniPath().c_str(), 0444), 0);
  settings_.LoadSettings();
  settings_.SetComPort(5);
  ui_.ExpectMessage(0x15, platform::kIdCancel, "Fail to save " + IniPath());
  EXPECT_FALSE(settings_.SaveSettings());
  EXPECT_EQ(ui_.captions, (std::vector<std::string>{"ERROR"}));
  {
    // Any answer but Retry abandons the save; in Japanese the text is Japanese.
    ScopedLanguage ja("ja_JP.UTF-8");
    ui_.ExpectMessage(0x15, platform::kIdOk, "ファイル " + IniPath() + " に書き込めません");
    EXPECT_FALSE(settings_.SaveSettings());
  }
  EXPECT_EQ(dir_.Read("Vund2.ini"), before);
  // Retry checks again: the second one finds the file writable.
  int prompts = 0;
  ui_.afterMessage = [&] {
    if (++prompts == 2) chmod(IniPath().c_str(), 0640);
  };
  ui_.ExpectMessage(0x15, platform::kIdRetry).ExpectMessage(0x15, platform::kIdRetry);
  EXPECT_TRUE(settings_.SaveSettings());
  EXPECT_NE(dir_.Read("Vund2.ini").find("ComPort=5"), std::string::npos);
  struct stat st;
  ASSERT_EQ(stat(IniPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // A full disk: the old file stays whole.
  const std::string saved = dir_.Read("Vund2.ini");
  settings_.SetComPort(6);
  {
    testing_support::FileSizeLimit full(16);
    EXPECT_THROW(settings_.SaveSettings(), platform::IniFileError);
  }
  EXPECT_EQ(dir_.Read("Vund2.ini"), saved);
  testing_support::ScopedHome nowhere(dir_.File("no/such/folder"));
  EXPECT_THROW(settings_.SaveSettings(), platform::IniFileError);
}

TEST(Language, FollowsTheSystemOnEveryCallUnlessEnglishIsForcedAndTheBoxShowsOnePair) {
  PromptUi ui;
  {
    ScopedLanguage ja("ja_JP.UTF-8");
    EXPECT_EQ(ui.GetLanguageId(), 17);
    EXPECT_TRUE(ui.IsJapanese());
    ui.ExpectMessage(0x23, platform::kIdYes, "保存しますか");
    EXPECT_EQ(ui.ShowMessageBoxJE("確認", "保存しますか", "Confirmation", "Save?", 0x23), platform::kIdYes);
    ui.SetForceEnglish(true);
    EXPECT_EQ(ui.GetLanguageId(), 9);
    ui.SetForceEnglish(false);
  }
  ScopedLanguage de("de_DE");
  EXPECT_EQ(ui.GetLanguageId(), 7);
  ui.ExpectMessage(0x24, platform::kIdNo, "Save?");
  EXPECT_EQ(ui.ShowMessageBoxJE("確認", "保存しますか", "Confirmation", "Save?", 0x24), platform::kIdNo);
  EXPECT_EQ(ui.captions, (std::vector<std::string>{"確認", "Confirmation"}));
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
  platform::VirtualClock clock;
  const uint64_t start = clock.NowUs();
  PreciseDelay(0, clock);
  EXPECT_EQ(clock.NowUs(), start);
  // Far beyond the 32-bit millisecond range: no wrap.
  PreciseDelay(0xFFFFFFFFu, clock);
  EXPECT_EQ(clock.NowUs(), start + 0xFFFFFFFFull * 1000);
  // Never returns early on the real clock.
  platform::SteadyClock real;
  const uint64_t t0 = real.NowUs();
  PreciseDelay(2, real);
  EXPECT_GE(real.NowUs() - t0, 2000u);
}

}  // namespace
