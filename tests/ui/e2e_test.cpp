// The vund2 program as a user runs it, against the simulated set over a real
// pseudo-terminal. Ended by SIGTERM (a logout, a service stop), the program closes as the user
// would close it. On a real X display (Xvfb) with a window manager (openbox),
// driven with xdotool, it shows what only a real display shows: which window
// is active after a table edit and after its range box, whether the main
// window and a dialog placed at the bottom of the screen lie on the screen,
// and whether a close asked for during an NVM read is carried out; that a
// Yes/No box waits for its buttons and a box shows its caption whole; that a
// script dialog or the value dialog cannot stay minimized or hidden, and a
// printing script's window never comes up over the program's modal dialog;
// that on a low screen the table window lies on it. The X tests are
// skipped when the X programs are missing (scripts/install-deps installs
// them).
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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
#include "ui/qtui.h"

extern char** environ;

namespace {

// Waits until done holds; false after a minute (generous: a loaded two-core
// machine running the sanitizer build is slow).
bool WaitFor(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// Starts a program found on the PATH with this process's environment; -1 when
// it cannot. It is killed with the test, should the test be ended first.
pid_t Spawn(std::vector<std::string> args) {
  args.insert(args.begin(), {"setpriv", "--pdeathsig", "KILL"});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

// Ends a started program that was not waited for, on every path out of a test.
struct Reaped {
  ~Reaped() { if (pid > 0 && kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0); }
  pid_t& pid;
};

// A fresh program folder (VUND2_HOME) with copies of the sample files and the
// simulated ECS3 set made from them, served on a pty from a thread of the
// test (which sees and changes the set's memory). Its vund.dat polls every
// 100 ms, sooner than the sample's, and waits 3 s for a reply: replies may be
// held back on purpose for a while. Vund2.ini is the sample's with its COM
// port pointing at a link to the pty.
struct ProgramFolder {
  ProgramFolder() {
    for (const char* name : {"Sreg.dat", "Hreg.dat", "Table.dat", "vund.dat", "Vund2.ini"}) {
      std::string bytes;
      platform::ReadFileBytes(std::string(VUND2_EXAMPLES) + "/" + name, bytes);
      dir.Write(name, bytes);
    }
    platform::IniFile vund(dir.File("vund.dat"));
    vund.WriteInteger("EcsSettings", "RefreshTime", 100);
    vund.WriteInteger("Common", "TimeOutTime", 3000);
    vund.UpdateFile();
    platform::IniFile ini(dir.File("Vund2.ini"));
    EXPECT_EQ(ini.ReadInteger("Bus", "ComPort", -1), 1);  // COM2
    ini.WriteString("Ports", "COM2", dir.File("target-link"));
    ini.UpdateFile();
    EXPECT_TRUE(target.LoadVundData(dir.File("vund.dat")));
    EXPECT_TRUE(target.LoadRegisterFile(dir.File("Sreg.dat"), false));
    EXPECT_TRUE(target.LoadRegisterFile(dir.File("Hreg.dat"), true));
    std::string error;
    EXPECT_TRUE(server.Start(&error)) << error;
    std::error_code ec;
    std::filesystem::create_symlink(server.SlavePath(), dir.File("target-link"), ec);
    EXPECT_FALSE(ec) << ec.message();
  }

  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  SimTarget target{SimProtocol::Ecs3};
  SimPtyServer server{target};
};

TEST(E2eSignal, SigtermClosesTheProgramAsTheUserWould) {
  ProgramFolder folder;

  pid_t pid = Spawn({VUND2_PROGRAM});  // offscreen, as this binary runs
  ASSERT_GT(pid, 0);
  const Reaped reaped{pid};

  // Started up once the line was raised and the status items are polled.
  size_t raisedAt = 0;
  ASSERT_TRUE(WaitFor([&] {
    if (!raisedAt && folder.target.BaudIndex() != 6) raisedAt = folder.target.FrameCount();
    return raisedAt && folder.target.FrameCount() > raisedAt + 3;
  })) << "the program never raised the line";
  ASSERT_EQ(folder.dir.Read("Vund2.ini").find("MainLeft="), std::string::npos);

  kill(pid, SIGTERM);
  int status = 0;
  ASSERT_TRUE(WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; })) << "still running a minute after SIGTERM";
  pid = -1;
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(folder.dir.Read("Vund2.ini").find("MainLeft="), std::string::npos);
  EXPECT_EQ(folder.target.BaudIndex(), 6);  // the configured rate, sent back at close
}

// ---- On a real X display ----

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
    // A display of its own: Xvfb writes its number to descriptor 3. It does
    // not reset when its last client goes (a client connecting during a reset
    // can be refused), and a server that takes no connection is replaced.
    for (int attempt = 0; attempt < 3 && !display; ++attempt) {
      const std::string file = folder.dir.File("display");
      unlink(file.c_str());
      xvfb = Spawn({"sh", "-c", "exec Xvfb -displayfd 3 -noreset -screen 0 " + screen + " -nolisten tcp 3>'" + file +
                                    "' 2>/dev/null"});
      pids.push_back(xvfb);
      ASSERT_TRUE(WaitFor([&] { return folder.dir.Read("display").find('\n') != std::string::npos; }));
      display = std::make_unique<testing_support::ScopedEnv>("DISPLAY", (":" + Out("cat " + file)).c_str());
      if (!WaitFor([] { return std::system("xprop -root >/dev/null 2>&1") == 0; })) display.reset();
    }
    ASSERT_TRUE(display) << "no display took a connection";
    // The window manager is up once it has said so on the root window.
    pids.push_back(Spawn({"openbox"}));
    ASSERT_TRUE(WaitFor([] { return Out("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos; }));
  }
  void TearDown() override {
    if (program > 0) pids.push_back(program);
    // Xvfb is ended so that it removes its lock file and socket.
    for (auto pid = pids.rbegin(); pid != pids.rend(); ++pid)
      if (*pid > 0 && kill(*pid, *pid == xvfb ? SIGTERM : SIGKILL) == 0) waitpid(*pid, nullptr, 0);
  }

  // The program in English, up once the line was raised and its window is active.
  void StartProgram() {
    // The desktop bus library of the X platform keeps a buffer to the end.
    ASSERT_TRUE(platform::WriteFileAtomic(folder.dir.File("lsan.supp"), "leak:libdbus-1.so\n"));
    program = Spawn({"env", "QT_QPA_PLATFORM=xcb", "LSAN_OPTIONS=suppressions=" + folder.dir.File("lsan.supp"),
                     VUND2_PROGRAM, "1"});
    ASSERT_GT(program, 0);
    ASSERT_TRUE(WaitFor([this] { return folder.target.BaudIndex() != 6; })) << "the program never raised the line";
    ASSERT_TRUE(WaitFor([this] {
      main = Out("xdotool search --onlyvisible --name '^Vund2  S_REG'");
      return !main.empty() && ActiveId() == main;
    })) << "the main window was never active";
  }

  std::string screen = "1280x800x24";  // Xvfb's screen
  ProgramFolder folder;
  std::unique_ptr<testing_support::ScopedEnv> display;
  std::vector<pid_t> pids;
  pid_t xvfb = -1, program = -1;
  std::string main;
};

TEST_F(E2eXvfbTest, WindowsLieOnTheScreenTheTableKeepsTheFocusAndACloseDuringAnNvmReadIsCarriedOut) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
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
  EXPECT_TRUE(WaitFor([this] { return (folder.target.Register(0x3000) >> 8) == 5; }));
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
  const size_t before = folder.target.FrameCount();
  folder.target.AddFault(SimFault::Late(800), 6);
  Key("Return");
  ASSERT_TRUE(WaitFor([&] { return folder.target.FrameCount() > before; }));
  Key("alt+F4");
  ASSERT_GT(folder.target.PendingFaults(), 0u) << "the read ended before the close was asked for";
  // The read goes on to its end and offers the file; cancelled, the close runs.
  ASSERT_TRUE(ActiveIs("Save As"));
  Key("Escape");
  EXPECT_TRUE(WaitFor([this] { return waitpid(program, nullptr, WNOHANG) == program; })) << "the window stayed open";
  program = -1;
  EXPECT_NE(folder.dir.Read("Vund2.ini").find("MainLeft="), std::string::npos);
}

// ---- Boxes, script dialogs and the script window on a real display ----

// Types text into the window that has the focus.
void Type(const std::string& text) { Out("xdotool type --delay 20 '" + text + "'"); }

// The window ids of the window manager's list, bottom to top, in xdotool's decimal.
std::vector<std::string> Stacking() {
  std::vector<std::string> ids;
  const std::string text = Out("xprop -root _NET_CLIENT_LIST_STACKING");
  for (size_t at = text.find("0x"); at != std::string::npos; at = text.find("0x", at + 2))
    ids.push_back(std::to_string(std::strtoul(text.c_str() + at, nullptr, 16)));
  return ids;
}
// True when window a lies below window b.
bool Below(const std::string& a, const std::string& b) {
  const std::vector<std::string> ids = Stacking();
  const auto ia = std::find(ids.begin(), ids.end(), a), ib = std::find(ids.begin(), ids.end(), b);
  return ia != ids.end() && ib != ids.end() && ia < ib;
}
std::string Visible(const std::string& name) { return Out("xdotool search --onlyvisible --name '" + name + "'"); }

// The script file made in the program folder, run by Tool > Script.
void RunScript(ProgramFolder& folder, const std::string& name, const std::string& text) {
  folder.dir.Write(name, text);
  Key("alt+t s");
  ASSERT_TRUE(ActiveIs("Open"));
  Key("ctrl+a");
  Type(folder.dir.File(name));
  Key("Return");
}

// The mask-file question is a Yes/No box: Esc and the window manager's
// close leave it open, so they cannot go on towards a full NVM write. The
// completion box is as wide as its caption needs beside the title buttons.
TEST_F(E2eXvfbTest, AYesNoBoxWaitsForItsButtonsAndTheCompletionBoxShowsItsCaptionWhole) {
  // An image with its mask file beside it, which makes the program ask.
  for (const char* name : {"SUB_EEPROM.eep", "SUB_EEPROM.vma"}) {
    std::string bytes;
    ASSERT_TRUE(platform::ReadFileBytes(std::string(VUND2_EXAMPLES) + "/" + name, bytes));
    folder.dir.Write(name, bytes);
  }
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  Key("alt+f w Return");  // Write NVM Image, with verify
  ASSERT_TRUE(ActiveIs("Open"));
  Type("SUB_EEPROM.eep");
  Key("Return");
  ASSERT_TRUE(ActiveIs("Confirmation"));
  // Were either to answer No, the next keys would close the device dialog.
  Key("Escape alt+F4 n");
  ASSERT_TRUE(ActiveIs("NVMAccess"));
  Key("Return");
  ASSERT_TRUE(ActiveIs("Information"));
  EXPECT_GE(Geometry("-id " + ActiveId()).w, ui::CaptionRoom(QStringLiteral("Information"), QApplication::font()));
  Key("Return");
  EXPECT_TRUE(WaitFor([this] { return ActiveId() == main; }));
}

// A script dialog cannot stay minimized or hidden behind a dead main window;
// a printing script's window rises over the main window but never over the
// program's modal dialog.
TEST_F(E2eXvfbTest, ScriptDialogsComeBackAndPrintsStayBelowTheProgramsDialog) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  ASSERT_NO_FATAL_FAILURE(RunScript(folder, "asks.jsc",
                                    "func main(a&, n) { var v; v = 5; sysInput(\"n?\", sysINTEGER, v); return 0; }\r\n"));
  ASSERT_TRUE(ActiveIs("INPUT [INTEGER]"));
  const std::string dialog = ActiveId();
  Out("xdotool windowminimize --sync " + dialog);
  EXPECT_TRUE(WaitFor([&] { return ActiveId() == dialog && Visible("^INPUT") == dialog; })) << "stayed minimized";
  // Hidden with the rest of the desktop, it comes back with the main window.
  Key("super+d");
  ASSERT_TRUE(WaitFor([&] { return Visible("^INPUT").empty(); }));
  Out("xdotool windowactivate " + main);
  EXPECT_TRUE(WaitFor([&] { return ActiveId() == dialog && Visible("^INPUT") == dialog; })) << "stayed hidden";
  Key("Return");
  ASSERT_TRUE(WaitFor([this] { return ActiveId() == main; }));

  // The script prints line n once the test has set register 0x1011 to n,
  // and then writes n to 0x1010.
  const auto print = [this](int n) {
    folder.target.SetRegister(0x1011, static_cast<uint16_t>(n));
    return WaitFor([&] { return folder.target.Register(0x1010) == n; });
  };
  folder.target.SetRegister(0x1010, 0);
  ASSERT_NO_FATAL_FAILURE(RunScript(folder, "prints.jsc",
                                    "func main(a&, n) { var i, v; i = 1; while i < 1000 {\r\n"
                                    "  busReadReg(0x1011, v); if v == i { print(strPrintf(\"line %d\\n\", i));"
                                    " busWriteReg(0x1010, i); i = i + 1; }\r\n"
                                    "  sysSleep(100); } return 0; }\r\n"));
  std::string script;
  ASSERT_TRUE(WaitFor([&] { return !(script = Visible("^Script Window$")).empty(); }));
  ASSERT_TRUE(print(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // shown within 1/30 s
  // Covered by the main window, then the Com Port dialog; a print and then
  // another, so that the first has been shown.
  Out("xdotool windowactivate --sync " + main);
  Key("alt+t p");
  ASSERT_TRUE(ActiveIs("vund2"));
  const std::string comPort = ActiveId();
  ASSERT_TRUE(Below(script, main)) << "the script window was not covered when the dialog came";
  ASSERT_TRUE(print(2));
  ASSERT_TRUE(print(3));
  EXPECT_TRUE(Below(script, comPort)) << "the script window came up over the dialog";
  EXPECT_EQ(ActiveId(), comPort);
  // Once the dialog has gone, the window held back comes up, unactivated.
  Key("Escape");
  EXPECT_TRUE(WaitFor([&] { return Below(main, script); }));
  EXPECT_EQ(ActiveId(), main);
}

// A screen as low as a small laptop's.
class E2eLowScreenTest : public E2eXvfbTest {
 protected:
  E2eLowScreenTest() { screen = "1024x640x24"; }
};

// The table window is fitted into a screen lower than it, frame and all.
// The value dialog shows the register's name whole; minimized (which takes
// the main window down with it) it comes back with the main window, and
// hidden with the desktop it comes back when the main window is activated,
// and unmapped by another program it comes back by itself.
TEST_F(E2eLowScreenTest, TheTableWindowFitsAndTheValueDialogShowsItsCaptionAndComesBack) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  Key("alt+e t");
  ASSERT_TRUE(ActiveIs("Table Window"));
  Rect frame;
  EXPECT_TRUE(WaitFor([&] { return FramedInside(ActiveId(), frame); })) << "table window " << frame;

  Out("xdotool windowactivate --sync " + main);
  ASSERT_TRUE(WaitFor([this] { return ActiveId() == main; }));
  Key("ctrl+Home Down Down Down Down Return");  // the first row is a label
  ASSERT_TRUE(ActiveIs("InputSrc"));
  const std::string dialog = ActiveId();
  EXPECT_GE(Geometry("-id " + dialog).w, ui::CaptionRoom(QStringLiteral("InputSrc"), QApplication::font()));
  Out("xdotool windowminimize --sync " + dialog);
  EXPECT_TRUE(WaitFor([&] {
    return ActiveId() == dialog && Visible("^InputSrc$") == dialog && Visible("^Vund2  S_REG") == main;
  })) << "stayed minimized";
  Key("super+d");
  ASSERT_TRUE(WaitFor([&] { return Visible("^InputSrc$").empty(); }));
  Out("xdotool windowactivate " + main);
  EXPECT_TRUE(WaitFor([&] { return ActiveId() == dialog && Visible("^InputSrc$") == dialog; })) << "stayed hidden";
  // Unmapped behind the window manager's back, by another program.
  Out("xdotool windowunmap --sync " + dialog);
  EXPECT_TRUE(WaitFor([&] { return Visible("^InputSrc$") == dialog; })) << "stayed unmapped";
  Out("xdotool windowactivate --sync " + dialog);
  Key("Escape");
  EXPECT_TRUE(WaitFor([this] { return ActiveId() == main; }));
}

}  // namespace
