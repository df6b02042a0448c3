#include "rules/textfit.h"

#include <algorithm>

namespace rules {

int FittedRowHeight(int storedHeight, int lineHeight, int padding) {
  return std::max(storedHeight, lineHeight + padding);
}

int FittedPanelWidth(int designWidth, int textWidth, int frameWidth, int indent) {
  return std::max(designWidth, textWidth + 2 * frameWidth + std::max(0, indent) + 1);
}

}  // namespace rules
