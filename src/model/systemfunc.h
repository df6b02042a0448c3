// The settings store and the bit-field and delay utilities (the language
// choice and the bilingual message box are the Ui's: platform/ui.h).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "model/linkkinds.h"
#include "platform/mainthread.h"

namespace platform {
class Clock;
class IniFile;
class Ui;
}

// ---- Settings store (Vund2.ini in the program folder) ----

// A font's style set: bit 0 bold, 1 italic, 2 underline, 3 strike-out.
using TFontStyles = uint8_t;
void SetFontStyleBit(TFontStyles& styles, int bit);
bool TestFontStyleBit(TFontStyles styles, int bit);

// The path of Vund2.ini.
std::string SettingsFilePath();

// The program's user settings, one value per key of Vund2.ini: empty (zeros,
// empty strings) until LoadSettings.
class SystemSettings : platform::MainThreadOnly {
 public:
  // ui: the screen size of the defaults and the read-only prompt of a save.
  explicit SystemSettings(platform::Ui& ui);

  bool LoadSettings();
  // False when the user gave up on a read-only file or a refused write (see
  // SaveAsking); the old file then stays whole.
  bool SaveSettings();

  // MainLeft, MainTop, MainWidth, MainHeight, StatusWindowSeparator,
  // MemoWindowSeparator: the store's own six values, writable in place.
  int* GetMainWindowRect();
  void SetMainWindowRect(int left, int top, int width, int height, int statusSeparator, int memoSeparator);
  void GetColors(int& backColor, int& msgBackColor, int& selRegBackColor);
  void SetColors(int backColor, int msgBackColor, int selRegBackColor);
  void GetFonts(std::string& fontName, TFontStyles& fontStyle, int& fontSize, std::string& msgFontName,
                TFontStyles& msgFontStyle, int& msgFontSize, int& msgFontColor);
  void SetFonts(std::string fontName, TFontStyles fontStyle, int fontSize, std::string msgFontName,
                TFontStyles msgFontStyle, int msgFontSize, int msgFontColor);
  void GetRegGridSizes(int& nameWidth, int& valueWidth, int& nameHeight);
  void SetRegGridSizes(int nameWidth, int valueWidth, int nameHeight);
  void GetStatusGridSizes(int& nameWidth, int& valueWidth, int& nameHeight);
  void SetStatusGridSizes(int nameWidth, int valueWidth, int nameHeight);
  void GetTableGridSizes(int& valWidth, int& nameHeight, int& nameWidth);
  void SetTableGridSizes(int valWidth, int nameHeight);
  BusLayer GetBusPhysicalLayer();
  int GetComPort();
  void SetComPort(int port);
  int GetBaudRate();
  void SetBaudRate(int baudIndex);
  EcsProtocol GetEcsType();
  void GetUsbParams(int& vendorId, int& productCode, int& inEndPoint, int& outEndPoint);
  void GetLastRegFiles(std::string& lastSregFile, std::string& lastHregFile);
  void SetLastSregFile(const std::string& name);
  void SetLastHregFile(const std::string& name);

 private:
  platform::Ui& ui_;
  // MainLeft, MainTop, MainWidth, MainHeight, StatusWindowSeparator,
  // MemoWindowSeparator: kept together because GetMainWindowRect hands out a
  // pointer to all six.
  int mainRect_[6] = {};
  std::string fontName_;
  int fontSize_ = 0;
  bool fontBold_ = false, fontItalic_ = false, fontUnderline_ = false, fontStrikeOut_ = false;
  std::string msgFontName_;
  int msgFontSize_ = 0;
  bool msgFontBold_ = false, msgFontItalic_ = false, msgFontUnderline_ = false, msgFontStrikeOut_ = false;
  int msgFontColor_ = 0;
  int nameWidth_ = 0, valueWidth_ = 0, nameHeight_ = 0;
  int statusNameWidth_ = 0, statusValueWidth_ = 0, statusNameHeight_ = 0;
  int backColor_ = 0, msgBackColor_ = 0, selRegBackColor_ = 0;
  int busPhysicalLayer_ = 0, comPort_ = 0, baudRate_ = 0, productCode_ = 0, venderId_ = 0, inEndPoint_ = 0,
      outEndPoint_ = 0, ecsType_ = 0;
  int tableValWidth_ = 0, tableNameHeight_ = 0, tableNameWidth_ = 0;
  std::string lastSregFile_, lastHregFile_;
};

// ---- Saving a file ----

// Saves through write, which gives the system's reason when it fails. While
// the file is read-only or the write fails, the user is told the path (and
// the reason) and asked Retry or Cancel; false when the user gave up.
bool SaveAsking(platform::Ui& ui, const std::string& path, const std::function<bool(std::string& reason)>& write);
// The same for the pending writes of an ini file.
bool SaveAsking(platform::Ui& ui, platform::IniFile& ini);

// ---- Bit fields and delay ----

int ShiftIntoMask(int mask, int value);
int ExtractByMask(int value, int mask);
// A busy wait of ms milliseconds on the given clock.
void PreciseDelay(uint32_t ms, platform::Clock& clock);
