// The status window's state: the poll step, value texts and item edits.
#include <gtest/gtest.h>

#include "rules/pollinghold.h"
#include "rules/statuswindowrules.h"
#include "support/status_fixture.h"

using namespace testing_support;

namespace {

TEST_F(StatusTest, TwoItemsOfOneRegisterShowTwoFieldsOfOneRead) {
  StatusWindowState s{ws.vund, ui};
  s.SetStatusPolling(true);
  std::map<int, int> seen;
  const auto tick = s.StatusTimerTimer([&](std::map<int, int>& values) {
    seen = values;
    values[0x10] = 0xA5;
    return true;
  });
  EXPECT_TRUE(tick.rebuilt);
  EXPECT_TRUE(tick.shown);
  EXPECT_EQ(1u, seen.size());  // one entry, one read
  EXPECT_EQ(REG_VALUE_UNKNOWN, seen[0x10]);
  EXPECT_EQ((std::vector<std::string>{"Lo", "Hi", ""}), s.RowNames());
  EXPECT_EQ((std::vector<std::string>{"5", "10"}), s.ValueTexts(false));
  EXPECT_EQ((std::vector<std::string>{"0x5", "0xA"}), s.ValueTexts(true));
}

TEST_F(StatusTest, PollStep) {
  StatusWindowState s{ws.vund, ui};
  s.SetInterval(500);
  EXPECT_TRUE(s.SetStatusPolling(true));
  EXPECT_FALSE(s.SetStatusPolling(true));  // already on: the timer runs

  auto tick = s.StatusTimerTimer(Reader(false));
  EXPECT_TRUE(tick.rearm);
  EXPECT_EQ(StatusWindowState::kFailedPollIntervalMs, s.Interval());
  EXPECT_EQ((std::vector<std::string>{"---", "---"}), s.ValueTexts(false));  // the last numbers stay
  tick = s.StatusTimerTimer(Reader(true, 0x21));
  EXPECT_TRUE(tick.rearm);
  EXPECT_EQ(500, s.Interval());
  tick = s.StatusTimerTimer(Reader(false));
  EXPECT_EQ((std::vector<std::string>{"1", "2"}), s.ValueTexts(false));

  // Another operation waits for its reply: no read now, but come back.
  reads = 0;
  tick = s.StatusTimerTimer(Reader(true), true);
  EXPECT_EQ(0, reads);
  EXPECT_TRUE(tick.rearm);

  // Off: the next tick reads nothing and stops.
  s.SetStatusPolling(false);
  tick = s.StatusTimerTimer(Reader(true));
  EXPECT_EQ(0, reads);
  EXPECT_FALSE(tick.rearm);
}

TEST_F(StatusTest, NoItemsOrNoIntervalMeansNoPolling) {
  VundData none(ui);  // no vund.dat: RefreshTime 0, no items
  StatusWindowState empty{none, ui};
  empty.SetStatusPolling(true);
  const auto tick = empty.StatusTimerTimer(Reader(true));
  EXPECT_FALSE(tick.rearm);
  EXPECT_FALSE(empty.Polling());
  EXPECT_EQ(0, reads);

  none.SetRefreshEntry(RegSetting{"X", 0x20, 0xFFFF}, 0);
  StatusWindowState s{none, ui};
  s.SetInterval(0);
  EXPECT_FALSE(s.SetStatusPolling(true));  // no timer at 0 ms
  s.SetInterval(500);
  // A successful poll takes RefreshTime 0: no more ticks, rather than a busy loop.
  EXPECT_FALSE(s.StatusTimerTimer(Reader(true, 1)).rearm);
  EXPECT_FALSE(s.IntervalPolls());
  // A failed one still waits its 10 s.
  EXPECT_TRUE(s.StatusTimerTimer(Reader(false)).rearm);
}

TEST_F(StatusTest, PasteAndDelete) {
  StatusWindowState s{ws.vund, ui};
  s.BuildStatusList();

  ST_REGISTER buffer;
  buffer.ID = 0;
  EXPECT_FALSE(s.Paste(buffer, 1));  // nothing copied
  EXPECT_EQ(2u, RefreshList().size());

  buffer.LongName = "Copied";
  buffer.ID = 0x30;
  buffer.Mask = 0x0F00;
  EXPECT_TRUE(s.Paste(buffer, 30));  // a row far past the items appends
  ASSERT_EQ(3u, RefreshList().size());
  EXPECT_EQ("Copied", RefreshList()[2].Name);
  EXPECT_EQ(0x0F00, RefreshList()[2].Mask);
  EXPECT_EQ(3u, s.Items().size());  // rows rebuilt at once

  ui.ExpectMessage(0x24, platform::kIdNo, "Do you delete ?");
  EXPECT_FALSE(s.Delete(1, "Lo"));
  ui.ExpectMessage(0x24, platform::kIdYes);
  EXPECT_FALSE(s.Delete(5, ""));  // an empty cell
  ui.ExpectMessage(0x24, platform::kIdYes);
  ui.ExpectMessage(0x24, platform::kIdYes);
  EXPECT_TRUE(s.Delete(1, "Lo"));
  EXPECT_TRUE(s.Delete(1, s.Items()[0].Name));  // the second delete hits the item now in row 1
  ASSERT_EQ(1u, RefreshList().size());
  EXPECT_EQ("Copied", RefreshList()[0].Name);
  EXPECT_EQ(1u, s.Items().size());
  EXPECT_TRUE(ui.AllSeen());
}

TEST_F(StatusTest, AddAndEditThroughTheParameterEditor) {
  StatusWindowState s{ws.vund, ui};
  s.BuildStatusList();
  std::vector<STEditItem> shown;
  auto answer = [&](const std::string& name, const std::string& id, const std::string& mask) {
    return [&shown, name, id, mask](std::vector<STEditItem>& rows) {
      shown = rows;
      rows[0].Value = name;
      rows[1].Value = id;
      rows[2].Value = mask;
      return true;
    };
  };

  // Edit (Tag 1) on a row past the last item appends.
  ASSERT_TRUE(s.AddOrEdit(1, 7, answer("New", "0x40", "255")));
  ASSERT_EQ(3u, RefreshList().size());
  EXPECT_EQ("New", RefreshList()[2].Name);
  EXPECT_EQ(0x40, RefreshList()[2].ID);
  EXPECT_EQ(255, RefreshList()[2].Mask);
  EXPECT_EQ("", shown[0].Value);
  EXPECT_EQ("0x0", shown[1].Value);
  EXPECT_EQ("0xFFFF", shown[2].Value);

  // Edit of row 2 shows its item and replaces it.
  ASSERT_TRUE(s.AddOrEdit(1, 2, answer("High", "0x10", "0xF0")));
  EXPECT_EQ("Hi", shown[0].Value);
  EXPECT_EQ("0x10", shown[1].Value);
  EXPECT_EQ("0;0xFFFFFFFF", shown[1].Range);
  EXPECT_EQ("0xF0", shown[2].Value);
  EXPECT_EQ("0;0xFFFF", shown[2].Range);
  EXPECT_EQ("High", RefreshList()[1].Name);

  // Add (Tag 0) inserts before the row.
  ASSERT_TRUE(s.AddOrEdit(0, 1, answer("First", "5", "1")));
  EXPECT_EQ("First", RefreshList()[0].Name);
  EXPECT_EQ(4u, s.Items().size());

  EXPECT_FALSE(s.AddOrEdit(0, 1, [](std::vector<STEditItem>&) { return false; }));
  EXPECT_EQ(4u, RefreshList().size());
}

}  // namespace
