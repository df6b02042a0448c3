// A fresh folder for a test, removed with everything in it afterwards.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/scoped_env.h"

namespace testing_support {

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vund2-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) ADD_FAILURE() << "mkdtemp failed";
    path_ = tmpl + "/";
  }
  ~TempDir() {
    std::error_code ec;
    // Give back write permission first so read-only fixtures can go.
    for (auto& e : std::filesystem::recursive_directory_iterator(path_, ec))
      std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                   ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder with a trailing '/'.
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }
  // Writes bytes as they are.
  void Write(const std::string& name, const std::string& bytes) const { std::ofstream(path_ + name, std::ios::binary) << bytes; }
  std::string Read(const std::string& name) const {
    std::stringstream ss;
    ss << std::ifstream(path_ + name, std::ios::binary).rdbuf();
    return ss.str();
  }

 private:
  std::string path_;
};

// Sets VUND2_HOME to a folder for the life of the object.
class ScopedHome : public ScopedEnv {
 public:
  explicit ScopedHome(const std::string& folder) : ScopedEnv("VUND2_HOME", folder.c_str()) {}
};

}  // namespace testing_support
