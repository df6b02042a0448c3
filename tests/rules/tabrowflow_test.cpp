// The rows of a multi-row tab strip and which tab a point falls on.
#include <gtest/gtest.h>

#include <string>

#include "rules/tabrowflow.h"

namespace {

using rules::TabRowFlow;

// "row:left+width" for each tab, space separated.
std::string Places(const TabRowFlow& flow) {
  std::string out;
  for (int i = 0; i < flow.Count(); ++i) {
    const TabRowFlow::Place& p = flow.PlaceOf(i);
    out += (i ? " " : "") + std::to_string(p.row) + ":" + std::to_string(p.left) + "+" + std::to_string(p.width);
  }
  return out;
}

TEST(TabRowFlowTest, TabsWrapWhereTheNextNoLongerFitsAndEveryTabKeepsItsWidth) {
  TabRowFlow flow;
  flow.Layout({40, 30, 30, 50, 20}, 100);  // 40+30+30 fills the row exactly
  EXPECT_EQ("0:0+40 0:40+30 0:70+30 1:0+50 1:50+20", Places(flow));
  EXPECT_EQ(2, flow.RowCount());
  flow.Layout({40, 30, 30, 50, 20}, 99);
  EXPECT_EQ("0:0+40 0:40+30 1:0+30 1:30+50 2:0+20", Places(flow));
  flow.Layout({40, 30, 30, 50, 20}, 170);  // wider: fewer rows
  EXPECT_EQ(1, flow.RowCount());
  std::vector<int> thirty(30, 60);
  flow.Layout(thirty, 1024);  // 17 a row
  EXPECT_EQ(2, flow.RowCount());
  EXPECT_EQ(0, flow.PlaceOf(16).row);
  EXPECT_EQ(1, flow.PlaceOf(17).row);
  EXPECT_EQ(0, flow.PlaceOf(17).left);
}

TEST(TabRowFlowTest, ATabWiderThanTheStripHasARowToItselfCutToTheWidth) {
  TabRowFlow flow;
  flow.Layout({30, 250, 30}, 100);
  EXPECT_EQ("0:0+30 1:0+100 2:0+30", Places(flow));
  EXPECT_EQ(3, flow.RowCount());
  flow.Layout({250}, 100);
  EXPECT_EQ("0:0+100", Places(flow));
}

TEST(TabRowFlowTest, WithoutTabsOrWithoutAWidthYetThereIsOneRow) {
  TabRowFlow flow;
  flow.Layout({}, 100);
  EXPECT_EQ(1, flow.RowCount());
  EXPECT_EQ(-1, flow.TabAt(0, 0));
  // A strip not laid out yet must not ask for a row per tab.
  flow.Layout({40, 30, 30}, 0);
  EXPECT_EQ("0:0+40 0:40+30 0:70+30", Places(flow));
  EXPECT_EQ(1, flow.RowCount());
}

TEST(TabRowFlowTest, APointFindsTheTabDrawnThereAndNoneInTheGaps) {
  TabRowFlow flow;
  flow.Layout({40, 30, 30, 50, 20}, 100);
  const int rowHeight = 20;
  struct Hit {
    int x, y, tab;
  };
  const Hit hits[] = {
      {0, 0, 0},   {39, 19, 0},  {40, 0, 1},   {99, 5, 2},  {0, 20, 3},  {49, 39, 3}, {50, 20, 4},
      {69, 39, 4}, {70, 25, -1},  // right of the second row's last tab
      {10, 40, -1},               // below the rows
      {10, -1, -1},  {-1, 5, -1},
  };
  for (const Hit& h : hits) EXPECT_EQ(h.tab, flow.TabAtPoint(h.x, h.y, rowHeight)) << h.x << "," << h.y;
  EXPECT_EQ(-1, flow.TabAtPoint(10, 10, 0));
}

}  // namespace
