#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "platform/inifile.h"

namespace fs = std::filesystem;

namespace fuzz {

const std::string& Home() {
  // Never destroyed: the exit handler that removes the folder still needs it.
  static const std::string* home = [] {
    // In memory where there is a tmpfs: every file the program replaces is
    // synced, which on a disk holds a target to a few dozen inputs a second.
    std::error_code ec;
    const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "vund2-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) Fail("no temporary folder");
    setenv("VUND2_HOME", pattern.c_str(), 1);
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(Home(), ec);
    });
    return new std::string(pattern + "/");
  }();
  return *home;
}

std::string WriteHomeFile(const std::string& name, const std::string& bytes) {
  const std::string path = Home() + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return path;
}

void ClearHome() {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(Home(), ec)) fs::remove_all(entry.path(), ec);
}

int QuietUi::MessageBox(const std::string&, const std::string&, int flags) {
  int a;
  if (Take(answers, a)) return a;
  switch (flags & 0xF) {
    case 0: return platform::kIdOk;
    case 2: return platform::kIdAbort;
    case 4: return platform::kIdNo;
    default: return platform::kIdCancel;  // OK/Cancel, Yes/No/Cancel, Retry/Cancel
  }
}

std::vector<std::string> Lines(const uint8_t* data, size_t size) { return platform::SplitLines(Text(data, size)); }

std::vector<std::string> Parts(const uint8_t* data, size_t size, size_t count) {
  const std::string text = Text(data, size);
  static const std::string kSeparator = "\n@@\n";
  std::vector<std::string> parts;
  size_t from = 0;
  for (size_t at; parts.size() + 1 < count && (at = text.find(kSeparator, from)) != std::string::npos;
       from = at + kSeparator.size())
    parts.push_back(text.substr(from, at - from));
  parts.push_back(text.substr(from));
  parts.resize(count);
  return parts;
}

std::vector<std::vector<std::string>> Sections(const std::string& path,
                                               const std::function<bool(const std::string&)>& skip) {
  const platform::IniFile ini(path);
  std::vector<std::vector<std::string>> out;
  for (const std::string& s : ini.ReadSections())
    if (!skip(s)) out.push_back(ini.ReadSectionValues(s)), out.back().push_back(s);
  return out;
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace fuzz

// ASan's sscanf check takes the width of "%5[a-z]" as the bytes written, so a
// buffer sized to a shorter input looks overrun. The suppression covers the
// piece converter of strScanf only.
extern "C" const char* __asan_default_options() { return "suppressions=" VUND2_FUZZ_DIR "/asan.supp"; }
