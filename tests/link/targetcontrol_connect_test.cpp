// Connecting TTargetControl, and what every operation does without a link.
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include "link/ecs.h"
#include "model/systemfunc.h"
#include "platform/ui.h"
#include "targetcontrol_test_fixture.h"

namespace tc_test {
namespace {

class TargetControlConnect : public TargetControlTest {
 protected:
  std::string NotConnected() const {
    return IsJapanese() ? "ターゲットに接続されていません" : "Not connected to the target";
  }
};

// A pseudo-terminal whose slave side serves as a COM port.
class Pty {
 public:
  Pty() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0) path_ = name;
  }
  ~Pty() {
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
  }
  const std::string& Path() const { return path_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

TEST_F(TargetControlConnect, PortThatDoesNotOpenOffersTheDialogOnceCancelLeavesNoLink) {
  SimSetup setup;
  setup.extraIni = "[Ports]\r\nCOM1=" + dir.File("no-such-tty") + "\r\n";
  WriteFiles(setup);
  ui.ExpectMessage(0x10, platform::kIdOk, "COM Port = 1").ExpectComPortDialog(false);
  EXPECT_FALSE(tc.Connect(ProgramLinkSettings()));
  EXPECT_FALSE(tc.IsConnected());

  // Dialog confirmed, but the port still does not open: a second box, no link.
  ui.ExpectMessage(0x10, platform::kIdOk, "COM Port = 1").ExpectComPortDialog(true);
  ui.ExpectMessage(0x10, platform::kIdOk, "COM Port = 1");
  EXPECT_FALSE(tc.Reconnect(ProgramLinkSettings()));
  EXPECT_FALSE(tc.IsConnected());
}

TEST_F(TargetControlConnect, PortChosenInTheDialogOpensAndIsSaved) {
  Pty pty;
  ASSERT_FALSE(pty.Path().empty());
  SimSetup setup;
  setup.extraIni = "[Ports]\r\nCOM1=" + dir.File("no-such-tty") + "\r\nCOM2=" + pty.Path() + "\r\n";
  WriteFiles(setup);
  ui.ExpectMessage(0x10, platform::kIdOk, "COM Port = 1").ExpectComPortDialog(true, [] { SetComPort(1); });
  ASSERT_TRUE(tc.Connect(ProgramLinkSettings()));
  EXPECT_TRUE(tc.IsConnected());
  EXPECT_NE(dir.Read("Vund2.ini").find("ComPort=1"), std::string::npos) << dir.Read("Vund2.ini");
  EXPECT_NE(dir.Read("Vund2.ini").find("COM2=" + pty.Path()), std::string::npos);
}

TEST_F(TargetControlConnect, UsbAdapterThatDoesNotOpenIsShown) {
  SimSetup setup;
  setup.linkType = 1;
  WriteFiles(setup);
  ui.ExpectMessage(0x10, platform::kIdOk, "VenderID");
  EXPECT_FALSE(tc.Connect(ProgramLinkSettings()));
  EXPECT_FALSE(tc.IsConnected());
}

TEST_F(TargetControlConnect, UnsupportedEcsTypeIsRefusedByConnectAndReconnect) {
  SimSetup setup;
  setup.ecsType = 1;
  setup.linkType = 5;  // an unknown link type keeps the current layer
  WriteFiles(setup);
  target = std::make_unique<SimTarget>(SimProtocol::Ecs3);
  ui.ExpectMessage(0x10, platform::kIdOk, "ECS protocol");
  EXPECT_FALSE(tc.ConnectWith(std::make_unique<SimLink>(*target, clock), clock, CurrentLinkSettings()));
  EXPECT_FALSE(tc.IsConnected());

  ui.ExpectMessage(0x10, platform::kIdOk, "ECS protocol");
  EXPECT_FALSE(tc.Reconnect(ProgramLinkSettings()));
  EXPECT_FALSE(tc.IsConnected());
  uint32_t word = 0;
  EXPECT_FALSE(tc.ReadMemory(1, 2, 1, &word));
  EXPECT_EQ(target->FrameCount(), 0u);
}

TEST_F(TargetControlConnect, EveryOperationWithoutALinkFailsAndSaysSo) {
  WriteFiles(SimSetup{SimProtocol::Ecs3, 4, "MemName1=Reset\r\nMemID1=0x100\r\n", ""});
  SRegisters.SetValue(1, 5);
  std::map<int, int> poll{{1, 0}};
  uint32_t words[4] = {};
  std::vector<RegisterSnapshotItem> items(1);
  std::vector<std::string> names{"x"}, values{"x"};

  // One line for each operation that reports its failures...
  EXPECT_FALSE(tc.ReadRegisterTable(false));
  EXPECT_FALSE(tc.ReadRefreshRegisters(poll));
  EXPECT_FALSE(tc.ReadMemory(1, 2, 1, words));
  EXPECT_FALSE(tc.WriteMemory(1, 2, 1, words));
  std::vector<uint32_t> nvm;
  EXPECT_FALSE(tc.ReadNvm(0, 3, 1, nvm));
  EXPECT_FALSE(tc.WriteNvm(0, 1, 4, words, words));
  EXPECT_FALSE(tc.ReadTableValue(1, 2, words, 4));
  EXPECT_FALSE(tc.WriteTableValues(1, 2, 4, words));
  EXPECT_FALSE(tc.WriteSnapshotItems(items));
  EXPECT_FALSE(tc.ReadSnapshotItems(items));
  EXPECT_FALSE(tc.ExecuteCommandEntry(0, false));
  EXPECT_FALSE(tc.ReadMicomVersion(names, values));
  EXPECT_EQ(tc.SendRawText("F0 00"), kEcsLinkError);
  EXPECT_EQ(services.lines, std::vector<std::string>(13, NotConnected()));
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(SRegisters.GetValue(1), 5);

  // ...and one line in all for the quiet ones, which scripts and timers call
  // over and over.
  services.lines.clear();
  uint32_t value = 0;
  std::string text = "x";
  EXPECT_FALSE(tc.ReadRegister(1, value));
  EXPECT_FALSE(tc.WriteRegister(1, value));
  EXPECT_EQ(tc.ReadRawText(text), kEcsLinkError);
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(tc.FindBaudRate(), -1);
  EXPECT_EQ(tc.RaiseBaudRate(), -1);
  EXPECT_EQ(tc.SendBaudRate(), -1);
  EXPECT_EQ(tc.GetBaudIndex(), 0);
  EXPECT_EQ(tc.GetProtocolTimeout(), 0);
  tc.SetProtocolTimeout(10);
  EXPECT_EQ(services.lines, std::vector<std::string>(1, NotConnected()));
}

}  // namespace
}  // namespace tc_test
