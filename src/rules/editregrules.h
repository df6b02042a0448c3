// The register value dialog's rules without a widget: the texts it shows,
// stepping and clamping a field value, merging it into the register word,
// the write to the target, the cache update and the undo history.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "model/registers.h"
#include "rules/mainwindowrules.h"

class TTargetControl;

namespace rules {

// Writes one 16-bit word at a register ID; true on success.
using RegisterWriter = std::function<bool(uint32_t id, uint32_t word)>;
// The target-control object's WriteMemory (width 2, one word).
RegisterWriter TargetRegisterWriter(TTargetControl& target);

// Where a window whose frame has the given size, placed with its top-left
// corner at (left, top), goes: moved left by its width past the right edge
// of the area, up by its height past the bottom, and then kept wholly inside
// the area.
void KeepOnScreen(int& left, int& top, int width, int height, const ScreenRect& area);

class EditRegSession {
 public:
  enum class Key { Enter, PageUp, PageDown, Left, Up, Right, Down };

  // fieldValue is the field as the grid showed it.
  EditRegSession(Registers& set, const ST_REGISTER& reg, int fieldValue, bool hex, RegisterWriter writer);

  // Takes the cached word and pushes the current field value on the
  // register's undo history (once per opening).
  void Start();

  // "Max:%d Min:%d" or "Max:0x%X Min:0x%X".
  std::string RangeText() const;
  std::string FormatValue(int value) const;
  // What the edit field shows.
  const std::string& EditText() const { return editText_; }

  // Enter takes the typed text (throws platform::EConvertError when it is not
  // a number, changing nothing); the other keys step the current value. The
  // result is clamped to Max and Min, merged into the word and written. True
  // on a successful write; on failure the value is put back.
  bool ApplyValue(Key key, const std::string& typed = std::string());
  // Steps back one entry of the history and writes it. Always true.
  bool Undo();

  // (word AND NOT Mask) OR the value shifted into Mask.
  int MergeField(int word, int value) const;

  int Value() const { return value_; }
  // The register word last composed (what the opener gets back).
  int Word() const { return word_; }
  // Successful writes so far.
  unsigned Writes() const { return writes_; }

 private:
  bool Write(int word);

  Registers& set_;
  const ST_REGISTER reg_;
  int value_;
  bool hex_;
  RegisterWriter writer_;
  int word_ = REG_VALUE_UNKNOWN;
  Registers::UndoStack* undo_ = nullptr;
  std::string editText_;
  unsigned writes_ = 0;
};

}  // namespace rules
