// How tall a grid row and how wide a status bar panel must be so that no
// character of their text is cut off in the font in use. The widgets measure
// with the font; the rules are here.
#pragma once

namespace rules {

// What a row adds to the font's line height: the 1-pixel inset above and
// below the text and the grid line.
constexpr int kRowPadding = 3;

// The height a row is shown at: the stored height, or the font's line height
// plus padding when that is taller. The stored height stays as it was.
int FittedRowHeight(int storedHeight, int lineHeight, int padding = kRowPadding);

// The width a status bar panel takes: its design width, or the width of its
// whole text plus its frame on both sides and the label's indent when that
// is wider, with one pixel for a glyph that reaches past its advance.
int FittedPanelWidth(int designWidth, int textWidth, int frameWidth, int indent);

}  // namespace rules
