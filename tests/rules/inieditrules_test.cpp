#include "rules/inieditrules.h"

#include <gtest/gtest.h>

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

}  // namespace
