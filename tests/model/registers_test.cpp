#include "model/registers.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>

#include "model/systemfunc.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

using testing_support::ScopedHome;
using testing_support::ScriptedUi;
using testing_support::TempDir;

namespace {

ST_REGISTER Reg(const std::string& name, uint32_t id, int tab, uint32_t mask = 0xFFFF) {
  ST_REGISTER r;
  r.LongName = name;
  r.ShortName = name + "_s";
  r.ID = id;
  r.Tab = tab;
  r.Mask = mask;
  return r;
}

std::string ReadExample(const std::string& name) {
  std::string bytes;
  EXPECT_TRUE(platform::ReadFileBytes(std::string(VUND2_EXAMPLES) + "/" + name, bytes));
  return bytes;
}

// ---- In-memory model ----

TEST(RegModel, ValuesSnapshotAndUndo) {
  Registers regs;
  EXPECT_EQ(REG_VALUE_UNKNOWN, regs.GetValue(0x1000));
  EXPECT_EQ(REG_VALUE_UNKNOWN, regs.GetSnapshotValue(0x1000));
  EXPECT_EQ(0xFFFFFF01u, static_cast<uint32_t>(REG_VALUE_UNKNOWN));

  regs.SetValue(0x1000, 0x1234);
  regs.SetValue(0x1001, 7);
  regs.SetSnapshotValue(0x2000, 1);
  regs.TakeSnapshot();  // replaces the old snapshot entirely
  EXPECT_EQ(0x1234, regs.GetSnapshotValue(0x1000));
  EXPECT_EQ(REG_VALUE_UNKNOWN, regs.GetSnapshotValue(0x2000));

  regs.ResetValues();
  EXPECT_EQ(REG_VALUE_UNKNOWN, regs.GetValue(0x1000));
  EXPECT_EQ(2u, regs.GetValueMap().size());
  EXPECT_EQ(0x1234, regs.GetSnapshotValue(0x1000));

  regs.GetUndoStack(0x1000).push(5);
  regs.GetUndoStack(0x1000).push(6);
  EXPECT_EQ(6, regs.GetUndoStack(0x1000).top());
  EXPECT_TRUE(regs.GetUndoStack(0x1005).empty());
  EXPECT_EQ(2u, regs.GetValueMap().size());  // the undo stack adds no value slot
}

TEST(RegModel, RegisterListKeepsTabCounts) {
  Registers regs;
  regs.AddRegister(Reg("a", 1, 1));
  regs.AddRegister(Reg("b", 2, 100));
  regs.InsertRegister(Reg("c", 3, 2), 0);
  regs.InsertRegister(Reg("d", 4, 2), 99);  // past the end: appended
  ASSERT_EQ(4, regs.GetRegisterCount());
  EXPECT_EQ("c", regs.GetRegister(0)->LongName);
  EXPECT_EQ("d", regs.GetRegister(3)->LongName);
  EXPECT_EQ(nullptr, regs.GetRegister(4));
  EXPECT_EQ(1, regs.GetTabRegisterCount(100));
  EXPECT_EQ(2, regs.GetTabRegisterCount(2));
  EXPECT_EQ(4, regs.GetTabRegisterCount(0));

  // Tabs outside 1..100 count on tab 1, on the way in and out.
  regs.AddRegister(Reg("z", 5, 0));
  regs.AddRegister(Reg("y", 6, 150));
  EXPECT_EQ(3, regs.GetTabRegisterCount(1));
  EXPECT_EQ(0, regs.GetTabRegisterCount(150));
  regs.DeleteRegister(5);
  regs.DeleteRegister(4);
  EXPECT_EQ(1, regs.GetTabRegisterCount(1));

  // Moving a register to another tab moves its count.
  regs.ReplaceRegister(Reg("b2", 2, 3), 2);
  EXPECT_EQ(0, regs.GetTabRegisterCount(100));
  EXPECT_EQ(1, regs.GetTabRegisterCount(3));
  EXPECT_EQ("b2", regs.GetRegister(2)->LongName);

  regs.DeleteRegister(9);
  regs.ReplaceRegister(Reg("x", 9, 9), 9);
  EXPECT_EQ(4, regs.GetRegisterCount());
  EXPECT_EQ(4, regs.GetTabRegisterCount(0));
}

TEST(RegModel, TabsTopRowsAndDeleteTab) {
  Registers regs;
  regs.SetTabNames({"Red", "Green", "Blue"});
  regs.AddRegister(Reg("r", 1, 1));
  regs.AddRegister(Reg("b1", 2, 3));
  regs.AddRegister(Reg("b2", 3, 3));
  regs.SetTabTopRow(5, 3);
  regs.SetTabTopRow(9, 4);  // no such tab
  EXPECT_EQ(5, regs.GetTabTopRow(3));
  EXPECT_EQ(1, regs.GetTabTopRow(4));
  EXPECT_EQ(1, regs.GetTabTopRow(-1));

  EXPECT_FALSE(regs.DeleteTab(0));
  EXPECT_FALSE(regs.DeleteTab(4));
  EXPECT_FALSE(regs.SetTabName("x", 3));
  EXPECT_FALSE(regs.SetTabName("x", -1));

  ASSERT_TRUE(regs.DeleteTab(2));
  std::vector<std::string> names;
  regs.GetTabNames(names);
  EXPECT_EQ((std::vector<std::string>{"Red", "Blue"}), names);
  EXPECT_EQ(2, regs.GetRegister(1)->Tab);
  EXPECT_EQ(2, regs.GetRegister(2)->Tab);
  EXPECT_EQ(2, regs.GetTabRegisterCount(2));
  EXPECT_EQ(0, regs.GetTabRegisterCount(3));
  EXPECT_EQ(5, regs.GetTabTopRow(2));  // Blue's top row moved with it
  EXPECT_EQ(1, regs.GetTabTopRow(3));

  EXPECT_TRUE(regs.SetTabName("Cyan", 1));
  regs.GetTabNames(names);
  EXPECT_EQ("Cyan", names[1]);
}

TEST(RegModel, IsChangedAgainstLoadedCopies) {
  Registers regs;
  EXPECT_FALSE(regs.IsChanged());
  regs.SetTabNames({"A"});
  EXPECT_FALSE(regs.IsChanged());
  regs.AddTab("B");
  EXPECT_TRUE(regs.IsChanged());
  EXPECT_EQ(1, regs.GetTabTopRow(2));

  Registers other;
  other.AddRegister(Reg("a", 1, 1));
  EXPECT_TRUE(other.IsChanged());
  other.AddTab("X");  // tab 1 of a model never loaded keeps its own top row
  other.SetTabTopRow(4, 1);
  EXPECT_EQ(4, other.GetTabTopRow(1));
  EXPECT_EQ(1, other.GetTabTopRow(0));
}

TEST(RegModel, RegisterLineParsing) {
  ST_REGISTER r;
  ASSERT_TRUE(ParseRegisterLine("Long\tShort 2 0x1000 0x00F0 1 3 15", false, r));  // no Color
  EXPECT_EQ("Long", r.LongName);
  EXPECT_EQ("Short", r.ShortName);
  EXPECT_EQ(2, r.Tab);
  EXPECT_EQ(0x1000u, r.ID);
  EXPECT_EQ(0xF0u, r.Mask);
  EXPECT_EQ(1, r.Vrf);
  EXPECT_EQ(3, r.Min);
  EXPECT_EQ(15, r.Max);
  EXPECT_EQ(0u, r.Color);
  EXPECT_FALSE(ParseRegisterLine("Long Short 2 0x1000 0x00F0 1 3", false, r));
  EXPECT_FALSE(ParseRegisterLine("Long Short 2 0x1000 0x00F0 1 3 x", false, r));
  EXPECT_FALSE(ParseRegisterLine("Long Short 2 0x1000 0x00F0 1 3 15 0xZZ", false, r));

  ASSERT_TRUE(ParseRegisterLine("Hname 0x2000 1 0x0003 2 0 3 0x0000FF extra words", true, r));
  EXPECT_EQ("Hname", r.LongName);
  EXPECT_EQ("Hname", r.ShortName);
  EXPECT_EQ(0x2000u, r.ID);
  EXPECT_EQ(1, r.Vrf);
  EXPECT_EQ(3u, r.Mask);
  EXPECT_EQ(2, r.Tab);
  EXPECT_EQ(0xFFu, r.Color);
}

// ---- Files ----

class RegFile : public ::testing::Test {
 protected:
  void SetUp() override { SetForceEnglish(true); }
  void TearDown() override { SetForceEnglish(false); }

