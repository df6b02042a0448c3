#include "model/systemfunc.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "support/scoped_env.h"

using testing_support::ScopedHome;
using testing_support::ScriptedUi;
using testing_support::TempDir;

namespace {

using testing_support::ScopedEnv;

// The system language as the locale variables give it.
class ScopedLanguage {
 public:
  explicit ScopedLanguage(const char* lang) : all_("LC_ALL", lang), messages_("LC_MESSAGES", nullptr), lang_("LANG", nullptr) {}

 private:
  ScopedEnv all_, messages_, lang_;
};

// A scripted Ui that also records captions and can act after a message box.
class PromptUi : public ScriptedUi {
 public:
  int MessageBox(const std::string& caption, const std::string& text, int flags) override {
    captions.push_back(caption);
    int answer = ScriptedUi::MessageBox(caption, text, flags);
    if (afterMessage) afterMessage();
    return answer;
  }
  std::vector<std::string> captions;
  std::function<void()> afterMessage;
};

// Makes writes beyond a few bytes fail, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit r = old_;
    r.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &r);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_;
  sighandler_t oldHandler_;
};

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

class Settings : public ::testing::Test {
 protected:
  Settings() : home_(dir_.Path()), lang_("C") { SetForceEnglish(false); }
  std::string IniPath() const { return dir_.File("Vund2.ini"); }

  TempDir dir_;
  ScopedHome home_;
  ScopedLanguage lang_;
  PromptUi ui_;
};

}  // namespace

TEST_F(Settings, WithoutAFileTheDefaultsAreWrittenInOrderAndTheReadOnlyKeysLeftOut) {
  // The separators: a fifth of the screen width, just under seven tenths of its height.
  ui_.SetScreenSize(1024, 768);
  ASSERT_TRUE(LoadSettings());
  const int* r = GetMainWindowRect();
  EXPECT_EQ(std::vector<int>(r, r + 6), (std::vector<int>{0, 0, 1024, 768, 204, 537}));

  ui_.SetScreenSize(1920, 1080);
  LoadSettings();
  ASSERT_TRUE(SaveSettings());
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
             "FontStyle_Underline=1\r\nMsgFontStyle_Italic=2\r\n"
             "[Bus]\r\nComPort=12\r\nBaudRate=99\r\n");
  LoadSettings();
  const int* r = GetMainWindowRect();
  EXPECT_EQ(std::vector<int>(r, r + 4), (std::vector<int>{0, -3, 1920, 700}));
  int back, msgBack, sel;
  GetColors(back, msgBack, sel);
  EXPECT_EQ(back, 255);
  std::string font, msgFont;
  TFontStyles style = 0, msgStyle = 0;
  int size, msgSize, msgColor;
  GetFonts(font, style, size, msgFont, msgStyle, msgSize, msgColor);
  EXPECT_EQ(style, 1 << 2);
  EXPECT_EQ(msgStyle, 1 << 1);
  // Out-of-range indexes are kept as read; the link refuses them later.
  EXPECT_EQ(GetComPort(), 12);
  EXPECT_EQ(GetBaudRate(), 99);
}

