#include "model/tables.h"

#include "model/inisectionindex.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/inifile.h"

Tables UserTables;

namespace {

ST_TABLE ReadTable(const IniSectionIndex& section) {
  ST_TABLE table;
  table.Name = section.String("Name");
  table.StartID = section.Integer("StartID", 0);
  table.TableCount = section.Integer("TableCount", 1);
  table.DataType = section.Integer("DataType", 1);
  for (int j = 1;; ++j) {
    const std::string name = section.String(platform::Format("ColName%d", j));
    if (name.empty()) break;  // a missing key reads as empty too
    const int size = section.Integer(platform::Format("DataSize%d", j), 1);
    table.ColName.push_back(name);
    table.DataSize.push_back(size);
    table.TotalSize += size;
    table.DataPos.push_back(section.Integer(platform::Format("DataPos%d", j), j - 1));
    table.Mask.push_back(section.Integer(platform::Format("Mask%d", j), 0xFFFF));
  }
  return table;
}

}  // namespace

bool Tables::LoadFromFile(const std::string& tableFile) {
  std::string path = tableFile;
  if (!platform::FileExists(path))
    path = platform::FindFileNoCase(platform::ExtractFilePath(tableFile), platform::ExtractFileName(tableFile));
  if (!platform::FileExists(path)) path = VundDataFilePath();
  if (!platform::FileExists(path)) {
    ShowMessageBoxJE("ERROR", platform::Format("%s が開けません", tableFile.c_str()), "ERROR",
                     platform::Format("Fail to open %s", tableFile.c_str()), 0x10);
    return false;
  }
  const platform::IniFile ini(path);
  tables_.clear();
  for (int i = 1;; ++i) {
    const std::string section = platform::Format("UDTable%d", i);
    if (!ini.SectionExists(section)) break;
    tables_.push_back(ReadTable(IniSectionIndex(ini, section)));
  }
  return true;
}

const ST_TABLE* Tables::GetTable(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= tables_.size()) return nullptr;
  return &tables_[static_cast<size_t>(index)];
}
