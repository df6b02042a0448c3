#include "model/systemfunc.h"

#include "platform/clock.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace {

// ---- The store: one plain value per key of Vund2.ini ----

// MainLeft, MainTop, MainWidth, MainHeight, StatusWindowSeparator,
// MemoWindowSeparator: kept together because GetMainWindowRect hands out a
// pointer to all six.
int g_mainRect[6];
enum { kMainLeft, kMainTop, kMainWidth, kMainHeight, kStatusSeparator, kMemoSeparator };

std::string g_fontName;
int g_fontSize;
bool g_fontBold, g_fontItalic, g_fontUnderline, g_fontStrikeOut;
std::string g_msgFontName;
int g_msgFontSize;
bool g_msgFontBold, g_msgFontItalic, g_msgFontUnderline, g_msgFontStrikeOut;
int g_msgFontColor;
int g_nameWidth, g_valueWidth, g_nameHeight;
int g_statusNameWidth, g_statusValueWidth, g_statusNameHeight;
int g_backColor, g_msgBackColor, g_selRegBackColor;
int g_busPhysicalLayer, g_comPort, g_baudRate, g_productCode, g_venderId, g_inEndPoint, g_outEndPoint, g_ecsType;
int g_tableValWidth, g_tableNameHeight, g_tableNameWidth;
std::string g_lastSregFile, g_lastHregFile;

// Identifiers of our choosing for the USB adapter; a site with another adapter
// types its own into Vund2.ini (they are read but never written back).
constexpr int kDefaultVenderId = 0x0547;
constexpr int kDefaultProductCode = 0x1002;

const char* const kWindow = "Window";
const char* const kBus = "Bus";
const char* const kFile = "File";

bool g_forceEnglish = false;

enum FontStyleBit { kBold = 0, kItalic = 1, kUnderline = 2, kStrikeOut = 3 };

}  // namespace

void SetFontStyleBit(TFontStyles& styles, int bit) {
  if (bit >= 0 && bit <= 3) styles = static_cast<TFontStyles>(styles | (1u << bit));
}

bool TestFontStyleBit(TFontStyles styles, int bit) { return bit >= 0 && bit <= 3 && (styles & (1u << bit)) != 0; }

std::string SettingsFilePath() { return platform::FindFileNoCase(platform::ProgramFolder(), "Vund2.ini"); }

