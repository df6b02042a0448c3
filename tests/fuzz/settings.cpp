// Vund2.ini as users edit it: the settings load, take names from the input,
// save and load again as saved; every other section stays as it was.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "model/systemfunc.h"
#include "platform/text.h"

namespace {

// Every setting as text.
std::vector<std::string> Values(SystemSettings& s) {
  std::vector<std::string> v;
  auto add = [&v](std::initializer_list<int> ns) {
    for (int n : ns) v.push_back(std::to_string(n));
  };
  const int* r = s.GetMainWindowRect();
  int a, b, c, d;
  TFontStyles fs = 0, ms = 0;
  std::string fn, mn, sf, hf;
  s.GetFonts(fn, fs, a, mn, ms, b, c), add({r[0], r[1], r[2], r[3], r[4], r[5], fs, a, ms, b, c});
  s.GetColors(a, b, c), add({a, b, c});
  s.GetRegGridSizes(a, b, c), add({a, b, c});
  s.GetStatusGridSizes(a, b, c), add({a, b, c});
  s.GetTableGridSizes(a, b, c), add({a, b, c});
  s.GetUsbParams(a, b, c, d);
  add({a, b, c, d, static_cast<int>(s.GetBusPhysicalLayer()), s.GetComPort(), s.GetBaudRate()});
  add({static_cast<int>(s.GetEcsType())});
  s.GetLastRegFiles(sf, hf), v.insert(v.end(), {fn, mn, sf, hf});
  return v;
}

// The sections the settings do not own.
std::vector<std::vector<std::string>> Others(const std::string& path) {
  return fuzz::Sections(path, [](const std::string& s) {
    return platform::SameTextNoCase(s, "Window") || platform::SameTextNoCase(s, "Bus") || platform::SameTextNoCase(s, "File");
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::QuietUi ui;
  const std::string path = fuzz::WriteHomeFile("Vund2.ini", fuzz::Text(data, size));
  const auto others = Others(path);
  SystemSettings saved(ui);
  saved.LoadSettings();
  // The last lines of the input as the names a user picks.
  const std::vector<std::string> lines = fuzz::Lines(data, size);
  if (lines.size() > 2) saved.SetLastSregFile(lines[lines.size() - 1]), saved.SetLastHregFile(lines[lines.size() - 2]);
  if (!saved.SaveSettings()) fuzz::Fail("settings not saved");
  SystemSettings read(ui);
  read.LoadSettings();
  const std::vector<std::string> want = Values(saved), got = Values(read);
  for (size_t i = 0; i < want.size(); ++i)
    if (got[i] != want[i]) fuzz::Fail("setting " + std::to_string(i) + " saved as " + want[i] + ", read as " + got[i]);
  if (Others(path) != others) fuzz::Fail("a section the settings do not own changed");
  return 0;
}
