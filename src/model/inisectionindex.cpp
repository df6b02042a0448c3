#include "model/inisectionindex.h"

#include "platform/convert.h"
#include "platform/inifile.h"
#include "platform/text.h"

IniSectionIndex::IniSectionIndex(const platform::IniFile& ini, const std::string& section) {
  for (const std::string& line : ini.ReadSectionValues(section)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    values_.emplace(platform::UpperAscii(line.substr(0, eq)), line.substr(eq + 1));  // keeps the first
  }
}

bool IniSectionIndex::Exists(const std::string& key) const { return values_.count(platform::UpperAscii(key)) != 0; }

std::string IniSectionIndex::String(const std::string& key, const std::string& def) const {
  auto it = values_.find(platform::UpperAscii(key));
  return it == values_.end() ? def : it->second;
}

int IniSectionIndex::Integer(const std::string& key, int def) const {
  auto it = values_.find(platform::UpperAscii(key));
  return it == values_.end() ? def : platform::StrToIntDef(it->second, def);
}
