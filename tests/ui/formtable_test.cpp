#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTabBar>
#include <QFontMetrics>
#include <QTableView>

#include "model/tables.h"
#include "platform/convert.h"
#include "simtarget_fixture.h"
#include "ui/formtable.h"
#include "ui/frmmyinputdlg.h"
#include "ui/qtui.h"
#include "ui/tablegridmodel.h"
#include "ui/textconv.h"

namespace {

class TableTest : public ui_sim::SimTargetTest {
 protected:
  void Load(const std::string& sections) {
    dir.Write("Table.dat", sections);
    ASSERT_TRUE(tables.LoadFromFile(dir.File("Table.dat")));
  }
  std::string Column(int entry) const {
    std::string s;
    for (int f = 0; f < model.Fields(); ++f) s += (f ? "," : "") + model.ValueText(entry, f);
    return s;
  }

  Tables tables;
  ui::TableGridModel model{tables, tc};
};

TEST_F(TableTest, AFailedEntryEndsTheReadAndLaterEntriesShowQuestionMarks) {
  Load("[UDTable1]\r\nName=T\r\nStartID=0x100\r\nTableCount=4\r\nColName1=A\r\n");
  target.SetRegister(0x100, 0x11);
  target.SetRegister(0x101, 0x22);
  target.SetReadError(0x102, sim_error::kNoId);
  ui.ExpectMessage(0x10, platform::kIdOk);  // the target control's report
  std::vector<std::pair<int, int>> progress;
  model.EnsureRead([&](int max, int pos) { progress.emplace_back(max, pos); });

  EXPECT_EQ(Column(0) + "|" + Column(1) + "|" + Column(2) + "|" + Column(3), "17|34|?|?");
  EXPECT_EQ(Commands(), "F0 F0 F0");
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{3, 0}, {3, 0}, {3, 1}, {3, 0}}));

  // Read once: showing it again asks the target nothing.
  model.EnsureRead();
  EXPECT_EQ(target.FrameCount(), 3u);

  // An entry with an unread field cannot be edited.
  ui.ExpectMessage(0x10, platform::kIdOk, "Table data is not readed !");
  EXPECT_FALSE(model.EditField(2, 0));
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(TableTest, FieldsShowTheirBitsInDecimalOrHexadecimal) {
  Load("[UDTable1]\r\nName=T\r\nStartID=0x200\r\n"
       "ColName1=A\r\nDataSize1=2\r\nDataPos1=0\r\n"
       "ColName2=B\r\nDataSize2=2\r\nDataPos2=2\r\n"
       "ColName3=C\r\nDataSize3=2\r\nDataPos3=4\r\nMask3=0x0FFF\r\n");
  const uint8_t bytes[] = {0x01, 0x02, 0xAB, 0xCD, 0x12, 0x34};
  for (int i = 0; i < 6; ++i) target.SetRegister(0x200 + i, bytes[i]);
  model.EnsureRead();
  EXPECT_EQ(Column(0), "258,43981,564");
  model.ToggleHexadecimal();
  EXPECT_EQ(Column(0), "0x102,0xABCD,0x234");
}

TEST_F(TableTest, ValuesOutsideTheFieldAreRefusedAndNothingIsWritten) {
  Load("[UDTable1]\r\nName=T\r\nStartID=0x300\r\n"
       "ColName1=A\r\nColName2=B\r\nMask2=0xF0\r\n");
  model.EnsureRead();
  ui.ExpectInput("256").ExpectMessage(0x10, platform::kIdOk, "Range check error ! Input 256 Max 255");
  EXPECT_FALSE(model.EditField(0, 0));
  ui.ExpectInput("-1").ExpectMessage(0x10, platform::kIdOk, "Range check error ! Input -1 Max 255");
  EXPECT_FALSE(model.EditField(0, 0));
  // A four-bit field holds 0 to 15.
  ui.ExpectInput("16").ExpectMessage(0x10, platform::kIdOk, "Range check error ! Input 16 Max 15");
  EXPECT_FALSE(model.EditField(0, 1));
  EXPECT_EQ(Commands(), "F0");
}

