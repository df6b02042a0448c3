// The vund2 program on a real X display (Xvfb) with a window manager
// (openbox), driven with xdotool as a user drives it: what only a real
// display shows. Which window is active after a table edit and after its
// range box, whether the main window and a dialog placed at the bottom of the
// screen lie on the screen, and whether a close asked for during an NVM read
// is carried out. Skipped when the X programs are missing (scripts/install-deps
// installs them).
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace {

using e2e::Spawn;
using e2e::WaitFor;

// What a command on the display prints, up to its first line break when firstLine.
std::string Out(const std::string& command, bool firstLine = true) {
  std::string out;
  if (FILE* f = popen(("timeout 30 " + command + " 2>/dev/null").c_str(), "r")) {
    char buf[512];
    for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
    pclose(f);
  }
  return firstLine ? out.substr(0, out.find('\n')) : out;
}
void Key(const std::string& keys) { Out("xdotool key --clearmodifiers " + keys); }
std::string ActiveId() { return Out("xdotool getactivewindow"); }
bool ActiveIs(const std::string& name) {
  return WaitFor([&] { return Out("xdotool getactivewindow getwindowname") == name; });
}

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
};
std::ostream& operator<<(std::ostream& os, const Rect& r) { return os << r.w << "x" << r.h << "+" << r.x << "+" << r.y; }

// The client area of a window ("-id N") or of the screen ("-root").
Rect Geometry(const std::string& which) {
  Rect r;
  const std::string text = Out("xwininfo " + which, false);
  const auto value = [&text](const char* key, int& out) {
    const size_t at = text.find(key);
    if (at != std::string::npos) out = std::atoi(text.c_str() + at + std::string(key).size());
  };
  value("Absolute upper-left X:", r.x);
  value("Absolute upper-left Y:", r.y);
  value("Width:", r.w);
  value("Height:", r.h);
  return r;
}
// The window with the window manager's frame, once it is framed and lies inside the screen.
bool FramedInside(const std::string& id, Rect& frame) {
  const std::string text = Out("xprop -id " + id + " _NET_FRAME_EXTENTS");
  int l = 0, r = 0, t = 0, b = 0;
  const size_t at = text.find('=');
  if (at == std::string::npos || std::sscanf(text.c_str() + at + 1, "%d, %d, %d, %d", &l, &r, &t, &b) != 4)
    return false;
  const Rect c = Geometry("-id " + id), screen = Geometry("-root");
  frame = {c.x - l, c.y - t, c.w + l + r, c.h + t + b};
  return c.w > 0 && frame.x >= 0 && frame.y >= 0 && frame.x + frame.w <= screen.w && frame.y + frame.h <= screen.h;
}

