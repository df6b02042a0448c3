// The system and bus modules' built-ins called with argument cells, as the
// prelude's wrappers call them.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <vector>

#include "platform/convert.h"
#include "script/builtins/busbuiltins.h"
#include "script/builtins/sysbuiltins.h"
#include "script/builtins/sysfiles.h"
#include "scripthost_recording.h"
#include "support/file_size_limit.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace {

using namespace builtins_test;

TEST(SystemBuiltins, SubStringSearchAndWildcardsCutAtTheEndsAndWorkOnWholeCharacters) {
  EXPECT_EQ(StrSubString("abcdef", 2, 10) + "|" + StrSubString("abcdef", 6, 1) + "|" + StrSubString("abcdef", 1, 0) + "|" +
                StrSubString("abcdef", -2, 3) + "|" + StrSubString("abcdef", -2, 100) + "|" + StrSubString("abcdef", 2, 2147483647),
            "cdef|||abc|abcdef|cdef");  // the last without an overflow of start + n
  // "表" is 0x95 0x5C: its second byte is a backslash that must not be found.
  EXPECT_EQ((std::vector<int>{StrSearch("abcabc", 3, "c"), StrSearch("abcabc", 6, "c"), StrSearch("abcabc", 7, "c"),
                              StrSearch("abcabc", -1, "c"), StrSearch("abc", 0, ""), StrSearch("表\\", 0, "\\"),
                              StrSearch("ア表", 0, "表")}),
            (std::vector<int>{5, -1, -1, -1, -1, 2, 2}));
  EXPECT_EQ((std::vector<bool>{WildcardMatch("*.*", "noext"), WildcardMatch("?.txt", "表.txt"),
                               WildcardMatch("??.txt", "表.txt"), WildcardMatch("*b*", "abc"), WildcardMatch("*.txt", "a.dat")}),
            (std::vector<bool>{true, true, false, true, false}));
}

// Dates and times as the locale's desktop writes them, with no time zone.
TEST(SystemBuiltins, DateAndTimeFollowTheLocaleOfLcAllLcTimeOrLang) {
  auto at = [](int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900, tm.tm_mon = month - 1, tm.tm_mday = day;
    tm.tm_hour = hour, tm.tm_min = minute, tm.tm_sec = second, tm.tm_isdst = -1;
    return std::mktime(&tm);
  };
  const std::time_t morning = at(2026, 12, 7, 6, 15, 43), evening = at(2009, 1, 2, 18, 5, 9);
  const std::time_t midnight = at(2026, 12, 7, 0, 0, 0), noon = at(2026, 12, 7, 12, 30, 0);
  auto both = [](std::time_t t, const std::string& locale) { return DateString(t, locale) + " " + TimeString(t, locale); };
  EXPECT_EQ((std::vector<std::string>{both(morning, "ja_JP.UTF-8"), both(morning, "en_US.UTF-8"), both(evening, "en_US"),
                                      both(midnight, "en"), both(noon, "en_US.ISO-8859-1"), both(evening, "C"),
                                      both(morning, "POSIX"), both(morning, ""), both(evening, "ja_JP.eucJP")}),
            (std::vector<std::string>{"2026/12/07 6:15:43", "12/7/26 6:15:43 AM", "1/2/09 6:05:09 PM",
                                      "12/7/26 12:00:00 AM", "12/7/26 12:30:00 PM", "2009/01/02 18:05:09",
                                      "2026/12/07 6:15:43", "2026/12/07 6:15:43", "2009/01/02 18:05:09"}));
  using testing_support::ScopedEnv;
  ScopedEnv all("LC_ALL", nullptr), time("LC_TIME", "en_US.UTF-8"), lang("LANG", "ja_JP.UTF-8");
  EXPECT_EQ(TimeLocaleName(), "en_US.UTF-8");
  {
    ScopedEnv set("LC_ALL", "C");
    EXPECT_EQ(TimeLocaleName(), "C");
  }
  ScopedEnv unset("LC_TIME", "");
  EXPECT_EQ(TimeLocaleName(), "ja_JP.UTF-8");
}

