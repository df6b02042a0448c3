#include "rules/registercommands.h"

#include <gtest/gtest.h>

#include <deque>

#include "platform/convert.h"
#include "platform/files.h"
#include "regsim_fixture.h"
#include "rules/registergridrules.h"

using regsim::Reg;

namespace {

class RegisterCommandsTest : public regsim::RegSimTest {
 protected:
  void SetUp() override {
    RegSimTest::SetUp();
    ws.SRegisters.AddRegister(Reg("R1", 0x10, 1));
    ws.SRegisters.AddRegister(Reg("R2", 0x11, 2));
    ws.SRegisters.AddRegister(Reg("R3", 0x12, 2));
    win.readTarget = [this](RegKind kind) { return tc.ReadRegisterTable(kind == RegKind::H); };
    commands.FileNames() = {"Sreg.dat", "Hreg.dat"};
  }

  std::vector<std::string> Names(const Registers& regs) const {
    std::vector<std::string> out;
    for (int i = 0; i < regs.GetRegisterCount(); ++i) out.push_back(regs.GetRegister(i)->ShortName);
    return out;
  }

  rules::RegisterCommands commands{ws, win, win};
};

TEST_F(RegisterCommandsTest, AddReadsTheNewRegisterAndInsertsItBeforeTheCurrentOne) {
  target.SetRegister(0x40, 0x1234);
  win.current = 1;
  win.tab = 2;
  win.edits.push_back({true, {{"Long Name", "New Reg"}, {"Short Name", "new reg x"}, {"ID", "0x40"}}});
  ASSERT_TRUE(commands.AddRegister());
  EXPECT_EQ(Names(ws.SRegisters), (std::vector<std::string>{"R1", "new_reg_x", "R2", "R3"}));
  EXPECT_EQ(ws.SRegisters.GetRegister(1)->LongName, "New_Reg");
  EXPECT_EQ(ws.SRegisters.GetSnapshotValue(0x40), 0x1234);

  // Refused: the editor cancelled, an empty name, a failed read.
  win.edits.push_back({false, {{"Long Name", "X"}, {"Short Name", "X"}}});
  win.edits.push_back({true, {{"Long Name", "X"}, {"Short Name", ""}}});
  target.SetReadError(0x60, sim_error::kNoId);
  win.edits.push_back({true, {{"Long Name", "X"}, {"Short Name", "X"}, {"ID", "0x60"}}});
  ui.ExpectMessage(0x10, platform::kIdOk, "Check Long name or Short name");
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(commands.AddRegister()) << i;
  EXPECT_EQ(ws.SRegisters.GetRegisterCount(), 4);
}

TEST_F(RegisterCommandsTest, DeleteAsksFirstCopyAndPaste) {
  win.current = 1;
  ui.ExpectMessage(0x24, platform::kIdNo, "Do you delete R2 ?");
  EXPECT_FALSE(commands.DeleteRegister());
  ui.ExpectMessage(0x24, platform::kIdYes, "Do you delete R2 ?");
  EXPECT_TRUE(commands.DeleteRegister());

  win.current = 0;
  ASSERT_TRUE(commands.CopyRegister());
  win.current = 1;
  win.tab = 2;
  ASSERT_TRUE(commands.PasteRegister());
  EXPECT_EQ(Names(ws.SRegisters), (std::vector<std::string>{"R1", "R1", "R3"}));
  EXPECT_EQ(ws.SRegisters.GetRegister(1)->Tab, 2);
  EXPECT_EQ(target.FrameCount(), 0u);  // pasting reads nothing

  win.shown = RegKind::H;  // pasted into the other file, its ID is read there from now on
  ASSERT_TRUE(commands.PasteRegister());
  target.SetRegister(0x10, 99);
  ASSERT_TRUE(tc.ReadRegisterTable(true));
  EXPECT_EQ(ws.HRegisters.GetValue(0x10), 99);
}

TEST_F(RegisterCommandsTest, PropertyEdit) {
  target.SetRegister(0x30, 0x55);
  win.current = 1;
  win.edits.push_back({true, {{"Short Name", "Two Words"}, {"ID", "0x30"}, {"Min", "0xFFFFFFFB"}}});
  ASSERT_TRUE(commands.EditRegisterProperty());
  const ST_REGISTER* r = ws.SRegisters.GetRegister(1);
  EXPECT_EQ(r->ShortName, "Two_Words");
  EXPECT_EQ(r->Min, -5);
  EXPECT_EQ(ws.SRegisters.GetValue(0x30), 0x55);
  EXPECT_EQ(ws.SRegisters.GetSnapshotValue(0x30), REG_VALUE_UNKNOWN);  // the snapshot stays

  // Refused: a failed read, an empty name, a number that does not convert.
  const ST_REGISTER before = *ws.SRegisters.GetRegister(1);
  target.SetReadError(0x70, sim_error::kNoId);
  win.edits.push_back({true, {{"ID", "0x70"}}});
  EXPECT_FALSE(commands.EditRegisterProperty());
  win.edits.push_back({true, {{"Long Name", ""}}});
  ui.ExpectMessage(0x10, platform::kIdOk, "Check Long name or Short name");
  EXPECT_FALSE(commands.EditRegisterProperty());
  win.edits.push_back({true, {{"Color", "red"}}});
  EXPECT_THROW(commands.EditRegisterProperty(), platform::EConvertError);
  EXPECT_TRUE(*ws.SRegisters.GetRegister(1) == before);
}

TEST_F(RegisterCommandsTest, ReloadHoldsPollingAndRaisesTheRateOnlyWhenTheSetAnswers) {
  // Polling is held; the rate is raised only when the set answers.
  struct Case {
    std::deque<bool> reads;
    int baud;
    bool ok;
    const char* log;
  };
  const Case cases[] = {
      {{true}, 0, true, "poll-off read0 raise poll-on"},  // off when the link was made
      {{false, true}, 12, true, "poll-off read0 findbaud read0 raise poll-on"},
      {{false, false}, 12, false, "poll-off read0 findbaud read0 poll-on"},
  };
  for (const Case& c : cases) {
    win.log.clear();
    win.reads = c.reads;
    win.baud = c.baud;
    EXPECT_EQ(commands.ReloadData(), c.ok);
    EXPECT_EQ(win.log, c.log);
  }
}

class RegisterFileCommandsTest : public RegisterCommandsTest {
 protected:
  void SetUp() override {
    RegisterCommandsTest::SetUp();
    const std::string head = "[TabName]\r\nName1 = One\r\n\r\n[Registers]\r\n";
    dir.Write("Sreg.dat", head + FormatRegisterLine(Reg("A", 0x10), false) + "\r\n");
    other.Write("Sreg.dat", head + FormatRegisterLine(Reg("B", 0x20), false) + "\r\n" +
                                FormatRegisterLine(Reg("C", 0x21), false) + "\r\n");
    ASSERT_TRUE(ws.SRegisters.LoadFromFile(dir.File("Sreg.dat"), false, ui, ws.settings));
  }

