#include "rules/inieditrules.h"

#include <cstdio>
#include <cstdlib>

#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/inifile.h"
#include "platform/text.h"

namespace rules {

IniCellEditor EditorFor(uint8_t inputMethod) {
  switch (inputMethod) {
    case imSelectString:
    case imSelectEnumerate:
      return IniCellEditor::PickList;
    case imSelectFile:
    case imSelectDirectory:
    case imSelectColor:
      return IniCellEditor::Ellipsis;
    default:
      return IniCellEditor::Plain;
  }
}

std::vector<std::string> RangeEntries(const TIniProperty& p) {
  std::vector<std::string> entries;
  for (int i = 0; i < p.GetRangeCount(); ++i) {
    std::string e;
    p.GetRangeItem(i, e);
    entries.push_back(e);
  }
  return entries;
}

std::string DisplayText(const TIniProperty& p) {
  std::string value;
  p.GetValue(value);
  if (p.InputMethod() != imSelectEnumerate) return value;
  int index = 0;
  if (!platform::TryStrToInt(value, index)) return std::string();
  std::string entry;
  p.GetRangeItem(index, entry);
  return entry;
}

namespace {

std::string NameOf(const TIniProperty& p) {
  std::string name;
  p.GetName(name);
  return name;
}

int FindEntry(const TIniProperty& p, const std::string& text) {
  for (int i = 0; i < p.GetRangeCount(); ++i) {
    std::string e;
    p.GetRangeItem(i, e);
    if (platform::SameTextNoCase(e, text)) return i;
  }
  return -1;
}

// A missing bound counts as 0; false when a bound does not convert.
bool IntBound(const TIniProperty& p, int index, int& bound) {
  if (index >= p.GetRangeCount()) {
    bound = 0;
    return true;
  }
  std::string e;
  p.GetRangeItem(index, e);
  return platform::TryStrToInt(e, bound);
}

bool DoubleBound(const TIniProperty& p, int index, double& bound) {
  if (index >= p.GetRangeCount()) {
    bound = 0.0;
    return true;
  }
  std::string e;
  p.GetRangeItem(index, e);
  return platform::TryStrToFloat(e, bound);
}

// A double as text, in the manner of the class library: up to 15 significant
// digits, an exponent as "E" with no "+" and no leading zeros.
std::string FloatToStr(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  std::string s = buf;
  const size_t e = s.find('e');
  if (e == std::string::npos) return s;
  std::string mantissa = s.substr(0, e);
  std::string exp = s.substr(e + 1);
  std::string sign;
  if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) {
    if (exp[0] == '-') sign = "-";
    exp.erase(0, 1);
  }
  while (exp.size() > 1 && exp[0] == '0') exp.erase(0, 1);
  return mantissa + "E" + sign + exp;
}

bool CheckByInputMethod(const TIniProperty& p, const std::string& text, std::string& value, std::string& message) {
  const std::string name = NameOf(p);
  const std::string inputError = platform::Format("[%s] : Input Error!", name.c_str());
  switch (p.InputMethod()) {
    case imSelectString:
    case imSelectEnumerate: {
      const int index = FindEntry(p, text);
      if (index < 0) {
        message = platform::Format("[%s] : Select ERROR!", name.c_str());
        return false;
      }
      if (p.InputMethod() == imSelectEnumerate) value = platform::Format("%d", index);
      return true;
    }
    case imRangeInteger:
    case imRangeUnsigned: {
      int lo = 0, hi = 0, v = 0;
      if (!IntBound(p, 0, lo) || !IntBound(p, 1, hi) || !platform::TryStrToInt(text, v)) {
        message = inputError;
        return false;
      }
      bool inside;
      if (p.InputMethod() == imRangeInteger)
        inside = lo <= v && v <= hi;
      else
        inside = static_cast<uint32_t>(lo) <= static_cast<uint32_t>(v) &&
                 static_cast<uint32_t>(v) <= static_cast<uint32_t>(hi);
      if (!inside) {
        message = p.InputMethod() == imRangeInteger
                      ? platform::Format("[%s] : Range ERROR! : %d <= %s <= %d", name.c_str(), lo, text.c_str(), hi)
                      : platform::Format("[%s] : Range ERROR! : %d <= %s <= %u", name.c_str(), lo, text.c_str(),
                                         static_cast<unsigned>(hi));
        return false;
      }
      return true;
    }
    case imRangeDouble: {
      double lo = 0, hi = 0, v = 0;
      if (!DoubleBound(p, 0, lo) || !DoubleBound(p, 1, hi) || !platform::TryStrToFloat(text, v)) {
        message = inputError;
        return false;
      }
      if (!(lo <= v && v <= hi)) {
        message = platform::Format("[%s] : Range ERROR! : %f <= %s <= %f", name.c_str(), lo, text.c_str(), hi);
        return false;
      }
      return true;
    }
    case imDirectInteger: {
      int v = 0;
      if (!platform::TryStrToInt(text, v)) {
        message = inputError;
        return false;
      }
      value = platform::Format("%d", v);
      return true;
    }
    case imDirectDouble: {
      double v = 0;
      if (!platform::TryStrToFloat(text, v)) {
        message = inputError;
        return false;
      }
      value = FloatToStr(v);
      return true;
    }
    default:
      return true;
  }
}

}  // namespace

