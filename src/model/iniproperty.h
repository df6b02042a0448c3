// Typed parameters (a value with the way it is entered and checked), the
// list the parameter editor works on, and the script parameter map.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// How a parameter's value is entered; stored as one byte. 10 has no name and
// no editing aid.
enum TInputMethod : uint8_t {
  imSelectString = 0,     // Range: choices; Value: the chosen text
  imSelectEnumerate = 1,  // Range: choices; Value: 0-based index, decimal
  imRangeInteger = 2,     // Range: minimum, maximum
  imRangeUnsigned = 3,
  imRangeDouble = 4,
  imDirectString = 5,
  imDirectInteger = 6,
  imDirectDouble = 7,
  imSelectFile = 8,       // Range: the file dialog's filter entries
  imSelectDirectory = 9,
  imSelectColor = 11,     // Value: a colour as a decimal integer
};

class TIniProperty {
 public:
  void GetName(std::string& name) const { name = name_; }
  void SetName(const std::string& name) { name_ = name; }
  uint8_t& InputMethod() { return inputMethod_; }
  uint8_t InputMethod() const { return inputMethod_; }
  void SetInputMethod(uint8_t method) { inputMethod_ = method; }
  // Replaces the range by the entries of a text separated by "," or ";";
  // splitting stops at the first empty entry.
  void SetRange(const std::string& text);
  int GetRangeCount() const { return static_cast<int>(range_.size()); }
  // "" when index is out of range.
  void GetRangeItem(int index, std::string& item) const;
  void GetValue(std::string& value) const { value = value_; }
  void SetValue(const std::string& value) { value_ = value; }

 private:
  std::string name_;
  uint8_t inputMethod_ = 0;
  std::vector<std::string> range_;
  std::string value_;
};

// One row a caller hands to the parameter editor; only the low 8 bits of
// InputMethod count. Range is the range text.
struct STEditItem {
  std::string Name;
  int InputMethod = 0;
  std::string Range;
  std::string Value;
};

class TIniFileManager {
 public:
  // Destroys every item.
  void Clear() { items_.clear(); }
  void Add(const TIniProperty& item) { items_.push_back(item); }
  int GetCount() const { return static_cast<int>(items_.size()); }
  // index must be below the count.
  TIniProperty& GetItem(int index) { return items_.at(static_cast<size_t>(index)); }
  const TIniProperty& GetItem(int index) const { return items_.at(static_cast<size_t>(index)); }
  // Appends every name, in order, without clearing names first.
  void GetNames(std::vector<std::string>& names) const;
  // The first item of exactly this name, else one shared empty item.
  const TIniProperty& Find(const std::string& name) const;

  // A parameter ini file holds one section per parameter with the keys
  // InputMethod, Range ("a;b;") and Value. A missing file gives an empty list.
  bool LoadFromIniFile(const std::string& fileName);
  void LoadFromEditItems(const std::vector<STEditItem>& items);
  // Replaces every section of the file by the list. False when the write
  // failed or a name, range or value would not read back as it is; the old
  // file then stays whole.
  bool SaveToIniFile(const std::string& fileName) const;

 private:
  std::vector<TIniProperty> items_;
};

// A script's parameters: section name -> its Value, compared byte by byte.
using TIniData = std::map<std::string, std::string>;

// Every section of the file, in file order, with its "Value" (default empty).
// A missing file gives an empty map.
TIniData LoadIniData(const std::string& fileName);
bool IniDataContains(const TIniData& data, const std::string& name);
