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
#include "script/builtins/modulestate.h"
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

// "open" answers 0 only when a program was found and started: the opener
// (a stand-in here) exits 0, or is still running it after a few seconds.
TEST(ChildProcessTest, ShellOpenAnswersWhetherAProgramWasStarted) {
  testing_support::TempDir dir;
  TestEnv env;
  // Notes each path it is given; a type without a program is an error, as
  // for the desktop's opener; a ".wait" document keeps it running.
  dir.Write("opener",
            "#!/bin/sh\n"
            "echo \"$1\" >> \"$(dirname \"$0\")/opened.txt\"\n"
            "case \"$1\" in *.none) exit 4 ;; *.wait) echo $$ > \"$(dirname \"$0\")/wait.pid\"; exec sleep 60 ;; esac\n"
            "exit 0\n");
  chmod(dir.File("opener").c_str(), 0755);
  for (const char* doc : {"a.txt", "b.none", "c.wait"}) dir.Write(doc, "x");
  auto open = [&](const std::string& path) { return Call(env, 1050, Args().Str(path)); };

  env.host.ModuleState().shellOpener = dir.File("opener");
  EXPECT_EQ(open(dir.File("missing.txt")), 1);
  EXPECT_EQ(open(dir.File("a.txt")), 0);
  EXPECT_EQ(open(dir.File("b.none")), 1);
  EXPECT_EQ(open(dir.File("c.wait")), 0);
  std::vector<std::string> opened;
  ASSERT_TRUE(platform::ReadLines(dir.File("opened.txt"), opened));
  EXPECT_EQ(opened, (std::vector<std::string>{dir.File("a.txt"), dir.File("b.none"), dir.File("c.wait")}));
  std::string waiting;
  ASSERT_TRUE(platform::ReadFileBytes(dir.File("wait.pid"), waiting));
  kill(std::stoi(waiting), SIGKILL);
  // No opener installed.
  env.host.ModuleState().shellOpener = "vund2-no-such-opener";
  EXPECT_EQ(open(dir.File("a.txt")), 1);
  env.host.ModuleState().shellOpener = dir.File("missing-opener");
  EXPECT_EQ(open(dir.File("a.txt")), 1);
  EXPECT_EQ(open(""), 1);
}

}  // namespace
