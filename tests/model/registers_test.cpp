#include "model/registers.h"

#include <gtest/gtest.h>

#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace {

ST_REGISTER Reg(const std::string& name, uint32_t id, int tab, uint32_t mask = 0xFFFF) {
  return {name, name + "_s", id, mask, 0xFFFF, 0, tab};
}

// "name:tab" per register, then "|" and the tab names.
std::string Summary(const Registers& regs) {
  std::string s;
  for (int i = 0; i < regs.GetRegisterCount(); ++i)
    s += platform::Format("%s:%d ", regs.GetRegister(i)->LongName.c_str(), regs.GetRegister(i)->Tab);
  std::vector<std::string> names;
  regs.GetTabNames(names);
  s += "|";
  for (const std::string& n : names) s += " " + n;
  return s;
}

std::string Counts(const Registers& regs, std::initializer_list<int> tabs) {
  std::string s;
  for (int t : tabs) s += std::to_string(regs.GetTabRegisterCount(t)) + " ";
  return s;
}

TEST(RegModel, TabCountsFollowEveryListChangeAndTabEditsStayInRange) {
  Registers regs;
  regs.AddRegister(Reg("a", 1, 1));
  regs.AddRegister(Reg("b", 2, 100));
  regs.InsertRegister(Reg("c", 3, 0), 0);     // tab 0 and 150 count on tab 1
  regs.InsertRegister(Reg("d", 4, 150), 99);  // past the end: appended
  EXPECT_EQ(Summary(regs), "c:0 a:1 b:100 d:150 |");
  EXPECT_EQ(Counts(regs, {1, 100, 0}), "3 1 4 ");
  regs.ReplaceRegister(Reg("b2", 2, 3), 2);  // the property dialog moves a tab this way
  EXPECT_EQ(Counts(regs, {100, 3}), "0 1 ");
  regs.DeleteRegister(3);
  regs.DeleteRegister(0);
  regs.DeleteRegister(9);
  EXPECT_EQ(Counts(regs, {1, 0}), "1 2 ");

  Registers tabs;
  tabs.SetTabNames({"Red", "Green", "Blue"});
  EXPECT_FALSE(tabs.IsChanged());
  tabs.AddRegister(Reg("r", 1, 1));
  tabs.AddRegister(Reg("b", 2, 3));
  tabs.SetTabTopRow(5, 3);
  tabs.SetTabTopRow(9, 4);  // no such tab
  EXPECT_EQ(1, tabs.GetTabTopRow(4));
  EXPECT_FALSE(tabs.DeleteTab(0));
  EXPECT_FALSE(tabs.DeleteTab(4));
  EXPECT_FALSE(tabs.SetTabName("x", 3));
  ASSERT_TRUE(tabs.DeleteTab(2));
  EXPECT_EQ(Summary(tabs), "r:1 b:2 | Red Blue");
  EXPECT_EQ(Counts(tabs, {2, 3}), "1 0 ");
  EXPECT_EQ(5, tabs.GetTabTopRow(2));  // Blue's top row moved with it

  Registers fresh;
  fresh.AddTab("X");
  EXPECT_TRUE(fresh.IsChanged());
  fresh.SetTabTopRow(4, 1);  // tab 1 of a model never loaded has its own row
  EXPECT_EQ(4, fresh.GetTabTopRow(1));
  EXPECT_EQ(1, fresh.GetTabTopRow(0));
}

class RegFile : public ::testing::Test {
 protected:
  void SetUp() override { ui.SetForceEnglish(true); }
  std::string LastFile(bool h) { std::string s, hreg; settings.GetLastRegFiles(s, hreg); return h ? hreg : s; }
  // Writes lines with CR LF.
  void Put(const std::string& name, const std::string& body) {
    std::string out;
    for (auto& line : platform::SplitLines(body)) out += line + "\r\n";
    dir.Write(name, out);
  }

  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi ui;
  SystemSettings settings{ui};
};