// The rest of the system module: cases/builtins.jsc and files.jsc.
TEST(SystemBuiltins, ConfirmedDialogsAndAStoppedSleep) {
  TestEnv env;
  env.host.answer = kScriptDlgOk;
  CompileScript(env.exe, "func main(a&, n) { var v, i; v = \"s\"; print(sysInput(\"n?\", sysINTEGER, v), typeof v, v, "
                         "sysSelect(\"pick\", \"a\\r\\nb\\r\\nc\", i), i, sysMessage(\"go\", 0x52)); }");
  EXPECT_EQ(env.exe.RunHere(), 0);
  EXPECT_EQ(WindowText(env.host.window), "0031020");
  // A stop ends a long sleep.
  env.exe.Stop();
  EXPECT_EQ(Call(env, 1002, Args().Int(600000)), 0);
}

// The input box opens on what the variable holds, in the kind asked for, so
// Enter keeps it.
TEST(SystemBuiltins, InputOpensOnTheVariablesValueInTheKindAskedForAndEnterKeepsIt) {
  auto cell = [](std::uint8_t kind, std::int32_t i, double f, const std::string& s) {
    TStackData c;
    c.kind = kind, c.ival = i, c.fval = f, c.sval = s;
    return c;
  };
  // Each value as the box shows it: the number, the text, or "blank".
  auto shown = [&](const TStackData& c, int option) {
    const ScriptInputValue v = InitialInputValue(c, option);
    if (v.blank) return std::string("blank");
    if (option == 0) return std::to_string(v.integer);
    if (option == 1) return platform::Format("%g", v.floating);
    return v.text;
  };
  const TStackData seven = cell(dtInteger, 7, 0, ""), real = cell(dtFloating, 0, -2.75, "");
  EXPECT_EQ((std::vector<std::string>{shown(seven, 0), shown(seven, 1), shown(seven, 2), shown(real, 0), shown(real, 1),
                                      shown(real, 2)}),
            (std::vector<std::string>{"7", "7", "7", "-2", "-2.75", "-2.75"}));
  EXPECT_EQ((std::vector<std::string>{shown(cell(dtString, 0, 0, " 0x1F"), 0), shown(cell(dtString, 0, 0, "1.5"), 0),
                                      shown(cell(dtString, 0, 0, "abc"), 0), shown(cell(dtString, 0, 0, "1.5e1"), 1),
                                      shown(cell(dtString, 0, 0, "12a"), 1), shown(cell(dtString, 0, 0, "1e999"), 1),
                                      shown(cell(dtString, 0, 0, "初期"), 2)}),
            (std::vector<std::string>{"31", "blank", "blank", "15", "blank", "blank", "初期"}));

  TestEnv env;
  env.host.answer = kScriptDlgOk;
  env.host.keepInput = true;
  CompileScript(env.exe, "func main(a&, n) { var v, s; v = 69; s = \"初期\"; print(sysInput(\"b?\", sysINTEGER, v), v, "
                         "sysInput(\"s?\", sysSTRING, s), s, sysInput(\"f?\", sysFLOATING, v), typeof v, v); }");
  EXPECT_EQ(env.exe.RunHere(), 0);
  EXPECT_EQ(WindowText(env.host.window), "0690初期0169.000000");
  ASSERT_EQ(env.host.inputs.size(), 3u);
  EXPECT_EQ(env.host.inputs[1].text, "初期");
  EXPECT_EQ(env.host.inputs[2].floating, 69.0);
}

