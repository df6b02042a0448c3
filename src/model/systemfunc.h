// The settings store, the language choice with the bilingual message box, and
// the bit-field and delay utilities.
#pragma once
#include <cstdint>
#include <string>

namespace platform {
class Clock;
}

// ---- Settings store (Vund2.ini in the program folder) ----

// A font's style set: bit 0 bold, 1 italic, 2 underline, 3 strike-out.
using TFontStyles = uint8_t;
void SetFontStyleBit(TFontStyles& styles, int bit);
bool TestFontStyleBit(TFontStyles styles, int bit);

// The path of Vund2.ini.
std::string SettingsFilePath();
bool LoadSettings();
// False when the user cancelled the read-only prompt; a refused write throws
// platform::IniFileError and leaves the old file whole.
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
int GetBusPhysicalLayer();
int GetComPort();
void SetComPort(int port);
int GetBaudRate();
void SetBaudRate(int baudIndex);
int GetEcsType();
void GetUsbParams(int& vendorId, int& productCode, int& inEndPoint, int& outEndPoint);
void GetLastRegFiles(std::string& lastSregFile, std::string& lastHregFile);
void SetLastSregFile(const std::string& name);
void SetLastHregFile(const std::string& name);

// ---- Language and bilingual message box ----

void SetForceEnglish(bool force);
// 9 when English is forced, else the system's identifier AND 0x3FF.
uint16_t GetLanguageId();
// True when texts are to be Japanese (GetLanguageId() == 17).
bool IsJapanese();
// Shows textJ under captionJ when the language is Japanese, else textE under
// captionE; returns the button identifier.
int ShowMessageBoxJE(std::string captionJ, std::string textJ, std::string captionE, std::string textE, int flags);
// The warning about a setting that cannot be used: " %s の設定を確認して下さい"
// / "Check setting. ( %s )" with what (the line or key of the setting).
void ShowCheckSetting(const std::string& what);

// ---- Bit fields and delay ----

int ShiftIntoMask(int mask, int value);
int ExtractByMask(int value, int mask);
// A busy wait of ms milliseconds on the given clock (the system clock by default).
void PreciseDelay(uint32_t ms);
void PreciseDelay(uint32_t ms, platform::Clock& clock);
