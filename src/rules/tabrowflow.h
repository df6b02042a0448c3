// Where the tabs of a multi-row tab strip go: left to right, a new row where
// the next tab no longer fits, so every tab is seen whatever the width. Rows
// stay where they are when the current tab changes, so a tab never moves away
// from under the pointer that chose it. The widget measures the tabs and
// paints them; the flow and the hit test are here.
#pragma once
#include <cstddef>
#include <vector>

namespace rules {

class TabRowFlow {
 public:
  struct Place {
    int row = 0;
    int left = 0;
    int width = 0;
  };

  // Flows tabs of the given widths into rows of the available width. A tab
  // wider than a whole row has the row to itself and is cut to its width.
  // With no width yet (a strip not laid out), every tab stays on one row.
  void Layout(const std::vector<int>& widths, int available);

  int Count() const { return static_cast<int>(places_.size()); }
  // At least 1, also for a strip without tabs.
  int RowCount() const { return rows_; }
  // The place of a tab; index must be below Count().
  const Place& PlaceOf(int index) const { return places_[static_cast<size_t>(index)]; }
  bool FirstInRow(int index) const;
  bool LastInRow(int index) const;
  // The tab at x on a row, -1 past the row's last tab or outside the rows.
  int TabAt(int x, int row) const;
  // The tab at a point of a strip whose rows are rowHeight high, the first
  // row at the top.
  int TabAtPoint(int x, int y, int rowHeight) const;

 private:
  std::vector<Place> places_;
  int rows_ = 1;
};

// The tab Ctrl+Tab (back: Ctrl+Shift+Tab) goes to from current among count:
// the next or the one before, neither below the first nor past the last.
int StepTab(int current, int count, bool back);

}  // namespace rules
