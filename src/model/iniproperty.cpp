#include "model/iniproperty.h"

#include "model/stringutility.h"
#include "platform/inifile.h"

void TIniProperty::SetRange(const std::string& text) {
  range_.clear();
  int pos = 1;
  for (;;) {
    std::string entry = GetToken(text, pos, ",;");
    if (entry.empty()) break;
    range_.push_back(entry);
  }
}

void TIniProperty::GetRangeItem(int index, std::string& item) const {
  if (index < 0 || index >= GetRangeCount())
    item.clear();
  else
    item = range_[static_cast<size_t>(index)];
}

void TIniFileManager::GetNames(std::vector<std::string>& names) const {
  for (const TIniProperty& item : items_) {
    std::string name;
    item.GetName(name);
    names.push_back(name);
  }
}

const TIniProperty& TIniFileManager::Find(const std::string& name) const {
  static const TIniProperty empty;
  for (const TIniProperty& item : items_) {
    std::string itemName;
    item.GetName(itemName);
    if (itemName == name) return item;
  }
  return empty;
}

bool TIniFileManager::LoadFromIniFile(const std::string& fileName) {
  const platform::IniFile ini(fileName);
  Clear();
  for (const std::string& section : ini.ReadSections()) {
    TIniProperty item;
    item.SetName(section);
    item.SetInputMethod(static_cast<uint8_t>(ini.ReadInteger(section, "InputMethod", 0) & 0xFF));
    item.SetRange(ini.ReadString(section, "Range", std::string()));
    item.SetValue(ini.ReadString(section, "Value", std::string()));
    items_.push_back(item);
  }
  return true;
}

void TIniFileManager::LoadFromEditItems(const std::vector<STEditItem>& items) {
  Clear();
  for (const STEditItem& row : items) {
    TIniProperty item;
    item.SetName(row.Name);
    item.SetInputMethod(static_cast<uint8_t>(row.InputMethod & 0xFF));
    item.SetRange(row.Range);
    item.SetValue(row.Value);
    items_.push_back(item);
  }
}

namespace {

// The range as written: every entry followed by ";".
std::string RangeText(const TIniProperty& item) {
  std::string range, entry;
  for (int i = 0; i < item.GetRangeCount(); ++i) {
    item.GetRangeItem(i, entry);
    range += entry + ";";
  }
  return range;
}

}  // namespace

bool TIniFileManager::SaveToIniFile(const std::string& fileName) const {
  for (const TIniProperty& item : items_) {
    std::string name, value;
    item.GetName(name);
    item.GetValue(value);
    if (!platform::IniSectionNameReadsBack(name) || !platform::IniValueReadsBack(value) ||
        !platform::IniValueReadsBack(RangeText(item)))
      return false;
  }
  try {
    platform::IniFile ini(fileName);
    // One rewrite at the end, so a refused write leaves the old file whole.
    ini.SetAutoFlush(false);
    for (const std::string& section : ini.ReadSections()) ini.EraseSection(section);
    for (const TIniProperty& item : items_) {
      std::string name, value;
      item.GetName(name);
      item.GetValue(value);
      ini.WriteInteger(name, "InputMethod", item.InputMethod());
      ini.WriteString(name, "Range", RangeText(item));
      ini.WriteString(name, "Value", value);
    }
    ini.UpdateFile();
  } catch (const platform::IniFileError&) {
    return false;
  }
  return true;
}

TIniData LoadIniData(const std::string& fileName) {
  TIniData data;
  const platform::IniFile ini(fileName);
  for (const std::string& section : ini.ReadSections())
    data.emplace(section, ini.ReadString(section, "Value", std::string()));
  return data;
}

bool IniDataContains(const TIniData& data, const std::string& name) { return data.count(name) != 0; }
