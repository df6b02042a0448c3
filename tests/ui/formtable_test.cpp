// The table window offscreen: tabs, the transposed grid, keys, menus and sizes.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTimer>

#include "support/table_fixture.h"
#include "ui/formtable.h"
#include "ui/frmmyinputdlg.h"
#include "ui/qtui.h"
#include "ui/textconv.h"

using namespace testing_support;

namespace {

// ---- The window ----

class FormTableTest : public TableTest {
 protected:
  void Open() {
    form = std::make_unique<TFormTable>(nullptr, ws);
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
  // Real boxes: a workspace of their own on the same target.
  ui::QtUi qtUi;
  qtUi.SetForceEnglish(true);
  Workspace qtWs(qtUi);
  ASSERT_TRUE(qtWs.vund.LoadVundData());
  ASSERT_TRUE(qtWs.settings.LoadSettings());
  ASSERT_TRUE(qtWs.TargetControl.ConnectWith(std::make_unique<SimLink>(target, clock), clock,
                                             CurrentLinkSettings(qtWs.settings, qtWs.vund)));
  ASSERT_TRUE(qtWs.UserTables.LoadFromFile(dir.File("Table.dat"), qtUi));
  form = std::make_unique<TFormTable>(nullptr, qtWs);
  grid = form->findChild<QTableView*>(QStringLiteral("TableGrid"));
  form->initTimerTimer();
  grid->setCurrentIndex(grid->model()->index(0, 0));
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
  ASSERT_EQ(owners.size(), 2u);
  EXPECT_EQ(owners[0], form.get());
  EXPECT_EQ(owners[1], form.get());
  EXPECT_EQ(Commands(), "F0");
  form.reset();
}

TEST_F(FormTableTest, DraggingTheFirstColumnOrRowSizesAllAndKeepsTheSizes) {
  Load("[UDTable1]\r\nName=T\r\nStartID=0x100\r\nTableCount=3\r\nColName1=A\r\nColName2=B\r\n");
  Open();
  grid->horizontalHeader()->resizeSection(0, 55);
  EXPECT_EQ(grid->columnWidth(2), 55);
  grid->verticalHeader()->resizeSection(0, 31);
  EXPECT_EQ(grid->rowHeight(1), 31);
  int valWidth = 0, nameHeight = 0, nameWidth = 0;
  ws.settings.GetTableGridSizes(valWidth, nameHeight, nameWidth);
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
  ws.settings.SetTableGridSizes(8, 20);  // far too narrow for 65535
  Open();
  EXPECT_EQ(Columns(), 65536);
  EXPECT_EQ(Cell(1, 65535), "?");
  const QFontMetrics metrics(grid->font());
  for (const char* text : {"65535", "0xFFFF", "88888", "0xDDDD"})
    EXPECT_GT(grid->columnWidth(65535), metrics.horizontalAdvance(QLatin1String(text)) + 4) << text;
  // The kept width stays what the user chose.
  int valWidth = 0, nameHeight = 0, nameWidth = 0;
  ws.settings.GetTableGridSizes(valWidth, nameHeight, nameWidth);
  EXPECT_EQ(valWidth, 8);
}

}  // namespace
