#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/files.h"

namespace fs = std::filesystem;

namespace fuzz {
namespace {

void RemoveHome() {
  std::error_code ec;
  fs::remove_all(Home(), ec);
}

}  // namespace

const std::string& Home() {
  // Never destroyed: the exit handler that removes the folder still needs it.
  static const std::string* home = [] {
    std::string pattern = (fs::temp_directory_path() / "vund2-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) Fail("no temporary folder");
    setenv("VUND2_HOME", pattern.c_str(), 1);
    auto* path = new std::string(pattern + "/");
    std::atexit(RemoveHome);
    return path;
  }();
  return *home;
}

std::string WriteHomeFile(const std::string& name, const std::string& bytes) {
  const std::string path = Home() + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return path;
}

std::string ReadHomeFile(const std::string& name) {
  std::string bytes;
  platform::ReadFileBytes(Home() + name, bytes);
  return bytes;
}

void ClearHome(const std::vector<std::string>& keep) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(Home(), ec)) {
    const std::string name = entry.path().filename().string();
    bool kept = false;
    for (const std::string& k : keep) kept = kept || k == name;
    if (!kept) fs::remove_all(entry.path(), ec);
  }
}

QuietUi::QuietUi() { platform::SetUi(this); }
QuietUi::~QuietUi() { platform::SetUi(nullptr); }

int QuietUi::MessageBox(const std::string&, const std::string&, int flags) {
  ++messages;
  if (!answers.empty()) {
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  switch (flags & 0xF) {
    case 0: return platform::kIdOk;
    case 2: return platform::kIdAbort;
    case 4: return platform::kIdNo;
    default: return platform::kIdCancel;  // OK/Cancel, Yes/No/Cancel, Retry/Cancel
  }
}

bool QuietUi::OpenFileDialog(const platform::FileDialogOptions&, std::string& path) {
  if (openFiles.empty()) return false;
  path = openFiles.front();
  openFiles.pop_front();
  return true;
}

bool QuietUi::SaveFileDialog(const platform::FileDialogOptions&, std::string& path) {
  if (saveFiles.empty()) return false;
  path = saveFiles.front();
  saveFiles.pop_front();
  return true;
}

bool QuietUi::InputBox(const std::string&, const std::string&, std::string& text, char) {
  if (inputs.empty()) return false;
  text = inputs.front();
  inputs.pop_front();
  return true;
}

void QuietUi::Clear() {
  answers.clear();
  openFiles.clear();
  saveFiles.clear();
  inputs.clear();
  messages = 0;
}

QuietUi& FreshUi() {
  static QuietUi ui;
  ui.Clear();
  return ui;
}

std::vector<std::string> Parts(const uint8_t* data, size_t size, size_t count) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  static const std::string kSeparator = "\n@@\n";
  std::vector<std::string> parts;
  size_t from = 0;
  while (parts.size() + 1 < count) {
    const size_t at = text.find(kSeparator, from);
    if (at == std::string::npos) break;
    parts.push_back(text.substr(from, at - from));
    from = at + kSeparator.size();
  }
  parts.push_back(text.substr(from));
  parts.resize(count);
  return parts;
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
