// How wide a value column must be so that none of its texts loses a digit.
// The widget measures text with the font in use; the rule is here.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rules {

// What a cell adds to its text: 2 pixels inset either side, the grid line,
// and one pixel for glyphs that reach past their advance.
constexpr int kValueCellPadding = 6;

// The width of a text in pixels, in the font the column draws with.
using TextWidth = std::function<int(const std::string&)>;

// The width a value column takes: at least storedWidth, and wide enough for
// the widest text any of its fields can show (decimal up to the field's
// largest value, "0x" hexadecimal, and the text of a value not read), every
// place taken by the font's widest digit, plus padding (insets and grid line).
int ValueColumnWidth(int storedWidth, const std::vector<uint32_t>& largestFields, const std::string& notRead,
                     int padding, const TextWidth& measure);

// The width a name column beside a value column is shown at. Kept widths
// that fit the pane (paneWidth: the room with no scroll bar) keep the value
// column in sight: when its widening for its texts (shownValue) or a scroll
// bar (room: the width there is) would push it out, the name column gives
// way. Kept widths that do not fit the pane were left so by the user and
// are shown as they are.
int ShownNameWidth(int keptName, int keptValue, int shownValue, int paneWidth, int room);

// The largest value a field of a 16-bit register word under mask can hold.
uint32_t LargestRegisterField(uint32_t mask);

}  // namespace rules
