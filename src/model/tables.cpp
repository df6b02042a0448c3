#include "model/tables.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "model/inisectionindex.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/ui.h"

namespace {

// False, after the "Check setting" warning naming the key, for a table whose
// sizes or row count cannot be used; the caller leaves it out.
bool ReadTable(platform::Ui& ui, const IniSectionIndex& section, const std::string& sectionName, ST_TABLE& table) {
  auto refuse = [&](const std::string& key) {
    ui.ShowCheckSetting(platform::Format("[%s] %s=%s", sectionName.c_str(), key.c_str(), section.String(key).c_str()));
    return false;
  };
  table.Name = section.String("Name");
  table.StartID = section.Integer("StartID", 0);
  table.TableCount = section.Integer("TableCount", 1);
  table.DataType = section.Integer("DataType", 1);
  // Row r is register ID StartID + r: the rows must not run past the last ID.
  const uint64_t rowsEnd = uint64_t(static_cast<uint32_t>(table.StartID)) + uint64_t(std::max(table.TableCount, 0));
  if (table.TableCount < 0 || table.TableCount > kMaxTableCount || rowsEnd > (uint64_t(1) << 32))
    return refuse("TableCount");
  int64_t total = 0;
  for (int j = 1;; ++j) {
    const std::string name = section.String(platform::Format("ColName%d", j));
    if (name.empty()) break;  // a missing key reads as empty too
    const std::string sizeKey = platform::Format("DataSize%d", j);
    const int size = section.Integer(sizeKey, 1);
    total += size;
    if (size < 0 || total > INT_MAX) return refuse(sizeKey);
    table.ColName.push_back(name);
    table.DataSize.push_back(size);
    table.DataPos.push_back(section.Integer(platform::Format("DataPos%d", j), j - 1));
    table.Mask.push_back(section.Integer(platform::Format("Mask%d", j), 0xFFFF));
  }
  table.TotalSize = static_cast<int>(total);
  return true;
}

}  // namespace

bool Tables::LoadFromFile(const std::string& tableFile, platform::Ui& ui) {
  std::string path = tableFile;
  if (!platform::FileExists(path))
    path = platform::FindFileNoCase(platform::ExtractFilePath(tableFile), platform::ExtractFileName(tableFile));
  if (!platform::FileExists(path)) path = VundDataFilePath();
  if (!platform::FileExists(path)) {
    ui.ShowMessageBoxJE("ERROR", platform::Format("%s が開けません", tableFile.c_str()), "ERROR",
                        platform::Format("Fail to open %s", tableFile.c_str()), 0x10);
    return false;
  }
  const platform::IniFile ini(path);
  tables_.clear();
  for (int i = 1;; ++i) {
    const std::string section = platform::Format("UDTable%d", i);
    if (!ini.SectionExists(section)) break;
    ST_TABLE table;
    if (ReadTable(ui, IniSectionIndex(ini, section), section, table)) tables_.push_back(std::move(table));
  }
  return true;
}

const ST_TABLE* Tables::GetTable(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= tables_.size()) return nullptr;
  return &tables_[static_cast<size_t>(index)];
}
