#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "builtins_env.h"
#include "platform/files.h"
#include "script/childprocess.h"
#include "support/temp_dir.h"

namespace {

using namespace builtins_test;

class ChildProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Writes its arguments, one per line, then the descriptors it holds.
    dir_.Write("args.sh",
               "#!/bin/sh\n"
               "out=\"$(dirname \"$0\")/out.txt\"\n"
               ": > \"$out.tmp\"\n"
               "echo \"$(basename \"$0\")\" >> \"$out.tmp\"\n"
               "for a in \"$@\"; do echo \"$a\" >> \"$out.tmp\"; done\n"
               "set -- /proc/$$/fd/*\n"  // no pipeline: its pipes would count too
               "echo $# > \"$(dirname \"$0\")/fds.txt\"\n"
               "mv \"$out.tmp\" \"$out\"\n"
               "exit 3\n");
    chmod(dir_.File("args.sh").c_str(), 0755);
  }
  int Spawn(const std::string& path, const std::string& param, int wait) {
    return Call(env_, 1048, Args().Str(path).Str(param).Int(wait));
  }
  // The argument lines the child wrote; waits for a child that was not waited for.
  std::vector<std::string> Written() {
    std::vector<std::string> lines;
    for (int i = 0; i < 3000 && !platform::ReadLines(dir_.File("out.txt"), lines); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return lines;
  }

  testing_support::TempDir dir_;
  TestEnv env_;
};

// No shell reads the parameter: quotes stay in the words.
TEST_F(ChildProcessTest, ArgumentsAreTheFileNameThenTheBlankSeparatedWords) {
  EXPECT_EQ(SpawnArguments("/x/tool", " \"a b\";x "), (std::vector<std::string>{"tool", "\"a", "b\";x"}));
}

TEST_F(ChildProcessTest, SpawnWaitsOrNotAndPassesTheArguments) {
  // Exit status 3 is not a failure: only not starting (or -1) is.
  EXPECT_EQ(Spawn(dir_.File("args.sh"), "a  b", 1), 0);
  EXPECT_EQ(Written(), (std::vector<std::string>{"args.sh", "a", "b"}));
  unlink(dir_.File("out.txt").c_str());
  EXPECT_EQ(Spawn(dir_.File("args.sh"), "", 0), 0);
  EXPECT_EQ(Written(), (std::vector<std::string>{"args.sh"}));

  EXPECT_EQ(Spawn(dir_.File("missing"), "", 1), 1);
  EXPECT_EQ(Spawn(dir_.File("missing"), "", 0), 1);
  EXPECT_EQ(Spawn("args.sh", "", 1), 1);  // no search along PATH or the current folder's name alone
}

TEST_F(ChildProcessTest, ChildrenGetNoneOfOurDescriptors) {
  const int fd = open(dir_.File("args.sh").c_str(), O_RDONLY);  // deliberately inheritable
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Spawn(dir_.File("args.sh"), "", 1), 0);
  close(fd);
  std::string count;
  ASSERT_TRUE(platform::ReadFileBytes(dir_.File("fds.txt"), count));
  // 0, 1, 2, the script the shell reads and the folder its pattern lists.
  EXPECT_LE(std::stoi(count), 5);
}

TEST_F(ChildProcessTest, SystemReportsTheShellStatus) {
  EXPECT_EQ(Call(env_, 1049, Args().Str("exit 0")), 0);
  EXPECT_EQ(Call(env_, 1049, Args().Str("exit 2")), 1);
}

// A stop ends the script's wait for its child at once; the child runs on and
// is reaped when it ends.
TEST_F(ChildProcessTest, StopEndsTheWaitAndTheChildIsLeftToRun) {
  const std::string pid = dir_.File("pid");
  auto system = std::async(std::launch::async, [&] {
    return Call(env_, 1049, Args().Str("echo $$ >'" + pid + ".tmp'; mv '" + pid + ".tmp' '" + pid + "'; exec sleep 600"));
  });
  std::string text;
  for (int i = 0; i < 2000 && !platform::ReadFileBytes(pid, text); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  env_.exe.Stop();
  ASSERT_FALSE(text.empty());
  const pid_t child = std::stoi(text);
  EXPECT_EQ(system.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the stop waited for the child";
  EXPECT_EQ(kill(child, 0), 0);
  kill(child, SIGKILL);
  const std::string proc = "/proc/" + std::to_string(child);
  for (int i = 0; i < 2000 && access(proc.c_str(), F_OK) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_NE(access(proc.c_str(), F_OK), 0) << "not reaped";
}

}  // namespace
