// The rules of the script dialog (input, message and select) without
// widgets: captions, icons, buttons by option, number input and layout.
#pragma once
#include <string>
#include <vector>

namespace rules {

enum IoDialogMode : int { kIoInput = 0, kIoMessage = 1, kIoSelect = 2 };
enum IoInputOption : int { kIoInteger = 0, kIoFloating = 1, kIoString = 2 };
enum IoIcon : int { kIoIconInformation, kIoIconQuestion, kIoIconWarning, kIoIconError };

// Modal results of the buttons.
constexpr int kIoResultFirst = 1;
constexpr int kIoResultSecond = 2;
constexpr int kIoResultJump = 8;

// What a message of the given option (kind in the low 4 bits, button set
// in bits 4 to 7) looks like.
struct IoMessageLook {
  std::string caption;
  IoIcon icon = kIoIconInformation;
  int beep = 0x40;          // the sound's message-box type
  bool autoErase = false;   // closes itself after kIoAutoEraseMs with result 1
  std::string button1;
  std::string button2;      // empty: the first button stands alone, centred
  bool jump = false;        // "JUMP" on a row of its own below
};
IoMessageLook MessageLook(int option);
constexpr int kIoAutoEraseMs = 1500;

// The caption of input mode by option ("INPUT [INTEGER]", ...).
std::string InputCaption(int option);
// The edit box's first text: the integer in decimal, the floating value
// with up to 15 significant digits, or the text.
std::string InitialInputText(int option, int integer, double floating, const std::string& text);

// Number input as the standard conversions read it: leading blanks and a
// sign; for integers a 0x prefix for hexadecimal and a leading 0 for octal,
// kept within 32 bits. The conversion may stop at a blank, never at another
// character; false means the input is refused (the dialog beeps and stays).
// An empty text is 0.
bool ParseInputInteger(const std::string& text, int& value);
bool ParseInputFloating(const std::string& text, double& value);

// The prompt split at its line breaks.
std::vector<std::string> PromptLines(const std::string& prompt);

// ---- Layout (pixels, client coordinates) ----
struct IoSize {
  int w = 0;
  int h = 0;
};
struct IoRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};
struct IoDialogMeasures {
  std::vector<IoSize> lines;  // each prompt line as drawn
  IoSize icon{40, 40};
  IoSize edit{200, 28};
  IoSize button{90, 30};
  int listRowHeight = 20;     // average height of the first items, plus 1
  bool showEdit = false;
  bool showList = false;
  int buttons = 0;            // 0, 1 or 2 on the first row
  bool jump = false;          // a third button on a row below
};
struct IoDialogLayout {
  IoSize client;
  IoRect icon, text, edit, list, button1, button2, jump;
};
// Text at (icon width + 8, 8); text width the widest line plus the icon's
// width but at least the edit box's; text height the lines' sum but at
// least the icon's. Under the text: the edit box or the 12-row list, then
// the buttons.
IoDialogLayout LayoutIoDialog(const IoDialogMeasures& m);
constexpr int kIoListRows = 12;

}  // namespace rules
