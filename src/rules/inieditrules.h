// The parameter editor's rules: which editor a row gets, what it shows, how
// the text entered is checked and stored, and the rows of the COM port dialog.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "model/iniproperty.h"

namespace rules {

enum class IniCellEditor { Plain, PickList, Ellipsis };
IniCellEditor EditorFor(uint8_t inputMethod);

std::vector<std::string> RangeEntries(const TIniProperty& p);
// The text a row shows: an enumerate row shows the entry at its stored index
// (empty when there is none), every other row its value.
std::string DisplayText(const TIniProperty& p);

// Checks the text entered for p. True with the value to store (the index for
// enumerate rows, the number re-written for direct numbers); false with the
// error text ("[%s] : Select ERROR!", "[%s] : Range ERROR! : ...",
// "[%s] : Input Error!"); why a text cannot be stored is told in Japanese
// when japanese is set.
bool CheckIniValue(const TIniProperty& p, const std::string& text, std::string& value, std::string& message,
                   bool japanese);

// Checks every parameter's text in list order and stops at the first failure
// (message set, nothing stored). Otherwise stores each value in its parameter
// and copies every value back into the caller's rows.
bool AcceptIniEdits(TIniFileManager& list, const std::vector<std::string>& texts, std::vector<STEditItem>& rows,
                    std::string& message, bool japanese);

// The two rows of the COM port dialog, and the port and rate taken back
// from the accepted rows.
std::vector<STEditItem> ComPortRows(int comPort, int baudRate);
void StoreComPortRows(const std::vector<STEditItem>& rows, int& comPort, int& baudRate);
// The COM port dialog on editor, starting from the given port and rate: on
// OK they take the rows' values and the result is true.
bool ChooseComPort(int& comPort, int& baudRate, const std::function<bool(std::vector<STEditItem>&)>& editor);

// The filter of a file row's open dialog: its range entries joined by "|".
std::string FileFilterOf(const TIniProperty& p);

}  // namespace rules
