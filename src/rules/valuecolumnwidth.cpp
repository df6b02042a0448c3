#include "rules/valuecolumnwidth.h"

#include <algorithm>

#include "model/systemfunc.h"

namespace rules {

namespace {

int Digits(uint32_t value, uint32_t base) {
  int n = 1;
  while (value >= base) {
    value /= base;
    ++n;
  }
  return n;
}

// The digit of the set that the font draws widest.
char WidestDigit(const char* digits, const TextWidth& measure) {
  char widest = digits[0];
  int width = -1;
  for (const char* d = digits; *d; ++d) {
    const int w = measure(std::string(1, *d));
    if (w > width) {
      width = w;
      widest = *d;
    }
  }
  return widest;
}

}  // namespace

int ValueColumnWidth(int storedWidth, const std::vector<uint32_t>& largestFields, const std::string& notRead,
                     int padding, const TextWidth& measure) {
  int text = measure(notRead);
  if (!largestFields.empty()) {
    const uint32_t largest = *std::max_element(largestFields.begin(), largestFields.end());
    const char dec = WidestDigit("0123456789", measure);
    const char hex = WidestDigit("0123456789ABCDEF", measure);
    text = std::max(text, measure(std::string(static_cast<size_t>(Digits(largest, 10)), dec)));
    text = std::max(text, measure("0x" + std::string(static_cast<size_t>(Digits(largest, 16)), hex)));
  }
  return std::max(storedWidth, text + padding);
}

int ShownNameWidth(int keptName, int keptValue, int shownValue, int paneWidth, int room) {
  if (keptName + keptValue > paneWidth) return keptName;
  return std::clamp(room - shownValue, 0, keptName);
}

uint32_t LargestRegisterField(uint32_t mask) {
  const int m = static_cast<int>(mask & 0xFFFF);
  return static_cast<uint32_t>(ExtractByMask(m, static_cast<int>(mask)));
}

}  // namespace rules
