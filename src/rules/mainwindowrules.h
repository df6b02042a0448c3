// The main window's rules that need no widget: texts of the caption and the
// status bar, message-log line splitting, window placement, the command menu,
// colours, fonts, help and the search history.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class VundData;

namespace rules {

// The name of a baud index, "110" to "256000"; index 0 (no link) and any
// index outside the table show "---".
std::string BaudRateName(int baudIndex);
// "COM:Port %d BaudRate %s" for the 0-based port setting.
std::string FormatComStatus(int comPortIndex, int baudIndex);
// The file's name without folder and extension.
std::string FileTitle(const std::string& path);
// "Vund2  S_REG : %s M_Ver:%s H_REG : %s M_ver:%s".
std::string FormatMainCaption(const std::string& sRegFile, const std::string& sMiconVer,
                              const std::string& hRegFile, const std::string& hMiconVer);

// A first command-line argument that contains "1" anywhere forces English.
bool ArgumentForcesEnglish(const std::string& firstArgument);

// The lines a text makes in the message log: split at every "\n" (a "\r"
// right before it goes too); a text ending in "\n" ends with an empty line.
std::vector<std::string> SplitMessageLines(const std::string& text);

struct ScreenRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};
// Brings a stored window position that lies on no screen (negative, or past
// the screens) back to the primary screen's (the first one's) edge, per axis.
// True when it changed anything.
bool BringOnScreen(int& left, int& top, const std::vector<ScreenRect>& screens);

// Keeps a window's frame (title bar and borders included) inside the area
// of the screen that windows may use: too large, it takes the area's size;
// past an edge, it moves in.
void KeepInside(ScreenRect& frame, const ScreenRect& area);

// The window manager's frame around a window's client area.
struct FrameMargins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};
// Where a window with the given client size goes, centred on the area:
// left and top are those of its frame; a frame larger than the area takes
// the area's size (the client area shrinks by as much), so no part of the
// window lies off the area. A window that fits keeps its size.
struct WindowPlace {
  int left = 0;
  int top = 0;
  int clientWidth = 0;
  int clientHeight = 0;
};
WindowPlace CentreInside(int clientWidth, int clientHeight, const FrameMargins& margins, const ScreenRect& area);

// The command menu: every memory command, then every switch command of
// vund.dat, tagged 0, 1, 2, ... over both lists.
struct CommandMenuItem {
  std::string caption;
  int tag = 0;
};
std::vector<CommandMenuItem> CommandMenuItems(const VundData& vund);
// Which command a tag runs, given the number of memory commands.
struct CommandRef {
  int index = 0;
  bool switchEntry = false;
};
CommandRef CommandForTag(int tag, int memCommandCount);

// Colours are stored as 0x00BBGGRR.
struct Rgb {
  int r = 0;
  int g = 0;
  int b = 0;
};
Rgb ColorToRgb(int color);
int RgbToColor(int r, int g, int b);

// The font family to draw with for a stored name: the name itself (without
// the leading "@" of a vertical font) when installed, else an installed
// Japanese font, else the name as given.
std::string ResolveFontFamily(const std::string& storedName,
                              const std::function<bool(const std::string&)>& installed);

// "Vund2.chm" for Japanese (language id 17), "Vund2EG.chm" otherwise.
std::string HelpFileName(uint16_t languageId);

// Search mode after the search dialog: 1 whole name, 2 part of the name.
int SearchModeFor(bool wholeWord);
// Puts a non-empty text at the top of the history unless the history holds
// it already (compared without regard to ASCII case). True when added.
bool AddSearchHistory(std::vector<std::string>& history, const std::string& text);

}  // namespace rules
