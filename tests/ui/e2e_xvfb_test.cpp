// The vund2 program on a real X display (Xvfb) with a window manager
// (openbox), driven with xdotool as a user drives it: what only a real
// display shows. Which window is active after a table edit and after its
// range box, whether the main window and a dialog placed at the bottom of the
// screen lie on the screen, and whether a close asked for during an NVM read
// is carried out. Skipped when the X programs are missing (scripts/install-deps
// installs them).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e_fixture.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Generous: a loaded two-core machine running the sanitizer build is slow.
constexpr auto kDeadline = std::chrono::seconds(60);

bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit = kDeadline) {
  const auto end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
};

std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << r.w << "x" << r.h << "+" << r.x << "+" << r.y;
}

// A display of its own with the window manager on it, and the tools that
// look at it and type into it.
class XSession {
 public:
  ~XSession() {
    for (pid_t* pid : {&wm_, &server_}) {
      if (*pid <= 0) continue;
      kill(*pid, SIGTERM);
      waitpid(*pid, nullptr, 0);
    }
  }

  static bool Available(std::string& missing) {
    for (const char* p : {"Xvfb", "openbox", "xdotool", "xprop", "xwininfo"})
      if (!OnPath(p)) missing += std::string(missing.empty() ? "" : ", ") + p;
    return missing.empty();
  }

  bool Start() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args = {"Xvfb", "-displayfd", "3", "-screen", "0", "1280x800x24", "-nolisten", "tcp"};
    server_ = Spawn(args, &actions, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 60000) > 0) {
      char c = 0;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (server_ <= 0 || number.empty()) return false;
    display_ = ":" + number;
    if (!WaitFor([this] { return Out("xwininfo -root").find("Width:") != std::string::npos; })) return false;
    // Up once it has said so on the root window; started again should it
    // have ended without.
    return WaitFor([this] {
      if (wm_ > 0 && waitpid(wm_, nullptr, WNOHANG) == wm_) wm_ = -1;
      if (wm_ <= 0) wm_ = Spawn({"openbox"}, nullptr, Env({}).data());
      return Out("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos;
    });
  }

  // The environment of a program on this display.
  std::vector<char*> Env(const std::vector<std::string>& extra) {
    env_.clear();
    for (char** e = environ; *e; ++e) {
      const std::string s = *e;
      if (s.rfind("DISPLAY=", 0) == 0 || s.rfind("QT_QPA_PLATFORM=", 0) == 0) continue;
      env_.push_back(s);
    }
    env_.push_back("DISPLAY=" + display_);
    for (const std::string& s : extra) env_.push_back(s);
    std::vector<char*> out;
    for (std::string& s : env_) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
  }

  pid_t Spawn(std::vector<std::string> args, const posix_spawn_file_actions_t* actions, char* const* env) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), env) != 0) return -1;
    return pid;
  }

  // What a command on this display prints.
  std::string Out(const std::string& command) const {
    std::string out;
    FILE* f = popen(("DISPLAY=" + display_ + " timeout 30 " + command + " 2>/dev/null").c_str(), "r");
    if (!f) return out;
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    pclose(f);
    return out;
  }
  void Do(const std::string& command) const { Out(command); }
  void Key(const std::string& keys) const { Do("xdotool key --clearmodifiers " + keys); }

  // The first line a command prints.
  std::string Line(const std::string& command) const {
    std::istringstream in(Out(command));
    std::string line;
    std::getline(in, line);
    return line;
  }
  std::string ActiveName() const { return Line("xdotool getactivewindow getwindowname"); }
  std::string ActiveId() const { return Line("xdotool getactivewindow"); }
  std::string FindWindow(const std::string& nameRegex) const {
    return Line("xdotool search --onlyvisible --name '" + nameRegex + "'");
  }

  // The client area of a window on the screen.
  Rect Client(const std::string& id) const { return Geometry("-id " + id); }
  Rect Screen() const { return Geometry("-root"); }
  Rect Geometry(const std::string& which) const {
    Rect r;
    std::istringstream in(Out("xwininfo " + which));
    std::string line;
    while (std::getline(in, line)) {
      const auto value = [&line](const char* key, int& out) {
        const size_t at = line.find(key);
        if (at != std::string::npos) out = std::atoi(line.c_str() + at + std::strlen(key));
      };
      value("Absolute upper-left X:", r.x);
      value("Absolute upper-left Y:", r.y);
      value("Width:", r.w);
      value("Height:", r.h);
    }
    return r;
  }
  // The window with the window manager's frame; false until it is framed.
  bool Frame(const std::string& id, Rect& frame) const {
    const std::string text = Out("xprop -id " + id + " _NET_FRAME_EXTENTS");
    int l = 0, r = 0, t = 0, b = 0;
    const size_t at = text.find('=');
    if (at == std::string::npos || std::sscanf(text.c_str() + at + 1, "%d, %d, %d, %d", &l, &r, &t, &b) != 4)
      return false;
    const Rect c = Client(id);
    frame = {c.x - l, c.y - t, c.w + l + r, c.h + t + b};
    return c.w > 0;
  }

 private:
  pid_t server_ = -1;
  pid_t wm_ = -1;
  std::string display_;
  std::vector<std::string> env_;
};

bool Inside(const Rect& r, const Rect& screen) {
  return r.x >= 0 && r.y >= 0 && r.x + r.w <= screen.w && r.y + r.h <= screen.h;
}

