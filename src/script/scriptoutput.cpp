#include "script/scriptoutput.h"

#include <algorithm>

#include "platform/text.h"

void TScriptOutput::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.clear();
  dropped_ = 0;
  buffer_.clear();
  lineIndex_ = 0;
  firstChanged_ = -1;
}

void TScriptOutput::Changed(int line) {
  if (firstChanged_ < 0 || line < firstChanged_) firstChanged_ = line;
}

// The buffered text replaces the current line (which is made when missing).
void TScriptOutput::Flush(int color) {
  if (static_cast<size_t>(lineIndex_) >= lines_.size()) lines_.resize(static_cast<size_t>(lineIndex_) + 1);
  ScriptOutputLine& line = lines_[static_cast<size_t>(lineIndex_)];
  line.text = buffer_;
  line.color = color;
  Changed(lineIndex_);
}

void TScriptOutput::NewLine() {
  // The current line ends even when nothing was written into it.
  Changed(std::min(lineIndex_, static_cast<int>(lines_.size())));
  if (static_cast<size_t>(lineIndex_) >= lines_.size()) lines_.resize(static_cast<size_t>(lineIndex_) + 1);
  lines_.emplace_back();
  if (maxLines_ && lines_.size() > maxLines_) {
    lines_.pop_front();
    ++dropped_;
    if (firstChanged_ > 0) --firstChanged_;
  }
  lineIndex_ = static_cast<int>(lines_.size()) - 1;
}

bool TScriptOutput::Print(const std::string& text, int color) {
  std::lock_guard<std::mutex> lock(mutex_);
  const bool wasClean = firstChanged_ < 0;
  for (const char c : text) {
    if (c == '\r') {
      if (!buffer_.empty()) {
        Flush(color);
        buffer_.clear();
      }
    } else if (c == '\n') {
      if (!buffer_.empty()) {
        Flush(color);
        buffer_.clear();
      }
      NewLine();
    } else {
      if (buffer_.size() >= kLineLimit) {
        // A double-byte character is never cut in two: a lead byte at the
        // end of the full line moves on to the next one.
        std::string carry;
        size_t i = 0;
        while (i < buffer_.size()) i += platform::IsSjisLeadByte(static_cast<unsigned char>(buffer_[i])) ? 2 : 1;
        if (i > buffer_.size()) {
          carry = buffer_.substr(buffer_.size() - 1);
          buffer_.pop_back();
        }
        Flush(color);
        NewLine();
        buffer_ = carry;
      }
      buffer_ += c;
    }
  }
  if (!buffer_.empty()) Flush(color);
  return wasClean && firstChanged_ >= 0;
}

int TScriptOutput::TakeChanges(std::vector<ScriptOutputLine>& lines, size_t& dropped) {
  std::lock_guard<std::mutex> lock(mutex_);
  const int first = firstChanged_;
  lines.clear();
  dropped = dropped_;
  dropped_ = 0;
  if (first < 0) return -1;
  lines.assign(lines_.begin() + first, lines_.end());
  firstChanged_ = -1;
  return first;
}

std::vector<ScriptOutputLine> TScriptOutput::Lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {lines_.begin(), lines_.end()};
}

int TScriptOutput::LineCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(lines_.size());
}

std::string TScriptOutput::Text() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string out;
  for (const ScriptOutputLine& line : lines_) out += line.text + "\r\n";
  return out;
}
