#include "rules/tabrowflow.h"

#include <algorithm>

namespace rules {

void TabRowFlow::Layout(const std::vector<int>& widths, int available) {
  places_.clear();
  rows_ = 1;
  int row = 0;
  int x = 0;
  for (int width : widths) {
    width = std::max(width, 0);
    if (available > 0) {
      if (x > 0 && x + width > available) {
        ++row;
        x = 0;
      }
      width = std::min(width, available);
    }
    places_.push_back({row, x, width});
    x += width;
  }
  rows_ = row + 1;
}

bool TabRowFlow::FirstInRow(int index) const { return index == 0 || PlaceOf(index - 1).row != PlaceOf(index).row; }

bool TabRowFlow::LastInRow(int index) const {
  return index == Count() - 1 || PlaceOf(index + 1).row != PlaceOf(index).row;
}

int TabRowFlow::TabAt(int x, int row) const {
  for (int i = 0; i < Count(); ++i) {
    const Place& p = PlaceOf(i);
    if (p.row == row && x >= p.left && x < p.left + p.width) return i;
  }
  return -1;
}

int TabRowFlow::TabAtPoint(int x, int y, int rowHeight) const {
  if (y < 0 || rowHeight <= 0) return -1;
  return TabAt(x, y / rowHeight);
}

int StepTab(int current, int count, bool back) {
  return std::clamp(back ? current - 1 : current + 1, 0, std::max(0, count - 1));
}

}  // namespace rules
