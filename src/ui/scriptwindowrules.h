// The script window's rules without widgets: how printed text becomes output
// lines, which screen points show whether the window is hidden, and the
// colour values scripts pass.
#pragma once
#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace ui {

// One output line and the colour it was written in (0x00BBGGRR; -1 follows
// the memo's text colour).
struct ScriptOutputLine {
  std::string text;
  int color = -1;
};

// The output memo's lines and the line being written. A carriage return
// makes what follows overwrite the current line; a line feed starts a new
// one; a line longer than kLineLimit bytes goes on in a new line. Buffered
// text is shown at once and completed by the next print.
//
// The lines are kept here under a lock so they can be saved from any thread.
class TScriptOutput {
 public:
  static constexpr size_t kLineLimit = 2048;

  void Clear();
  // Returns the index of the first line that changed; every line from there
  // to the end must be redrawn (lines are only ever changed at the end).
  int Print(const std::string& text, int color = -1);

  std::vector<ScriptOutputLine> Lines(int from = 0) const;
  int LineCount() const;
  // The lines joined with CR LF, each one ended (the memo's file form).
  std::string Text() const;

 private:
  void Flush(int color, int& firstChanged);
  void NewLine(int& firstChanged);

  mutable std::mutex mutex_;
  std::vector<ScriptOutputLine> lines_;
  std::string buffer_;
  int lineIndex_ = 0;
};

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
