// The register model: one S Reg or H Reg register definition file in memory,
// with the values of its registers as last seen on the target.
#pragma once
#include <cstdint>
#include <map>
#include <stack>
#include <string>
#include <utility>
#include <vector>

class SystemSettings;
namespace platform {
class Ui;
}

// The two register definition files; the numbers are the File menu's tags.
enum class RegKind { S = 0, H = 1 };

// The value of a register that has not been read (shown as " ---").
constexpr int REG_VALUE_UNKNOWN = -255;

// One register definition.
struct ST_REGISTER {
  std::string LongName;   // first column of an S Reg line; "-"/"*" marks a label
  std::string ShortName;  // the name shown in the grid (the one name of an H Reg line)
  uint32_t ID = 0;        // target address of the 16-bit register word
  uint32_t Mask = 0xFFFF;
  int32_t Max = 0xFFFF;
  int32_t Min = 0;
  int32_t Tab = 1;  // 1 to 100
  int32_t Vrf = 0;
  uint32_t Color = 0;  // 0x00BBGGRR

  bool operator==(const ST_REGISTER& o) const {
    return LongName == o.LongName && ShortName == o.ShortName && ID == o.ID && Mask == o.Mask && Max == o.Max &&
           Min == o.Min && Tab == o.Tab && Vrf == o.Vrf && Color == o.Color;
  }
  bool operator!=(const ST_REGISTER& o) const { return !(*this == o); }
};

class Registers {
 public:
  static constexpr int kMaxTabNumber = 100;
  using UndoStack = std::stack<int>;

  // ---- Values read from or written to the target, keyed by ID ----
  void SetValue(uint32_t id, int value);
  void SetSnapshotValue(uint32_t id, int value);
  // REG_VALUE_UNKNOWN for an ID without an entry.
  int GetValue(uint32_t id) const;
  int GetSnapshotValue(uint32_t id) const;
  // The snapshot becomes a copy of the value map.
  void TakeSnapshot();
  // Every existing value becomes REG_VALUE_UNKNOWN; no key is added or removed.
  void ResetValues();
  // One history per register: fields of one word (same ID, other masks)
  // keep their own. Created empty when absent.
  UndoStack& GetUndoStack(uint32_t id, uint32_t mask = 0xFFFF);
  // The value map in ID order (a full read walks it).
  const std::map<uint32_t, int>& GetValueMap() const { return values_; }

  // ---- Register list, addressed by 0-based position ----
  int GetRegisterCount() const { return static_cast<int>(registers_.size()); }
  // Null when index >= count; valid until the list next changes.
  ST_REGISTER* GetRegister(unsigned index);
  const ST_REGISTER* GetRegister(unsigned index) const;
  void AddRegister(const ST_REGISTER& reg);
  // An index past the end appends.
  void InsertRegister(const ST_REGISTER& reg, unsigned index);
  // Out-of-range indexes are ignored by these two.
  void DeleteRegister(unsigned index);
  void ReplaceRegister(const ST_REGISTER& reg, unsigned index);

  // ---- Tabs: tab t (1, 2, ...) has name index t-1; tab index 0 is "ALL" ----
  void GetTabNames(std::vector<std::string>& names) const { names = tabNames_; }
  // Also becomes the loaded copy; every top row starts again at 1.
  void SetTabNames(const std::vector<std::string>& names);
  // False (nothing changed) when nameIndex is out of range.
  bool SetTabName(const std::string& name, int nameIndex);
  void AddTab(const std::string& name);
  // Removes tab t (1 to the number of tabs) and renumbers the registers of
  // the tabs after it; false (nothing changed) for any other t.
  bool DeleteTab(int t);
  // Registers counted on tab t; t = 0 gives the total; 0 for t out of range.
  int GetTabRegisterCount(int t) const;
  void SetTabTopRow(int row, int tabIndex);
  int GetTabTopRow(int tabIndex) const;  // 1 when out of range

  std::string GetMiconVer() const { return miconVer_; }
  int GetFileVer() const { return fileVer_; }
  int GetMaxTab() const { return maxTab_; }

  // True when the tab names or the registers differ from the copies taken by
  // the last load (or, for the names, by SetTabNames).
  bool IsChanged() const;

  // ---- Register definition files (hLayout: false S Reg, true H Reg) ----
  // A name without a folder is taken from the program folder. On failure the
  // object is left as it was. ui shows the errors and offers another file;
  // the settings take the name of the file loaded as the last one.
  bool LoadFromFile(const std::string& fileName, bool hLayout, platform::Ui& ui, SystemSettings& settings);
  // Writes through a temporary file; false when refused or not written.
  bool SaveToFile(const std::string& fileName, bool hLayout, platform::Ui& ui);
  // Offers to save when changed; the button pressed, or 0 when unchanged.
  int SaveIfChanged(const std::string& fileName, bool hLayout, platform::Ui& ui);

 private:
  static int CountIndex(int tab);  // the tab a register is counted on
  void Recount();
  bool ParseLines(const std::vector<std::string>& lines, bool hLayout, platform::Ui& ui);
  bool CheckWritable(const std::vector<std::string>& regLines, bool hLayout, platform::Ui& ui) const;

  std::map<uint32_t, int> values_;
  std::map<uint32_t, int> snapshot_;
  std::map<std::pair<uint32_t, uint32_t>, UndoStack> undo_;  // by ID and mask
  std::vector<ST_REGISTER> registers_;
  std::vector<ST_REGISTER> loadedRegisters_;
  std::vector<std::string> tabNames_;
  std::vector<int> topRows_;
  std::vector<std::string> loadedTabNames_;
  int tabCounts_[kMaxTabNumber + 1] = {};
  int maxTab_ = 0;
  int fileVer_ = 0;
  std::string miconVer_;
};

// One register line of a definition file; false when a number does not
// convert. No message is shown.
bool ParseRegisterLine(const std::string& line, bool hLayout, ST_REGISTER& reg);
// The line the file writer puts out for reg.
std::string FormatRegisterLine(const ST_REGISTER& reg, bool hLayout);
