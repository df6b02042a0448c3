// The table window offscreen: its boxes and the width of its value columns.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "support/table_fixture.h"
#include "ui/formtable.h"
#include "ui/frmmyinputdlg.h"
#include "ui/qtui.h"
#include "ui/textconv.h"

using namespace testing_support;

namespace {

class FormTableTest : public TableTest {
 protected:
  void Open(Workspace& on) {
    form = std::make_unique<TFormTable>(nullptr, on);
    grid = form->findChild<QTableView*>(QStringLiteral("TableGrid"));
    form->initTimerTimer();
  }
  std::string Cell(int row, int col) const { return ui::FromQt(grid->model()->index(row, col).data().toString()); }

  std::unique_ptr<TFormTable> form;
  QTableView* grid = nullptr;
};

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
  Open(qtWs);
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
  EXPECT_EQ(owners, (std::vector<QWidget*>{form.get(), form.get()}));
  form.reset();
}

TEST_F(FormTableTest, ACellIsItsColumnsEntryAndItsRowsField) {
  Load("[UDTable1]\r\nName=T\r\nStartID=0x300\r\nTableCount=3\r\nColName1=A\r\nColName2=B\r\n");
  Open(ws);
  grid->setCurrentIndex(grid->model()->index(1, 2));  // B of the third entry
  ui.ExpectInput("9");
  form->EditTableCell();
  EXPECT_EQ(target.Register(0x303), 9);
}

TEST_F(FormTableTest, AValueColumnNeverHidesADigitAndALongTableIsNotBuiltCellByCell) {
  // The longest table: the read stops at the first entry, the grid asks for
  // the cells it draws.
  Load("[UDTable1]\r\nName=T\r\nStartID=0x100\r\nTableCount=65536\r\n"
       "ColName1=A\r\nColName2=W\r\nDataSize2=2\r\nDataPos2=1\r\n");
  target.SetReadError(0x100, sim_error::kNoId);
  ui.ExpectMessage(0x10, platform::kIdOk);
  ws.settings.SetTableGridSizes(8, 20);  // far too narrow for 65535
  Open(ws);
  EXPECT_EQ(Cell(1, 65535), "?");
  const QFontMetrics metrics(grid->font());
  for (const char* text : {"65535", "0xFFFF", "88888", "0xDDDD"})
    EXPECT_GT(grid->columnWidth(65535), metrics.horizontalAdvance(QLatin1String(text)) + 4) << text;
  form->setFont(QFont(grid->font().family(), 16));
  EXPECT_GE(grid->rowHeight(1), QFontMetrics(grid->font()).height() + 2);
}

}  // namespace
