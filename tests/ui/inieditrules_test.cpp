#include "ui/inieditrules.h"

#include <gtest/gtest.h>

#include "model/systemfunc.h"
#include "support/temp_dir.h"

namespace {

TIniProperty Row(const std::string& name, int method, const std::string& range, const std::string& value = "") {
  TIniProperty p;
  p.SetName(name);
  p.SetInputMethod(static_cast<uint8_t>(method));
  p.SetRange(range);
  p.SetValue(value);
  return p;
}

// The stored value, or the error text.
std::string Check(const TIniProperty& p, const std::string& text) {
  std::string value, message;
  return ui::CheckIniValue(p, text, value, message) ? value : message;
}

TEST(IniEditRules, RangeRowsRefuseValuesOutsideTheirBounds) {
  const TIniProperty i = Row("Level", imRangeInteger, "10;20");
  EXPECT_EQ(Check(i, "9"), "[Level] : Range ERROR! : 10 <= 9 <= 20");
  EXPECT_EQ(Check(i, "21"), "[Level] : Range ERROR! : 10 <= 21 <= 20");
  EXPECT_EQ(Check(i, "10"), "10");
  EXPECT_EQ(Check(i, "0x14"), "0x14");
  EXPECT_EQ(Check(i, "abc"), "[Level] : Input Error!");

  const TIniProperty neg = Row("Offset", imRangeInteger, "-5;5");
  EXPECT_EQ(Check(neg, "-5"), "-5");
  EXPECT_EQ(Check(neg, "-6"), "[Offset] : Range ERROR! : -5 <= -6 <= 5");

  const TIniProperty u = Row("ID", imRangeUnsigned, "0;0xFFFFFFFF");
  EXPECT_EQ(Check(u, "0xFFFFFFFF"), "0xFFFFFFFF");
  const TIniProperty mask = Row("Mask", imRangeUnsigned, "1;0xFFFF");
  EXPECT_EQ(Check(mask, "0"), "[Mask] : Range ERROR! : 1 <= 0 <= 65535");
  // Unsigned: -1 is 0xFFFFFFFF, above the bound.
  EXPECT_EQ(Check(mask, "-1"), "[Mask] : Range ERROR! : 1 <= -1 <= 65535");

  const TIniProperty d = Row("Gain", imRangeDouble, "0.5;1.5");
  EXPECT_EQ(Check(d, "1.5"), "1.5");
  EXPECT_EQ(Check(d, "2"), "[Gain] : Range ERROR! : 0.500000 <= 2 <= 1.500000");
  EXPECT_EQ(Check(Row("Gain", imRangeDouble, "x;1"), "1"), "[Gain] : Input Error!");
}

TEST(IniEditRules, EmptyRangeAcceptsOnlyZero) {
  for (int method : {imRangeInteger, imRangeUnsigned, imRangeDouble}) {
    const TIniProperty p = Row("N", method, "");
    EXPECT_EQ(Check(p, "0"), "0") << method;
    EXPECT_NE(Check(p, "1"), "1") << method;
  }
}

TEST(IniEditRules, PickListsAndDirectNumbers) {
  const TIniProperty e = Row("COM Port", imSelectEnumerate, "COM 1;COM 2;COM 3", "2");
  EXPECT_EQ(ui::DisplayText(e), "COM 3");
  EXPECT_EQ(Check(e, "COM 3"), "2");
  EXPECT_EQ(Check(e, "com 2"), "1");
  EXPECT_EQ(Check(e, "COM 9"), "[COM Port] : Select ERROR!");
  EXPECT_EQ(ui::DisplayText(Row("P", imSelectEnumerate, "a;b", "5")), "");
  EXPECT_EQ(ui::DisplayText(Row("P", imSelectEnumerate, "a;b", "x")), "");

  const TIniProperty s = Row("Mode", imSelectString, "Fast;Slow");
  EXPECT_EQ(Check(s, "slow"), "slow");
  EXPECT_EQ(Check(s, ""), "[Mode] : Select ERROR!");

  const TIniProperty n = Row("Count", imDirectInteger, "");
  EXPECT_EQ(Check(n, "0x10"), "16");
  EXPECT_EQ(Check(n, "abc"), "[Count] : Input Error!");
  const TIniProperty f = Row("Ratio", imDirectDouble, "");
  EXPECT_EQ(Check(f, "2.50"), "2.5");
  EXPECT_EQ(Check(f, "1e20"), "1E20");
  EXPECT_EQ(Check(f, "x"), "[Ratio] : Input Error!");
  EXPECT_EQ(Check(Row("Free", imDirectString, ""), "any thing"), "any thing");
  EXPECT_EQ(Check(Row("Other", 10, "a;b"), "zz"), "zz");
}

TEST(IniEditRules, FirstFailingRowStopsAndNothingIsStored) {
  std::vector<STEditItem> rows = {{"A", imRangeInteger, "0;10", "1"}, {"B", imRangeInteger, "0;10", "2"},
                                  {"C", imDirectInteger, "", "3"}};
  TIniFileManager list;
  list.LoadFromEditItems(rows);
  std::string message;
  EXPECT_FALSE(ui::AcceptIniEdits(list, {"5", "11", "x"}, rows, message));
  EXPECT_EQ(message, "[B] : Range ERROR! : 0 <= 11 <= 10");
  EXPECT_EQ(rows[0].Value, "1");

  EXPECT_TRUE(ui::AcceptIniEdits(list, {"5", "10", "0x20"}, rows, message));
  EXPECT_EQ(rows[0].Value, "5");
  EXPECT_EQ(rows[1].Value, "10");
  EXPECT_EQ(rows[2].Value, "32");
}

TEST(IniEditRules, ComPortRowsFollowTheSettings) {
  testing_support::TempDir dir;
  testing_support::ScopedHome home(dir.Path());
  dir.Write("Vund2.ini", "[Bus]\r\nComPort=8\r\nBaudRate=12\r\n");
  LoadSettings();
  std::vector<STEditItem> rows = ui::ComPortRows();
  ASSERT_EQ(rows.size(), 2u);
  TIniFileManager list;
  list.LoadFromEditItems(rows);
  // COM9 is not among the choices: the cell is empty and OK is refused.
  EXPECT_EQ(ui::DisplayText(list.GetItem(0)), "");
  EXPECT_EQ(ui::DisplayText(list.GetItem(1)), "115200");
  std::string message;
  EXPECT_FALSE(ui::AcceptIniEdits(list, {"", "115200"}, rows, message));
  EXPECT_EQ(message, "[COM Port] : Select ERROR!");

  EXPECT_TRUE(ui::AcceptIniEdits(list, {"COM 3", "9600"}, rows, message));
  ui::StoreComPortRows(rows);
  EXPECT_EQ(GetComPort(), 2);
  EXPECT_EQ(GetBaudRate(), 6);
}

}  // namespace
