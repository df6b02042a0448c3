// A fresh folder for a test, removed with everything in it afterwards.
#pragma once
#include <string>

#include "support/scoped_env.h"

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  // The folder with a trailing '/'.
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }
  // Writes bytes as they are.
  void Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;

 private:
  std::string path_;
};

// Sets VUND2_HOME to a folder for the life of the object.
class ScopedHome : public ScopedEnv {
 public:
  explicit ScopedHome(const std::string& folder) : ScopedEnv("VUND2_HOME", folder.c_str()) {}
};

}  // namespace testing_support
