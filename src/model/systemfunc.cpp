#include "model/systemfunc.h"

#include "platform/clock.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace {

// ---- The store: one plain value per key of Vund2.ini ----

enum { kMainLeft, kMainTop, kMainWidth, kMainHeight, kStatusSeparator, kMemoSeparator };

// Identifiers of our choosing for the USB adapter; a site with another adapter
// types its own into Vund2.ini (they are read but never written back).
constexpr int kDefaultVenderId = 0x0547;
constexpr int kDefaultProductCode = 0x1002;

const char* const kWindow = "Window";
const char* const kBus = "Bus";
const char* const kFile = "File";

enum FontStyleBit { kBold = 0, kItalic = 1, kUnderline = 2, kStrikeOut = 3 };

}  // namespace

void SetFontStyleBit(TFontStyles& styles, int bit) {
  if (bit >= 0 && bit <= 3) styles = static_cast<TFontStyles>(styles | (1u << bit));
}

bool TestFontStyleBit(TFontStyles styles, int bit) { return bit >= 0 && bit <= 3 && (styles & (1u << bit)) != 0; }

SystemSettings::SystemSettings(platform::Ui& ui) : ui_(ui) {}

std::string SettingsFilePath() { return platform::FindFileNoCase(platform::ProgramFolder(), "Vund2.ini"); }

bool SystemSettings::LoadSettings() {
  int screenW = 0, screenH = 0;
  ui_.ScreenSize(screenW, screenH);
  // Integer forms of width * 0.2 and height * 0.7 truncated in extended
  // precision: the stored 0.7 lies just below seven tenths, so 1080 gives 755.
  const int statusDefault = static_cast<int>(int64_t(screenW) / 5);
  const int memoDefault = static_cast<int>((int64_t(7) * screenH - 1) / 10);

  platform::IniFile ini(SettingsFilePath());
  mainRect_[kMainLeft] = ini.ReadInteger(kWindow, "MainLeft", 0);
  mainRect_[kMainTop] = ini.ReadInteger(kWindow, "MainTop", 0);
  mainRect_[kMainWidth] = ini.ReadInteger(kWindow, "MainWidth", screenW);
  if (mainRect_[kMainWidth] == 0) mainRect_[kMainWidth] = screenW;
  mainRect_[kMainHeight] = ini.ReadInteger(kWindow, "MainHeight", screenH);
  if (mainRect_[kMainHeight] == 0) mainRect_[kMainHeight] = screenH;
  mainRect_[kStatusSeparator] = ini.ReadInteger(kWindow, "StatusWindowSeparator", statusDefault);
  mainRect_[kMemoSeparator] = ini.ReadInteger(kWindow, "MemoWindowSeparator", memoDefault);

  fontName_ = ini.ReadString(kWindow, "FontName", "Arial");
  fontSize_ = ini.ReadInteger(kWindow, "FontSize", 9);
  fontBold_ = ini.ReadBool(kWindow, "FontStyle_Bold", false);
  fontItalic_ = ini.ReadBool(kWindow, "FontStyle_Italic", false);
  fontUnderline_ = ini.ReadBool(kWindow, "FontStyle_Underline", false);
  fontStrikeOut_ = ini.ReadBool(kWindow, "FontStyle_StrikeOut", false);
  msgFontName_ = ini.ReadString(kWindow, "MsgFontName", "@ＭＳ Ｐゴシック");
  msgFontSize_ = ini.ReadInteger(kWindow, "MsgFontSize", 9);
  msgFontBold_ = ini.ReadBool(kWindow, "MsgFontStyle_Bold", false);
  msgFontItalic_ = ini.ReadBool(kWindow, "MsgFontStyle_Italic", false);
  msgFontUnderline_ = ini.ReadBool(kWindow, "MsgFontStyle_Underline", false);
  msgFontStrikeOut_ = ini.ReadBool(kWindow, "MsgFontStyle_StrikeOut", false);
  msgFontColor_ = ini.ReadInteger(kWindow, "MsgFontColor", 0xFF00);

  nameWidth_ = ini.ReadInteger(kWindow, "NameWidth", 140);
  valueWidth_ = ini.ReadInteger(kWindow, "ValueWidth", 40);
  nameHeight_ = ini.ReadInteger(kWindow, "NameHeight", 20);
  statusNameWidth_ = ini.ReadInteger(kWindow, "StatusNameWidth", 150);
  statusValueWidth_ = ini.ReadInteger(kWindow, "StatusValueWidth", 30);
  statusNameHeight_ = ini.ReadInteger(kWindow, "StatusNameHeight", 24);
  backColor_ = ini.ReadInteger(kWindow, "BackColor", 0xC0C0C0);
  msgBackColor_ = ini.ReadInteger(kWindow, "MsgBackColor", 0);
  selRegBackColor_ = ini.ReadInteger(kWindow, "SelRegBackColor", 0x808080);

  // Port and baud indexes are kept as read; the link refuses one out of range.
  busPhysicalLayer_ = ini.ReadInteger(kBus, "BusPhysicalLayer", 0);
  comPort_ = ini.ReadInteger(kBus, "ComPort", 1);
  baudRate_ = ini.ReadInteger(kBus, "BaudRate", 9);
  productCode_ = ini.ReadInteger(kBus, "ProductCode", kDefaultProductCode);
  venderId_ = ini.ReadInteger(kBus, "VenderID", kDefaultVenderId);
  inEndPoint_ = ini.ReadInteger(kBus, "InEndPoint", 1);
  outEndPoint_ = ini.ReadInteger(kBus, "OutEndPoint", 0);
  ecsType_ = ini.ReadInteger(kBus, "ECSType", 2);

  tableValWidth_ = ini.ReadInteger(kWindow, "TableValWidth", 30);
  tableNameHeight_ = ini.ReadInteger(kWindow, "TableNameHeight", 24);
  tableNameWidth_ = ini.ReadInteger(kWindow, "TableNameWidth", 100);

  lastSregFile_ = ini.ReadString(kFile, "LastSregFile", "Sreg.dat");
  lastHregFile_ = ini.ReadString(kFile, "LastHregFile", "Hreg.dat");
  return true;
}

