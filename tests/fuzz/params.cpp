// Typed parameter files: the parameter list and the script's parameter map
// read from one file, and the list written back and read again.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "model/iniproperty.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzz::WriteHomeFile("p.ini", fuzz::Text(data, size));
  TIniFileManager list;
  list.LoadFromIniFile(path);
  std::vector<std::string> names;
  list.GetNames(names);
  std::string text;
  for (int i = 0; i < list.GetCount(); ++i) {
    const TIniProperty& p = list.GetItem(i);
    for (int r = -1; r <= p.GetRangeCount(); ++r) p.GetRangeItem(r, text);
    p.GetValue(text);
    list.Find(names[static_cast<size_t>(i)]);
  }
  const TIniData params = LoadIniData(path);
  for (const auto& kv : params) IniDataContains(params, kv.first);

  list.SaveToIniFile(fuzz::Home() + "saved.ini");
  TIniFileManager again;
  again.LoadFromIniFile(fuzz::Home() + "saved.ini");
  return 0;
}