  testing_support::TempDir other;
};

TEST_F(RegisterFileCommandsTest, AFileFromAnotherFolderIsSavedBackThere) {
  ui.ExpectOpenFile(other.File("Sreg.dat"));
  ASSERT_TRUE(commands.SelectRegisterFile(RegKind::S));
  EXPECT_EQ(commands.FileNames().s, other.File("Sreg.dat"));
  EXPECT_EQ(Names(ws.SRegisters), (std::vector<std::string>{"B", "C"}));

  const std::string programFolderFile = dir.Read("Sreg.dat");
  ws.SRegisters.DeleteRegister(0);
  ui.ExpectMessage(0x40, platform::kIdOk, "Save completed");
  ASSERT_TRUE(commands.OverwriteRegisterFile(RegKind::S));
  EXPECT_EQ(dir.Read("Sreg.dat"), programFolderFile);
  EXPECT_EQ(other.Read("Sreg.dat").find("B "), std::string::npos);
}

TEST_F(RegisterFileCommandsTest, ChangedFileIsOfferedForSavingBeforeAnotherIsChosen) {
  ws.SRegisters.AddRegister(Reg("New", 0x30));
  ui.ExpectMessage(0x23, platform::kIdCancel, "File Sreg.dat has been changed. Do you over write?");
  EXPECT_FALSE(commands.SelectRegisterFile(RegKind::S));

  // A save that fails keeps the changes: no other file is loaded over them.
  ASSERT_TRUE(platform::SetReadOnly(dir.File("Sreg.dat"), true));
  ws.SRegisters.AddRegister(Reg("Newer", 0x31));
  ui.ExpectMessage(0x23, platform::kIdYes, "has been changed");
  ui.ExpectMessage(0x15, platform::kIdCancel, "Fail to save");
  EXPECT_FALSE(commands.SelectRegisterFile(RegKind::S));
  EXPECT_EQ(ws.SRegisters.GetRegisterCount(), 3);
}

TEST_F(RegisterFileCommandsTest, TheFirstHReadOfASelectedFileIsItsSnapshot) {
  dir.Write("Hreg.dat", "[Registers]\r\n" + FormatRegisterLine(Reg("H1", 0x50), true) + "\r\n");
  target.SetRegister(0x50, 7);
  ui.ExpectOpenFile(dir.File("Hreg.dat"));
  ASSERT_TRUE(commands.SelectRegisterFile(RegKind::H));
  EXPECT_EQ(ws.HRegisters.GetValue(0x50), 7);
  EXPECT_EQ(ws.HRegisters.GetSnapshotValue(0x50), 7);  // nothing changed since it was read
  win.log.clear();
  commands.ShowRegisterFile(RegKind::H);
  EXPECT_EQ(win.log, "");  // read once in a run
}

// The commands over a real grid: each acts on the register the grid shows
// selected after the one before, whatever re-flowed in between.
class GridWindow : public rules_fake::FakeWindow {
 public:
  explicit GridWindow(Workspace& ws) : grid(ws) { grid.SetKeptSizes(40, 60, 18); }
  void ShowRegisterTab(int tab) override { grid.BuildRegisterGrid(tab); }
  void ShowRegisterTabAt(int tab, int current) override { grid.BuildRegisterGrid(tab, current); }
  int CurrentRegisterIndex() const override { return grid.CurrentRegister(); }
  int CurrentTab() const override { return grid.CurrentTab(); }
  // As wide as so many pairs (104 pixels each with the grid lines).
  void Pairs(int pairs) { grid.SetViewMetrics({104 * pairs, 50, 16}); }