bool SystemSettings::SaveSettings() {
  // One rewrite through a temporary file at the end, so a refused write
  // leaves the old file whole.
  platform::IniFile ini(SettingsFilePath());
  ini.SetAutoFlush(false);
  ini.WriteInteger(kWindow, "MainLeft", mainRect_[kMainLeft]);
  ini.WriteInteger(kWindow, "MainTop", mainRect_[kMainTop]);
  ini.WriteInteger(kWindow, "MainWidth", mainRect_[kMainWidth]);
  ini.WriteInteger(kWindow, "MainHeight", mainRect_[kMainHeight]);
  ini.WriteInteger(kWindow, "StatusWindowSeparator", mainRect_[kStatusSeparator]);
  ini.WriteInteger(kWindow, "MemoWindowSeparator", mainRect_[kMemoSeparator]);
  ini.WriteInteger(kWindow, "BackColor", backColor_);
  ini.WriteInteger(kWindow, "MsgBackColor", msgBackColor_);
  ini.WriteInteger(kWindow, "SelRegBackColor", selRegBackColor_);
  ini.WriteString(kWindow, "FontName", platform::IniStoredValue(fontName_));
  ini.WriteInteger(kWindow, "FontSize", fontSize_);
  ini.WriteBool(kWindow, "FontStyle_Bold", fontBold_);
  ini.WriteBool(kWindow, "FontStyle_Italic", fontItalic_);
  ini.WriteBool(kWindow, "FontStyle_Underline", fontUnderline_);
  ini.WriteBool(kWindow, "FontStyle_StrikeOut", fontStrikeOut_);
  ini.WriteString(kWindow, "MsgFontName", platform::IniStoredValue(msgFontName_));
  ini.WriteInteger(kWindow, "MsgFontSize", msgFontSize_);
  ini.WriteBool(kWindow, "MsgFontStyle_Bold", msgFontBold_);
  ini.WriteBool(kWindow, "MsgFontStyle_Italic", msgFontItalic_);
  ini.WriteBool(kWindow, "MsgFontStyle_Underline", msgFontUnderline_);
  ini.WriteBool(kWindow, "MsgFontStyle_StrikeOut", msgFontStrikeOut_);
  ini.WriteInteger(kWindow, "MsgFontColor", msgFontColor_);
  ini.WriteInteger(kWindow, "NameWidth", nameWidth_);
  ini.WriteInteger(kWindow, "ValueWidth", valueWidth_);
  ini.WriteInteger(kWindow, "NameHeight", nameHeight_);
  ini.WriteInteger(kWindow, "StatusNameWidth", statusNameWidth_);
  ini.WriteInteger(kWindow, "StatusValueWidth", statusValueWidth_);
  ini.WriteInteger(kWindow, "StatusNameHeight", statusNameHeight_);
  ini.WriteInteger(kWindow, "TableValWidth", tableValWidth_);
  ini.WriteInteger(kWindow, "TableNameHeight", tableNameHeight_);

  ini.WriteString(kFile, "LastSregFile", platform::IniStoredValue(lastSregFile_));
  ini.WriteString(kFile, "LastHregFile", platform::IniStoredValue(lastHregFile_));

  ini.WriteInteger(kBus, "ComPort", comPort_);
  ini.WriteInteger(kBus, "BaudRate", baudRate_);
  ini.WriteInteger(kBus, "ECSType", ecsType_);
  ini.WriteInteger(kBus, "BusPhysicalLayer", busPhysicalLayer_);
  return SaveAsking(ui_, ini);
}