TEST_F(Settings, ChangedValuesRoundTripAndStylesFollowTheirBits) {
  dir_.Write("Vund2.ini", "[Window]\r\nFontStyle_Underline=1\r\nFontStyle_Bold=0\r\n");
  LoadSettings();
  std::string font, msgFont;
  TFontStyles style = 0, msgStyle = 0;
  int size, msgSize, msgColor;
  GetFonts(font, style, size, msgFont, msgStyle, msgSize, msgColor);
  SetFonts("ＭＳ ゴシック", style, 11, "Courier", (1 << 0) | (1 << 3), 12, 0x123456);
  GetMainWindowRect()[0] = -5;  // callers adjust the geometry in place
  GetMainWindowRect()[5] = 600;
  SetColors(1, 2, 3);
  SetRegGridSizes(4, 5, 6);
  SetStatusGridSizes(7, 8, 9);
  SetTableGridSizes(10, 11);
  SetComPort(0);
  SetBaudRate(14);
  SetLastSregFile("日本語.dat");
  SetLastHregFile("h.dat");
  ASSERT_TRUE(SaveSettings());

  platform::IniFile ini(IniPath());
  EXPECT_EQ(ini.ReadString("Window", "FontStyle_Underline", ""), "1");
  EXPECT_EQ(ini.ReadString("Window", "MsgFontStyle_Bold", ""), "1");
  EXPECT_EQ(ini.ReadString("Window", "MsgFontStyle_StrikeOut", ""), "1");
  EXPECT_EQ(ini.ReadString("Window", "MsgFontColor", ""), "1193046");
  EXPECT_EQ(ini.ReadString("Window", "MainLeft", ""), "-5");

  SetMainWindowRect(0, 0, 0, 0, 0, 0);
  SetFonts("", 0, 0, "", 0, 0, 0);
  SetLastSregFile("");
  LoadSettings();
  const int* r = GetMainWindowRect();
  EXPECT_EQ(std::vector<int>(r, r + 6), (std::vector<int>{-5, 0, 1920, 1080, 384, 600}));
  style = msgStyle = 0;
  GetFonts(font, style, size, msgFont, msgStyle, msgSize, msgColor);
  EXPECT_EQ(font, "ＭＳ ゴシック");
  EXPECT_EQ(style, 1 << 2);
  EXPECT_EQ(msgStyle, (1 << 0) | (1 << 3));
  EXPECT_EQ(size, 11);
  EXPECT_EQ(msgSize, 12);
  int a, b, c;
  GetColors(a, b, c);
  EXPECT_EQ(std::vector<int>({a, b, c}), (std::vector<int>{1, 2, 3}));
  GetRegGridSizes(a, b, c);
  EXPECT_EQ(std::vector<int>({a, b, c}), (std::vector<int>{4, 5, 6}));
  GetStatusGridSizes(a, b, c);
  EXPECT_EQ(std::vector<int>({a, b, c}), (std::vector<int>{7, 8, 9}));
  GetTableGridSizes(a, b, c);
  EXPECT_EQ(std::vector<int>({a, b, c}), (std::vector<int>{10, 11, 100}));
  EXPECT_EQ(GetComPort(), 0);
  EXPECT_EQ(GetBaudRate(), 14);
  std::string s, h;
  GetLastRegFiles(s, h);
  EXPECT_EQ(s, "日本語.dat");
  EXPECT_EQ(h, "h.dat");
}