  std::string Text(const std::string& body) {
    std::string out;
    for (auto& line : platform::SplitLines(body)) out += line + "\r\n";
    return out;
  }

  TempDir dir;
  ScopedHome home{dir.Path()};
  ScriptedUi ui;
};

TEST_F(RegFile, SampleFilesLoadAndRoundTripToSameBytes) {
  for (bool h : {false, true}) {
    const std::string name = h ? "Hreg.dat" : "Sreg.dat";
    const std::string original = ReadExample(name);
    dir.Write(name, original);
    Registers regs;
    ASSERT_TRUE(regs.LoadFromFile(name, h)) << name;
    EXPECT_FALSE(regs.IsChanged());
    EXPECT_EQ(h ? 25 : 57, regs.GetRegisterCount());
    EXPECT_EQ(h ? 17u : 39u, regs.GetValueMap().size()) << "distinct IDs";
    std::vector<std::string> tabs;
    regs.GetTabNames(tabs);
    EXPECT_EQ(h ? 3u : 5u, tabs.size());
    EXPECT_EQ(h ? "ハード設定" : "システム", tabs[0]);
    EXPECT_EQ(1, regs.GetFileVer());
    EXPECT_FALSE(regs.GetMiconVer().empty());

    std::string lastS, lastH;
    GetLastRegFiles(lastS, lastH);
    EXPECT_EQ(name, h ? lastH : lastS);

    ui.ExpectMessage(0x40, platform::kIdOk, "Save completed");
    ASSERT_TRUE(regs.SaveToFile(dir.File("copy.dat"), h));
    EXPECT_TRUE(dir.Read("copy.dat") == original) << name;
  }
}

TEST_F(RegFile, SampleFilesHoldBitFieldsLabelsAndNameLen) {
  dir.Write("Sreg.dat", ReadExample("Sreg.dat"));
  Registers regs;
  ASSERT_TRUE(regs.LoadFromFile("Sreg.dat", false));
  int shared = 0, labels = 0;
  bool nameLen = false;
  for (int i = 0; i < regs.GetRegisterCount(); ++i) {
    const ST_REGISTER* r = regs.GetRegister(i);
    EXPECT_GE(r->Tab, 1);
    if (r->ID == 0) ++labels;
    if (r->ID == 0x1002) ++shared;
    if (r->LongName == "NameLen") nameLen = true;
    if (r->ID != 0) {
      EXPECT_GE(r->ID, 0x1000u);
      EXPECT_LE(r->ID, 0x107Fu);
    }
  }
  EXPECT_EQ(7, labels);
  EXPECT_EQ(3, shared);
  EXPECT_TRUE(nameLen);
  for (uint32_t id = 0x1000; id <= 0x1007; ++id) EXPECT_EQ(1u, regs.GetValueMap().count(id)) << id;
}

TEST_F(RegFile, LoaderRules) {
  dir.Write("t.dat", Text("// heading comment\n"
                          "\n"
                          "[TabName]\n"
                          "// Name9 = not a tab\n"
                          "Name1 = 映像\n"
                          "\n"
                          "Name2=Sound\n"
                          "[Common]\n"
                          "FileVer = 7\n"
                          "MiconVer =\n"
                          "[Registers]\n"
                          "  明るさ Bright 1 0x1010 0x00FF 0 0 100 0x0000FF  \n"
                          "// a comment between registers\n"
                          "NameLen Len 2 0x1011 0x001F 0 0 31\n"
                          "Zero Z 0 0x1012 0xFFFF 0 0 65535 0\n"
                          "Big B 150 0x1013 0xFFFF 0 0 65535 0\n"
                          "Label0 L 1 0 0xFFFF 0 0 65535 0\n"
                          "-Dash D 1 0x1014 0xFFFF 0 0 65535 0\n"
                          "*Star S 1 0x1015 0xFFFF 0 0 65535 0\n"
                          "FileVersion FV 2 0x1016 0xFFFF 0 0 65535 0\n"));
  Registers regs;
  ASSERT_TRUE(regs.LoadFromFile(dir.File("t.dat"), false));
  ASSERT_EQ(8, regs.GetRegisterCount());
  EXPECT_EQ("明るさ", regs.GetRegister(0)->LongName);
  EXPECT_EQ(0xFFu, regs.GetRegister(0)->Color);
  EXPECT_EQ("NameLen", regs.GetRegister(1)->LongName);
  EXPECT_EQ(0u, regs.GetRegister(1)->Color);
  EXPECT_EQ(0, regs.GetRegister(2)->Tab);
  EXPECT_EQ(150, regs.GetRegister(3)->Tab);
  EXPECT_EQ("FileVersion", regs.GetRegister(7)->LongName);
  EXPECT_EQ(7, regs.GetFileVer());
  EXPECT_EQ("", regs.GetMiconVer());

  EXPECT_EQ(6, regs.GetTabRegisterCount(1));  // tabs 0 and 150 count on tab 1
  EXPECT_EQ(2, regs.GetTabRegisterCount(2));
  EXPECT_EQ(2, regs.GetMaxTab());

  // Labels and ID 0 get no value slot.
  EXPECT_EQ(5u, regs.GetValueMap().size());
  EXPECT_EQ(0u, regs.GetValueMap().count(0x1014));
  EXPECT_EQ(0u, regs.GetValueMap().count(0x1015));
  EXPECT_EQ(0u, regs.GetValueMap().count(0));
  EXPECT_EQ(REG_VALUE_UNKNOWN, regs.GetValue(0x1010));

  std::vector<std::string> tabs;
  regs.GetTabNames(tabs);
  EXPECT_EQ((std::vector<std::string>{"映像", "Sound"}), tabs);
  EXPECT_EQ(1, regs.GetTabTopRow(2));

  // A file of the program folder is remembered by its bare name.
  std::string lastS, lastH;
  GetLastRegFiles(lastS, lastH);
  EXPECT_EQ("t.dat", lastS);
}

TEST_F(RegFile, FileWithoutTabNamesAndVersionKeepsFileVer) {
  dir.Write("a.dat", Text("FileVer = 3\nA a 1 0x1000 0xFFFF 0 0 1\n"));
  dir.Write("b.dat", Text("B b 1 0x1001 0xFFFF 0 0 1\n"));
  Registers regs;
  ASSERT_TRUE(regs.LoadFromFile("a.dat", false));
  ASSERT_TRUE(regs.LoadFromFile("b.dat", false));
  EXPECT_EQ(3, regs.GetFileVer());
  std::vector<std::string> tabs{"x"};
  regs.GetTabNames(tabs);
  EXPECT_TRUE(tabs.empty());
  EXPECT_EQ(1, regs.GetTabTopRow(0));
  EXPECT_EQ(1, regs.GetRegisterCount());
  EXPECT_FALSE(regs.IsChanged());
}

TEST_F(RegFile, FailedLoadLeavesPreviousContentWhole) {
  dir.Write("good.dat", Text("[TabName]\nName1 = One\n[Registers]\nA a 1 0x1000 0xFFFF 0 0 1 0\nB b 1 0x1001 0xFFFF 0 0 1 0\n"));
  dir.Write("seven.dat", Text("X x 1 0x2000 0xFFFF 0 0 1 0\nY y 1 0x2001 0xFFFF 0\n"));
  dir.Write("ver.dat", Text("FileVer = one\nX x 1 0x2000 0xFFFF 0 0 1 0\n"));
  Registers regs;
  ASSERT_TRUE(regs.LoadFromFile("good.dat", false));
  regs.SetValue(0x1000, 42);
  regs.TakeSnapshot();

  ui.ExpectMessage(0x30, platform::kIdOk, "Check setting. ( Y y 1 0x2001 0xFFFF 0 )");
  EXPECT_FALSE(regs.LoadFromFile("seven.dat", false));
  ui.ExpectMessage(0x30, platform::kIdOk, "Check setting. ( FileVer = one )");
  EXPECT_FALSE(regs.LoadFromFile("ver.dat", false));
  ui.ExpectMessage(0x10, platform::kIdOk, "Fail to open " + dir.File("none.dat"));
  ui.ExpectOpenFile("");
  EXPECT_FALSE(regs.LoadFromFile("none.dat", false));
  EXPECT_EQ("dat", ui.LastFileDialog().defaultExt);
  EXPECT_EQ("Sreg files (*.dat)|*.DAT", ui.LastFileDialog().filter);

  EXPECT_FALSE(regs.IsChanged());
  ASSERT_EQ(2, regs.GetRegisterCount());
  EXPECT_EQ("B", regs.GetRegister(1)->LongName);
  EXPECT_EQ(42, regs.GetValue(0x1000));
  std::vector<std::string> tabs;
  regs.GetTabNames(tabs);
  EXPECT_EQ(1u, tabs.size());
  std::string lastS, lastH;
  GetLastRegFiles(lastS, lastH);
  EXPECT_EQ("good.dat", lastS);

  // A successful load keeps the snapshot but starts the values afresh.
  ASSERT_TRUE(regs.LoadFromFile("good.dat", false));
  EXPECT_EQ(REG_VALUE_UNKNOWN, regs.GetValue(0x1000));
  EXPECT_EQ(42, regs.GetSnapshotValue(0x1000));
}

TEST_F(RegFile, MissingFileOffersOpenDialog) {
  TempDir other;
  other.Write("mine.dat", Text("H1 0x2000 0 0xFFFF 1 0 1\n"));
  ui.ExpectMessage(0x10, platform::kIdOk, "Fail to open");
  ui.ExpectOpenFile(other.File("mine.dat"));
  Registers regs;
  ASSERT_TRUE(regs.LoadFromFile("Hreg.dat", true));
  EXPECT_EQ("Hreg files (*.dat)|*.DAT", ui.LastFileDialog().filter);
  EXPECT_EQ(1, regs.GetRegisterCount());
  // A file from another folder is remembered with its whole path.
  std::string lastS, lastH;
  GetLastRegFiles(lastS, lastH);
  EXPECT_EQ(other.File("mine.dat"), lastH);
}

TEST_F(RegFile, SaveAndLoadGiveEqualModel) {
  Registers regs;
  regs.SetTabNames({"映像調整", "Tab Two"});
  ST_REGISTER a = Reg("ガンマ補正値", 0x1000, 1, 0x00F0);
  a.ShortName = "ガンマ";
  a.Max = 15;
  a.Min = -3;
  a.Vrf = 1;
  a.Color = 0xFF8000;
  regs.AddRegister(a);
  regs.AddRegister(Reg("NameLen", 0x1000, 2, 0x000F));
  regs.AddRegister(Reg("FileVerLo", 0x1001, 100));
  regs.AddRegister(Reg("MiconVerHi", 0x1002, 2));
  regs.AddRegister(Reg("-label", 0, 1));
  ui.ExpectMessage(0x40, platform::kIdOk, "Save completed");
  ASSERT_TRUE(regs.SaveToFile(dir.File("s.dat"), false));

  const auto lines = platform::SplitLines(dir.Read("s.dat"));
  ASSERT_EQ(5u + 3u + 7u + 1u + 5u, lines.size());
  EXPECT_EQ("Name1 = 映像調整", lines[2]);
  EXPECT_EQ("[Common]     ", lines[5]);
  EXPECT_EQ("FileVer = 1", lines[6]);
  EXPECT_EQ("MiconVer =", lines[7]);
  const size_t widths[] = {2, 89, 89, 89, 89, 94, 95, 16};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(widths[i], lines[8 + i].size()) << i;
  EXPECT_EQ("//%% begin sreg", lines[12].substr(0, 15));
  // Name widths count Shift-JIS bytes: 12 bytes of name, 8 blanks.
  EXPECT_EQ("ガンマ補正値         ガンマ               1     0x00001000 0x00F0     1  -3    15   0xFF8000",
            lines[16]);
  EXPECT_NE(std::string::npos, dir.Read("s.dat").find("\r\n[Registers]     \r\n"));

  Registers back;
  ASSERT_TRUE(back.LoadFromFile(dir.File("s.dat"), false));
  EXPECT_FALSE(back.IsChanged());
  ASSERT_EQ(regs.GetRegisterCount(), back.GetRegisterCount());
  for (int i = 0; i < regs.GetRegisterCount(); ++i) EXPECT_EQ(*regs.GetRegister(i), *back.GetRegister(i)) << i;
  std::vector<std::string> t1, t2;
  regs.GetTabNames(t1);
  back.GetTabNames(t2);
  EXPECT_EQ(t1, t2);
  EXPECT_EQ("", back.GetMiconVer());
  EXPECT_EQ(1, back.GetFileVer());
}

TEST_F(RegFile, HLayoutWritesShortNameAndNormalisesVersion) {
  dir.Write("h.dat", Text("FileVer = 9\nMiconVer =   HW Rev.B\nPLL 0x2002 1 0x03FF 1 1 1023 0x00FF00\n"));
  Registers regs;
  ASSERT_TRUE(regs.LoadFromFile("h.dat", true));
  EXPECT_EQ("HW Rev.B", regs.GetMiconVer());
  ST_REGISTER r = *regs.GetRegister(0);
  r.LongName = "長い名前";
  r.ShortName = "分周比";
  regs.ReplaceRegister(r, 0);
  ui.ExpectMessage(0x40, platform::kIdOk);
  ASSERT_TRUE(regs.SaveToFile("h.dat", true));
  const auto lines = platform::SplitLines(dir.Read("h.dat"));
  EXPECT_EQ("FileVer = 1", lines[4]);
  EXPECT_EQ("MiconVer = HW Rev.B", lines[5]);
  EXPECT_EQ(67u, lines[11].size());
  EXPECT_EQ(89u, lines[12].size());
  EXPECT_EQ("分周比               0x00002002     1 0x03FF   1   1  1023    0x00FF00", lines[14]);

  Registers back;
  ASSERT_TRUE(back.LoadFromFile("h.dat", true));
  EXPECT_EQ("分周比", back.GetRegister(0)->LongName);
  EXPECT_EQ("分周比", back.GetRegister(0)->ShortName);
  EXPECT_EQ("HW Rev.B", back.GetMiconVer());
}

TEST_F(RegFile, SaveRefusesNamesThatWouldNotReadBack) {
  const std::string before = Text("A a 1 0x1000 0xFFFF 0 0 1 0\n");
  const ST_REGISTER bad[] = {Reg("two words", 0x1000, 1), Reg("", 0x1000, 1), Reg("//x", 0x1000, 1),
                             Reg("Name3=", 0x1000, 1)};
  for (const auto& r : bad) {
    dir.Write("s.dat", before);
    Registers regs;
    regs.AddRegister(Reg("fine", 0x1001, 1));
    regs.AddRegister(r);
    ui.ExpectMessage(0x30, platform::kIdOk, "Check setting.");
    EXPECT_FALSE(regs.SaveToFile("s.dat", false)) << r.LongName;
    EXPECT_EQ(before, dir.Read("s.dat"));
  }
  // An H Reg file carries only the short name.
  Registers h;
  ST_REGISTER r = Reg("long ok in memory", 0x2000, 1);
  r.ShortName = "bad\tname";
  h.AddRegister(r);
  ui.ExpectMessage(0x30, platform::kIdOk, "bad\tname");
  EXPECT_FALSE(h.SaveToFile("h.dat", true));
  EXPECT_FALSE(platform::FileExists(dir.File("h.dat")));

  // An empty tab name would end the list and lose the names after it.
  Registers t;
  t.SetTabNames({"One", "", "Three"});
  ui.ExpectMessage(0x30, platform::kIdOk, "Name2 = ");
  EXPECT_FALSE(t.SaveToFile("t.dat", false));
  EXPECT_FALSE(platform::FileExists(dir.File("t.dat")));
}

TEST_F(RegFile, ReadOnlyAndFailedWritesAreNotReportedAsSaved) {
  dir.Write("s.dat", "old");
  ASSERT_TRUE(platform::SetReadOnly(dir.File("s.dat"), true));
  Registers regs;
  regs.AddRegister(Reg("A", 0x1000, 1));
  ui.ExpectMessage(0x15, platform::kIdRetry, "Fail to save " + dir.File("s.dat"));
  ui.ExpectMessage(0x15, platform::kIdCancel, "Fail to save");
  EXPECT_FALSE(regs.SaveToFile("s.dat", false));
  EXPECT_EQ("old", dir.Read("s.dat"));

  ui.ExpectMessage(0x15, platform::kIdCancel, "Fail to save");
  EXPECT_FALSE(regs.SaveToFile(dir.File("no/such/folder/s.dat"), false));
  for (const auto& shown : ui.Shown()) EXPECT_EQ(std::string::npos, shown.find("Save completed"));
}

TEST_F(RegFile, SaveIfChangedAsksOnlyWhenChanged) {
  dir.Write("s.dat", Text("[TabName]\nName1 = One\n[Registers]\nA a 1 0x1000 0xFFFF 0 0 1 0\n"));
  const std::string before = dir.Read("s.dat");
  Registers regs;
  ASSERT_TRUE(regs.LoadFromFile("s.dat", false));
  EXPECT_EQ(0, regs.SaveIfChanged("s.dat", false));

  regs.AddTab("Two");
  ui.ExpectMessage(0x23, platform::kIdNo, "File " + dir.File("s.dat") + " has been changed. Do you over write?");
  EXPECT_EQ(platform::kIdNo, regs.SaveIfChanged("s.dat", false));
  ui.ExpectMessage(0x23, platform::kIdCancel);
  EXPECT_EQ(platform::kIdCancel, regs.SaveIfChanged("s.dat", false));
  EXPECT_EQ(before, dir.Read("s.dat"));

  ui.ExpectMessage(0x23, platform::kIdYes).ExpectMessage(0x40, platform::kIdOk);
  EXPECT_EQ(platform::kIdYes, regs.SaveIfChanged("s.dat", false));
  EXPECT_NE(std::string::npos, dir.Read("s.dat").find("Name2 = Two\r\n"));
}

TEST_F(RegFile, JapaneseTexts) {
  SetForceEnglish(false);
  const char* old = getenv("LC_ALL");
  const std::string saved = old ? old : "";
  setenv("LC_ALL", "ja_JP.UTF-8", 1);
  dir.Write("bad.dat", Text("X x 1\n"));
  Registers regs;
  ui.ExpectMessage(0x30, platform::kIdOk, " X x 1 の設定を確認して下さい");
  EXPECT_FALSE(regs.LoadFromFile("bad.dat", false));
  regs.AddTab("T");
  ui.ExpectMessage(0x23, platform::kIdYes, "ファイル　" + dir.File("s.dat") + " が変更されています。保存しますか？");
  ui.ExpectMessage(0x40, platform::kIdOk, "保存されました");
  regs.SaveIfChanged("s.dat", false);
  if (old)
    setenv("LC_ALL", saved.c_str(), 1);
  else
    unsetenv("LC_ALL");
}

}  // namespace
