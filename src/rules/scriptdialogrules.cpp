#include "rules/scriptdialogrules.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/files.h"

namespace rules {

IoMessageLook MessageLook(int option) {
  IoMessageLook look;
  switch (option & 0x0F) {
    case 1:
      look.caption = "CONFIRMATION";
      look.icon = kIoIconQuestion;
      look.beep = 0x20;
      break;
    case 2:
      look.caption = "WARNING";
      look.icon = kIoIconWarning;
      look.beep = 0x30;
      break;
    case 3:
      look.caption = "ERROR";
      look.icon = kIoIconError;
      look.beep = 0x10;
      break;
    case 4:
      look.caption = "MESSAGE(Auto-Erase)";
      look.autoErase = true;
      break;
    default:  // 0, and kinds without a look of their own
      look.caption = "MESSAGE";
      break;
  }
  switch (option & 0xF0) {
    case 0x10:
      look.button1 = "OK";
      look.button2 = "CANCEL";
      break;
    case 0x20:
      look.button1 = "RETRY";
      look.button2 = "CANCEL";
      break;
    case 0x30:
      look.button1 = "IGNORE";
      look.button2 = "CANCEL";
      break;
    case 0x40:
      look.button1 = "YES";
      look.button2 = "NO";
      break;
    case 0x50:
      look.button1 = "RETRY";
      look.button2 = "CANCEL";
      look.jump = true;
      break;
    default:  // 0x00, and sets without buttons of their own: never a dialog without a button
      look.button1 = "OK";
      break;
  }
  return look;
}

std::string InputCaption(int option) {
  switch (option) {
    case kIoInteger:
      return "INPUT [INTEGER]";
    case kIoFloating:
      return "INPUT [DOUBLE]";
    default:
      return "INPUT [STRING]";
  }
}

std::string InitialInputText(int option, int integer, double floating, const std::string& text) {
  char buf[64];
  switch (option) {
    case kIoInteger:
      std::snprintf(buf, sizeof buf, "%d", integer);
      return buf;
    case kIoFloating:
      std::snprintf(buf, sizeof buf, "%.15g", floating);
      return buf;
    default:
      return text;
  }
}

namespace {

bool EndsWell(const char* end) { return *end == '\0' || *end == ' ' || *end == '\t'; }

}  // namespace

bool ParseInputInteger(const std::string& text, int& value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(begin, &end, 0);
  if (!EndsWell(end)) return false;
  // The conversion is 32-bit: what does not fit stops at the nearest limit.
  value = static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
  return true;
}

bool ParseInputFloating(const std::string& text, double& value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double v = std::strtod(begin, &end);
  // Scripts have no infinity or NaN: "inf", "nan" and 1e999 are refused too.
  if (!EndsWell(end) || !std::isfinite(v)) return false;
  value = v;
  return true;
}

std::vector<std::string> PromptLines(const std::string& prompt) { return platform::SplitLines(prompt); }

IoDialogLayout LayoutIoDialog(const IoDialogMeasures& m) {
  IoDialogLayout out;
  int widest = 0;
  int linesHeight = 0;
  for (const IoSize& line : m.lines) {
    widest = std::max(widest, line.w);
    linesHeight += line.h;
  }
  const int textWidth = std::max(widest + m.icon.w, m.edit.w);
  const int textHeight = std::max(linesHeight, m.icon.h);
  out.client.w = textWidth + 16;
  out.icon = {0, 8, m.icon.w, m.icon.h};
  out.text = {m.icon.w + 8, 8, widest, linesHeight};

  const int inner = out.client.w - 16;
  int y = textHeight + 16;
  if (m.showEdit) {
    out.edit = {8, y, inner, m.edit.h};
    y += m.edit.h + 8;
  }
  if (m.showList) {
    out.list = {8, y, inner, kIoListRows * m.listRowHeight};
    y += out.list.h + 8;
  }
  if (m.buttons == 1) {
    out.button1 = {(out.client.w - m.button.w) / 2, y, m.button.w, m.button.h};
    y += m.button.h + 8;
  } else if (m.buttons >= 2) {
    const int gap = 16;
    const int left = (out.client.w - 2 * m.button.w - gap) / 2;
    out.button1 = {left, y, m.button.w, m.button.h};
    out.button2 = {left + m.button.w + gap, y, m.button.w, m.button.h};
    y += m.button.h + 8;
  }
  if (m.jump) {
    out.jump = {(out.client.w - m.button.w) / 2, y, m.button.w, m.button.h};
    y += m.button.h + 8;
  }
  // Two buttons side by side may need more room than the text.
  if (m.buttons >= 2) {
    const int needed = 2 * m.button.w + 16 + 16;
    if (out.client.w < needed) {
      const int shift = (needed - out.client.w) / 2;
      out.client.w = needed;
      out.button1.x += shift;
      out.button2.x += shift;
      if (m.jump) out.jump.x += shift;
      if (m.showEdit) out.edit.w = needed - 16;
      if (m.showList) out.list.w = needed - 16;
    }
  }
  out.client.h = std::max(y, textHeight + 24);
  return out;
}

}  // namespace rules
