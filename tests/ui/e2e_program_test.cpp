// End to end against the vund-target-sim program, paced like a real line, as
// scripts/run starts it: the main window on a program folder of sample files
// connects through its settings and the serial port code, starts up, runs a
// command entry and closes, over ECS3 and over ECS2.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>

#include "e2e_fixture.h"
#include "link/workspace.h"
#include "mainwindow_parts.h"
#include "support/scripted_ui.h"
#include "ui/textconv.h"

extern char** environ;

namespace {

// Runs the event loop until done() holds; false after ten seconds.
bool RunEventsUntil(const std::function<bool()>& done) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!done()) {
    if (elapsed.elapsed() > 10000) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

struct Protocol {
  const char* name;       // as vund-target-sim takes it
  int ecsType;            // as Vund2.ini holds it
  const char* comStatus;  // the status bar once started: ECS3 steps the rate up, ECS2 does not negotiate
};

void PrintTo(const Protocol& p, std::ostream* os) { *os << p.name; }

class E2eProgramTest : public ::testing::TestWithParam<Protocol> {
 protected:
  void SetUp() override {
    ui.SetForceEnglish(true);
    platform::IniFile ini(folder.File("Vund2.ini"));
    ini.WriteInteger("Bus", "ECSType", GetParam().ecsType);
    ini.UpdateFile();
    std::vector<std::string> args = {VUND2_TARGET_SIM, "--protocol", GetParam().name, "--link", folder.Link(),
                                     "--vund", folder.File("vund.dat"), "--sreg", folder.File("Sreg.dat"),
                                     "--hreg", folder.File("Hreg.dat"), "--pace"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    // Up when its link appears.
    for (int i = 0; i < 1000 && !std::filesystem::is_symlink(folder.Link()); ++i) usleep(10000);
    ASSERT_TRUE(std::filesystem::is_symlink(folder.Link())) << "the simulated target made no link";
  }
  void TearDown() override {
    window.reset();
    ws.reset();
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;  // a clean stop on SIGTERM
  }

  std::string StatusCell(int row, int col) { return ui_test::StatusWindowOf(*window)->CellText(row, col); }

  e2e::ProgramFolder folder;
  testing_support::ScriptedUi ui;
  pid_t pid = -1;
  std::unique_ptr<Workspace> ws;
  std::unique_ptr<TFrmMain> window;
};

TEST_P(E2eProgramTest, StartupCommandAndCloseWritingTheSettings) {
  // What the program serves: every register of the sample files holds its field's Min.
  SimTarget expected(SimProtocol::Ecs3);
  ASSERT_TRUE(expected.LoadVundData(folder.File("vund.dat")));
  ASSERT_TRUE(expected.LoadRegisterFile(folder.File("Sreg.dat"), false));
  // Started as the program starts it: shown, with the start-up from the window's own timer.
  ws = std::make_unique<Workspace>(ui);
  window = std::make_unique<TFrmMain>(*ws);
  window->show();
  ASSERT_TRUE(RunEventsUntil([this] { return window->Controller().StartupDone(); }));

  const ui::RegisterGridPresenter& grid = ui_test::GridOf(*window)->Presenter();
  int values = 0;
  for (int c = 1; c + 1 < grid.ColCount(); c += 2)
    for (int r = 1; r < grid.RowCount(); ++r) {
      const int index = grid.RegisterAt(c, r);
      const ST_REGISTER* reg = index < 0 ? nullptr : ws->SRegisters.GetRegister(static_cast<unsigned>(index));
      if (!reg || reg->ID == 0) continue;
      EXPECT_EQ(grid.CellText(c + 1, r), ui::FormatRegisterValue(expected.Register(reg->ID), reg->Mask, false))
          << reg->LongName;
      ++values;
    }
  int withValue = 0;
  for (int i = 0; i < ws->SRegisters.GetRegisterCount(); ++i)
    withValue += ws->SRegisters.GetRegister(static_cast<unsigned>(i))->ID != 0;
  EXPECT_EQ(values, withValue);
  EXPECT_EQ(ui::FromQt(ui_test::ComStatusOf(*window)->text()), GetParam().comStatus);
  const std::string log = ui::FromQt(ui_test::MemoOf(*window)->toPlainText());
  EXPECT_TRUE(log.empty()) << log;
  ASSERT_TRUE(RunEventsUntil([this] { return !StatusCell(1, 2).empty(); }));
  EXPECT_EQ(StatusCell(1, 1), "電源状態");
  EXPECT_EQ(StatusCell(1, 2), "0");

  const QList<QAction*> commands = ui_test::CommandMenuOf(*window)->actions();
  ASSERT_GE(commands.size(), 5);
  commands[4]->trigger();  // the first switch command
  EXPECT_NE(ui::FromQt(ui_test::MemoOf(*window)->toPlainText()).find("Success ( 電源ON )"), std::string::npos);

  window->resize(800, 550);
  const int frameWidth = window->frameGeometry().width();  // what is kept: the frame
  EXPECT_TRUE(window->close());
  window.reset();
  ws.reset();
  platform::IniFile ini(folder.File("Vund2.ini"));
  EXPECT_EQ(ini.ReadInteger("Window", "MainWidth", 0), frameWidth);
  EXPECT_EQ(ini.ReadString("File", "LastSregFile", ""), "Sreg.dat");
  EXPECT_EQ(ini.ReadInteger("Bus", "BaudRate", -1), 6);
  EXPECT_EQ(ini.ReadInteger("Bus", "ECSType", -1), GetParam().ecsType);
  EXPECT_EQ(ini.ReadString("Ports", "COM2", ""), folder.Link());
}

INSTANTIATE_TEST_SUITE_P(Protocols, E2eProgramTest,
                         ::testing::Values(Protocol{"ecs3", 2, "COM:Port 2 BaudRate 115200"},
                                           Protocol{"ecs2", 0, "COM:Port 2 BaudRate ---"}),
                         [](const ::testing::TestParamInfo<Protocol>& info) { return std::string(info.param.name); });

}  // namespace
