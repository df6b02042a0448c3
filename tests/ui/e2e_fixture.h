// The program as a user runs it, against the simulated set over a real
// pseudo-terminal: a scratch program folder with copies of the sample files
// whose COM port points at a link in that folder, and behind the link the
// simulated set.
#pragma once
#include <gtest/gtest.h>
#include <spawn.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/inifile.h"
#include "simptyserver.h"
#include "simtarget.h"
#include "support/temp_dir.h"

extern char** environ;

namespace e2e {

// Waits until done holds; false after a minute (generous: a loaded two-core
// machine running the sanitizer build is slow).
inline bool WaitFor(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// Starts a program found on the PATH with this process's environment; -1 when it cannot.
inline pid_t Spawn(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

// The port the sample Vund2.ini names: ComPort=1, that is COM2.
constexpr int kComPortIndex = 1;

// A fresh program folder (VUND2_HOME) with copies of the sample files. Its
// vund.dat polls every 100 ms and times out after 200 ms, sooner than the
// sample's; Vund2.ini is the sample's with its COM port pointing at Link().
class ProgramFolder {
 public:
  ProgramFolder() {
    for (const char* name : {"Sreg.dat", "Hreg.dat", "Table.dat", "vund.dat", "Vund2.ini"}) {
      std::string bytes;
      platform::ReadFileBytes(std::string(VUND2_EXAMPLES) + "/" + name, bytes);
      dir_.Write(name, bytes);
    }
    platform::IniFile vund(File("vund.dat"));
    vund.WriteInteger("EcsSettings", "RefreshTime", 100);
    vund.WriteInteger("Common", "TimeOutTime", 200);
    vund.UpdateFile();
    platform::IniFile ini(File("Vund2.ini"));
    EXPECT_EQ(ini.ReadInteger("Bus", "ComPort", -1), kComPortIndex);
    ini.WriteString("Ports", "COM" + std::to_string(kComPortIndex + 1), Link());
    ini.UpdateFile();
  }

  std::string File(const std::string& name) const { return dir_.File(name); }
  std::string Read(const std::string& name) const { return dir_.Read(name); }
  // Where the simulated set is reached: a symbolic link to its pty.
  std::string Link() const { return dir_.File("target-link"); }

 private:
  testing_support::TempDir dir_;
  testing_support::ScopedHome home_{dir_.Path()};
};

// The simulated ECS3 set made from the folder's sample files, served on a pty
// from a thread of the test (which sees and changes the set's memory).
class ThreadTarget {
 public:
  explicit ThreadTarget(const ProgramFolder& folder) : target(SimProtocol::Ecs3), server_(target) {
    EXPECT_TRUE(target.LoadVundData(folder.File("vund.dat")));
    EXPECT_TRUE(target.LoadRegisterFile(folder.File("Sreg.dat"), false));
    EXPECT_TRUE(target.LoadRegisterFile(folder.File("Hreg.dat"), true));
    std::string error;
    EXPECT_TRUE(server_.Start(&error)) << error;
    std::error_code ec;
    std::filesystem::create_symlink(server_.SlavePath(), folder.Link(), ec);
    EXPECT_FALSE(ec) << ec.message();
  }

  SimTarget target;

 private:
  SimPtyServer server_;
};

}  // namespace e2e
