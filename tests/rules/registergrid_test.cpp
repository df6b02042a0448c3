// The register grid presenter: layout, values, keys and tabs.
#include <gtest/gtest.h>

#include "rules/textfit.h"
#include "support/registergrid_fixture.h"

using namespace testing_support;

namespace {

TEST_F(RegisterGridTest, RegistersFillPairsTopToBottomAndKeysMoveWithinThem) {
  AddRegs(7);
  Metrics(104 * 5 / 2);
  p.BuildRegisterGrid(0);  // value columns 2 and 4, rows 1 to 4; the last cell is 4,4
  EXPECT_EQ("R3", p.CellText(1, 4));
  EXPECT_EQ("R6", p.CellText(3, 3));
  EXPECT_EQ("", p.CellText(3, 4));
  EXPECT_EQ(6, p.CellToRegister(3 * p.RowCount() + 3));
  for (int cell : {3 * p.RowCount() + 4, p.ColCount() * p.RowCount(), -1}) EXPECT_EQ(-1, p.CellToRegister(cell));
  p.SetCurrent(1, 1);  // a name cell: the pair's value cell becomes current
  p.SelectValuePair();
  EXPECT_EQ(2, p.Col());
  using Action = RegisterGridPresenter::KeyAction;
  struct Step {
    Key key;
    bool ctrl;
    const char* at;  // "col,row" afterwards
  };
  const Step steps[] = {
      {Key::Left, false, "2,1"},  {Key::Up, false, "2,1"},   {Key::Right, false, "4,1"},
      {Key::Right, false, "2,2"}, {Key::Left, false, "4,1"},  {Key::Up, false, "2,4"},
      {Key::Down, false, "4,1"},  {Key::End, true, "4,4"},    {Key::Right, false, "4,4"},
      {Key::Down, false, "4,4"},  {Key::Home, false, "2,4"},  {Key::Home, true, "2,1"},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(Action::Consumed, p.KeyDown(step.key, step.ctrl, false));
    EXPECT_EQ(step.at, std::to_string(p.Col()) + "," + std::to_string(p.Row())) << &step - steps;
  }
  EXPECT_EQ(Action::EditValue, p.KeyDown(Key::Enter, false, false));
  EXPECT_EQ(Action::NotHandled, p.KeyDown(Key::Tab, false, false));
}

// The status line is that of the current pair's register, its ID as wide as
// the protocol setting's (ECS2 in these settings); none with another setting
// nor on an empty pair.
TEST_F(RegisterGridTest, TheStatusLineIsThatOfTheCurrentPairsRegister) {
  ws.SRegisters.AddRegister({"Volume", "Vol", 0x1030, 0x7F, 100, 5, 1});
  AddRegs(2);
  Metrics(208);
  p.BuildRegisterGrid(0);  // two pairs of two rows: the last pair is empty
  EXPECT_EQ("Volume  ID : 0x1030  Max : 100  Min : 5", p.CurrentStatus());
  p.KeyDown(Key::Down, false, false);
  EXPECT_EQ("  ID : 0x0100  Max : 255  Min : 0", p.CurrentStatus());  // R0 has no long name
  p.KeyDown(Key::End, true, false);
  EXPECT_EQ("", p.CurrentStatus());
  const ST_REGISTER& volume = *ws.SRegisters.GetRegister(0);
  EXPECT_EQ("Volume  ID : 0x00001030  Max : 100  Min : 5", rules::FormatRegisterStatus(volume, EcsProtocol::Ecs3));
  EXPECT_EQ("", rules::FormatRegisterStatus(volume, static_cast<EcsProtocol>(1)));
}

TEST_F(RegisterGridTest, RowsAreNeverLowerThanALineOfTheFontAndADraggedHeightIsKept) {
  EXPECT_EQ(327, rules::FittedPanelWidth(200, 320, 1, 4));  // text, frame both sides, indent, one pixel
  EXPECT_EQ(200, rules::FittedPanelWidth(200, 150, 1, 4));
  AddRegs(3);
  p.SetLeastRowHeight(rules::FittedRowHeight(0, 22));  // a 16 pt line
  p.BuildRegisterGrid(0);
  EXPECT_EQ(25, p.RowHeight(3));
  p.SetRowHeight(1, 21);
  EXPECT_TRUE(p.MouseUp());
  EXPECT_EQ(25, p.RowHeight(1));
  EXPECT_EQ(21, p.KeptRowHeight());  // what the settings keep
  p.SetLeastRowHeight(0);  // back to a small font: the height dragged
  EXPECT_EQ(21, p.RowHeight(2));
}

TEST_F(RegisterGridTest, ValueTextsAndWhatCanBeEdited) {
  ws.SRegisters.AddRegister(Reg("Lo", 0x10, 1, 0x00F0));
  ws.SRegisters.AddRegister(Reg("Unread", 0x11, 1));
  ws.SRegisters.AddRegister(Reg("\"label", 0x12, 1));
  ws.SRegisters.SetValue(0x10, 0x12A5);
  ws.SRegisters.SetValue(0x11, REG_VALUE_UNKNOWN);
  ws.SRegisters.SetValue(0x12, 7);
  Metrics(104);
  p.BuildRegisterGrid(0);
  p.ShowRegisterValues();
  EXPECT_EQ("10", p.CellText(2, 1));
  EXPECT_EQ(" ---", p.CellText(2, 2));

  RegisterGridPresenter::EditRequest req;
  for (int row = 2; row <= 4; ++row) {  // " ---", a label, no register
    p.SetCurrent(2, row);
    EXPECT_FALSE(p.PrepareEdit(req)) << row;
  }
  p.SetCurrent(2, 1);
  ASSERT_TRUE(p.PrepareEdit(req));
  EXPECT_EQ(0, req.registerIndex);
  EXPECT_EQ(10, req.value);
}

TEST_F(RegisterGridTest, CtrlTabStopsAtTheFirstAndTheLastTab) {
  AddRegs(30, 1);
  AddRegs(2, 2);
  Metrics(104);
  ws.SRegisters.SetTabNames({"One", "Two"});
  p.BuildTabStrip();
  p.ChangeTab(1);
  EXPECT_EQ(RegisterGridPresenter::KeyAction::TabChanged, p.KeyDown(Key::Tab, true, false));
  p.KeyDown(Key::Tab, true, false);
  EXPECT_EQ(2, p.CurrentTab());  // never past the last tab
  p.ChangeTab(0);
  p.KeyDown(Key::Tab, true, true);
  EXPECT_EQ(0, p.CurrentTab());  // never below "ALL"
}

TEST_F(RegisterGridTest, TabPopupAddAndDelete) {
  ws.SRegisters.SetTabNames({"Red", "Green"});
  ws.SRegisters.AddRegister(Reg("A", 1, 1));
  Metrics(104);
  p.BuildTabStrip();
  ui.ExpectInput("").ExpectInput("Blue");
  EXPECT_FALSE(p.AddNewTab());
  EXPECT_TRUE(p.AddNewTab());
  p.ChangeTab(1);  // holds register A
  ui.ExpectMessage(0x30, platform::kIdOk, "You can not delete this tab");
  EXPECT_FALSE(p.DeleteCurrentTab());
  p.ChangeTab(0);  // "ALL" holds every register
  ui.ExpectMessage(0x30, platform::kIdOk, "Some register are registered in this tab. You can not delete this tab");
  EXPECT_FALSE(p.DeleteCurrentTab());
  p.ChangeTab(2);
  EXPECT_TRUE(p.DeleteCurrentTab());
  EXPECT_EQ((std::vector<std::string>{"ALL", "Red", "Blue"}), p.TabStrip());
  ws.SRegisters.DeleteRegister(0);
  p.ChangeTab(0);
  EXPECT_FALSE(p.DeleteCurrentTab());  // never goes, not even when empty

  // A name the file cannot hold is not added.
  ui.ExpectInput("  ");
  EXPECT_FALSE(p.AddNewTab());

  // No more than 100 tabs: the 101st is not even asked for.
  for (int i = 0; i < 98; ++i) ws.SRegisters.AddTab("t");
  p.BuildTabStrip();
  EXPECT_FALSE(p.AddNewTab());
}

TEST_F(RegisterGridTest, AnEmptyTabNameIsRefusedAndTheOldNameStays) {
  ws.SRegisters.SetTabNames({"Red", "Green"});
  Metrics(104);
  p.BuildTabStrip();
  p.ChangeTab(2);
  for (const char* typed : {"", " "}) {
    ui.ExpectInput(typed).ExpectMessage(0x30, platform::kIdOk, "The name of tab Green can not be empty");
    EXPECT_FALSE(p.RenameCurrentTab());
  }
  ui.ExpectInput("Blue");
  EXPECT_TRUE(p.RenameCurrentTab());
  std::vector<std::string> names;
  ws.SRegisters.GetTabNames(names);
  EXPECT_EQ((std::vector<std::string>{"Red", "Blue"}), names);
  EXPECT_EQ((std::vector<std::string>{"ALL", "Red", "Blue"}), p.TabStrip());
}

TEST_F(RegisterGridTest, AValueIsMarkedChangedOnlyAgainstASnapshotThatWasRead) {
  ws.SRegisters.AddRegister(Reg("Read", 0x10, 1));
  ws.SRegisters.AddRegister(Reg("Never", 0x11, 1));
  ws.SRegisters.SetValue(0x10, 5);
  ws.SRegisters.SetValue(0x11, 5);
  ws.SRegisters.SetSnapshotValue(0x10, 4);
  ws.SRegisters.SetSnapshotValue(0x11, REG_VALUE_UNKNOWN);
  Metrics(104);
  p.BuildRegisterGrid(0);
  EXPECT_EQ(RegisterGridPresenter::kAqua, p.LookOf(2, 1).backColor);
  EXPECT_EQ(RegisterGridPresenter::kWhite, p.LookOf(2, 2).backColor);
}

}  // namespace
