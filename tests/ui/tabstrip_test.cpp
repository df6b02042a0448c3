// The multi-row tab strips offscreen: with many tabs every tab is on the strip
// and the page below starts under its last row; clicks, keys and the popup
// reach the tab shown where they land.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>
#include <tuple>

#include "support/registergrid_fixture.h"
#include "support/table_fixture.h"
#include "ui/formtable.h"
#include "ui/multirowtabbar.h"
#include "ui/registergridtabcontrol.h"
#include "ui/textconv.h"

using namespace testing_support;

namespace {

void Press(QWidget* w, const QPoint& at, Qt::MouseButton button = Qt::LeftButton) {
  QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), button, button, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), button, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &release);
}

void Key(QWidget* w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(w, &press);
}

// Every tab lies whole on the strip, after the one before it in reading
// order, and the page starts right under the strip.
void ExpectEveryTabShown(const ui::MultiRowTabBar& strip, const QWidget& page) {
  ASSERT_GT(strip.count(), 0);
  for (int i = 0; i < strip.count(); ++i) {
    const QRect r = strip.tabRect(i);
    EXPECT_TRUE(strip.rect().contains(r)) << i << " at " << r.x() << "," << r.y() << " of " << strip.width();
    EXPECT_GE(r.width(), strip.fontMetrics().horizontalAdvance(strip.tabText(i))) << i;
    if (i == 0) continue;
    const QRect before = strip.tabRect(i - 1);
    EXPECT_TRUE(r.top() > before.top() || (r.top() == before.top() && r.left() >= before.right() + 1)) << i;
  }
  EXPECT_EQ(strip.tabRect(strip.count() - 1).bottom(), strip.height() - 1);
  EXPECT_EQ(page.geometry().top(), strip.geometry().bottom() + 1);
}

class RegisterTabStripTest : public RegisterGridTest {
 protected:
  void SetUp() override {
    RegisterGridTest::SetUp();
    for (int t = 1; t < 30; ++t) names.push_back("Picture " + std::to_string(t));
    ws.SRegisters.SetTabNames(names);
    for (int n = 0; n < 29 * 3; ++n) ws.SRegisters.AddRegister(Reg("R" + std::to_string(n), 0x100 + n, 1 + n / 3));
    tabs.resize(1024, 600);
    tabs.show();
    tabs.SetGridSizes(60, 60, 20);
    tabs.BuildTabStrip();
    tabs.ShowRegisterTab(0);
    Settle();
  }
  void Settle() {
    tabs.layout()->activate();
    QApplication::processEvents();
  }

  std::vector<std::string> names;
  TRegisterTabControl tabs{ws};
  ui::MultiRowTabBar* strip() { return tabs.S_HRegTabBar; }
};

TEST_F(RegisterTabStripTest, ThirtyTabsAllShowOnRowsAndTheGridTakesWhatIsLeft) {
  ASSERT_EQ(strip()->count(), 30);
  EXPECT_EQ(ui::FromQt(strip()->tabText(29)), "Picture 29");
  const int rows1024 = strip()->RowCount();
  EXPECT_GT(rows1024, 1);
  ExpectEveryTabShown(*strip(), *tabs.RegisterGrid);
  const int gridHeight1024 = tabs.RegisterGrid->height();

  tabs.resize(1280, 600);
  Settle();
  ExpectEveryTabShown(*strip(), *tabs.RegisterGrid);
  EXPECT_LT(strip()->RowCount(), rows1024);
  EXPECT_GT(tabs.RegisterGrid->height(), gridHeight1024);

  tabs.resize(300, 600);  // narrow: many rows, still every tab
  Settle();
  ExpectEveryTabShown(*strip(), *tabs.RegisterGrid);
  EXPECT_GT(strip()->RowCount(), rows1024);
}