TEST_F(Settings, HandTypedKeysAndOtherLinesSurviveSaving) {
  const std::string bus = "[Bus]\r\n; our adapter\r\nProductCode=0x1234\r\nVenderID=5\r\nInEndPoint=3\r\nOutEndPoint=4\r\n";
  dir_.Write("Vund2.ini", "[Window]\r\nTableNameWidth=77\r\n" + bus + "[Ports]\r\nCOM1=/dev/ttyUSB0\r\n");
  for (int run = 0; run < 2; ++run) {
    LoadSettings();
    SetTableGridSizes(1, 2);
    ASSERT_TRUE(SaveSettings());
  }
  int vendor, product, in, out, a, b, nameWidth;
  GetUsbParams(vendor, product, in, out);
  EXPECT_EQ(std::vector<int>({vendor, product, in, out}), (std::vector<int>{5, 0x1234, 3, 4}));
  GetTableGridSizes(a, b, nameWidth);
  EXPECT_EQ(nameWidth, 77);

  const std::string text = dir_.Read("Vund2.ini");
  EXPECT_EQ(text.rfind("[Window]\r\nTableNameWidth=77\r\nMainLeft=0\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("[Bus]\r\n; our adapter\r\nProductCode=0x1234\r\nVenderID=5\r\nInEndPoint=3\r\nOutEndPoint=4\r\n"
                      "ComPort=1\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("[Ports]\r\nCOM1=/dev/ttyUSB0\r\n"), std::string::npos);
  EXPECT_EQ(platform::IniFile(IniPath()).ReadSections(), (std::vector<std::string>{"Window", "Bus", "Ports", "File"}));
}

TEST_F(Settings, TheFileIsFoundWithoutRegardToCase) {
  dir_.Write("VUND2.INI", "[Window]\r\nNameWidth=55\r\n");
  EXPECT_EQ(SettingsFilePath(), dir_.File("VUND2.INI"));
  LoadSettings();
  int a, b, c;
  GetRegGridSizes(a, b, c);
  EXPECT_EQ(a, 55);
  ASSERT_TRUE(SaveSettings());
  EXPECT_FALSE(platform::FileExists(IniPath()));
  EXPECT_NE(dir_.Read("VUND2.INI").find("NameHeight=20"), std::string::npos);
}

TEST_F(Settings, AReadOnlyFileIsLeftUntouchedUnlessRetryFindsItWritable) {
  const std::string before = "[Window]\r\nMainLeft=7\r\n";
  dir_.Write("Vund2.ini", before);
  ASSERT_EQ(chmod(IniPath().c_str(), 0444), 0);
  LoadSettings();
  SetComPort(5);
  ui_.ExpectMessage(0x15, platform::kIdCancel, "Fail to save " + IniPath());
  EXPECT_FALSE(SaveSettings());
  EXPECT_EQ(ui_.captions, (std::vector<std::string>{"ERROR"}));
  EXPECT_EQ(dir_.Read("Vund2.ini"), before);
  EXPECT_EQ(ModeOf(IniPath()), 0444u);
  EXPECT_EQ(GetComPort(), 5);
  {
    // Any answer but Retry abandons the save; in Japanese the text is Japanese.
    ScopedLanguage ja("ja_JP.UTF-8");
    ui_.ExpectMessage(0x15, platform::kIdOk, "ファイル " + IniPath() + " に書き込めません");
    EXPECT_FALSE(SaveSettings());
    EXPECT_EQ(dir_.Read("Vund2.ini"), before);
  }
  // Retry checks again: the second one finds the file writable.
  int prompts = 0;
  ui_.afterMessage = [&] {
    if (++prompts == 2) chmod(IniPath().c_str(), 0640);
  };
  ui_.ExpectMessage(0x15, platform::kIdRetry).ExpectMessage(0x15, platform::kIdRetry);
  EXPECT_TRUE(SaveSettings());
  EXPECT_EQ(prompts, 2);
  EXPECT_NE(dir_.Read("Vund2.ini").find("ComPort=5"), std::string::npos);
  EXPECT_EQ(ModeOf(IniPath()), 0640u);
}

TEST_F(Settings, ARefusedWriteThrowsAndLeavesTheOldFileWhole) {
  const std::string before = "[Window]\r\nMainLeft=7\r\n[Other]\r\nx=1\r\n";
  dir_.Write("Vund2.ini", before);
  LoadSettings();
  {
    FileSizeLimit full(16);
    EXPECT_THROW(SaveSettings(), platform::IniFileError);
  }
  EXPECT_EQ(dir_.Read("Vund2.ini"), before);

  ScopedHome nowhere(dir_.File("no/such/folder"));
  EXPECT_THROW(SaveSettings(), platform::IniFileError);
}

// ---- Language and message box ----

TEST(Language, FollowsTheSystemOnEveryCallUnlessEnglishIsForced) {
  SetForceEnglish(false);
  {
    ScopedLanguage ja("ja_JP.UTF-8");
    EXPECT_EQ(GetLanguageId(), 17);
    EXPECT_TRUE(IsJapanese());
  }
  {
    ScopedLanguage en("en_US.UTF-8");
    EXPECT_EQ(GetLanguageId(), 9);
    EXPECT_FALSE(IsJapanese());
  }
  ScopedLanguage ja("ja_JP");
  SetForceEnglish(true);
  EXPECT_EQ(GetLanguageId(), 9);
  EXPECT_FALSE(IsJapanese());
  SetForceEnglish(false);
}

TEST(Language, MessageBoxShowsOnePairAndReturnsTheButton) {
  SetForceEnglish(false);
  PromptUi ui;
  {
    ScopedLanguage ja("ja_JP.UTF-8");
    ui.ExpectMessage(0x23, platform::kIdYes, "保存しますか");
    EXPECT_EQ(ShowMessageBoxJE("確認", "保存しますか", "Confirmation", "Save?", 0x23), platform::kIdYes);
  }
  {
    ScopedLanguage de("de_DE");
    ui.ExpectMessage(0x24, platform::kIdNo, "Save?");
    EXPECT_EQ(ShowMessageBoxJE("確認", "保存しますか", "Confirmation", "Save?", 0x24), platform::kIdNo);
  }
  EXPECT_EQ(ui.captions, (std::vector<std::string>{"確認", "Confirmation"}));
  EXPECT_EQ(ui.Shown(), (std::deque<std::string>{"保存しますか", "Save?"}));
}

// ---- Bit fields and delay ----

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
  PreciseDelay(25, clock);
  EXPECT_EQ(clock.NowUs(), start + 25000);
  // Far beyond the 32-bit millisecond range: no wrap.
  PreciseDelay(0xFFFFFFFFu, clock);
  EXPECT_EQ(clock.NowUs(), start + 25000 + 0xFFFFFFFFull * 1000);

  // Never returns early on the real clock.
  platform::Clock& real = platform::SystemClock();
  const uint64_t t0 = real.NowUs();
  PreciseDelay(2);
  EXPECT_GE(real.NowUs() - t0, 2000u);
}
