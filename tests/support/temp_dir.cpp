#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace testing_support {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "vund2-test-XXXXXX").string();
  char* made = mkdtemp(tmpl.data());
  if (!made) ADD_FAILURE() << "mkdtemp failed";
  path_ = tmpl + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  // Give back write permission first so read-only fixtures can go.
  for (auto& e : std::filesystem::recursive_directory_iterator(path_, ec))
    std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream f(path_ + name, std::ios::binary | std::ios::trunc);
  f << bytes;
}

std::string TempDir::Read(const std::string& name) const {
  std::ifstream f(path_ + name, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace testing_support