  rules::RegisterGridPresenter grid;
};

class GridCommandsTest : public regsim::RegSimTest {
 protected:
  void SetUp() override {
    RegSimTest::SetUp();
    // Tab 1 holds A to E, X lies between them in tab 2.
    uint32_t id = 0x10;
    for (const char* name : {"A", "B", "C", "X", "D", "E"})
      ws.SRegisters.AddRegister(Reg(name, id++, std::string(name) == "X" ? 2 : 1));
    ws.SRegisters.SetTabNames({"One", "Two"});
    pane.Pairs(2);
    pane.grid.BuildTabStrip();
    pane.grid.ChangeTab(1);  // A B C | D E
  }
  const std::string& NameAt(int i) const { return ws.SRegisters.GetRegister(static_cast<unsigned>(i))->ShortName; }
  void Select(const std::string& name) {
    int found = -1;
    for (int i = 0; i < ws.SRegisters.GetRegisterCount(); ++i)
      if (NameAt(i) == name) found = i;
    ASSERT_TRUE(pane.grid.SelectRegister(found)) << name;
  }
  std::string Names() const {
    std::string out;
    for (int i = 0; i < ws.SRegisters.GetRegisterCount(); ++i) out += NameAt(i);
    return out;
  }
  std::string Selected() const { return pane.grid.CellText(pane.grid.Col() - 1, pane.grid.Row()); }
  void Delete(const std::string& name) {
    ui.ExpectMessage(0x24, platform::kIdYes, "Do you delete " + name + " ?");
    EXPECT_TRUE(commands.DeleteRegister());
  }

