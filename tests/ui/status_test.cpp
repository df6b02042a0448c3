// The status window offscreen: polling held around operations, the timer and
// the value column's width.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTabWidget>
#include <QTimer>

#include "qt_helpers.h"
#include "rules/pollinghold.h"
#include "support/status_fixture.h"
#include "ui/choosers.h"
#include "ui/statuswindow.h"
#include "ui/textconv.h"

using namespace testing_support;

namespace {

class StatusWindowTest : public StatusTest {
 protected:
  void SetUp() override {
    StatusTest::SetUp();
    w.SetRefreshReader(Reader(false));
    w.SetRefreshInterval(500);
  }
  // The names in the grid's rows, down to the empty row after the items.
  std::string Names() {
    std::string names;
    for (int row = 1; !w.CellText(row, 1).empty(); ++row) names += w.CellText(row, 1) + " ";
    return names;
  }
  void Press(int row, Qt::Key key) {
    if (row > 0) w.StatusGrid->setCurrentIndex(w.StatusGrid->model()->index(row, 1));
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w.StatusGrid, &press);
  }
  // A border of the grid dragged with the mouse.
  void Drag(QPoint from, QPoint to) {
    QWidget* viewport = w.StatusGrid->viewport();
    for (const auto& [type, at] : {std::pair{QEvent::MouseButtonPress, from}, std::pair{QEvent::MouseMove, to},
                                   std::pair{QEvent::MouseButtonRelease, to}}) {
      QMouseEvent e(type, at, viewport->mapToGlobal(at), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(viewport, &e);
    }
  }
  ui::QtChoosers choosers;
  TStatusWindow w{ws, choosers};
};

TEST_F(StatusWindowTest, PollingStoppedWithStopStaysOffAfterAnOperation) {
  w.SetStatusPolling(true);
  w.StatusWindowContClick(1);  // the user chose "Stop"
  w.SetStatusWindowChoice(1);
  w.StatusTimerTimer();  // the tick after "Stop" ends polling
  rules::PollingHold{w};  // held and let go
  EXPECT_FALSE(w.StatusTimer->isActive());

  // Released, a hold follows the choice as the user left it meanwhile.
  w.SetStatusWindowChoice(0);
  {
    rules::PollingHold hold(w);
    w.StatusWindowContGroup->button(1)->click();
  }
  EXPECT_FALSE(w.IsPolling());
  {
    rules::PollingHold hold(w);
    w.SetStatusWindowChoice(0);
  }
  EXPECT_TRUE(w.IsPolling());
}

TEST_F(StatusWindowTest, FailedPollWaitsTenSecondsAndShowsTheRows) {
  w.SetStatusPolling(true);
  w.StatusTimerTimer();
  EXPECT_EQ(1, reads);
  EXPECT_TRUE(w.StatusTimer->isActive());
  EXPECT_EQ(10000, w.StatusTimer->interval());
  EXPECT_EQ("---", w.CellText(2, 2));
  // A kept value width too narrow for the texts is widened where it is shown.
  w.SetGridSizes(50, 5, 18);
  const QFontMetrics metrics(w.StatusGrid->font());
  for (const char* text : {"15", "0xF", "---"})
    EXPECT_GE(w.StatusGrid->columnWidth(2), metrics.horizontalAdvance(QLatin1String(text)) + 5) << text;
  w.SetRefreshInterval(0);  // an armed timer stops rather than run at 0 ms
  EXPECT_FALSE(w.StatusTimer->isActive());
}

TEST_F(StatusWindowTest, ItemEditsPollAgainOnlyWithStart) {
  ST_REGISTER buffer;
  buffer.LongName = "P";
  buffer.ID = 0x50;
  w.SetCopyBuffer(&buffer);
  w.SetStatusWindowChoice(1);
  w.mnuSatsuItemInsertClick();
  EXPECT_FALSE(w.IsPolling());
  EXPECT_EQ("P", w.CellText(1, 1));
  w.SetStatusWindowChoice(0);
  w.mnuSatsuItemInsertClick();
  EXPECT_TRUE(w.StatusTimer->isActive());
  // A delete answered Yes takes the current row out of the grid at once.
  const int rows = w.StatusGrid->verticalHeader()->count();
  w.StatusGrid->setCurrentIndex(w.StatusGrid->model()->index(3, 1));  // Lo, after P and P
  ui.ExpectMessage(0x24, platform::kIdYes, "Do you delete ?");
  w.mnuStatusItemDeleteClick();
  EXPECT_EQ(w.StatusGrid->verticalHeader()->count(), rows - 1);
  EXPECT_EQ(w.CellText(2, 1) + w.CellText(3, 1), "PHi");
}

// Every key acts on the row the user chose, though each edit builds the rows
// again: two deletes take an item and the one that moved up into its row, a
// paste leaves the pasted item current, and a delete of the last item leaves
// the new last one current.
TEST_F(StatusWindowTest, EditsActOnTheRowTheUserChoseAcrossRebuilds) {
  for (const char* name : {"C", "D", "E"}) ws.vund.SetRefreshEntry(RegSetting{name, 0x20, 0xFF}, 99);
  w.StatusTimerTimer();
  ASSERT_EQ(Names(), "Lo Hi C D E ");
  for (int i = 0; i < 7; ++i) ui.ExpectMessage(0x24, platform::kIdYes, "Do you delete ?");
  Press(3, Qt::Key_Delete);
  Press(0, Qt::Key_Delete);
  EXPECT_EQ(Names(), "Lo Hi E ");

  ST_REGISTER buffer;
  buffer.LongName = "P";
  buffer.ID = 0x50;
  w.SetCopyBuffer(&buffer);
  Press(2, Qt::Key_V);
  EXPECT_EQ(Names(), "Lo P Hi E ");
  Press(0, Qt::Key_Delete);
  EXPECT_EQ(Names(), "Lo Hi E ");

  Press(3, Qt::Key_Delete);
  Press(0, Qt::Key_Delete);
  EXPECT_EQ(Names(), "Lo ");
  Press(0, Qt::Key_Delete);
  Press(0, Qt::Key_Delete);  // nothing left: the empty row deletes nothing
  EXPECT_EQ(Names(), "");
  EXPECT_TRUE(RefreshList().empty());
}

// In the default pane (a fifth of a 1024-pixel screen) the value column is
// whole, though widened for "65535" and "0xFFFF": the name column gives way.
// Kept widths that do not fit the pane are shown as the user left them.
TEST_F(StatusWindowTest, TheValueColumnShowsWholeInTheDefaultPane) {
  ws.vund.SetRefreshEntry(RegSetting{"Timer", 0x30, 0xFFFF}, 99);
  w.StatusTimerTimer();
  w.SetGridSizes(150, 30, 18);  // the defaults of the settings
  w.resize(1024 / 5, 400);
  w.show();
  QApplication::processEvents();
  const QFontMetrics metrics(w.StatusGrid->font());
  const int value = w.StatusGrid->columnWidth(2);
  for (const char* text : {"65535", "0xFFFF"}) EXPECT_GT(value, metrics.horizontalAdvance(QLatin1String(text))) << text;
  const int room = w.StatusGrid->viewport()->width();
  ASSERT_GT(150 + value, room) << "the pane holds both columns anyway: nothing to check";
  EXPECT_EQ(w.StatusGrid->columnWidth(1) + value, room);
  EXPECT_EQ(w.StatusGrid->horizontalScrollBar()->maximum(), 0);

  // A scroll bar that comes takes its room from the name column too.
  for (int i = 0; i < 40; ++i) ws.vund.SetRefreshEntry(RegSetting{"More", 0x40, 1}, 99);
  ST_REGISTER buffer;  // a paste builds the rows again
  buffer.LongName = "P";
  buffer.ID = 0x50;
  w.SetCopyBuffer(&buffer);
  w.mnuSatsuItemInsertClick();
  ASSERT_TRUE(ui_test::PumpUntil([this] { return w.StatusGrid->verticalScrollBar()->isVisible(); }));
  QApplication::processEvents();
  EXPECT_EQ(w.StatusGrid->columnWidth(1) + w.StatusGrid->columnWidth(2), w.StatusGrid->viewport()->width());

  // A drag of the name border leaves it where the user put it, and keeps
  // both widths as shown.
  const int name = w.StatusGrid->columnWidth(1);
  Drag(QPoint(name - 1, 5), QPoint(name + 3, 5));
  EXPECT_EQ(w.StatusGrid->columnWidth(1), name + 4);
  int keptName = 0, keptValue = 0, keptRow = 0;
  ws.settings.GetStatusGridSizes(keptName, keptValue, keptRow);
  EXPECT_EQ(keptName, name + 4);
  EXPECT_EQ(keptValue, value);

  w.SetGridSizes(300, 30, 18);
  EXPECT_EQ(w.StatusGrid->columnWidth(1), 300);
}

// What the grid shows, cell by cell, as "row,col=text" for the non-empty cells.
std::string Shown(const QTableView& grid) {
  std::string shown;
  const QAbstractItemModel& model = *grid.model();
  for (int row = 0; row < model.rowCount(); ++row)
    for (int col = 0; col < model.columnCount(); ++col) {
      const std::string text = ui::FromQt(model.data(model.index(row, col)).toString());
      if (!text.empty()) shown += std::to_string(row) + "," + std::to_string(col) + "=" + text + " ";
    }
  return shown;
}

// The names and the fields of the two items only, each in its own row; no
// value in the empty row after them, nor before the first poll.
TEST_F(StatusWindowTest, EachItemShowsItsNameAndItsOwnFieldAndNothingElseShows) {
  EXPECT_EQ(w.StatusGrid->model()->rowCount(), 1 + StatusWindowState::kDesignRows);
  EXPECT_EQ(Shown(*w.StatusGrid), "");
  w.StatusTimerTimer();  // the read fails
  EXPECT_EQ(w.StatusGrid->model()->rowCount(), 1 + 2 + 1);
  EXPECT_EQ(Shown(*w.StatusGrid), "1,1=Lo 1,2=--- 2,1=Hi 2,2=--- ");
  w.SetRefreshReader(Reader(true, 0xA5));
  w.SetStatusPolling(true);
  w.StatusTimerTimer();
  EXPECT_EQ(Shown(*w.StatusGrid), "1,1=Lo 1,2=5 2,1=Hi 2,2=10 ");
  w.SetHexDisplay(true);
  EXPECT_EQ(Shown(*w.StatusGrid), "1,1=Lo 1,2=0x5 2,1=Hi 2,2=0xA ");
  w.SetRefreshReader(Reader(false));
  w.StatusTimerTimer();  // a failed poll keeps the last numbers
  EXPECT_EQ(Shown(*w.StatusGrid), "1,1=Lo 1,2=0x5 2,1=Hi 2,2=0xA ");
}

// Each version row pairs a name with its own text; a visit that reads no name
// keeps the rows; both columns take half the page less 10 pixels.
TEST_F(StatusWindowTest, MicomVersionRowsPairEachNameWithItsOwnText) {
  std::vector<std::string> names{"Main", "Sub", "Panel"};
  std::vector<std::string> texts{"Ver1.234 [AAAA]", "Ver5.678 [BBBB]", "?[?]"};
  int visits = 0;
  w.sGridMiconVer->SetReader([&](std::vector<std::string>& n, std::vector<std::string>& t) {
    ++visits;
    n = names;
    t = texts;
    return true;
  });
  const auto rows = [this] {
    std::string shown;
    const QTableWidget& page = *w.sGridMiconVer;
    for (int row = 0; row < page.rowCount(); ++row)
      shown += ui::FromQt(page.item(row, 0)->text()) + "=" + ui::FromQt(page.item(row, 1)->text()) + " ";
    return shown;
  };
  w.resize(204, 400);
  w.StatusPage->setCurrentIndex(1);
  EXPECT_EQ(rows(), "Main=Ver1.234 [AAAA] Sub=Ver5.678 [BBBB] Panel=?[?] ");
  EXPECT_EQ(w.sGridMiconVer->columnWidth(0), w.StatusPage->width() / 2 - 10);
  EXPECT_EQ(w.sGridMiconVer->columnWidth(1), w.StatusPage->width() / 2 - 10);
  names.clear();
  texts.clear();
  w.StatusPage->setCurrentIndex(0);
  w.StatusPage->setCurrentIndex(1);
  EXPECT_EQ(visits, 2);
  EXPECT_EQ(rows(), "Main=Ver1.234 [AAAA] Sub=Ver5.678 [BBBB] Panel=?[?] ");
}

}  // namespace