TEST_F(RegFile, SampleFilesRoundTripToSameBytes) {
  for (bool h : {false, true}) {
    const std::string name = h ? "Hreg.dat" : "Sreg.dat";
    std::string original;
    ASSERT_TRUE(platform::ReadFileBytes(std::string(VUND2_EXAMPLES) + "/" + name, original));
    dir.Write(name, original);
    Registers regs;
    ASSERT_TRUE(regs.LoadFromFile(name, h, ui, settings));
    EXPECT_FALSE(regs.IsChanged());
    EXPECT_EQ(name, LastFile(h));
    ui.ExpectMessage(0x40, platform::kIdOk, "Save completed");
    ASSERT_TRUE(regs.SaveToFile(dir.File("copy.dat"), h, ui));
    EXPECT_TRUE(dir.Read("copy.dat") == original) << name;
  }
}

TEST_F(RegFile, LoaderRules) {
  Put("t.dat",
      "// heading\n\n[TabName]\n// Name9 = not a tab\nName1 = 映像\n\nName2=Sound\n"
      "[Common]\nFileVer = 7\nMiconVer =\n[Registers]\n"
      "  明るさ Bright 1 0x1010 0x00FF 0 0 100 0x0000FF  \n"
      "// a comment between registers\n"
      "NameLen Len 2 0x1011 0x001F 0 0 31\n"
      "Zero Z 0 0x1012 0xFFFF 0 0 65535 0\n"
      "Big B 150 0x1013 0xFFFF 0 0 65535 0\n"
      "Label0 L 1 0 0xFFFF 0 0 65535 0\n"
      "-Dash D 1 0x1014 0xFFFF 0 0 65535 0\n"
      "*Star S 1 0x1015 0xFFFF 0 0 65535 0\n"
      "FileVersion FV 2 0x1016 0xFFFF 0 0 65535 0\n");
  Registers regs;
  ASSERT_TRUE(regs.LoadFromFile(dir.File("t.dat"), false, ui, settings));
  EXPECT_EQ(Summary(regs), "明るさ:1 NameLen:2 Zero:0 Big:150 Label0:1 -Dash:1 *Star:1 FileVersion:2 | 映像 Sound");
  EXPECT_EQ(0xFFu, regs.GetRegister(0)->Color);
  EXPECT_EQ(0u, regs.GetRegister(1)->Color);  // 8 words: no Color
  EXPECT_EQ(7, regs.GetFileVer());
  EXPECT_EQ("", regs.GetMiconVer());
  EXPECT_EQ(6, regs.GetTabRegisterCount(1));
  EXPECT_EQ(2, regs.GetMaxTab());
  // Labels and ID 0 have no value slot.
  EXPECT_EQ(5u, regs.GetValueMap().size());
  EXPECT_EQ(0u, regs.GetValueMap().count(0x1014) + regs.GetValueMap().count(0x1015));
  EXPECT_EQ("t.dat", LastFile(false));  // a file of the program folder: bare name

  // No [TabName] and no FileVer line: no names, the version kept. A leading
  // UTF-8 byte-order mark hides nothing.
  Put("b.dat", "\xEF\xBB\xBF" "B b 1 0x1001 0xFFFF 0 0 1\n");
  ASSERT_TRUE(regs.LoadFromFile("b.dat", false, ui, settings));
  EXPECT_EQ(Summary(regs), "B:1 |");
  EXPECT_EQ(7, regs.GetFileVer());
}

