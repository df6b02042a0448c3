// One ini section's keys, looked up in constant time with the ini file's own
// rules: names match without regard to case, the first key of a name wins,
// integers are decimal or "0x" hexadecimal. Numbered lists with thousands of
// entries would otherwise rescan the section for every key.
#pragma once
#include <string>
#include <unordered_map>

namespace platform {
class IniFile;
}

class IniSectionIndex {
 public:
  IniSectionIndex(const platform::IniFile& ini, const std::string& section);
  bool Exists(const std::string& key) const;
  std::string String(const std::string& key, const std::string& def = std::string()) const;
  int Integer(const std::string& key, int def) const;

 private:
  std::unordered_map<std::string, std::string> values_;  // upper-case key -> value
};
