// End to end against the vund-target-sim program, paced like a real line, as
// scripts/run starts it: the main window on a program folder of sample files
// starts up, runs a command entry, takes a status item and closes, over ECS3
// and over ECS2.
#include "e2e_fixture.h"

namespace {

using e2e::RunEventsUntil;

struct Protocol {
  const char* name;       // as vund-target-sim takes it
  int ecsType;            // as Vund2.ini holds it
  const char* comStatus;  // the status bar once started: ECS3 steps the rate up, ECS2 does not negotiate
};

void PrintTo(const Protocol& p, std::ostream* os) { *os << p.name; }

class E2eProgramTest : public e2e::E2eTest, public ::testing::WithParamInterface<Protocol> {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    platform::IniFile ini(folder.File("Vund2.ini"));
    ini.WriteInteger("Bus", "ECSType", GetParam().ecsType);
    ini.UpdateFile();
    ASSERT_TRUE(sim.Start(folder, GetParam().name));
  }
  void TearDown() override {
    E2eTest::TearDown();
    EXPECT_EQ(sim.Stop(), 0);  // a clean stop on SIGTERM
  }

  // What the program serves: every register of the sample files holds its
  // field's Min.
  std::unique_ptr<SimTarget> Expected() const {
    auto set = std::make_unique<SimTarget>(SimProtocol::Ecs3);
    EXPECT_TRUE(set->LoadVundData(folder.File("vund.dat")));
    EXPECT_TRUE(set->LoadRegisterFile(folder.File("Sreg.dat"), false));
    EXPECT_TRUE(set->LoadRegisterFile(folder.File("Hreg.dat"), true));
    return set;
  }

  e2e::ChildTarget sim;
};

TEST_P(E2eProgramTest, StartupShowsEveryValueOfTheSetAndPollsTheStatus) {
  const std::unique_ptr<SimTarget> expected = Expected();
  StartProgram();

  int values = 0;
  const Registers sregs = e2e::LoadRegisters(folder, "Sreg.dat", false);
  int withValue = 0;
  for (int i = 0; i < sregs.GetRegisterCount(); ++i) withValue += sregs.GetRegister(static_cast<unsigned>(i))->ID != 0;
  for (const auto& cell : ValueCells()) {
    if (cell.reg->ID == 0) continue;
    EXPECT_EQ(cell.text, ui::FormatRegisterValue(expected->Register(cell.reg->ID), cell.reg->Mask, false))
        << cell.reg->LongName;
    ++values;
  }
  EXPECT_EQ(values, withValue);
  EXPECT_EQ(ValueOf("Channel"), "1");  // the one register whose Min is not 0
  EXPECT_EQ(ui::FromQt(ui_test::ComStatusOf(*window)->text()), GetParam().comStatus);
  EXPECT_TRUE(MessageLog().empty()) << MessageLog();

  ASSERT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());
  ASSERT_TRUE(RunEventsUntil([this] { return !StatusCell(1, 2).empty(); }));
  EXPECT_EQ(StatusCell(1, 1), "電源状態");
  EXPECT_EQ(StatusCell(1, 2), "0");
}

TEST_P(E2eProgramTest, CommandEntryAndCloseWritingTheSettingsAndGoingBackToTheConfiguredRate) {
  StartProgram();
  ASSERT_EQ(ui::FromQt(ui_test::ComStatusOf(*window)->text()), GetParam().comStatus);

  const QList<QAction*> commands = ui_test::CommandMenuOf(*window)->actions();
  ASSERT_GE(commands.size(), 5);
  commands[4]->trigger();  // the first switch command
  EXPECT_NE(MessageLog().find("Success ( 電源ON )"), std::string::npos) << MessageLog();

  // Copy a register and paste it into the status items.
  GridKey(Qt::Key_T);
  ASSERT_EQ(Grid().CellText(Grid().Col() - 1, Grid().Row()), "Temperature");
  GridKey(Qt::Key_C, Qt::ControlModifier);
  Trigger("mnuSatsuItemInsert");
  ASSERT_TRUE(RunEventsUntil([this] { return StatusCell(1, 1) == "内部温度" && !StatusCell(1, 2).empty(); }));

  window->resize(800, 550);
  const int frameWidth = window->frameGeometry().width();  // what is kept: the frame
  EXPECT_TRUE(window->close());
  CloseProgram();

  platform::IniFile ini(folder.File("Vund2.ini"));
  EXPECT_EQ(ini.ReadInteger("Window", "MainWidth", 0), frameWidth);
  EXPECT_EQ(ini.ReadString("File", "LastSregFile", ""), "Sreg.dat");
  EXPECT_EQ(ini.ReadInteger("Bus", "ComPort", -1), e2e::kComPortIndex);
  EXPECT_EQ(ini.ReadInteger("Bus", "BaudRate", -1), 6);
  EXPECT_EQ(ini.ReadInteger("Bus", "ECSType", -1), GetParam().ecsType);
  EXPECT_EQ(ini.ReadString("Ports", "COM2", ""), folder.Link());
  platform::IniFile vund(folder.File("vund.dat"));
  EXPECT_EQ(vund.ReadString("EcsSettings", "Refresh1", ""), "内部温度");
  EXPECT_EQ(vund.ReadInteger("EcsSettings", "RefreshID1", 0), 0x1004);
  EXPECT_EQ(vund.ReadString("EcsSettings", "Refresh2", ""), "電源状態");

  // The set is back at 9600 baud: a new connection at the configured rate
  // talks to it without looking for the rate.
  Workspace next(ui);
  next.settings.LoadSettings();
  next.vund.LoadVundData();
  ASSERT_TRUE(next.TargetControl.Connect(next.linkSettings));
  uint32_t word = 0;
  EXPECT_TRUE(next.TargetControl.ReadRegister(0x1050, word));
  EXPECT_EQ(word, Expected()->Register(0x1050));
}

INSTANTIATE_TEST_SUITE_P(Protocols, E2eProgramTest,
                         ::testing::Values(Protocol{"ecs3", 2, "COM:Port 2 BaudRate 115200"},
                                           Protocol{"ecs2", 0, "COM:Port 2 BaudRate ---"}),
                         [](const ::testing::TestParamInfo<Protocol>& info) { return std::string(info.param.name); });

}  // namespace
