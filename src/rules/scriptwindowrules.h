// The script window's rules without widgets: which screen points show whether
// the window is hidden, how many lines it keeps, and the colour values
// scripts pass. How printed text becomes lines is the engine's
// (script/scriptoutput.h).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace rules {

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
// What a print does with the window's place when seen of the points show
// it: nothing, raise it now, or raise it once no modal dialog of the program
// is open, as it must never come up over one (the user is answering it).
enum class PrintRaise { None, Now, AfterModal };
PrintRaise RaiseOnPrint(int seen, bool modalDialogOpen);

// How many lines the window keeps: the most recent ones, older lines going
// from the top as in a terminal, so that a script printing without end
// cannot use up the memory: with lines of the longest, 2048 bytes, the
// program stays well under 400 MB (bench/runaway-print.sh).
constexpr size_t kScriptWindowLines = 5000;

// A colour value of a script: 0x00BBGGRR, or a system colour (high byte
// 0x80 with the system colour's index in the low byte). Returns 0x00BBGGRR;
// a system colour becomes the usual default of that entry.
int ResolveScriptColor(uint32_t color);

}  // namespace rules