bool CheckIniValue(const TIniProperty& p, const std::string& text, std::string& value, std::string& message,
                   bool japanese) {
  const std::string name = NameOf(p);
  value = text;
  message.clear();
  // A parameter is kept in a parameter file: take nothing that reads back otherwise.
  if (!platform::IniSectionNameReadsBack(name)) {
    message = platform::Format(japanese ? "[%s] : Name Error! : 改行、\"]\"、両端の空白は保存できません"
                                        : "[%s] : Name Error! : a line break, \"]\" or a blank at either end cannot be stored",
                               name.c_str());
    return false;
  }
  if (!CheckByInputMethod(p, text, value, message)) return false;
  if (!platform::IniValueReadsBack(value)) {
    message = platform::Format(
        japanese ? "[%s] : Input Error! : 改行、両端の空白、値を囲む引用符は保存できません"
                 : "[%s] : Input Error! : a line break, a blank at either end or enclosing quotes cannot be stored",
        name.c_str());
    return false;
  }
  return true;
}

bool AcceptIniEdits(TIniFileManager& list, const std::vector<std::string>& texts, std::vector<STEditItem>& rows,
                    std::string& message, bool japanese) {
  std::vector<std::string> values(static_cast<size_t>(list.GetCount()));
  for (int i = 0; i < list.GetCount(); ++i) {
    const std::string text = i < static_cast<int>(texts.size()) ? texts[static_cast<size_t>(i)] : std::string();
    if (!CheckIniValue(list.GetItem(i), text, values[static_cast<size_t>(i)], message, japanese)) return false;
  }
  for (int i = 0; i < list.GetCount(); ++i) list.GetItem(i).SetValue(values[static_cast<size_t>(i)]);
  for (size_t i = 0; i < rows.size() && static_cast<int>(i) < list.GetCount(); ++i)
    list.GetItem(static_cast<int>(i)).GetValue(rows[i].Value);
  return true;
}

std::vector<STEditItem> ComPortRows(int comPort, int baudRate) {
  std::vector<STEditItem> rows(2);
  rows[0].Name = "COM Port";
  rows[0].InputMethod = imSelectEnumerate;
  rows[0].Range = "COM 1;COM 2;COM 3;COM 4;COM 5;COM 6;COM 7;COM 8";
  rows[0].Value = platform::Format("%d", comPort);
  rows[1].Name = "Baud Rate";
  rows[1].InputMethod = imSelectEnumerate;
  rows[1].Range = "110;300;600;1200;2400;4800;9600;14400;19200;38400;56000;57600;115200;128000;256000";
  rows[1].Value = platform::Format("%d", baudRate);
  return rows;
}

void StoreComPortRows(const std::vector<STEditItem>& rows, int& comPort, int& baudRate) {
  if (rows.size() < 2) return;
  comPort = platform::StrToIntDef(rows[0].Value, comPort);
  baudRate = platform::StrToIntDef(rows[1].Value, baudRate);
}

bool ChooseComPort(int& comPort, int& baudRate, const std::function<bool(std::vector<STEditItem>&)>& editor) {
  std::vector<STEditItem> rows = ComPortRows(comPort, baudRate);
  if (!editor(rows)) return false;
  StoreComPortRows(rows, comPort, baudRate);
  return true;
}

std::string FileFilterOf(const TIniProperty& p) {
  std::string filter;
  for (int i = 0; i < p.GetRangeCount(); ++i) {
    std::string e;
    p.GetRangeItem(i, e);
    if (i) filter += "|";
    filter += e;
  }
  return filter;
}

}  // namespace rules
