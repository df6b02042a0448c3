// The register grid widget offscreen: a changed value is painted aqua, a value
// column fits its texts in the grid's font, the cell clicked stays on its
// register when the pairs re-flow.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include "support/registergrid_fixture.h"
#include "ui/frmeditreg.h"
#include "ui/registergridtabcontrol.h"
#include "ui/statuspanel.h"
#include "ui/textconv.h"

using namespace testing_support;

namespace {

class RegisterGridWidgetTest : public RegisterGridTest {
 protected:
  void SetUp() override {
    RegisterGridTest::SetUp();
    AddRegs(30);  // in three pairs
    for (uint32_t id = 0x100; id < 0x100 + 30; ++id) ws.SRegisters.SetValue(id, id - 0xFF);
    ws.SRegisters.SetSnapshotValue(0x100, 1);
    ws.SRegisters.SetSnapshotValue(0x101, 3);  // changed since the snapshot
    tabs.resize(400, 300);
    tabs.show();
    tabs.SetGridSizes(60, 60, 20);
    tabs.BuildTabStrip();
    tabs.SelectFirstValueCell();
    tabs.ShowRegisterTab(0);
  }

  TRegisterTabControl tabs{ws};
};

TEST_F(RegisterGridWidgetTest, ChangedValueCellIsPaintedAqua) {
  const TRegisterGrid* grid = tabs.RegisterGrid;
  const QImage image = grid->viewport()->grab().toImage();
  const int x = grid->columnViewportPosition(2) + 3;
  const auto rowMiddle = [grid](int r) { return grid->rowViewportPosition(r) + grid->rowHeight(r) / 2; };
  EXPECT_EQ(QColor(0, 255, 255), image.pixelColor(x, rowMiddle(2)));
  EXPECT_EQ(QColor(255, 255, 255), image.pixelColor(x, rowMiddle(1)));
}

TEST_F(RegisterGridWidgetTest, AValueColumnIsAsWideAsTheWidestValueInTheGridsFont) {
  ws.SRegisters.SetValue(0x100 + 29, 65535);
  tabs.SetGridSizes(60, 10, 20);
  tabs.ShowRegisterTab(0);
  const QFontMetrics metrics(tabs.RegisterGrid->font());
  for (const char* text : {"65535", "0xFFFF"})
    EXPECT_GE(tabs.RegisterGrid->columnWidth(2), metrics.horizontalAdvance(QLatin1String(text)) + 5) << text;
}

TEST_F(RegisterGridWidgetTest, AnEditIsOfTheRegisterNamedLeftOfTheCurrentValueCell) {
  const std::string name = tabs.RegisterGrid->Presenter().CellText(3, 2);  // the second pair's second row
  ASSERT_NE(name, "");
  std::string edited;
  tabs.SetEditDialogRunner([&](TfrmEditReg& dialog) { edited = ui::FromQt(dialog.windowTitle()); });
  tabs.RegisterGrid->setCurrentIndex(tabs.RegisterGrid->model()->index(2, 4));
  tabs.EditRegisterValue();
  EXPECT_EQ(edited, name);
}

TEST_F(RegisterGridWidgetTest, ANarrowerWindowKeepsTheRegisterClickedAndItsStatusLine) {
  TRegisterGrid* grid = tabs.RegisterGrid;
  RegisterGridPresenter& p = grid->Presenter();
  ASSERT_EQ(p.ColCount(), 7);  // three pairs of ten rows: R25 in the third
  const QPoint at(grid->columnViewportPosition(5) + 5, grid->rowViewportPosition(6) + 5);
  QMouseEvent press(QEvent::MouseButtonPress, at, grid->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(grid->viewport(), &press);
  ASSERT_EQ(p.CurrentRegister(), 25);
  const QString status = tabs.RegisterStatusPanels[0]->text();
  ASSERT_TRUE(status.contains(QStringLiteral("0x0119")));

  tabs.resize(270, 300);  // two pairs of fifteen rows
  QApplication::processEvents();
  ASSERT_EQ(p.ColCount(), 5);
  EXPECT_EQ(p.CurrentRegister(), 25);
  EXPECT_EQ(grid->currentIndex(), grid->model()->index(11, 4));
  EXPECT_EQ(tabs.RegisterStatusPanels[0]->text(), status);
}

}  // namespace
