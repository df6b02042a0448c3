#include "model/iniproperty.h"

#include <gtest/gtest.h>

#include "platform/inifile.h"
#include "support/temp_dir.h"

using testing_support::TempDir;

namespace {

std::vector<std::string> RangeOf(const TIniProperty& item) {
  std::vector<std::string> out;
  for (int i = 0; i < item.GetRangeCount(); ++i) item.GetRangeItem(i, out.emplace_back());
  return out;
}

std::string ValueOf(const TIniProperty& item) { std::string s; item.GetValue(s); return s; }

TEST(TIniFileManager, EditItemsReplaceTheListAndFindGivesTheFirstMatchOrOneSharedEmptyItem) {
  TIniFileManager m;
  m.Add(TIniProperty());
  m.LoadFromEditItems({{"COM Port", 257, "COM 1;COM 2", "1"}, {"Mask", imRangeUnsigned, "0,0xFFFF", "0x3"},
                       {"Mask", 5, "", "second"}});
  ASSERT_EQ(m.GetCount(), 3);
  EXPECT_EQ(m.GetItem(0).InputMethod(), 1);  // the low eight bits
  EXPECT_EQ(RangeOf(m.GetItem(0)), (std::vector<std::string>{"COM 1", "COM 2"}));
  std::vector<std::string> names{"first"};
  m.GetNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"first", "COM Port", "Mask", "Mask"}));

  EXPECT_EQ(ValueOf(m.Find("Mask")), "0x3");
  const TIniProperty& none = m.Find("mask");  // exact match only
  EXPECT_EQ(ValueOf(none), "");
  TIniFileManager other;
  EXPECT_EQ(&other.Find("x"), &none);

  m.Clear();
  EXPECT_EQ(m.GetCount(), 0);
  EXPECT_EQ(&m.Find("Mask"), &none);
  names.clear();
  m.GetNames(names);
  EXPECT_TRUE(names.empty());
}

TEST(TIniFileManager, SaveReplacesEverySectionInOneWrite) {
  TempDir dir;
  dir.Write("p.ini",
            "[One]\r\nValue=1\r\n[Two]\r\nValue=2\r\n[Three]\r\n[Four]\r\nx=y\r\n[Speed]\r\nValue=old\r\nOther=kept?\r\n");
  TIniFileManager m;
  m.LoadFromEditItems({{"Speed", imRangeInteger, "0;0xFFFF", "10"}, {"Mode", 0, "", ""}});
  ASSERT_TRUE(m.SaveToIniFile(dir.File("p.ini")));

  platform::IniFile ini(dir.File("p.ini"));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Speed", "Mode"}));
  EXPECT_EQ(ini.ReadSectionValues("Speed"),
            (std::vector<std::string>{"InputMethod=2", "Range=0;0xFFFF;", "Value=10"}));
  EXPECT_EQ(ini.ReadSectionValues("Mode"), (std::vector<std::string>{"InputMethod=0", "Range=", "Value="}));

  // Duplicate names share one section, the last write winning.
  m.LoadFromEditItems({{"A", 1, "x", "first"}, {"A", 2, "", "second"}});
  ASSERT_TRUE(m.SaveToIniFile(dir.File("p.ini")));
  EXPECT_EQ(dir.Read("p.ini"), "[A]\r\nInputMethod=2\r\nRange=\r\nValue=second\r\n");
  const std::string before = dir.Read("p.ini");

  // A name or value that would read back otherwise is never written.
  for (const STEditItem& bad : {STEditItem{"A", 5, "", "\r\n[Evil]\r\nValue=1"}, STEditItem{"a]b", 5, "", "v"},
                                STEditItem{"A", 0, "x\ny", "x"}}) {
    m.LoadFromEditItems({bad});
    EXPECT_FALSE(m.SaveToIniFile(dir.File("p.ini"))) << bad.Name;
    EXPECT_EQ(dir.Read("p.ini"), before);
  }
  m.LoadFromEditItems({{"ゾーン", 5, "", "v"}});
  ASSERT_TRUE(m.SaveToIniFile(dir.File("p.ini")));
  ASSERT_TRUE(m.LoadFromIniFile(dir.File("p.ini")));
  EXPECT_EQ(m.Find("ゾーン").InputMethod(), 5);
}

TEST(TIniFileManager, LoadReadsDefaultsAndNonNumericMethodsAndTheScriptGetsTheValues) {
  TempDir dir;
  dir.Write("p.ini", "[A]\r\nInputMethod=abc\r\nValue=v\r\n[B]\r\nInputMethod=0x10B\r\nRange=a,b;;c\r\n[C]\r\n");
  TIniFileManager m;
  ASSERT_TRUE(m.LoadFromIniFile(dir.File("p.ini")));
  ASSERT_EQ(m.GetCount(), 3);
  EXPECT_EQ(m.GetItem(0).InputMethod(), 0);
  EXPECT_EQ(m.GetItem(1).InputMethod(), imSelectColor);
  EXPECT_EQ(RangeOf(m.GetItem(1)), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(ValueOf(m.GetItem(2)), "");
  const TIniData data = LoadIniData(dir.File("p.ini"));
  EXPECT_EQ(data, (TIniData{{"A", "v"}, {"B", ""}, {"C", ""}}));
  EXPECT_TRUE(IniDataContains(data, "C"));
  EXPECT_FALSE(IniDataContains(data, "c"));

  EXPECT_TRUE(m.LoadFromIniFile(dir.File("missing.ini")));
  EXPECT_EQ(m.GetCount(), 0);
  EXPECT_TRUE(LoadIniData(dir.File("missing.ini")).empty());
}

}  // namespace