TEST_F(TableTest, AnEditReadsTheEntryAgainReplacesTheFieldAndWritesTheEntry) {
  Load("[UDTable1]\r\nName=T\r\nStartID=0x300\r\nTableCount=2\r\n"
       "ColName1=A\r\nColName2=B\r\nMask2=0x0F\r\n");
  target.SetRegister(0x300, 0x11);
  target.SetRegister(0x301, 0xA5);
  target.SetRegister(0x302, 0x33);
  model.EnsureRead();
  EXPECT_EQ(Column(1), "165,3");

  // Changed on the target since the table was read: the write keeps it.
  target.SetRegister(0x301, 0x77);
  ui.ExpectInput("9");
  EXPECT_TRUE(model.EditField(1, 1));
  EXPECT_EQ(ui.prompts.back(), "Input: Table 2 B [3]");
  EXPECT_EQ(Commands(), "F0 F0 F0 F1");
  EXPECT_EQ(target.Register(0x301), 0x77);
  EXPECT_EQ(target.Register(0x302), 0x39);  // the bits outside the mask as read
  EXPECT_EQ(Column(1), "119,9");            // what was written
}

TEST_F(TableTest, TheShownTextCancelOrNoNumberWriteNothing) {
  Load("[UDTable1]\r\nName=T\r\nStartID=0x300\r\nColName1=A\r\n");
  target.SetRegister(0x300, 3);
  model.EnsureRead();
  ui.ExpectInput("3").ExpectInput("7", false).ExpectInput("abc");
  EXPECT_FALSE(model.EditField(0, 0));
  EXPECT_FALSE(model.EditField(0, 0));
  EXPECT_THROW(model.EditField(0, 0), platform::EConvertError);
  EXPECT_EQ(Commands(), "F0");
  EXPECT_EQ(Column(0), "3");
}

TEST_F(TableTest, AFieldAboveBitZeroIsShownAndWrittenOnOneScale) {
  Load("[UDTable1]\r\nName=T\r\nStartID=0x400\r\nColName1=Hi\r\nMask1=0xF0\r\n");
  target.SetRegister(0x400, 0xA5);
  model.EnsureRead();
  model.ToggleHexadecimal();
  EXPECT_EQ(Column(0), "0xA");
  ui.ExpectInput("3");
  EXPECT_TRUE(model.EditField(0, 0));
  EXPECT_EQ(target.Register(0x400), 0x35);
  EXPECT_EQ(Column(0), "0x3");
}

TEST_F(TableTest, FieldsOfOtherSizesOrPositionsAreRefusedBeforeAnyRead) {
  Load("[UDTable1]\r\nName=Wide\r\nColName1=A\r\nColName2=B\r\nDataSize2=4\r\n"
       "[UDTable2]\r\nName=Neg\r\nColName1=A\r\nDataPos1=-1\r\n");
  ui.ExpectMessage(0x10, platform::kIdOk, "Table Wide : field B (DataSize 4, DataPos 1) cannot be used");
  model.EnsureRead();
  EXPECT_FALSE(model.IsRead());
  EXPECT_EQ(Column(0), "?,?");
  model.SetCurrentTable(1);
  ui.ExpectMessage(0x10, platform::kIdOk, "field A (DataSize 1, DataPos -1)");
  model.EnsureRead();
  EXPECT_EQ(target.FrameCount(), 0u);
}

TEST_F(TableTest, TheEntryHoldsTheFurthestFieldEvenBeyondTotalSize) {
  // TotalSize counts 3 bytes, but B ends at byte 5.
  Load("[UDTable1]\r\nName=T\r\nStartID=0x500\r\nColName1=A\r\nColName2=B\r\nDataSize2=2\r\nDataPos2=3\r\n");
  for (int i = 0; i < 5; ++i) target.SetRegister(0x500 + i, static_cast<uint16_t>(0x10 + i));
  model.EnsureRead();
  EXPECT_EQ(Column(0), "16,4884");  // 0x13 0x14
  ui.ExpectInput("0x2021");
  EXPECT_TRUE(model.EditField(0, 1));
  EXPECT_EQ(target.Register(0x503), 0x20);
  EXPECT_EQ(target.Register(0x504), 0x21);
  EXPECT_EQ(target.Register(0x502), 0x12);
}

TEST_F(TableTest, WordAccessCarriesTheEntryBytesHighByteFirst) {
  Load("[UDTable1]\r\nName=Ch\r\nStartID=0x3000\r\nDataType=2\r\n"
       "ColName1=Channel\r\nMask1=0xFF\r\nColName2=Band\r\nDataPos2=1\r\nMask2=0x0F\r\n"
       "[UDTable2]\r\nName=Odd\r\nStartID=0x3100\r\nDataType=2\r\nColName1=High\r\n");
  target.SetRegister(0x3000, 0x12A3);
  target.SetRegister(0x3001, 0xBEEF);
  model.EnsureRead();
  EXPECT_EQ(Column(0), "18,3");
  ui.ExpectInput("5");
  EXPECT_TRUE(model.EditField(0, 1));
  EXPECT_EQ(target.Register(0x3000), 0x12A5);
  EXPECT_EQ(target.Register(0x3001), 0xBEEF);

  // One byte in a word: the other byte goes back as it was read.
  model.SetCurrentTable(1);
  target.SetRegister(0x3100, 0xAB12);
  model.EnsureRead();
  EXPECT_EQ(Column(0), "171");
  ui.ExpectInput("1");
  EXPECT_TRUE(model.EditField(0, 0));
  EXPECT_EQ(target.Register(0x3100), 0x0112);
}

