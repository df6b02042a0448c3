#include "rules/mainwindowrules.h"

#include <algorithm>

#include "model/vunddata.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/text.h"

namespace rules {

std::string BaudRateName(int baudIndex) {
  static const char* const names[15] = {"110",   "300",   "600",   "1200",   "2400",   "4800",   "9600",  "14400",
                                        "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
  if (baudIndex <= 0 || baudIndex >= 15) return "---";
  return names[baudIndex];
}

std::string FormatComStatus(int comPortIndex, int baudIndex) {
  return platform::Format("COM:Port %d BaudRate %s", comPortIndex + 1, BaudRateName(baudIndex).c_str());
}

std::string FileTitle(const std::string& path) {
  std::string name = platform::ExtractFileName(path);
  const std::string ext = platform::ExtractFileExt(name);
  return name.substr(0, name.size() - ext.size());
}

std::string FormatMainCaption(const std::string& sRegFile, const std::string& sMiconVer,
                              const std::string& hRegFile, const std::string& hMiconVer) {
  return platform::Format("Vund2  S_REG : %s M_Ver:%s H_REG : %s M_ver:%s", FileTitle(sRegFile).c_str(),
                          sMiconVer.c_str(), FileTitle(hRegFile).c_str(), hMiconVer.c_str());
}

bool ArgumentForcesEnglish(const std::string& firstArgument) {
  return firstArgument.find('1') != std::string::npos;
}

std::vector<std::string> SplitMessageLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t nl = text.find('\n', start);
    if (nl == std::string::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    size_t end = nl;
    if (end > start && text[end - 1] == '\r') --end;
    lines.push_back(text.substr(start, end - start));
    start = nl + 1;
  }
}

namespace {
bool OnScreen(int left, int top, const std::vector<ScreenRect>& screens) {
  for (const ScreenRect& s : screens)
    if (left >= s.left && left < s.left + s.width && top >= s.top && top < s.top + s.height) return true;
  return false;
}
}  // namespace

bool BringOnScreen(int& left, int& top, const std::vector<ScreenRect>& screens) {
  if (OnScreen(left, top, screens)) return false;
  const ScreenRect primary = screens.empty() ? ScreenRect{} : screens.front();
  // Move only the coordinate that is off, so a window pushed down past the
  // screen keeps its column; when that is not enough, both go.
  bool leftOk = false, topOk = false;
  for (const ScreenRect& s : screens) {
    leftOk = leftOk || (left >= s.left && left < s.left + s.width);
    topOk = topOk || (top >= s.top && top < s.top + s.height);
  }
  int newLeft = leftOk ? left : primary.left;
  int newTop = topOk ? top : primary.top;
  if (!OnScreen(newLeft, newTop, screens)) {
    newLeft = primary.left;
    newTop = primary.top;
  }
  const bool changed = newLeft != left || newTop != top;
  left = newLeft;
  top = newTop;
  return changed;
}

void KeepInside(ScreenRect& frame, const ScreenRect& area) {
  frame.width = std::min(frame.width, area.width);
  frame.height = std::min(frame.height, area.height);
  frame.left = std::max(area.left, std::min(frame.left, area.left + area.width - frame.width));
  frame.top = std::max(area.top, std::min(frame.top, area.top + area.height - frame.height));
}

WindowPlace CentreInside(int clientWidth, int clientHeight, const FrameMargins& margins, const ScreenRect& area) {
  const int extraW = margins.left + margins.right;
  const int extraH = margins.top + margins.bottom;
  const int frameW = clientWidth + extraW;
  const int frameH = clientHeight + extraH;
  ScreenRect frame{area.left + (area.width - frameW) / 2, area.top + (area.height - frameH) / 2, frameW, frameH};
  KeepInside(frame, area);
  return {frame.left, frame.top, std::max(1, frame.width - extraW), std::max(1, frame.height - extraH)};
}

std::vector<CommandMenuItem> CommandMenuItems(const VundData& vund) {
  std::vector<CommandMenuItem> items;
  int tag = 0;
  for (int i = 0; i < vund.GetMemCommandCount(); ++i) items.push_back({vund.GetMemCommandEntry(i).Name, tag++});
  for (int i = 0; i < vund.GetSwitchCommandCount(); ++i) items.push_back({vund.GetSwitchCommandEntry(i).Name, tag++});
  return items;
}

CommandRef CommandForTag(int tag, int memCommandCount) {
  CommandRef ref;
  if (tag < memCommandCount) {
    ref.index = tag;
  } else {
    ref.index = tag - memCommandCount;
    ref.switchEntry = true;
  }
  return ref;
}

Rgb ColorToRgb(int color) {
  const uint32_t c = static_cast<uint32_t>(color);
  return Rgb{static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF)};
}

int RgbToColor(int r, int g, int b) { return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16); }

std::string ResolveFontFamily(const std::string& storedName,
                              const std::function<bool(const std::string&)>& installed) {
  std::string name = storedName;
  if (!name.empty() && name[0] == '@') name.erase(0, 1);
  if (!name.empty() && installed(name)) return name;
  static const char* const fallbacks[] = {"IPAPGothic", "IPAGothic", "Noto Sans CJK JP", "VL PGothic",
                                          "TakaoPGothic"};
  for (const char* f : fallbacks)
    if (installed(f)) return f;
  return name;
}

std::string HelpFileName(uint16_t languageId) { return languageId == 17 ? "Vund2.chm" : "Vund2EG.chm"; }

int SearchModeFor(bool wholeWord) { return wholeWord ? 1 : 2; }

bool AddSearchHistory(std::vector<std::string>& history, const std::string& text) {
  if (text.empty()) return false;
  for (const std::string& h : history)
    if (platform::SameTextNoCase(h, text)) return false;
  history.insert(history.begin(), text);
  return true;
}

}  // namespace rules
