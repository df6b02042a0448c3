#include "rules/inieditrules.h"

#include <gtest/gtest.h>

#include "link/baudrates.h"
#include "model/systemfunc.h"

namespace {

TIniProperty Row(const std::string& name, int method, const std::string& range, const std::string& value = "") {
  TIniProperty p;
  p.SetName(name);
  p.SetInputMethod(static_cast<uint8_t>(method));
  p.SetRange(range);
  p.SetValue(value);
  return p;
}

TEST(IniEditRules, EachInputMethodStoresItsValueOrNamesTheRowInItsError) {
  const char* const kNotKept =
      "[Free] : Input Error! : a line break, a blank at either end or enclosing quotes cannot be stored";
  struct Case {
    const char* name;
    int method;
    const char* range;
    const char* text;
    const char* result;  // the stored value, or the error text
  };
  const Case cases[] = {
      {"Level", imRangeInteger, "10;20", "9", "[Level] : Range ERROR! : 10 <= 9 <= 20"},
      {"Level", imRangeInteger, "10;20", "abc", "[Level] : Input Error!"},
      // Pick lists: an enumeration stores the index, a string list the text.
      {"COM Port", imSelectEnumerate, "COM 1;COM 2;COM 3", "com 2", "1"},
      {"COM Port", imSelectEnumerate, "COM 1;COM 2;COM 3", "COM 9", "[COM Port] : Select ERROR!"},
      // Nothing is taken that would read back otherwise from a parameter file.
      {"Free", imDirectString, "", "x\r\n[Evil]\r\nValue=1", kNotKept},
      {"Level", imRangeInteger, "10;20", "10 ", "[Level] : Input Error! : a line break, a blank at either end or enclosing quotes cannot be stored"},
      {"a]b", imDirectString, "", "x", "[a]b] : Name Error! : a line break, \"]\" or a blank at either end cannot be stored"},
      {"ゾーン", imDirectString, "", "x", "x"},  // a "]" byte inside a double-byte character
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.range + " <- " + c.text);
    std::string value, message;
    const bool ok = rules::CheckIniValue(Row(c.name, c.method, c.range), c.text, value, message, false);
    EXPECT_EQ(ok ? value : message, c.result);
  }
  std::string value, message;
  EXPECT_FALSE(rules::CheckIniValue(Row("a]b", imDirectString, "", "x"), "x", value, message, true));
  EXPECT_EQ(message, "[a]b] : Name Error! : 改行、\"]\"、両端の空白は保存できません");

  EXPECT_EQ(rules::DisplayText(Row("P", imSelectEnumerate, "a;b", "5")), "");
}

// The COM port dialog shows the stored indexes as their names and gives back
// the index of the name chosen, for every port and every rate; the rates are
// the line's own.
TEST(IniEditRules, TheComPortDialogMapsEveryPortAndRateBothWays) {
  const char* const rates[] = {"110",   "300",   "600",   "1200",   "2400",   "4800",   "9600",  "14400",
                               "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
  static_assert(sizeof rates / sizeof rates[0] == kBaudRateCount, "one name a rate");
  for (int i = 0; i < kBaudRateCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(BaudRateOfIndex(i), std::stoi(rates[i]));
    // Shown: the stored port and rate. Chosen: another port and rate by name.
    int port = i % 8, baud = i;
    const int newPort = (i + 3) % 8, newBaud = kBaudRateCount - 1 - i;
    std::vector<std::string> shown;
    const bool ok = rules::ChooseComPort(port, baud, [&](std::vector<STEditItem>& rows) {
      TIniFileManager list;
      list.LoadFromEditItems(rows);
      for (int k = 0; k < list.GetCount(); ++k) shown.push_back(rules::DisplayText(list.GetItem(k)));
      std::string message;
      const bool accepted = rules::AcceptIniEdits(list, {"COM " + std::to_string(newPort + 1), rates[newBaud]}, rows,
                                                  message, false);
      EXPECT_TRUE(accepted) << message;
      return accepted;
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(shown, (std::vector<std::string>{"COM " + std::to_string(i % 8 + 1), rates[i]}));
    EXPECT_EQ(port, newPort);
    EXPECT_EQ(baud, newBaud);
  }

  // COM9 has no name in the dialog: an empty cell that OK refuses, and a
  // cancelled dialog keeps the port and rate.
  int port = 8, baud = 6;
  std::string message;
  EXPECT_FALSE(rules::ChooseComPort(port, baud, [&](std::vector<STEditItem>& rows) {
    TIniFileManager list;
    list.LoadFromEditItems(rows);
    EXPECT_EQ(rules::DisplayText(list.GetItem(0)), "");
    return rules::AcceptIniEdits(list, {"", "9600"}, rows, message, false);
  }));
  EXPECT_EQ(message, "[COM Port] : Select ERROR!");
  EXPECT_EQ(port, 8);
  EXPECT_EQ(baud, 6);
}

}  // namespace
