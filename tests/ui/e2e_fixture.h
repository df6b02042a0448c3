// The program as a user runs it, against the simulated set over a real
// pseudo-terminal: a scratch program folder with copies of the sample files,
// its COM port pointing at a link in that folder, and behind the link the
// simulated set, either served from a thread of the test (which then sees and
// changes the set's memory) or as the vund-target-sim program. The main
// window connects through the settings and the serial port code as it does
// for a real set.
#pragma once
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/busphysicallayer.h"
#include "link/targetcontrol.h"
#include "link/workspace.h"
#include "model/registers.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "rules/registergridrules.h"
#include "simptyserver.h"
#include "simtarget.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "mainwindow_parts.h"
#include "ui/frmmain.h"
#include "ui/registergrid.h"
#include "ui/statuswindow.h"
#include "ui/textconv.h"

extern char** environ;

namespace e2e {

// The status poll interval of the test's vund.dat (the sample polls every
// 500 ms) and its reply time-out (the sample waits 300 ms).
constexpr int kRefreshMs = 100;
constexpr int kTimeOutMs = 200;
// The port the sample Vund2.ini names: ComPort=1, that is COM2.
constexpr int kComPortIndex = 1;

inline std::string ReadExample(const std::string& name) {
  std::string bytes;
  platform::ReadFileBytes(std::string(VUND2_EXAMPLES) + "/" + name, bytes);
  return bytes;
}

// Runs the event loop in steps of stepMs until done() holds or limitMs have
// passed; false on the time limit.
inline bool RunEventsUntil(const std::function<bool()>& done, int limitMs = 10000, int stepMs = 5) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!done()) {
    if (elapsed.elapsed() > limitMs) return false;
    QEventLoop loop;
    QTimer::singleShot(stepMs, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

// Replaces the first "key=..." line of an ini text; false when there is none.
inline bool SetIniLine(std::string& text, const std::string& key, const std::string& value) {
  const std::string head = key + "=";
  size_t at = 0;
  if (text.compare(0, head.size(), head) != 0) {
    at = text.find("\n" + head);
    if (at == std::string::npos) return false;
    ++at;
  }
  const size_t end = text.find_first_of("\r\n", at);
  text.replace(at, end - at, head + value);
  return true;
}

// A fresh program folder (VUND2_HOME) with copies of the sample files. The
// test's vund.dat polls and times out sooner than the sample's; Vund2.ini is
// the sample's with its COM port pointing at Link().
class ProgramFolder {
 public:
  ProgramFolder() {
    for (const char* name : {"Sreg.dat", "Hreg.dat", "Table.dat", "EEPROM.eep", "SUB_EEPROM.eep", "SUB_EEPROM.vma"})
      dir_.Write(name, ReadExample(name));
    std::string vund = ReadExample("vund.dat");
    EXPECT_TRUE(SetIniLine(vund, "RefreshTime", std::to_string(kRefreshMs)));
    EXPECT_TRUE(SetIniLine(vund, "TimeOutTime", std::to_string(kTimeOutMs)));
    dir_.Write("vund.dat", vund);
    dir_.Write("Vund2.ini", ReadExample("Vund2.ini"));
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

// The simulated set made from the folder's sample files, served on a pty from
// a thread of the test; Link() leads to it while it runs.
class ThreadTarget {
 public:
  explicit ThreadTarget(const ProgramFolder& folder, SimProtocol protocol = SimProtocol::Ecs3)
      : target(protocol), folder_(folder), server_(target) {
    EXPECT_TRUE(target.LoadVundData(folder.File("vund.dat")));
    EXPECT_TRUE(target.LoadRegisterFile(folder.File("Sreg.dat"), false));
    EXPECT_TRUE(target.LoadRegisterFile(folder.File("Hreg.dat"), true));
  }
  ~ThreadTarget() { Stop(); }
  ThreadTarget(const ThreadTarget&) = delete;
  ThreadTarget& operator=(const ThreadTarget&) = delete;

  bool Start() {
    std::string error;
    if (!server_.Start(&error)) {
      ADD_FAILURE() << error;
      return false;
    }
    std::error_code ec;
    std::filesystem::remove(folder_.Link(), ec);
    std::filesystem::create_symlink(server_.SlavePath(), folder_.Link(), ec);
    EXPECT_FALSE(ec) << ec.message();
    return !ec;
  }
  void Stop() {
    if (!server_.Running()) return;
    server_.Stop();
    std::error_code ec;
    std::filesystem::remove(folder_.Link(), ec);
  }

  SimTarget target;

 private:
  const ProgramFolder& folder_;
  SimPtyServer server_;
};

// The vund-target-sim program serving the folder's sample files, paced like
// a real line, as scripts/run starts it.
class ChildTarget {
 public:
  ~ChildTarget() { Stop(); }

  bool Start(const ProgramFolder& folder, const std::string& protocol) {
    std::vector<std::string> args = {VUND2_TARGET_SIM,
                                     "--protocol", protocol,
                                     "--link",     folder.Link(),
                                     "--vund",     folder.File("vund.dat"),
                                     "--sreg",     folder.File("Sreg.dat"),
                                     "--hreg",     folder.File("Hreg.dat"),
                                     "--pace"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
      pid_ = -1;
      ADD_FAILURE() << "cannot start " << VUND2_TARGET_SIM;
      return false;
    }
    // Up when its link appears; gone early when it refused to start.
    for (int i = 0; i < 1000; ++i) {
      std::error_code ec;
      if (std::filesystem::is_symlink(folder.Link(), ec)) return true;
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        ADD_FAILURE() << "the simulated target ended at start, status " << status;
        return false;
      }
      usleep(10000);
    }
    ADD_FAILURE() << "the simulated target made no link";
    return false;
  }

  // Ends the program as scripts/run does; its exit status (0: a clean stop).
  int Stop() {
    if (pid_ < 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
};

// The main window over the program folder, started as the program starts it:
// shown, with its start-up from the window's own timer and the connect from
// the settings.
class E2eTest : public ::testing::Test {
 protected:
  void SetUp() override { ui.SetForceEnglish(true); }
  void TearDown() override { CloseProgram(); }

  // A fresh program: its own workspace and main window.
  void StartProgram() {
    ws = std::make_unique<Workspace>(ui);
    window = std::make_unique<TFrmMain>(*ws);
    window->resize(920, 600);
    window->show();
    ASSERT_TRUE(RunEventsUntil([this] { return window->Controller().StartupDone(); }));
  }

  // Drops the window and its workspace with the link it left open.
  void CloseProgram() {
    window.reset();
    ws.reset();
  }

  // ---- The register grid ----
  ui::RegisterGridPresenter& Grid() { return ui_test::GridOf(*window)->Presenter(); }

  // The value cell of the register shown under name; column 0 when absent.
  std::pair<int, int> ValueCell(const std::string& name) {
    for (int c = 1; c + 1 < Grid().ColCount(); c += 2)
      for (int r = 1; r < Grid().RowCount(); ++r)
        if (Grid().CellText(c, r) == name) return {c + 1, r};
    return {0, 0};
  }
  std::string ValueOf(const std::string& name) {
    const auto cell = ValueCell(name);
    return Grid().CellText(cell.first, cell.second);
  }
  int BackColorOf(const std::string& name) {
    const auto cell = ValueCell(name);
    return Grid().LookOf(cell.first, cell.second).backColor;
  }

  // Every value cell of the grid that holds a register: (register, text, back colour).
  struct ValueCellInfo {
    const ST_REGISTER* reg;
    std::string text;
    int backColor;
  };
  std::vector<ValueCellInfo> ValueCells() {
    std::vector<ValueCellInfo> out;
    for (int c = 1; c + 1 < Grid().ColCount(); c += 2)
      for (int r = 1; r < Grid().RowCount(); ++r) {
        const int index = Grid().RegisterAt(c, r);
        if (index < 0) continue;
        out.push_back({ws->SRegisters.GetRegister(static_cast<unsigned>(index)), Grid().CellText(c + 1, r),
                       Grid().LookOf(c + 1, r).backColor});
      }
    return out;
  }

  void Key(QWidget* w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(w, &press);
  }
  void GridKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Key(ui_test::GridOf(*window), key, modifiers);
  }

  void Trigger(const char* item) {
    QAction* a = window->MenuAction(item);
    ASSERT_NE(a, nullptr) << item;
    a->trigger();
  }

  std::string StatusCell(int row, int col) { return ui_test::StatusWindowOf(*window)->CellText(row, col); }
  std::string MessageLog() { return ui::FromQt(ui_test::MemoOf(*window)->toPlainText()); }

  ProgramFolder folder;
  testing_support::ScriptedUi ui;
  std::unique_ptr<Workspace> ws;
  std::unique_ptr<TFrmMain> window;
};

// The registers of a register definition file of the folder.
inline Registers LoadRegisters(const ProgramFolder& folder, const char* name, bool hLayout) {
  platform::HeadlessUi ui;
  SystemSettings settings(ui);
  Registers regs;
  EXPECT_TRUE(regs.LoadFromFile(folder.File(name), hLayout, ui, settings)) << name;
  return regs;
}

}  // namespace e2e
