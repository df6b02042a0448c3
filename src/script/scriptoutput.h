// What a script window's output memo holds: how printed text becomes lines.
// The script thread writes here directly; the window shows the changes later,
// so printing never waits for the main thread.
#pragma once
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

// One output line and the colour it was written in (0x00BBGGRR; -1 follows
// the memo's text colour).
struct ScriptOutputLine {
  std::string text;
  int color = -1;
};

// The memo's lines and the line being written. A carriage return makes what
// follows overwrite the current line; a line feed starts a new one; a line
// longer than kLineLimit bytes goes on in a new line. Buffered text is shown
// at once and completed by the next print. Only the most recent lines are
// kept when there is a limit, the oldest going from the top as in a terminal.
// Every operation may come from any thread.
class TScriptOutput {
 public:
  static constexpr size_t kLineLimit = 2048;

  // maxLines: how many lines are kept (0: all).
  explicit TScriptOutput(size_t maxLines = 0) : maxLines_(maxLines) {}

  void Clear();
  // True when the output had no changes waiting to be taken before: the
  // caller then has the window look again.
  bool Print(const std::string& text, int color = -1);
  // The lines changed since the last call (each one from the first changed
  // line to the end; lines only ever change at the end) and the index of the
  // first of them; -1 and nothing when nothing changed. dropped: how many
  // lines went from the top meanwhile (indexes count without them).
  int TakeChanges(std::vector<ScriptOutputLine>& lines, size_t& dropped);

  std::vector<ScriptOutputLine> Lines() const;
  int LineCount() const;
  // The lines joined with CR LF, each one ended (the memo's file form).
  std::string Text() const;

 private:
  void Flush(int color);
  void NewLine();
  void Changed(int line);

  mutable std::mutex mutex_;
  const size_t maxLines_;
  std::deque<ScriptOutputLine> lines_;
  size_t dropped_ = 0;  // since the last TakeChanges
  std::string buffer_;
  int lineIndex_ = 0;
  int firstChanged_ = -1;  // not taken yet
};