bool LoadSettings() {
  int screenW = 0, screenH = 0;
  platform::GetUi().ScreenSize(screenW, screenH);
  // Integer forms of width * 0.2 and height * 0.7 truncated in extended
  // precision: the stored 0.7 lies just below seven tenths, so 1080 gives 755.
  const int statusDefault = static_cast<int>(int64_t(screenW) / 5);
  const int memoDefault = static_cast<int>((int64_t(7) * screenH - 1) / 10);

  platform::IniFile ini(SettingsFilePath());
  g_mainRect[kMainLeft] = ini.ReadInteger(kWindow, "MainLeft", 0);
  g_mainRect[kMainTop] = ini.ReadInteger(kWindow, "MainTop", 0);
  g_mainRect[kMainWidth] = ini.ReadInteger(kWindow, "MainWidth", screenW);
  if (g_mainRect[kMainWidth] == 0) g_mainRect[kMainWidth] = screenW;
  g_mainRect[kMainHeight] = ini.ReadInteger(kWindow, "MainHeight", screenH);
  if (g_mainRect[kMainHeight] == 0) g_mainRect[kMainHeight] = screenH;
  g_mainRect[kStatusSeparator] = ini.ReadInteger(kWindow, "StatusWindowSeparator", statusDefault);
  g_mainRect[kMemoSeparator] = ini.ReadInteger(kWindow, "MemoWindowSeparator", memoDefault);

  g_fontName = ini.ReadString(kWindow, "FontName", "Arial");
  g_fontSize = ini.ReadInteger(kWindow, "FontSize", 9);
  g_fontBold = ini.ReadBool(kWindow, "FontStyle_Bold", false);
  g_fontItalic = ini.ReadBool(kWindow, "FontStyle_Italic", false);
  g_fontUnderline = ini.ReadBool(kWindow, "FontStyle_Underline", false);
  g_fontStrikeOut = ini.ReadBool(kWindow, "FontStyle_StrikeOut", false);
  g_msgFontName = ini.ReadString(kWindow, "MsgFontName", "@ＭＳ Ｐゴシック");
  g_msgFontSize = ini.ReadInteger(kWindow, "MsgFontSize", 9);
  g_msgFontBold = ini.ReadBool(kWindow, "MsgFontStyle_Bold", false);
  g_msgFontItalic = ini.ReadBool(kWindow, "MsgFontStyle_Italic", false);
  g_msgFontUnderline = ini.ReadBool(kWindow, "MsgFontStyle_Underline", false);
  g_msgFontStrikeOut = ini.ReadBool(kWindow, "MsgFontStyle_StrikeOut", false);
  g_msgFontColor = ini.ReadInteger(kWindow, "MsgFontColor", 0xFF00);

  g_nameWidth = ini.ReadInteger(kWindow, "NameWidth", 140);
  g_valueWidth = ini.ReadInteger(kWindow, "ValueWidth", 40);
  g_nameHeight = ini.ReadInteger(kWindow, "NameHeight", 20);
  g_statusNameWidth = ini.ReadInteger(kWindow, "StatusNameWidth", 150);
  g_statusValueWidth = ini.ReadInteger(kWindow, "StatusValueWidth", 30);
  g_statusNameHeight = ini.ReadInteger(kWindow, "StatusNameHeight", 24);
  g_backColor = ini.ReadInteger(kWindow, "BackColor", 0xC0C0C0);
  g_msgBackColor = ini.ReadInteger(kWindow, "MsgBackColor", 0);
  g_selRegBackColor = ini.ReadInteger(kWindow, "SelRegBackColor", 0x808080);

  // Port and baud indexes are kept as read; the link refuses one out of range.
  g_busPhysicalLayer = ini.ReadInteger(kBus, "BusPhysicalLayer", 0);
  g_comPort = ini.ReadInteger(kBus, "ComPort", 1);
  g_baudRate = ini.ReadInteger(kBus, "BaudRate", 9);
  g_productCode = ini.ReadInteger(kBus, "ProductCode", kDefaultProductCode);
  g_venderId = ini.ReadInteger(kBus, "VenderID", kDefaultVenderId);
  g_inEndPoint = ini.ReadInteger(kBus, "InEndPoint", 1);
  g_outEndPoint = ini.ReadInteger(kBus, "OutEndPoint", 0);
  g_ecsType = ini.ReadInteger(kBus, "ECSType", 2);

  g_tableValWidth = ini.ReadInteger(kWindow, "TableValWidth", 30);
  g_tableNameHeight = ini.ReadInteger(kWindow, "TableNameHeight", 24);
  g_tableNameWidth = ini.ReadInteger(kWindow, "TableNameWidth", 100);

  g_lastSregFile = ini.ReadString(kFile, "LastSregFile", "Sreg.dat");
  g_lastHregFile = ini.ReadString(kFile, "LastHregFile", "Hreg.dat");
  return true;
}

bool SaveSettings() {
  const std::string path = SettingsFilePath();
  while (platform::FileExists(path) && platform::IsReadOnly(path)) {
    const int answer = ShowMessageBoxJE("ERROR", platform::Format("ファイル %s に書き込めません", path.c_str()), "ERROR",
                                        platform::Format("Fail to save %s", path.c_str()), 0x15);
    if (answer != platform::kIdRetry) return false;
  }

  // One rewrite through a temporary file at the end, so a refused write
  // leaves the old file whole.
  platform::IniFile ini(path);
  ini.SetAutoFlush(false);
  ini.WriteInteger(kWindow, "MainLeft", g_mainRect[kMainLeft]);
  ini.WriteInteger(kWindow, "MainTop", g_mainRect[kMainTop]);
  ini.WriteInteger(kWindow, "MainWidth", g_mainRect[kMainWidth]);
  ini.WriteInteger(kWindow, "MainHeight", g_mainRect[kMainHeight]);
  ini.WriteInteger(kWindow, "StatusWindowSeparator", g_mainRect[kStatusSeparator]);
  ini.WriteInteger(kWindow, "MemoWindowSeparator", g_mainRect[kMemoSeparator]);
  ini.WriteInteger(kWindow, "BackColor", g_backColor);
  ini.WriteInteger(kWindow, "MsgBackColor", g_msgBackColor);
  ini.WriteInteger(kWindow, "SelRegBackColor", g_selRegBackColor);
  ini.WriteString(kWindow, "FontName", g_fontName);
  ini.WriteInteger(kWindow, "FontSize", g_fontSize);
  ini.WriteBool(kWindow, "FontStyle_Bold", g_fontBold);
  ini.WriteBool(kWindow, "FontStyle_Italic", g_fontItalic);
  ini.WriteBool(kWindow, "FontStyle_Underline", g_fontUnderline);
  ini.WriteBool(kWindow, "FontStyle_StrikeOut", g_fontStrikeOut);
  ini.WriteString(kWindow, "MsgFontName", g_msgFontName);
  ini.WriteInteger(kWindow, "MsgFontSize", g_msgFontSize);
  ini.WriteBool(kWindow, "MsgFontStyle_Bold", g_msgFontBold);
  ini.WriteBool(kWindow, "MsgFontStyle_Italic", g_msgFontItalic);
  ini.WriteBool(kWindow, "MsgFontStyle_Underline", g_msgFontUnderline);
  ini.WriteBool(kWindow, "MsgFontStyle_StrikeOut", g_msgFontStrikeOut);
  ini.WriteInteger(kWindow, "MsgFontColor", g_msgFontColor);
  ini.WriteInteger(kWindow, "NameWidth", g_nameWidth);
  ini.WriteInteger(kWindow, "ValueWidth", g_valueWidth);
  ini.WriteInteger(kWindow, "NameHeight", g_nameHeight);
  ini.WriteInteger(kWindow, "StatusNameWidth", g_statusNameWidth);
  ini.WriteInteger(kWindow, "StatusValueWidth", g_statusValueWidth);
  ini.WriteInteger(kWindow, "StatusNameHeight", g_statusNameHeight);
  ini.WriteInteger(kWindow, "TableValWidth", g_tableValWidth);
  ini.WriteInteger(kWindow, "TableNameHeight", g_tableNameHeight);

  ini.WriteString(kFile, "LastSregFile", g_lastSregFile);
  ini.WriteString(kFile, "LastHregFile", g_lastHregFile);

  ini.WriteInteger(kBus, "ComPort", g_comPort);
  ini.WriteInteger(kBus, "BaudRate", g_baudRate);
  ini.WriteInteger(kBus, "ECSType", g_ecsType);
  ini.WriteInteger(kBus, "BusPhysicalLayer", g_busPhysicalLayer);
  ini.UpdateFile();
  return true;
}