// A folder copy with progress shows "Dir Copy..." from none to all of its
// files and closes it when done, failed or stopped; without, nothing shows.
TEST(SystemBuiltins, DirCopyShowsItsProgressAndClosesItHoweverTheCopyEnds) {
  testing_support::TempDir dir;
  std::filesystem::create_directories(dir.File("src/sub/deeper"));
  for (const char* f : {"src/a.txt", "src/b.txt", "src/sub/c.txt", "src/sub/deeper/d.txt"}) dir.Write(f, f);
  TestEnv env;
  auto dirCopy = [&](int id, const std::string& dest, int progress) {
    return Call(env, id, Args().Str(dir.File(dest)).Str(dir.File("src")).Int(progress));
  };
  auto progress = [&] {
    std::vector<std::string> p;
    std::swap(p, env.host.progress);
    return p;
  };
  EXPECT_EQ(dirCopy(1044, "quiet", 0), 0);
  EXPECT_EQ(progress(), std::vector<std::string>{});
  EXPECT_EQ(dirCopy(1044, "shown", 1), 0);
  EXPECT_TRUE(CompareDirs(dir.File("src"), dir.File("shown")));
  std::vector<std::string> p = progress();
  ASSERT_GE(p.size(), 3u);
  EXPECT_EQ(p.front(), "Dir Copy... 0/4");
  EXPECT_EQ(p[p.size() - 2], "Dir Copy... 4/4");
  EXPECT_EQ(p.back(), "closed");
  EXPECT_EQ(dirCopy(1045, "shown", 1), 0);
  EXPECT_EQ(progress().back(), "closed");
  // Into itself: refused before anything is made or shown.
  EXPECT_EQ(dirCopy(1044, "src/sub/inner", 1), -1);
  EXPECT_EQ(progress(), std::vector<std::string>{});
  EXPECT_FALSE(std::filesystem::exists(dir.File("src/sub/inner")));
  // A stop as the window comes up ends the copy after one file at most.
  env.host.onProgress = [&] { env.exe.Stop(); };
  EXPECT_EQ(dirCopy(1044, "stopped", 1), -1);
  EXPECT_EQ(progress(), (std::vector<std::string>{"Dir Copy... 0/4", "closed"}));
  EXPECT_FALSE(CompareDirs(dir.File("src"), dir.File("stopped")));
}

// A disk that fills up half-way: the script gets 1, the log the file and why.
TEST(SystemBuiltins, AFailedWindowSaveIsLoggedWithTheFileAndTheReason) {
  testing_support::TempDir dir;
  TestEnv env;
  CompileScript(env.exe, "func main(a&, n) { print(\"" + std::string(100, 'x') + "\\n\"); print(winSaveScreenAsFile(\"" +
                             dir.File("out.txt") + "\")); }");
  {
    testing_support::FileSizeLimit full(50);
    EXPECT_EQ(env.exe.RunHere(), 0);
  }
  EXPECT_EQ(WindowText(env.host.window), std::string(100, 'x') + "\n1");
  EXPECT_EQ(env.host.messages, std::vector<std::string>{dir.File("out.txt") + ": File too large"});
}

// ---- The bus module with hooks (without: cases/builtins.jsc) ----

TEST(BusBuiltins, HooksDecideFailuresLeaveTheDataAndLengthsStayInsideTheArrays) {
  TestEnv env;
  TBusHooks& hooks = env.host.BusHooks();
  std::string sent;  // each frame's bytes in hex, then ";"
  hooks.ecs = [&](int* cmmd, int cmmdLen, int* ans, int ansLen, int) {
    for (int i = 0; i < cmmdLen; ++i) sent += platform::Format("%02x", cmmd[i]);
    sent += ";";
    for (int i = 0; i < ansLen; ++i) ans[i] = 0xA0 + i;
    return 7;
  };
  hooks.busReadReg = [](int, int*) { return 1; };
  hooks.iicRead = [](int, int, uint16_t slave, int, uint8_t* data, int n) {
    for (int i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(slave + i);
    return 0;
  };
  // Not hex bytes; a command text; the lengths past the script's arrays never
  // reach the hook; a failed read leaves the variable; the slave goes as 16
  // bits (0x1FF + 1 kept to a byte).
  CompileScript(env.exe,
                "func main(a&, n) { var r[3], c[2], v, b[2]; v = 5; c[0] = 0xF1; c[1] = 2;"
                "print(ecsSendCommandStr(\"G0\", r, 3, 0), ecsSendCommandStr(\"F01\", r, 2, 1), r[1], \" \");"
                "print(ecsSendCommandStr(\"F0 12 ab\", r, 0, 0), ecsSendCommand(c, 2, r, 3, 0), r[2], \" \");"
                "print(ecsSendCommand(c, 3, r, 3, 0), ecsSendCommandStr(\"F0\", r, 4, 0), iicRead(0, 1, 0, 0, b, 3));"
                "print(\" \", busReadReg(1, v), v, iicRead(0, 1, 0x1FF, 0, b, 2), b[1]); return 0; }");
  EXPECT_EQ(env.exe.RunHere(), 0);
  EXPECT_EQ(WindowText(env.host.window), "17161 77162 -1-1-1 1500");
  EXPECT_EQ(sent, "f0;f012ab;f102;");
}

}  // namespace
