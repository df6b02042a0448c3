// Ini files: every read of the file as it is, then writes that must read back
// as written while every other section and key stays as it was.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/text.h"

namespace {

// Keys that an ini line carries unchanged.
bool KeyFits(const std::string& k) {
  return !k.empty() && platform::Trim(k) == k && k.find('=') == std::string::npos && k[0] != ';' && k[0] != '[' &&
         k.find_first_of("\r\n") == std::string::npos;
}
bool SectionFits(const std::string& s) { return !s.empty() && platform::IniSectionNameReadsBack(s); }

void CheckWrite(const std::string& path, const std::string& section, const std::string& key, const std::string& value) {
  const auto written = [&](const std::string& s) { return platform::SameTextNoCase(s, section); };
  const auto old = fuzz::Sections(path, written);
  {
    platform::IniFile ini(path);
    ini.WriteString(section, key, value);
    if (ini.ReadString(section, key, "<none>") != value) fuzz::Fail("written value not read back in memory");
  }
  const platform::IniFile after(path);
  if (after.ReadString(section, key, "<none>") != value) fuzz::Fail("[" + section + "] " + key + " not read back");
  if (fuzz::Sections(path, written) != old) fuzz::Fail("a section changed by a write to [" + section + "]");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = fuzz::Text(data, size);
  const std::string path = fuzz::WriteHomeFile("f.ini", text);
  const platform::IniFile ini(path);
  if (ini.Text().size() > text.size() + platform::SplitLines(text).size() + 2)
    fuzz::Fail("text grew on reading");
  const std::vector<std::string> sections = ini.ReadSections();
  for (const std::string& s : sections) {
    ini.SectionExists(s);
    for (const std::string& k : ini.ReadSection(s)) {
      ini.ReadInteger(s, k, -7);
      ini.ReadBool(s, k, true);
      if (!ini.ValueExists(s, k)) fuzz::Fail("listed key " + k + " does not exist");
    }
  }

  // A new key in a new section, an existing key replaced, a key from the input.
  CheckWrite(path, "Fuzz Section", "NewKey", "1");
  if (!sections.empty() && SectionFits(sections[0])) {
    const std::vector<std::string> keys = ini.ReadSection(sections[0]);
    CheckWrite(path, sections[0], "Added", "a b");
    if (!keys.empty() && KeyFits(keys[0])) CheckWrite(path, sections[0], keys[0], "replaced");
    const std::string value = keys.empty() ? std::string() : keys.back();
    if (platform::IniValueReadsBack(value)) CheckWrite(path, sections[0], "FromInput", value);
  }

  // The batched edits: drop every key of the first section, add two back.
  platform::IniFile edit(path);
  edit.SetAutoFlush(false);
  const std::string first = sections.empty() ? "S" : sections[0];
  edit.DeleteKeys(first, [](const std::string&) { return true; });
  if (!edit.ReadSection(first).empty()) fuzz::Fail("DeleteKeys left keys");
  if (SectionFits(first)) {
    edit.AppendKeys(first, {{"K1", "v1"}, {"K2", "v2"}});
    if (edit.ReadString(first, "K2", "") != "v2") fuzz::Fail("AppendKeys not read back");
  }
  edit.EraseSection("Fuzz Section");
  edit.DeleteKey(first, "K1");
  edit.UpdateFile();
  return 0;
}