int* SystemSettings::GetMainWindowRect() { return mainRect_; }

void SystemSettings::SetMainWindowRect(int left, int top, int width, int height, int statusSeparator,
                                       int memoSeparator) {
  mainRect_[kMainLeft] = left;
  mainRect_[kMainTop] = top;
  mainRect_[kMainWidth] = width;
  mainRect_[kMainHeight] = height;
  mainRect_[kStatusSeparator] = statusSeparator;
  mainRect_[kMemoSeparator] = memoSeparator;
}

void SystemSettings::GetColors(int& backColor, int& msgBackColor, int& selRegBackColor) {
  backColor = backColor_;
  msgBackColor = msgBackColor_;
  selRegBackColor = selRegBackColor_;
}

void SystemSettings::SetColors(int backColor, int msgBackColor, int selRegBackColor) {
  backColor_ = backColor;
  msgBackColor_ = msgBackColor;
  selRegBackColor_ = selRegBackColor;
}

void SystemSettings::GetFonts(std::string& fontName, TFontStyles& fontStyle, int& fontSize, std::string& msgFontName,
                              TFontStyles& msgFontStyle, int& msgFontSize, int& msgFontColor) {
  fontName = fontName_;
  fontSize = fontSize_;
  if (fontBold_) SetFontStyleBit(fontStyle, kBold);
  if (fontItalic_) SetFontStyleBit(fontStyle, kItalic);
  if (fontUnderline_) SetFontStyleBit(fontStyle, kUnderline);
  if (fontStrikeOut_) SetFontStyleBit(fontStyle, kStrikeOut);
  msgFontName = msgFontName_;
  msgFontSize = msgFontSize_;
  if (msgFontBold_) SetFontStyleBit(msgFontStyle, kBold);
  if (msgFontItalic_) SetFontStyleBit(msgFontStyle, kItalic);
  if (msgFontUnderline_) SetFontStyleBit(msgFontStyle, kUnderline);
  if (msgFontStrikeOut_) SetFontStyleBit(msgFontStyle, kStrikeOut);
  msgFontColor = msgFontColor_;
}

void SystemSettings::SetFonts(std::string fontName, TFontStyles fontStyle, int fontSize, std::string msgFontName,
                              TFontStyles msgFontStyle, int msgFontSize, int msgFontColor) {
  fontName_ = fontName;
  fontSize_ = fontSize;
  fontBold_ = TestFontStyleBit(fontStyle, kBold);
  fontItalic_ = TestFontStyleBit(fontStyle, kItalic);
  fontUnderline_ = TestFontStyleBit(fontStyle, kUnderline);
  fontStrikeOut_ = TestFontStyleBit(fontStyle, kStrikeOut);
  msgFontName_ = msgFontName;
  msgFontSize_ = msgFontSize;
  msgFontBold_ = TestFontStyleBit(msgFontStyle, kBold);
  msgFontItalic_ = TestFontStyleBit(msgFontStyle, kItalic);
  msgFontUnderline_ = TestFontStyleBit(msgFontStyle, kUnderline);
  msgFontStrikeOut_ = TestFontStyleBit(msgFontStyle, kStrikeOut);
  msgFontColor_ = msgFontColor;
}

