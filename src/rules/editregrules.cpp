#include "rules/editregrules.h"

#include <algorithm>

#include "link/targetcontrol.h"
#include "model/systemfunc.h"
#include "platform/convert.h"

namespace rules {

RegisterWriter TargetRegisterWriter(TTargetControl& target) {
  return [&target](uint32_t id, uint32_t word) { return target.WriteMemory(id, 2, 1, &word); };
}

void KeepOnScreen(int& left, int& top, int width, int height, const ScreenRect& area) {
  if (area.left + area.width < left + width) left -= width;
  if (area.top + area.height < top + height) top -= height;
  ScreenRect frame{left, top, width, height};
  KeepInside(frame, area);
  left = frame.left;
  top = frame.top;
}

EditRegSession::EditRegSession(Registers& set, const ST_REGISTER& reg, int fieldValue, bool hex,
                               RegisterWriter writer)
    : set_(set), reg_(reg), value_(fieldValue), hex_(hex), writer_(std::move(writer)) {}

void EditRegSession::Start() {
  editText_ = FormatValue(value_);
  word_ = set_.GetValue(reg_.ID);
  // One history per field: registers sharing a word keep theirs apart.
  undo_ = &set_.GetUndoStack(reg_.ID, reg_.Mask);
  undo_->push(value_);
}

std::string EditRegSession::RangeText() const {
  if (hex_)
    return platform::Format("Max:0x%X Min:0x%X", static_cast<unsigned>(reg_.Max), static_cast<unsigned>(reg_.Min));
  return platform::Format("Max:%d Min:%d", reg_.Max, reg_.Min);
}

std::string EditRegSession::FormatValue(int value) const {
  return hex_ ? platform::Format("0x%X", static_cast<unsigned>(value)) : platform::Format("%d", value);
}

int EditRegSession::MergeField(int word, int value) const {
  const int mask = static_cast<int>(reg_.Mask);
  return (word & ~mask) | ShiftIntoMask(mask, value);
}

bool EditRegSession::Write(int word) {
  if (!writer_ || !writer_(reg_.ID, static_cast<uint32_t>(word))) return false;
  set_.SetValue(reg_.ID, word);
  set_.SetSnapshotValue(reg_.ID, word);
  ++writes_;
  return true;
}

bool EditRegSession::ApplyValue(Key key, const std::string& typed) {
  const int old = value_;
  // 64 bits: a wide Max - Min or a value near the ends of int must not wrap
  // before it is clamped.
  const int64_t step = (static_cast<int64_t>(reg_.Max) - reg_.Min) / 16;
  int64_t v = value_;
  switch (key) {
    case Key::Enter:
      v = platform::StrToInt(typed);
      break;
    case Key::PageUp:
      v = reg_.Max;
      break;
    case Key::PageDown:
      v = reg_.Min;
      break;
    case Key::Left:
      v -= step;
      break;
    case Key::Right:
      v += step;
      break;
    case Key::Up:
      v += 1;
      break;
    case Key::Down:
      v -= 1;
      break;
  }
  if (v > reg_.Max) v = reg_.Max;
  if (v < reg_.Min) v = reg_.Min;
  value_ = static_cast<int>(v);

  const int previousWord = word_;
  word_ = MergeField(word_, value_);
  if (!Write(word_)) {
    value_ = old;
    word_ = previousWord;
    return false;
  }
  editText_ = FormatValue(value_);
  if (undo_) undo_->push(value_);
  return true;
}

bool EditRegSession::Undo() {
  if (!undo_ || undo_->empty()) return true;
  const int popped = undo_->top();
  undo_->pop();
  if (undo_->empty()) return true;
  const int entry = undo_->top();
  const int word = MergeField(word_, entry);
  if (!Write(word)) {
    // The write did not happen: the history stays as it was.
    undo_->push(popped);
    return true;
  }
  word_ = word;
  value_ = entry;
  editText_ = FormatValue(entry);
  return true;
}

}  // namespace rules
