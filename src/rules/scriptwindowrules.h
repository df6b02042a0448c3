// The script window's rules without widgets: which screen points show whether
// the window is hidden, and the colour values scripts pass. How printed text
// becomes lines is the engine's (script/scriptoutput.h).
#pragma once
#include <array>
#include <cstdint>

namespace ui {

// The four points tested to decide whether the window is covered: inside
// each corner of its frame rectangle.
struct ScreenPoint {
  int x = 0;
  int y = 0;
};
std::array<ScreenPoint, 4> VisibilityProbePoints(int left, int top, int width, int height);
// The window is raised (without activation) when fewer than 3 of the
// points show it.
constexpr int kVisiblePointsNeeded = 3;

// A colour value of a script: 0x00BBGGRR, or a system colour (high byte
// 0x80 with the system colour's index in the low byte). Returns 0x00BBGGRR;
// a system colour becomes the usual default of that entry.
int ResolveScriptColor(uint32_t color);

}  // namespace ui
