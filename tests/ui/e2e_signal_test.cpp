// The vund2 program itself, ended by SIGTERM (a logout, a service stop): it
// closes as the user would close it, so the settings are written and the
// set is told the configured rate again.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "e2e_fixture.h"

extern char** environ;

namespace {

TEST(E2eSignal, SigtermClosesTheProgramAsTheUserWould) {
  e2e::ProgramFolder folder;
  e2e::ThreadTarget set(folder);

  // Offscreen, as this binary runs.
  std::string program = VUND2_PROGRAM;
  std::vector<char*> argv = {program.data(), nullptr};
  pid_t pid = -1;
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ), 0);

  // Started up once the line was raised and the status items are polled.
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  size_t raisedAt = 0;
  while (Clock::now() < deadline) {
    if (!raisedAt && set.target.BaudIndex() != 6) raisedAt = set.target.FrameCount();
    if (raisedAt && set.target.FrameCount() > raisedAt + 3) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_NE(raisedAt, 0u) << "the program never raised the line";
  ASSERT_EQ(folder.Read("Vund2.ini").find("MainLeft="), std::string::npos);

  kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(folder.Read("Vund2.ini").find("MainLeft="), std::string::npos);
  EXPECT_EQ(set.target.BaudIndex(), 6);  // the configured rate, sent back at close
}

}  // namespace