  GridWindow pane{ws};
  rules::RegisterCommands commands{ws, pane, pane};
};

TEST_F(GridCommandsTest, ADeleteSelectsTheNextRegisterOfTheTabOrTheOneBeforeTheLast) {
  Select("C");
  Delete("C");  // A B | D E: one row less
  EXPECT_EQ(Selected(), "D");
  Delete("D");  // A B | E
  EXPECT_EQ(Selected(), "E");
  Delete("E");  // the last: X, in the other tab, is passed over
  EXPECT_EQ(Selected(), "B");
  Delete("B");
  Delete("A");
  EXPECT_EQ(Names(), "X");
  EXPECT_EQ(pane.CurrentRegisterIndex(), -1);
  EXPECT_FALSE(commands.DeleteRegister());  // an empty tab asks nothing
}

TEST_F(GridCommandsTest, APasteSelectsTheCopySoTheNextGoesBesideIt) {
  Select("A");
  ASSERT_TRUE(commands.CopyRegister());
  Select("D");
  ASSERT_TRUE(commands.PasteRegister());  // A B C | a D E
  ASSERT_TRUE(commands.PasteRegister());  // A B C a | a D E: one row more
  EXPECT_EQ(Names(), "ABCXAADE");
  EXPECT_EQ(pane.CurrentRegisterIndex(), 4);
  EXPECT_EQ(pane.grid.Col(), 2);  // the first pair's new last row
}

TEST_F(GridCommandsTest, AReflowKeepsTheRegisterSelected) {
  Select("E");
  pane.Pairs(3);  // A B | C D | E
  pane.ShowRegisterTab(1);
  EXPECT_EQ(Selected(), "E");
  EXPECT_EQ(pane.grid.Col(), 6);
  Delete("E");
  EXPECT_EQ(Selected(), "D");
}

// ---- Search ----

// Pairs of names, top to bottom, in a grid of three data rows; a value cell
// beside each name.
rules::RegisterGridCells Grid(std::vector<std::vector<std::string>> pairs) {
  rules::RegisterGridCells g;
  g.colCount = 1 + 2 * static_cast<int>(pairs.size());
  g.rowCount = 4;
  g.text = [pairs](int col, int row) -> std::string {
    const size_t pair = static_cast<size_t>((col - 1) / 2), r = static_cast<size_t>(row - 1);
    if (col < 1 || row < 1 || pair >= pairs.size() || r >= pairs[pair].size() || pairs[pair][r].empty()) return "";
    return col % 2 == 1 ? pairs[pair][r] : "0";
  };
  return g;
}

// "col,row" of the cell a search ends at, "!" appended when nothing matched.
std::string Find(bool forward, const rules::RegisterGridCells& g, int col, int row, const std::string& text, int mode) {
  rules::GridCellPos next;
  const bool found = forward ? rules::FindNextRegisterCell(g, {col, row}, text, mode, next)
                             : rules::FindPrevRegisterCell(g, {col, row}, text, mode, next);
  return std::to_string(next.col) + "," + std::to_string(next.row) + (found ? "" : "!");
}

TEST(RegisterSearch, ForwardAndBackwardWithoutWrap) {
  const auto g = Grid({{"Alpha", "beta", "Gamma"}, {"Bass", "", "Boom"}});
  EXPECT_EQ(Find(true, g, 2, 2, "B", 0), "4,1");   // the next pair from its top, either case
  EXPECT_EQ(Find(true, g, 4, 1, "B", 0), "2,1!");  // an empty name ends a pair; no wrap
  EXPECT_EQ(Find(false, g, 4, 1, "GAMMA", 1), "2,3");  // from the first row: the previous pair's last row
  EXPECT_EQ(Find(false, g, 2, 2, "b", 0), "4,3!");     // no wrap: the last column's lowest filled cell
}

TEST(RegisterSearch, Matching) {
  EXPECT_TRUE(rules::RegisterNameMatches("VOLUME", "volume", 1));
  EXPECT_FALSE(rules::RegisterNameMatches("VOLUME_L", "volume", 1));
  EXPECT_TRUE(rules::RegisterNameMatches("VOLUME_L", "lume", 2));
  // "ソ" is 0x83 0x5C and "ボ" 0x83 0x7B: never matched from a second byte.
  EXPECT_FALSE(rules::RegisterNameMatches("ソ", "\\", 2));
  EXPECT_TRUE(rules::RegisterNameMatches("音量ボ", "ボ", 2));
}

}  // namespace