int* GetMainWindowRect() { return g_mainRect; }

void SetMainWindowRect(int left, int top, int width, int height, int statusSeparator, int memoSeparator) {
  g_mainRect[kMainLeft] = left;
  g_mainRect[kMainTop] = top;
  g_mainRect[kMainWidth] = width;
  g_mainRect[kMainHeight] = height;
  g_mainRect[kStatusSeparator] = statusSeparator;
  g_mainRect[kMemoSeparator] = memoSeparator;
}

void GetColors(int& backColor, int& msgBackColor, int& selRegBackColor) {
  backColor = g_backColor;
  msgBackColor = g_msgBackColor;
  selRegBackColor = g_selRegBackColor;
}

void SetColors(int backColor, int msgBackColor, int selRegBackColor) {
  g_backColor = backColor;
  g_msgBackColor = msgBackColor;
  g_selRegBackColor = selRegBackColor;
}

void GetFonts(std::string& fontName, TFontStyles& fontStyle, int& fontSize, std::string& msgFontName,
              TFontStyles& msgFontStyle, int& msgFontSize, int& msgFontColor) {
  fontName = g_fontName;
  fontSize = g_fontSize;
  if (g_fontBold) SetFontStyleBit(fontStyle, kBold);
  if (g_fontItalic) SetFontStyleBit(fontStyle, kItalic);
  if (g_fontUnderline) SetFontStyleBit(fontStyle, kUnderline);
  if (g_fontStrikeOut) SetFontStyleBit(fontStyle, kStrikeOut);
  msgFontName = g_msgFontName;
  msgFontSize = g_msgFontSize;
  if (g_msgFontBold) SetFontStyleBit(msgFontStyle, kBold);
  if (g_msgFontItalic) SetFontStyleBit(msgFontStyle, kItalic);
  if (g_msgFontUnderline) SetFontStyleBit(msgFontStyle, kUnderline);
  if (g_msgFontStrikeOut) SetFontStyleBit(msgFontStyle, kStrikeOut);
  msgFontColor = g_msgFontColor;
}

void SetFonts(std::string fontName, TFontStyles fontStyle, int fontSize, std::string msgFontName,
              TFontStyles msgFontStyle, int msgFontSize, int msgFontColor) {
  g_fontName = fontName;
  g_fontSize = fontSize;
  g_fontBold = TestFontStyleBit(fontStyle, kBold);
  g_fontItalic = TestFontStyleBit(fontStyle, kItalic);
  g_fontUnderline = TestFontStyleBit(fontStyle, kUnderline);
  g_fontStrikeOut = TestFontStyleBit(fontStyle, kStrikeOut);
  g_msgFontName = msgFontName;
  g_msgFontSize = msgFontSize;
  g_msgFontBold = TestFontStyleBit(msgFontStyle, kBold);
  g_msgFontItalic = TestFontStyleBit(msgFontStyle, kItalic);
  g_msgFontUnderline = TestFontStyleBit(msgFontStyle, kUnderline);
  g_msgFontStrikeOut = TestFontStyleBit(msgFontStyle, kStrikeOut);
  g_msgFontColor = msgFontColor;
}