void SystemSettings::GetRegGridSizes(int& nameWidth, int& valueWidth, int& nameHeight) {
  nameWidth = nameWidth_;
  valueWidth = valueWidth_;
  nameHeight = nameHeight_;
}

void SystemSettings::SetRegGridSizes(int nameWidth, int valueWidth, int nameHeight) {
  nameWidth_ = nameWidth;
  valueWidth_ = valueWidth;
  nameHeight_ = nameHeight;
}

void SystemSettings::GetStatusGridSizes(int& nameWidth, int& valueWidth, int& nameHeight) {
  nameWidth = statusNameWidth_;
  valueWidth = statusValueWidth_;
  nameHeight = statusNameHeight_;
}

void SystemSettings::SetStatusGridSizes(int nameWidth, int valueWidth, int nameHeight) {
  statusNameWidth_ = nameWidth;
  statusValueWidth_ = valueWidth;
  statusNameHeight_ = nameHeight;
}

void SystemSettings::GetTableGridSizes(int& valWidth, int& nameHeight, int& nameWidth) {
  valWidth = tableValWidth_;
  nameHeight = tableNameHeight_;
  nameWidth = tableNameWidth_;
}

void SystemSettings::SetTableGridSizes(int valWidth, int nameHeight) {
  tableValWidth_ = valWidth;
  tableNameHeight_ = nameHeight;
}

BusLayer SystemSettings::GetBusPhysicalLayer() { return static_cast<BusLayer>(busPhysicalLayer_); }
int SystemSettings::GetComPort() { return comPort_; }
void SystemSettings::SetComPort(int port) { comPort_ = port; }
int SystemSettings::GetBaudRate() { return baudRate_; }
void SystemSettings::SetBaudRate(int baudIndex) { baudRate_ = baudIndex; }
EcsProtocol SystemSettings::GetEcsType() { return static_cast<EcsProtocol>(ecsType_); }

void SystemSettings::GetUsbParams(int& vendorId, int& productCode, int& inEndPoint, int& outEndPoint) {
  vendorId = venderId_;
  productCode = productCode_;
  inEndPoint = inEndPoint_;
  outEndPoint = outEndPoint_;
}

void SystemSettings::GetLastRegFiles(std::string& lastSregFile, std::string& lastHregFile) {
  lastSregFile = lastSregFile_;
  lastHregFile = lastHregFile_;
}

void SystemSettings::SetLastSregFile(const std::string& name) { lastSregFile_ = name; }
void SystemSettings::SetLastHregFile(const std::string& name) { lastHregFile_ = name; }

// ---- Saving a file ----

bool SaveAsking(platform::Ui& ui, const std::string& path, const std::function<bool(std::string& reason)>& write) {
  for (;;) {
    std::string reason;
    if (!platform::IsReadOnly(path) && write(reason)) return true;
    const std::string why = reason.empty() ? std::string() : "\r\n" + reason;
    const int answer =
        ui.ShowMessageBoxJE("ERROR", platform::Format("ファイル %s に書き込めません", path.c_str()) + why, "ERROR",
                            platform::Format("Fail to save %s", path.c_str()) + why, 0x15);
    if (answer != platform::kIdRetry) return false;
  }
}

bool SaveAsking(platform::Ui& ui, platform::IniFile& ini) {
  return SaveAsking(ui, ini.FileName(), [&ini](std::string& reason) {
    try {
      ini.UpdateFile();
      return true;
    } catch (const platform::IniFileError& e) {
      reason = e.Reason();
      return false;
    }
  });
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

// A pure spin on the 64-bit monotonic clock: exact for waits of a few
// milliseconds between frames, and free of any wrap-around.
void PreciseDelay(uint32_t ms, platform::Clock& clock) { clock.BusyWaitMs(ms); }
