// The language cases: each script of cases/ is run by vund-script-run in a
// folder of its own, and what it writes, without its two heading lines, must
// be the .out file beside it: the script window's lines, then the result line.
// A case file may hold several scripts (a compile or run-time error ends one),
// each but the last ended by a line ending in "// -----"; their outputs follow
// one another.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace {

const std::string kCases = VUND2_SCRIPT_CASES;

std::string ReadCase(const std::string& name) {
  std::string bytes;
  EXPECT_TRUE(platform::ReadFileBytes(kCases + "/" + name, bytes)) << name;
  return bytes;
}

// What the runner writes but its headings. Under AddressSanitizer no
// allocation may pass 300 MB: a string is refused before it grows past its
// 256 MB cap.
std::string RunScriptFile(const std::string& dir, const std::string& file) {
  FILE* pipe = popen(("cd '" + dir + "' && ASAN_OPTIONS=\"$ASAN_OPTIONS:max_allocation_size_mb=300\" '" VUND2_SCRIPT_RUN
                      "' '" + file + "'").c_str(), "r");
  std::string text;
  char buf[4096];
  for (size_t n; pipe && (n = fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
  if (pipe) pclose(pipe);
  for (const char* heading : {"----- script window -----\n", "----- result -----\n"}) {
    const size_t at = text.find(heading);
    EXPECT_NE(at, std::string::npos) << file;
    if (at != std::string::npos) text.erase(at, std::strlen(heading));
  }
  return text;
}

class ScriptCase : public ::testing::TestWithParam<std::string> {};

TEST_P(ScriptCase, WritesItsExpectedOutput) {
  std::vector<std::string> scripts(1);
  std::istringstream in(ReadCase(GetParam() + ".jsc"));
  for (std::string line; std::getline(in, line);) {
    scripts.back() += line + "\n";
    if (line.size() >= 8 && line.compare(line.size() - 8, 8, "// -----") == 0) scripts.emplace_back();
  }
  testing_support::TempDir dir;
  std::string output;
  for (size_t i = 0; i < scripts.size(); ++i) {
    dir.Write(std::to_string(i) + ".jsc", scripts[i]);
    output += RunScriptFile(dir.Path(), std::to_string(i) + ".jsc");
  }
  EXPECT_EQ(output, ReadCase(GetParam() + ".out"));
}

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(kCases))
    if (entry.path().extension() == ".jsc") names.push_back(entry.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptCase, ::testing::ValuesIn(CaseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