TEST_F(RegFile, AFailedLoadLeavesThePreviousContentWhole) {
  Put("good.dat", "[TabName]\nName1 = One\nA a 1 0x1000 0xFFFF 0 0 1 0\nB b 1 0x1001 0xFFFF 0 0 1 0\n");
  Put("seven.dat", "X x 1 0x2000 0xFFFF 0 0 1 0\nY y 1 0x2001 0xFFFF 0\n");
  Put("ver.dat", "FileVer = one\n");
  Registers regs;
  ASSERT_TRUE(regs.LoadFromFile("good.dat", false, ui, settings));
  regs.SetValue(0x1000, 42);
  regs.TakeSnapshot();
  ui.ExpectMessage(0x30, platform::kIdOk, "Check setting. ( Y y 1 0x2001 0xFFFF 0 )");
  EXPECT_FALSE(regs.LoadFromFile("seven.dat", false, ui, settings));
  ui.ExpectMessage(0x30, platform::kIdOk, "Check setting. ( FileVer = one )");
  EXPECT_FALSE(regs.LoadFromFile("ver.dat", false, ui, settings));
  ui.ExpectMessage(0x10, platform::kIdOk, "Fail to open " + dir.File("none.dat")).ExpectOpenFile("");
  EXPECT_FALSE(regs.LoadFromFile("none.dat", false, ui, settings));
  EXPECT_EQ("Sreg files (*.dat)|*.DAT", ui.LastFileDialog().filter);
  EXPECT_FALSE(regs.IsChanged());
  EXPECT_EQ(Summary(regs), "A:1 B:1 | One");
  EXPECT_EQ(42, regs.GetValue(0x1000));
  EXPECT_EQ("good.dat", LastFile(false));

  // A successful load starts the values afresh but keeps the snapshot.
  ASSERT_TRUE(regs.LoadFromFile("good.dat", false, ui, settings));
  EXPECT_EQ(REG_VALUE_UNKNOWN, regs.GetValue(0x1000));
  EXPECT_EQ(42, regs.GetSnapshotValue(0x1000));

  // A missing file chosen from another folder is remembered with its path.
  testing_support::TempDir other;
  other.Write("mine.dat", "H1 0x2000 0 0xFFFF 1 0 1\r\n");
  ui.ExpectMessage(0x10, platform::kIdOk, "Fail to open").ExpectOpenFile(other.File("mine.dat"));
  ASSERT_TRUE(regs.LoadFromFile("Hreg.dat", true, ui, settings));
  EXPECT_EQ("Hreg files (*.dat)|*.DAT", ui.LastFileDialog().filter);
  EXPECT_EQ(other.File("mine.dat"), LastFile(true));
}

TEST_F(RegFile, SaveRefusesWhatWouldNotReadBack) {
  for (const auto& bad : {Reg("two words", 1, 1), Reg("", 1, 1), Reg("//x", 1, 1), Reg("Name3=", 1, 1)}) {
    Registers regs;
    regs.AddRegister(Reg("fine", 2, 1));
    regs.AddRegister(bad);
    ui.ExpectMessage(0x30, platform::kIdOk, "Check setting.");
    EXPECT_FALSE(regs.SaveToFile("s.dat", false, ui)) << bad.LongName;
  }
  Registers h;  // an H Reg file carries only the short name
  ST_REGISTER r = Reg("long ok", 0x2000, 1);
  r.ShortName = "bad\tname";
  h.AddRegister(r);
  ui.ExpectMessage(0x30, platform::kIdOk, "bad\tname");
  EXPECT_FALSE(h.SaveToFile("s.dat", true, ui));
  Registers t;  // an empty tab name would lose the names after it
  t.SetTabNames({"One", "", "Three"});
  ui.ExpectMessage(0x30, platform::kIdOk, "Name2 = ");
  EXPECT_FALSE(t.SaveToFile("s.dat", false, ui));
}

TEST_F(RegFile, SaveIfChangedAsksOnlyWhenChangedAndAFailedYesIsCancel) {
  Put("s.dat", "FileVer = 3\n[TabName]\nName1 = One\nA a 1 0x1000 0xFFFF 0 0 1 0\n");
  const std::string before = dir.Read("s.dat");
  Registers regs;
  ASSERT_TRUE(regs.LoadFromFile("s.dat", false, ui, settings));
  EXPECT_EQ(0, regs.SaveIfChanged("s.dat", false, ui));
  regs.AddTab("Two");
  ui.ExpectMessage(0x23, platform::kIdNo, "File " + dir.File("s.dat") + " has been changed. Do you over write?");
  EXPECT_EQ(platform::kIdNo, regs.SaveIfChanged("s.dat", false, ui));
  EXPECT_EQ(before, dir.Read("s.dat"));
  ui.ExpectMessage(0x23, platform::kIdYes).ExpectMessage(0x40, platform::kIdOk);
  EXPECT_EQ(platform::kIdYes, regs.SaveIfChanged("s.dat", false, ui));
  EXPECT_NE(std::string::npos, dir.Read("s.dat").find("Name2 = Two\r\n"));
  EXPECT_NE(std::string::npos, dir.Read("s.dat").find("FileVer = 1\r\n"));  // the layout written
  // Yes with a save that fails (and shows no "Save completed") reads as
  // Cancel, so a closing window stays open.
  regs.AddTab("Three");
  ui.ExpectMessage(0x23, platform::kIdYes).ExpectMessage(0x15, platform::kIdCancel, "Fail to save");
  EXPECT_EQ(platform::kIdCancel, regs.SaveIfChanged(dir.File("no/such/folder/s.dat"), false, ui));
}

}  // namespace