void GetRegGridSizes(int& nameWidth, int& valueWidth, int& nameHeight) {
  nameWidth = g_nameWidth;
  valueWidth = g_valueWidth;
  nameHeight = g_nameHeight;
}

void SetRegGridSizes(int nameWidth, int valueWidth, int nameHeight) {
  g_nameWidth = nameWidth;
  g_valueWidth = valueWidth;
  g_nameHeight = nameHeight;
}

void GetStatusGridSizes(int& nameWidth, int& valueWidth, int& nameHeight) {
  nameWidth = g_statusNameWidth;
  valueWidth = g_statusValueWidth;
  nameHeight = g_statusNameHeight;
}

void SetStatusGridSizes(int nameWidth, int valueWidth, int nameHeight) {
  g_statusNameWidth = nameWidth;
  g_statusValueWidth = valueWidth;
  g_statusNameHeight = nameHeight;
}

void GetTableGridSizes(int& valWidth, int& nameHeight, int& nameWidth) {
  valWidth = g_tableValWidth;
  nameHeight = g_tableNameHeight;
  nameWidth = g_tableNameWidth;
}

void SetTableGridSizes(int valWidth, int nameHeight) {
  g_tableValWidth = valWidth;
  g_tableNameHeight = nameHeight;
}

int GetBusPhysicalLayer() { return g_busPhysicalLayer; }
int GetComPort() { return g_comPort; }
void SetComPort(int port) { g_comPort = port; }
int GetBaudRate() { return g_baudRate; }
void SetBaudRate(int baudIndex) { g_baudRate = baudIndex; }
int GetEcsType() { return g_ecsType; }

void GetUsbParams(int& vendorId, int& productCode, int& inEndPoint, int& outEndPoint) {
  vendorId = g_venderId;
  productCode = g_productCode;
  inEndPoint = g_inEndPoint;
  outEndPoint = g_outEndPoint;
}

void GetLastRegFiles(std::string& lastSregFile, std::string& lastHregFile) {
  lastSregFile = g_lastSregFile;
  lastHregFile = g_lastHregFile;
}

void SetLastSregFile(const std::string& name) { g_lastSregFile = name; }
void SetLastHregFile(const std::string& name) { g_lastHregFile = name; }

// ---- Language and bilingual message box ----

void SetForceEnglish(bool force) { g_forceEnglish = force; }

uint16_t GetLanguageId() {
  if (g_forceEnglish) return 9;
  return static_cast<uint16_t>(platform::SystemDefaultLangId() & 0x3FF);
}

bool IsJapanese() { return GetLanguageId() == 17; }

int ShowMessageBoxJE(std::string captionJ, std::string textJ, std::string captionE, std::string textE, int flags) {
  if ((GetLanguageId() & 0x3FF) == 17) return platform::GetUi().MessageBox(captionJ, textJ, flags);
  return platform::GetUi().MessageBox(captionE, textE, flags);
}

void ShowCheckSetting(const std::string& what) {
  ShowMessageBoxJE("エラー", platform::Format(" %s の設定を確認して下さい", what.c_str()), "Error",
                   platform::Format("Check setting. ( %s )", what.c_str()), 0x30);
}

// ---- Bit fields and delay ----

namespace {

// The mask's lowest set bit among bits 0 to 15; 16 when none of them is set.
int LowestMaskBit(int mask) {
  int b = 0;
  while (b < 16 && (mask & (1 << b)) == 0) ++b;
  return b;
}

}  // namespace

int ShiftIntoMask(int mask, int value) {
  const uint32_t shifted = static_cast<uint32_t>(value) << LowestMaskBit(mask);
  return static_cast<int>(shifted & static_cast<uint32_t>(mask));
}

int ExtractByMask(int value, int mask) {
  // Arithmetic shift: a field that reaches bit 31 comes out negative.
  return static_cast<int32_t>(value & mask) >> LowestMaskBit(mask);
}

void PreciseDelay(uint32_t ms) { PreciseDelay(ms, platform::SystemClock()); }

// A pure spin on the 64-bit monotonic clock: exact for waits of a few
// milliseconds between frames, and free of any wrap-around.
void PreciseDelay(uint32_t ms, platform::Clock& clock) { clock.BusyWaitMs(ms); }
