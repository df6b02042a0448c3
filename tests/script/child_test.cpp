// Child processes: started without a shell and without our descriptors,
// waited for or not, and never waited for after a stop.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "platform/files.h"
#include "scripthost_recording.h"
#include "support/temp_dir.h"

namespace {

using namespace builtins_test;

// Polls (never long) until done holds; false after 30 s.
template <typename F>
bool Eventually(F done) {
  for (int i = 0; i < 3000; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10)))
    if (done()) return true;
  return false;
}

TEST(ChildProcessTest, SpawnWaitsOrNotAndPassesTheWordsWithoutAShellOrOurDescriptors) {
  testing_support::TempDir dir;
  TestEnv env;
  // Writes its arguments, one per line, the number of descriptors it holds and its id.
  dir.Write("args.sh",
            "#!/bin/sh\n"
            "out=\"$(dirname \"$0\")/out.txt\"\n"
            "echo \"$(basename \"$0\")\" > \"$out.tmp\"\n"
            "for a in \"$@\"; do echo \"$a\" >> \"$out.tmp\"; done\n"
            "set -- /proc/$$/fd/*\n"  // no pipeline: its pipes would count too
            "echo $# $$ >> \"$out.tmp\"\n"
            "mv \"$out.tmp\" \"$out\"\n"
            "exit 3\n");
  chmod(dir.File("args.sh").c_str(), 0755);
  auto spawn = [&](const std::string& path, const std::string& param, int wait) {
    return Call(env, 1048, Args().Str(path).Str(param).Int(wait));
  };
  std::vector<std::string> lines;
  auto written = [&] { return Eventually([&] { return platform::ReadLines(dir.File("out.txt"), lines); }); };

  const int fd = open(dir.File("args.sh").c_str(), O_RDONLY);  // deliberately inheritable
  ASSERT_GE(fd, 0);
  // Exit status 3 is not a failure: only not starting (or -1) is. No shell
  // reads the parameter: quotes stay in the words.
  EXPECT_EQ(spawn(dir.File("args.sh"), " \"a  b\";x ", 1), 0);
  close(fd);
  ASSERT_TRUE(written());
  // The descriptors: 0, 1, 2, the script the shell reads and the folder its pattern lists.
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_LE(std::stoi(lines.back()), 5);
  lines.pop_back();
  EXPECT_EQ(lines, (std::vector<std::string>{"args.sh", "\"a", "b\";x"}));
  unlink(dir.File("out.txt").c_str());
  EXPECT_EQ(spawn(dir.File("args.sh"), "", 0), 0);
  ASSERT_TRUE(written());
  ASSERT_EQ(lines.size(), 2u);
  const std::string reaped = "/proc/" + lines[1].substr(lines[1].find(' ') + 1);
  EXPECT_TRUE(Eventually([&] { return access(reaped.c_str(), F_OK) != 0; })) << "not reaped";

  EXPECT_EQ(spawn(dir.File("missing"), "", 1), 1);
  EXPECT_EQ(spawn(dir.File("missing"), "", 0), 1);
  EXPECT_EQ(spawn("args.sh", "", 1), 1);  // no search along PATH or the current folder's name alone
  EXPECT_EQ(Call(env, 1049, Args().Str("exit 0")), 0);
  EXPECT_EQ(Call(env, 1049, Args().Str("exit 2")), 1);
}

// A stop ends the script's wait for its child at once; the child runs on and
// is reaped when it ends, as one that was never waited for is.
TEST(ChildProcessTest, StopEndsTheWaitAndTheChildIsLeftToRun) {
  testing_support::TempDir dir;
  TestEnv env;
  const std::string pid = dir.File("pid");
  auto system = std::async(std::launch::async, [&] {
    return Call(env, 1049, Args().Str("echo $$ >'" + pid + ".tmp'; mv '" + pid + ".tmp' '" + pid + "'; exec sleep 60"));
  });
  std::string text;
  ASSERT_TRUE(Eventually([&] { return platform::ReadFileBytes(pid, text); }));
  env.exe.Stop();
  const pid_t child = std::stoi(text);
  EXPECT_EQ(system.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the stop waited for the child";
  EXPECT_EQ(kill(child, 0), 0);
  kill(child, SIGKILL);
  const std::string proc = "/proc/" + std::to_string(child);
  EXPECT_TRUE(Eventually([&] { return access(proc.c_str(), F_OK) != 0; })) << "not reaped";
}

}  // namespace