TEST_F(TableTest, EveryTableHasItsOwnDataAndNoTableMeansNothingToDo) {
  std::string text;
  for (int i = 1; i <= 60; ++i)
    text += platform::Format("[UDTable%d]\r\nName=T%d\r\nStartID=%d\r\nColName1=A\r\n", i, i, 0x600 + i);
  Load(text);
  target.SetRegister(0x600 + 56, 56);
  model.SetCurrentTable(55);
  model.EnsureRead();
  EXPECT_EQ(model.TableName(55), "T56");
  EXPECT_EQ(Column(0), "56");
  model.SetCurrentTable(0);
  EXPECT_FALSE(model.IsRead());

  Tables none;
  ui::TableGridModel empty(none, tc);
  empty.EnsureRead();
  EXPECT_EQ(empty.Entries(), 0);
  EXPECT_FALSE(empty.EditField(0, 0));
  EXPECT_EQ(target.FrameCount(), 1u);
}

// ---- The window ----

class FormTableTest : public TableTest {
 protected:
  void Open() {
    form = std::make_unique<TFormTable>(nullptr, tc, tables);
    grid = form->findChild<QTableView*>(QStringLiteral("TableGrid"));
    tabs = form->findChild<QTabBar*>(QStringLiteral("TableTab"));
    form->initTimerTimer();
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(grid, &press);
  }
  std::string Cell(int row, int col) const { return ui::FromQt(grid->model()->index(row, col).data().toString()); }
  std::string Header(Qt::Orientation o, int section) const {
    return ui::FromQt(grid->model()->headerData(section, o).toString());
  }
  int Columns() const { return grid->model()->columnCount(); }
  int Rows() const { return grid->model()->rowCount(); }

  std::unique_ptr<TFormTable> form;
  QTableView* grid = nullptr;
  QTabBar* tabs = nullptr;
};

TEST_F(FormTableTest, FirstShowBuildsTabsAndTheTransposedGrid) {
  Load("[UDTable1]\r\nName=First\r\nStartID=0x100\r\nTableCount=3\r\nColName1=A\r\nColName2=B\r\n"
       "[UDTable2]\r\nName=Second\r\nStartID=0x200\r\nColName1=C\r\n");
  target.SetRegister(0x101, 7);
  Open();
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(1), QStringLiteral("Second"));
  ASSERT_EQ(Columns(), 3);
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Header(Qt::Horizontal, 2), "2");
  EXPECT_EQ(Header(Qt::Vertical, 1), "B");
  EXPECT_EQ(Cell(1, 0), "7");  // entry 0, field B
  EXPECT_GE(grid->columnWidth(2), 30);
  EXPECT_EQ(grid->rowHeight(1), 24);
  EXPECT_EQ(form->findChild<QAction*>(QStringLiteral("mnuReload"))->text(), QStringLiteral("Reload data(&R)"));
  EXPECT_EQ(Commands(), "F0 F0 F0");

  // The second tab is read when first shown, the first not again.
  tabs->setCurrentIndex(1);
  EXPECT_EQ(Columns(), 1);
  tabs->setCurrentIndex(0);
  EXPECT_EQ(Commands(), "F0 F0 F0 F0");
}