class E2eXvfbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string missing;
    if (!XSession::Available(missing))
      GTEST_SKIP() << "needs " << missing << " (scripts/install-deps installs them)";
    ASSERT_TRUE(x.Start()) << "Xvfb or openbox did not start";
    // Replies may be held back on purpose for a while.
    platform::IniFile vund(folder.File("vund.dat"));
    vund.WriteInteger("Common", "TimeOutTime", 3000);
    vund.UpdateFile();
    set = std::make_unique<e2e::ThreadTarget>(folder);
    ASSERT_TRUE(set->Start());
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  // The program in English, up once the line was raised and the values read.
  void StartProgram() {
    std::string program = VUND2_PROGRAM;
    // The desktop bus library of the X platform keeps a buffer to the end.
    const std::string suppressions = folder.File("lsan.supp");
    ASSERT_TRUE(platform::WriteFileAtomic(suppressions, "leak:libdbus-1.so\n"));
    pid_ = x.Spawn({program, "1"}, nullptr,
                   x.Env({"QT_QPA_PLATFORM=xcb", "LSAN_OPTIONS=suppressions=" + suppressions}).data());
    ASSERT_GT(pid_, 0);
    ASSERT_TRUE(WaitFor([this] { return set->target.BaudIndex() != 6; })) << "the program never raised the line";
    ASSERT_TRUE(WaitFor([this] {
      main_ = x.FindWindow("^Vund2  S_REG");
      return !main_.empty() && x.ActiveId() == main_;
    })) << "the main window was never active";
  }

  // True when the program ended by itself within the deadline.
  bool Ended() {
    return WaitFor([this] {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
      pid_ = -1;
      return true;
    });
  }

  bool ActiveIs(const std::string& name) {
    return WaitFor([&] { return x.ActiveName() == name; });
  }

  e2e::ProgramFolder folder;
  XSession x;
  std::unique_ptr<e2e::ThreadTarget> set;
  std::string main_;
  pid_t pid_ = -1;
};

TEST_F(E2eXvfbTest, WindowsLieOnTheScreenAndTheTableWindowKeepsTheFocus) {
  StartProgram();
  const Rect screen = x.Screen();
  Rect frame;
  // The first run's size is the whole screen, title bar included.
  EXPECT_TRUE(WaitFor([&] { return x.Frame(main_, frame) && Inside(frame, screen); }))
      << "main window " << frame << " on " << screen;

  // A table edit, and a value out of range: the table window stays the
  // active one, so the next keys cannot reach the register grid.
  x.Key("alt+e t");
  ASSERT_TRUE(ActiveIs("Table Window"));
  x.Key("Return");
  ASSERT_TRUE(ActiveIs("Input"));
  x.Key("ctrl+a 5 Return");
  EXPECT_TRUE(WaitFor([this] { return (set->target.Register(0x3000) >> 8) == 5; }));
  EXPECT_TRUE(ActiveIs("Table Window")) << x.ActiveName();
  x.Key("Return");
  ASSERT_TRUE(ActiveIs("Input"));
  x.Key("ctrl+a 3 0 0 Return");
  ASSERT_TRUE(ActiveIs("ERROR"));
  x.Key("Return");
  EXPECT_TRUE(ActiveIs("Table Window")) << x.ActiveName();

  // The value dialog opens over its cell; with the cell near the bottom of
  // the screen it goes above it, frame and all.
  x.Do("xdotool windowactivate --sync " + main_);
  ASSERT_TRUE(WaitFor([this] { return x.ActiveId() == main_; }));
  x.Key("ctrl+Home Down Return");  // the first row is a label
  ASSERT_TRUE(ActiveIs("PowerState"));
  Rect dialog;
  ASSERT_TRUE(WaitFor([&] { return x.Frame(x.ActiveId(), dialog); }));
  const int cellTop = dialog.y;
  x.Key("Escape");
  ASSERT_TRUE(WaitFor([this] { return x.ActiveId() == main_; }));
  const Rect client = x.Client(main_);
  // Low enough that the dialog's client area would fit below the cell but
  // its frame would not.
  const int moved = client.y + (screen.h - 70) - cellTop;
  x.Do("xdotool windowmove " + main_ + " " + std::to_string(client.x) + " " + std::to_string(moved));
  ASSERT_TRUE(WaitFor([&] { return x.Client(main_).y == moved; }));
  x.Key("Return");
  ASSERT_TRUE(ActiveIs("PowerState"));
  EXPECT_TRUE(WaitFor([&] { return x.Frame(x.ActiveId(), dialog) && Inside(dialog, screen); }))
      << "value dialog " << dialog << " on " << screen;
  x.Key("Escape");

  kill(pid_, SIGTERM);
  EXPECT_TRUE(Ended());
}

TEST_F(E2eXvfbTest, ACloseDuringAnNvmReadIsCarriedOutWhenTheReadEnds) {
  StartProgram();
  x.Key("alt+f r Return");  // Read NVM Image, with verify
  ASSERT_TRUE(ActiveIs("NVMAccess"));
  // The first replies of the read come late, so the read is still running
  // when the user closes the window.
  const size_t before = set->target.FrameCount();
  set->target.AddFault(SimFault::Late(800), 6);
  x.Key("Return");
  ASSERT_TRUE(WaitFor([&] { return set->target.FrameCount() > before; }));
  x.Key("alt+F4");
  ASSERT_GT(set->target.PendingFaults(), 0u) << "the read ended before the close was asked for";
  // The read goes on to its end and offers the file; cancelled, the close runs.
  ASSERT_TRUE(ActiveIs("Save As")) << x.ActiveName();
  x.Key("Escape");
  EXPECT_TRUE(Ended()) << "the window stayed open";
  EXPECT_NE(folder.Read("Vund2.ini").find("MainLeft="), std::string::npos);
}

}  // namespace
