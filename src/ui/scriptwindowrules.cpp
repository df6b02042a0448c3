#include "ui/scriptwindowrules.h"

#include <algorithm>

#include "platform/text.h"

namespace ui {

void TScriptOutput::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.clear();
  buffer_.clear();
  lineIndex_ = 0;
}

// The buffered text replaces the current line (which is made when missing).
void TScriptOutput::Flush(int color, int& firstChanged) {
  if (static_cast<size_t>(lineIndex_) >= lines_.size()) lines_.resize(static_cast<size_t>(lineIndex_) + 1);
  ScriptOutputLine& line = lines_[static_cast<size_t>(lineIndex_)];
  line.text = buffer_;
  line.color = color;
  if (firstChanged < 0 || lineIndex_ < firstChanged) firstChanged = lineIndex_;
}

void TScriptOutput::NewLine(int& firstChanged) {
  // The current line ends even when nothing was written into it.
  const int from = std::min(lineIndex_, static_cast<int>(lines_.size()));
  if (static_cast<size_t>(lineIndex_) >= lines_.size()) lines_.resize(static_cast<size_t>(lineIndex_) + 1);
  lines_.emplace_back();
  lineIndex_ = static_cast<int>(lines_.size()) - 1;
  if (firstChanged < 0 || from < firstChanged) firstChanged = from;
}

int TScriptOutput::Print(const std::string& text, int color) {
  std::lock_guard<std::mutex> lock(mutex_);
  int firstChanged = -1;
  for (const char c : text) {
    if (c == '\r') {
      if (!buffer_.empty()) {
        Flush(color, firstChanged);
        buffer_.clear();
      }
    } else if (c == '\n') {
      if (!buffer_.empty()) {
        Flush(color, firstChanged);
        buffer_.clear();
      }
      NewLine(firstChanged);
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
        Flush(color, firstChanged);
        NewLine(firstChanged);
        buffer_ = carry;
      }
      buffer_ += c;
    }
  }
  if (!buffer_.empty()) Flush(color, firstChanged);
  return firstChanged;
}

std::vector<ScriptOutputLine> TScriptOutput::Lines(int from) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (from <= 0) return lines_;
  if (static_cast<size_t>(from) >= lines_.size()) return {};
  return std::vector<ScriptOutputLine>(lines_.begin() + from, lines_.end());
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

std::array<ScreenPoint, 4> VisibilityProbePoints(int left, int top, int width, int height) {
  return {{{left + 8, top + 8},
           {left + width - 16, top + 8},
           {left + width - 16, top + height - 16},
           {left + 8, top + height - 16}}};
}

int ResolveScriptColor(uint32_t color) {
  if ((color & 0xFF000000u) == 0x80000000u) {
    // The usual defaults of the system colour entries, 0x00BBGGRR.
    static const int kSystemColors[] = {
        0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
        0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0,
        0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
        0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xD77800, 0xF0F0F0,
    };
    const uint32_t index = color & 0xFF;
    if (index < sizeof(kSystemColors) / sizeof(kSystemColors[0])) return kSystemColors[index];
    return 0;
  }
  return static_cast<int>(color & 0x00FFFFFF);
}

}  // namespace ui