TEST_F(FormTableTest, KeysAndMenusReachEditReloadAndHexadecimal) {
  Load("[UDTable1]\r\nName=T\r\nStartID=0x100\r\nTableCount=2\r\nColName1=A\r\n");
  target.SetRegister(0x101, 0x20);
  Open();
  grid->setCurrentIndex(grid->model()->index(0, 1));
  ui.ExpectInput("33");
  Key(Qt::Key_Return);
  EXPECT_EQ(target.Register(0x101), 33);
  EXPECT_EQ(Cell(0, 1), "33");

  ui.ExpectInput("abc").ExpectMessage(0x10, platform::kIdOk, "'abc' is not a valid integer value");
  emit grid->doubleClicked(grid->model()->index(0, 1));
  EXPECT_EQ(ui.prompts.size(), 2u);

  target.SetRegister(0x100, 5);
  Key(Qt::Key_F5);
  EXPECT_EQ(Cell(0, 0), "5");
  target.SetRegister(0x100, 0x1F);
  form->findChild<QAction*>(QStringLiteral("mnuReload"))->trigger();
  form->findChild<QAction*>(QStringLiteral("mnuChangeHexDec"))->trigger();
  EXPECT_EQ(Cell(0, 0), "0x1F");
  EXPECT_EQ(Commands(), "F0 F0 F0 F1 F0 F0 F0 F0");
}

TEST_F(FormTableTest, ItsBoxesBelongToItSoTheFocusComesBackToIt) {
  Load("[UDTable1]\r\nName=T\r\nStartID=0x100\r\nColName1=A\r\n");
  Open();
  grid->setCurrentIndex(grid->model()->index(0, 0));
  ui::QtUi qtUi;
  platform::SetUi(&qtUi);
  // The input box gets 300, too much for a byte; the range box is closed.
  std::vector<QWidget*> owners;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    owners.push_back(modal->parentWidget());
    if (auto* input = qobject_cast<TFormMyInputDlg*>(modal)) {
      input->Edit1->setText(QStringLiteral("300"));
      input->btnOk->click();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      box->button(QMessageBox::Ok)->click();
    }
  });
  answer.start(5);
  form->EditTableCell();
  platform::SetUi(&ui);
  ASSERT_EQ(owners.size(), 2u);
  EXPECT_EQ(owners[0], form.get());
  EXPECT_EQ(owners[1], form.get());
  EXPECT_EQ(Commands(), "F0");
}

TEST_F(FormTableTest, DraggingTheFirstColumnOrRowSizesAllAndKeepsTheSizes) {
  Load("[UDTable1]\r\nName=T\r\nStartID=0x100\r\nTableCount=3\r\nColName1=A\r\nColName2=B\r\n");
  Open();
  grid->horizontalHeader()->resizeSection(0, 55);
  EXPECT_EQ(grid->columnWidth(2), 55);
  grid->verticalHeader()->resizeSection(0, 31);
  EXPECT_EQ(grid->rowHeight(1), 31);
  int valWidth = 0, nameHeight = 0, nameWidth = 0;
  GetTableGridSizes(valWidth, nameHeight, nameWidth);
  EXPECT_EQ(valWidth, 55);
  EXPECT_EQ(nameHeight, 31);
  EXPECT_EQ(nameWidth, 100);
  // Another column alone keeps its own width.
  grid->horizontalHeader()->resizeSection(1, 80);
  EXPECT_EQ(grid->columnWidth(2), 55);
}

TEST_F(FormTableTest, WithoutTablesTheWindowIsEmpty) {
  Open();
  EXPECT_EQ(tabs->count(), 0);
  EXPECT_EQ(Columns(), 0);
  EXPECT_EQ(Rows(), 0);
  Key(Qt::Key_Return);
  form->findChild<QAction*>(QStringLiteral("mnuReload"))->trigger();
  EXPECT_EQ(target.FrameCount(), 0u);
}

TEST_F(FormTableTest, AValueColumnNeverHidesADigitAndALongTableIsNotBuiltCellByCell) {
  // The longest table: the read stops at the first entry, the grid asks for
  // the cells it draws.
  Load("[UDTable1]\r\nName=T\r\nStartID=0x100\r\nTableCount=65536\r\n"
       "ColName1=A\r\nColName2=W\r\nDataSize2=2\r\nDataPos2=1\r\n");
  target.SetReadError(0x100, sim_error::kNoId);
  ui.ExpectMessage(0x10, platform::kIdOk);
  SetTableGridSizes(8, 20);  // far too narrow for 65535
  Open();
  EXPECT_EQ(Columns(), 65536);
  EXPECT_EQ(Cell(1, 65535), "?");
  const QFontMetrics metrics(grid->font());
  for (const char* text : {"65535", "0xFFFF", "88888", "0xDDDD"})
    EXPECT_GT(grid->columnWidth(65535), metrics.horizontalAdvance(QLatin1String(text)) + 4) << text;
  // The kept width stays what the user chose.
  int valWidth = 0, nameHeight = 0, nameWidth = 0;
  GetTableGridSizes(valWidth, nameHeight, nameWidth);
  EXPECT_EQ(valWidth, 8);
}

}  // namespace