class E2eXvfbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* p : {"Xvfb", "openbox", "xdotool", "xprop", "xwininfo"})
      if (std::system(("command -v " + std::string(p) + " >/dev/null").c_str()) != 0)
        GTEST_SKIP() << "needs " << p << " (scripts/install-deps installs it)";
    // A display of its own: Xvfb writes its number to descriptor 3.
    pids.push_back(Spawn({"sh", "-c", "exec Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>'" +
                                          folder.File("display") + "' 2>/dev/null"}));
    ASSERT_TRUE(WaitFor([this] { return folder.Read("display").find('\n') != std::string::npos; }));
    display = std::make_unique<testing_support::ScopedEnv>("DISPLAY", (":" + Out("cat " + folder.File("display"))).c_str());
    // The window manager is up once it has said so on the root window.
    pids.push_back(Spawn({"openbox"}));
    ASSERT_TRUE(WaitFor([] { return Out("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos; }));
    // Replies may be held back on purpose for a while.
    platform::IniFile vund(folder.File("vund.dat"));
    vund.WriteInteger("Common", "TimeOutTime", 3000);
    vund.UpdateFile();
    set = std::make_unique<e2e::ThreadTarget>(folder);
  }
  void TearDown() override {
    if (program > 0) pids.push_back(program);
    for (auto pid = pids.rbegin(); pid != pids.rend(); ++pid) {
      kill(*pid, SIGKILL);
      waitpid(*pid, nullptr, 0);
    }
  }

  // The program in English, up once the line was raised and its window is active.
  void StartProgram() {
    // The desktop bus library of the X platform keeps a buffer to the end.
    ASSERT_TRUE(platform::WriteFileAtomic(folder.File("lsan.supp"), "leak:libdbus-1.so\n"));
    program = Spawn({"env", "QT_QPA_PLATFORM=xcb", "LSAN_OPTIONS=suppressions=" + folder.File("lsan.supp"),
                     VUND2_PROGRAM, "1"});
    ASSERT_GT(program, 0);
    ASSERT_TRUE(WaitFor([this] { return set->target.BaudIndex() != 6; })) << "the program never raised the line";
    ASSERT_TRUE(WaitFor([this] {
      main = Out("xdotool search --onlyvisible --name '^Vund2  S_REG'");
      return !main.empty() && ActiveId() == main;
    })) << "the main window was never active";
  }

  e2e::ProgramFolder folder;
  std::unique_ptr<testing_support::ScopedEnv> display;
  std::vector<pid_t> pids;
  std::unique_ptr<e2e::ThreadTarget> set;
  pid_t program = -1;
  std::string main;
};

TEST_F(E2eXvfbTest, WindowsLieOnTheScreenTheTableKeepsTheFocusAndACloseDuringAnNvmReadIsCarriedOut) {
  StartProgram();
  Rect frame;
  // The first run's size is the whole screen, title bar included.
  EXPECT_TRUE(WaitFor([&] { return FramedInside(main, frame); })) << "main window " << frame;

  // A table edit, and a value out of range: the table window stays the
  // active one, so the next keys cannot reach the register grid.
  Key("alt+e t");
  ASSERT_TRUE(ActiveIs("Table Window"));
  Key("Return");
  ASSERT_TRUE(ActiveIs("Input"));
  Key("ctrl+a 5 Return");
  EXPECT_TRUE(WaitFor([this] { return (set->target.Register(0x3000) >> 8) == 5; }));
  EXPECT_TRUE(ActiveIs("Table Window"));
  Key("Return");
  ASSERT_TRUE(ActiveIs("Input"));
  Key("ctrl+a 3 0 0 Return");
  ASSERT_TRUE(ActiveIs("ERROR"));
  Key("Return");
  EXPECT_TRUE(ActiveIs("Table Window"));

  // The value dialog opens over its cell; with the cell near the bottom of
  // the screen it goes above it, frame and all.
  Out("xdotool windowactivate --sync " + main);
  ASSERT_TRUE(WaitFor([this] { return ActiveId() == main; }));
  Key("ctrl+Home Down Return");  // the first row is a label
  ASSERT_TRUE(ActiveIs("PowerState"));
  Rect dialog;
  ASSERT_TRUE(WaitFor([&] { return FramedInside(ActiveId(), dialog); }));
  Key("Escape");
  ASSERT_TRUE(WaitFor([this] { return ActiveId() == main; }));
  const Rect client = Geometry("-id " + main);
  // Low enough that the dialog's client area would fit below the cell but its frame would not.
  const int moved = client.y + (Geometry("-root").h - 70) - dialog.y;
  Out("xdotool windowmove " + main + " " + std::to_string(client.x) + " " + std::to_string(moved));
  ASSERT_TRUE(WaitFor([&] { return Geometry("-id " + main).y == moved; }));
  Key("Return");
  ASSERT_TRUE(ActiveIs("PowerState"));
  EXPECT_TRUE(WaitFor([&] { return FramedInside(ActiveId(), dialog); })) << "value dialog " << dialog;
  Key("Escape");
  ASSERT_TRUE(WaitFor([this] { return ActiveId() == main; }));

  Key("alt+f r Return");  // Read NVM Image, with verify
  ASSERT_TRUE(ActiveIs("NVMAccess"));
  // The first replies of the read come late, so the read is still running
  // when the user closes the window.
  const size_t before = set->target.FrameCount();
  set->target.AddFault(SimFault::Late(800), 6);
  Key("Return");
  ASSERT_TRUE(WaitFor([&] { return set->target.FrameCount() > before; }));
  Key("alt+F4");
  ASSERT_GT(set->target.PendingFaults(), 0u) << "the read ended before the close was asked for";
  // The read goes on to its end and offers the file; cancelled, the close runs.
  ASSERT_TRUE(ActiveIs("Save As"));
  Key("Escape");
  EXPECT_TRUE(WaitFor([this] { return waitpid(program, nullptr, WNOHANG) == program; })) << "the window stayed open";
  program = -1;
  EXPECT_NE(folder.Read("Vund2.ini").find("MainLeft="), std::string::npos);
}

}  // namespace