TEST_F(RegisterTabStripTest, AClickKeysAndCtrlTabChooseTheTabAndThePopupLeavesItAlone) {
  const int last = strip()->count() - 1;
  ASSERT_GT(strip()->tabRect(last).top(), 0);  // on a lower row
  Press(strip(), strip()->tabRect(last).center());
  EXPECT_EQ(tabs.CurrentTab(), last);
  EXPECT_EQ(tabs.RegisterGrid->Presenter().CellText(1, 1), "R84");  // the tab's first register
  Key(strip(), Qt::Key_Left);
  EXPECT_EQ(tabs.CurrentTab(), last - 1);
  Key(tabs.RegisterGrid, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(strip()->currentIndex(), last);
  Key(tabs.RegisterGrid, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(strip()->currentIndex(), last - 1);

  int popups = 0;
  QMenu popup;
  QObject::connect(strip(), &QWidget::customContextMenuRequested, [&popups] { ++popups; });
  tabs.SetTabPopupMenu(&popup);
  Press(strip(), strip()->tabRect(3).center(), Qt::RightButton);
  const QPoint at = strip()->tabRect(3).center();
  QContextMenuEvent menu(QContextMenuEvent::Mouse, at, strip()->mapToGlobal(at));
  QApplication::sendEvent(strip(), &menu);
  popup.close();
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(tabs.CurrentTab(), last - 1);

  Press(strip(), QPoint(strip()->width() - 2, strip()->height() - 2));  // right of the last row's last tab
  EXPECT_EQ(tabs.CurrentTab(), last - 1);
}

TEST_F(RegisterTabStripTest, TheCurrentTabIsNotDrawnOverTheRowBelow) {
  int below = 1;
  while (strip()->tabRect(below).top() == 0) ++below;  // the first tab of the second row
  const QRect area = strip()->tabRect(below).adjusted(0, 3, 0, 0);  // what a style may overlap of its top
  const auto drawn = [this, &area](int current) {
    strip()->setCurrentIndex(current);
    return strip()->grab().toImage().copy(area);
  };
  EXPECT_EQ(drawn(0), drawn(strip()->count() - 1));
}

TEST_F(RegisterTabStripTest, ARenamedOrAddedTabFlowsAgainAndAnAmpersandIsShown) {
  Press(strip(), strip()->tabRect(1).center());
  const auto rename = [this](const std::string& name) {
    ui.ExpectInput(name);
    tabs.mnuTabNameChangeClick();
    Settle();
    return strip()->tabRect(1).width();
  };
  const int without = rename("RD");
  EXPECT_EQ(rename("R&D") - without, strip()->fontMetrics().horizontalAdvance(QLatin1Char('&')));
  rename("Picture and Sound, the longest name of them all by far");
  ui.ExpectInput("Extra");
  tabs.mnuNewTabAddClick();
  Settle();
  EXPECT_EQ(strip()->count(), 31);
  ExpectEveryTabShown(*strip(), *tabs.RegisterGrid);
}

// The pairs follow the grid's final size, whatever size came before: a window
// made wider, its strip dropping rows on the way, takes as many pairs as a
// window opened at that size, and has no room left for one more. Low enough
// that the rows need a scroll bar; narrower again as well.
TEST_F(RegisterTabStripTest, AWiderWindowTakesThePairsOfAFreshLayoutAtThatWidth) {
  const auto pairs = [](const TRegisterTabControl& control) {
    return (control.RegisterGrid->model()->columnCount() - 1) / 2;
  };
  tabs.SetGridSizes(140, 40, 20);
  std::vector<int> widths;
  for (int width = 500; width < 1300; width += 37) widths.push_back(width);
  for (int width = 1300; width > 500; width -= 41) widths.push_back(width);  // and narrower again
  for (const int width : widths) {
    tabs.resize(width, 350);
    Settle();
    TRegisterTabControl fresh{ws};
    fresh.resize(width, 350);
    fresh.show();
    fresh.SetGridSizes(140, 40, 20);
    fresh.BuildTabStrip();
    fresh.ShowRegisterTab(0);
    fresh.layout()->activate();
    QApplication::processEvents();
    EXPECT_EQ(pairs(tabs), pairs(fresh)) << width;
    const TRegisterGrid* grid = tabs.RegisterGrid;
    const int pairWidth = grid->columnWidth(1) + grid->columnWidth(2);
    const int used = pairs(tabs) * pairWidth;
    EXPECT_LE(used, grid->viewport()->width()) << width;
    EXPECT_GT(used + pairWidth, grid->viewport()->width()) << width;
  }
}

class TableTabStripTest : public TableTest {};

TEST_F(TableTabStripTest, ThirtyTablesAllShowOnRowsAndAClickOnALowerRowShowsItsTable) {
  std::string text;
  for (int t = 1; t <= 30; ++t)
    text += "[UDTable" + std::to_string(t) + "]\r\nName=Table " + std::to_string(t) + "\r\nStartID=0x" +
            std::to_string(100 + t) + "\r\nColName1=A" + std::to_string(t) + "\r\n";
  Load(text);
  TFormTable form(nullptr, ws);
  form.resize(1024, 640);
  form.show();
  form.initTimerTimer();
  form.centralWidget()->layout()->activate();
  QApplication::processEvents();
  auto* strip = form.findChild<ui::MultiRowTabBar*>(QStringLiteral("TableTab"));
  auto* grid = form.findChild<QTableView*>(QStringLiteral("TableGrid"));
  ASSERT_NE(strip, nullptr);
  ASSERT_EQ(strip->count(), 30);
  EXPECT_GT(strip->RowCount(), 1);
  ExpectEveryTabShown(*strip, *grid);
  Press(strip, strip->tabRect(29).center());
  EXPECT_EQ(ui::FromQt(grid->model()->headerData(0, Qt::Vertical).toString()), "A30");
  // Ctrl+Tab from the grid goes to the table before and after, not to another cell.
  grid->setFocus();
  const QModelIndex cell = grid->currentIndex();
  for (const auto& [key, modifiers, table] :
       {std::tuple{Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, "A29"},
        std::tuple{Qt::Key_Tab, Qt::KeyboardModifiers(Qt::ControlModifier), "A30"},
        std::tuple{Qt::Key_Tab, Qt::KeyboardModifiers(Qt::ControlModifier), "A30"}}) {  // not past the last
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(grid, &press);
    EXPECT_EQ(ui::FromQt(grid->model()->headerData(0, Qt::Vertical).toString()), table);
    EXPECT_EQ(grid->currentIndex().column(), cell.column());
  }
}

}  // namespace
