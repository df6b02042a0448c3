// The vund2 program itself, ended by SIGTERM (a logout, a service stop): it
// closes as the user would close it, so the settings are written and the
// set is told the configured rate again.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "e2e_fixture.h"

namespace {

TEST(E2eSignal, SigtermClosesTheProgramAsTheUserWould) {
  e2e::ProgramFolder folder;
  e2e::ThreadTarget set(folder);

  const pid_t pid = e2e::Spawn({VUND2_PROGRAM});  // offscreen, as this binary runs
  ASSERT_GT(pid, 0);

  // Started up once the line was raised and the status items are polled.
  size_t raisedAt = 0;
  ASSERT_TRUE(e2e::WaitFor([&] {
    if (!raisedAt && set.target.BaudIndex() != 6) raisedAt = set.target.FrameCount();
    return raisedAt && set.target.FrameCount() > raisedAt + 3;
  })) << "the program never raised the line";
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
