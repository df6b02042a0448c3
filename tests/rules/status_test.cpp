// The status window's state: the poll step, value texts and item edits.
#include <gtest/gtest.h>

#include "rules/statuswindowrules.h"
#include "support/status_fixture.h"

using namespace testing_support;

namespace {

TEST_F(StatusTest, PollStep) {
  StatusWindowState s{ws.vund, ui};
  s.SetInterval(500);
  EXPECT_TRUE(s.SetStatusPolling(true));

  EXPECT_TRUE(s.StatusTimerTimer(Reader(false)).rearm);
  EXPECT_EQ(StatusWindowState::kFailedPollIntervalMs, s.Interval());
  EXPECT_EQ((std::vector<std::string>{"---", "---"}), s.ValueTexts(false));
  EXPECT_TRUE(s.StatusTimerTimer(Reader(true, 0x21)).rearm);
  EXPECT_EQ(500, s.Interval());
  EXPECT_EQ((std::vector<std::string>{"1", "2"}), s.ValueTexts(false));  // two fields of one read

  // Another operation waits for its reply: no read now, but come back.
  reads = 0;
  EXPECT_TRUE(s.StatusTimerTimer(Reader(true), true).rearm);
  EXPECT_EQ(0, reads);
  // Off: the next tick reads nothing and stops.
  s.SetStatusPolling(false);
  EXPECT_FALSE(s.StatusTimerTimer(Reader(true)).rearm);
  EXPECT_EQ(0, reads);
}

TEST_F(StatusTest, NoItemsOrNoIntervalMeansNoPolling) {
  VundData none(ui);  // no vund.dat: RefreshTime 0, no items
  StatusWindowState empty{none, ui};
  empty.SetStatusPolling(true);
  EXPECT_FALSE(empty.StatusTimerTimer(Reader(true)).rearm);
  EXPECT_EQ(0, reads);

  none.SetRefreshEntry(RegSetting{"X", 0x20, 0xFFFF}, 0);
  StatusWindowState s{none, ui};
  s.SetInterval(0);
  EXPECT_FALSE(s.SetStatusPolling(true));  // no timer at 0 ms
  s.SetInterval(500);
  // A successful poll takes RefreshTime 0: no more ticks, rather than a busy loop.
  EXPECT_FALSE(s.StatusTimerTimer(Reader(true, 1)).rearm);
  // A failed one still waits its 10 s.
  EXPECT_TRUE(s.StatusTimerTimer(Reader(false)).rearm);
}

TEST_F(StatusTest, RowsFollowEveryPasteEditAndDelete) {
  StatusWindowState s{ws.vund, ui};
  s.BuildStatusList();
  EXPECT_TRUE(s.Paste({"Copied", "", 0x30, 0x0F00}, 30));  // a row far past the items appends
  EXPECT_EQ((std::vector<std::string>{"Lo", "Hi", "Copied", ""}), s.RowNames());
  EXPECT_EQ(0x0F00, RefreshList()[2].Mask);

  const auto answer = [](const std::string& name, const std::string& id) {
    return [name, id](std::vector<STEditItem>& rows) {
      rows[0].Value = name;
      rows[1].Value = id;
      return true;
    };
  };
  ASSERT_TRUE(s.AddOrEdit(1, 2, answer("High", "0x11")));  // Edit (Tag 1) replaces the row's item
  ASSERT_TRUE(s.AddOrEdit(1, 9, answer("New", "0x40")));  // past the last item: appended
  ASSERT_TRUE(s.AddOrEdit(0, 1, answer("First", "5")));   // Add (Tag 0) inserts before the row
  EXPECT_FALSE(s.AddOrEdit(0, 1, [](std::vector<STEditItem>&) { return false; }));
  EXPECT_EQ((std::vector<std::string>{"First", "Lo", "High", "Copied", "New", ""}), s.RowNames());
  EXPECT_EQ(0x11, RefreshList()[2].ID);

  ui.ExpectMessage(0x24, platform::kIdYes).ExpectMessage(0x24, platform::kIdYes);
  EXPECT_TRUE(s.Delete(1, "First"));
  EXPECT_TRUE(s.Delete(1, s.RowNames()[0]));  // the second delete hits the item now in row 1
  EXPECT_EQ((std::vector<std::string>{"High", "Copied", "New", ""}), s.RowNames());
  EXPECT_EQ(3u, RefreshList().size());
}

}  // namespace
