// TTargetControl wired to the simulated target in-process on virtual time,
// with vund.dat and Vund2.ini written into a fresh program folder.
#include "link/targetcontrol.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/comport.h"
#include "link/ecs.h"
#include "model/registers.h"
#include "platform/ui.h"
#include "support/simtarget_fixture.h"

namespace {

uint32_t BigEndian(const SimBytes& b, size_t at, size_t bytes) {
  uint32_t v = 0;
  for (size_t i = 0; i < bytes; ++i) v = (v << 8) | b[at + i];
  return v;
}

// "F0 1,2" for each request the target received: command, address, and the
// units asked for (reads) or carried (writes).
std::string Summary(const std::vector<SimFrame>& frames, bool ecs3) {
  std::string s;
  for (const SimFrame& frame : frames) {
    const SimBytes& f = frame.bytes;
    const size_t head = ecs3 ? 3 : 2, addressBytes = ecs3 ? 4 : 2, countBytes = ecs3 ? 2 : 1;
    const size_t length = BigEndian(f, 1, head - 1);
    const bool device = f[0] >= 0xF2;
    const size_t at = head + 1 + (device ? 4 : 0);  // past the width or device (and the device's zero word)
    const uint32_t address = BigEndian(f, at, device ? 4 : addressBytes);
    const size_t data = at + (device ? 4 : addressBytes);
    size_t count = (f[0] & 1) ? length - 1 - data : BigEndian(f, data, countBytes);
    if (f[0] == 0xF1 && f[head] == 2) count /= 2;
    s += platform::Format("%s%02X %X,%d", s.empty() ? "" : " ", f[0], address, static_cast<int>(count));
  }
  return s;
}

class TargetControlTest : public ::testing::Test {
 protected:
  void SetUp() override { ws.services.Set(&services); }
  // Writes the files and loads them; dataLength is MaxECS3DataLength and MaxECSDataLength.
  void WriteFiles(bool ecs3 = true, int dataLength = 4, const std::string& extraVund = "", int ecsType = -1, int linkType = 0) {
    ecs3_ = ecs3;
    dir.Write("vund.dat", "[Common]\r\nCommandTimeOutTime=2000\r\nTimeOutTime=300\r\n[EcsSettings]\r\nMaxECS3DataLength=" +
                              std::to_string(dataLength) + "\r\nMaxECSDataLength=" + std::to_string(dataLength) +
                              "\r\n" + extraVund);
    dir.Write("Vund2.ini", "[Bus]\r\nBusPhysicalLayer=" + std::to_string(linkType) + "\r\nComPort=0\r\nBaudRate=6\r\nECSType=" +
                               std::to_string(ecsType >= 0 ? ecsType : ecs3 ? 2 : 0) + "\r\n");
    ASSERT_TRUE(ws.vund.LoadVundData());
    ASSERT_TRUE(ws.settings.LoadSettings());
  }
  // ... and connects to a fresh simulated target.
  void Start(bool ecs3 = true, int dataLength = 4, const std::string& extraVund = "") {
    WriteFiles(ecs3, dataLength, extraVund);
    target = std::make_unique<SimTarget>(ecs3 ? SimProtocol::Ecs3 : SimProtocol::Ecs2);
    auto layer = std::make_unique<SimLink>(*target, clock);
    link = layer.get();
    ASSERT_TRUE(tc.ConnectWith(std::move(layer), clock, CurrentLinkSettings(ws.settings, ws.vund)));
  }
  std::string Sent() { const std::string s = Summary(target->Frames(), ecs3_); target->ClearFrames(); return s; }
  void AddSRegs(std::initializer_list<uint32_t> ids, int value = REG_VALUE_UNKNOWN) { for (uint32_t id : ids) ws.SRegisters.SetValue(id, value); }
  static std::vector<RegisterSnapshotItem> Items(std::initializer_list<uint32_t> ids) {
    std::vector<RegisterSnapshotItem> items;
    for (uint32_t id : ids) items.push_back({"", id, 0, static_cast<int32_t>(0x1000 + id)});
    return items;
  }
  bool Logged(const std::string& text) const { return services.Log().find(text) != std::string::npos; }

  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi ui;
  testing_support::RecordingServices services;
  platform::VirtualClock clock;
  std::unique_ptr<SimTarget> target;
  SimLink* link = nullptr;  // owned by tc
  bool ecs3_ = true;
  Workspace ws{ui};  // last: its target control goes first, before the target it talks to
  TTargetControl& tc = ws.TargetControl;
};

// ---- Connecting ----

TEST_F(TargetControlTest, AnUnsupportedEcsTypeIsRefusedByConnectAndReconnect) {
  // Failing ports and the port dialog: the end-to-end tests.
  WriteFiles(true, 4, "", 1, 5);  // an unknown link type keeps the current layer
  target = std::make_unique<SimTarget>(SimProtocol::Ecs3);
  ui.ExpectMessage(0x10, platform::kIdOk, "ECS protocol");
  EXPECT_FALSE(
      tc.ConnectWith(std::make_unique<SimLink>(*target, clock), clock, CurrentLinkSettings(ws.settings, ws.vund)));
  ui.ExpectMessage(0x10, platform::kIdOk, "ECS protocol");
  EXPECT_FALSE(tc.Reconnect(ws.linkSettings));
  EXPECT_FALSE(tc.IsConnected());
  uint32_t word = 0;
  EXPECT_FALSE(tc.ReadMemory(1, 2, 1, &word));
  EXPECT_EQ(target->FrameCount(), 0u);
}

TEST_F(TargetControlTest, AnUnknownLinkTypeWithNoLinkOpenSaysWhichSettingItIs) {
  WriteFiles(true, 4, "", -1, 2);
  ui.ExpectMessage(0x10, platform::kIdOk, "BusPhysicalLayer");
  EXPECT_FALSE(tc.Connect(ws.linkSettings));
  EXPECT_FALSE(tc.IsConnected());
  EXPECT_TRUE(ui.AllSeen());
}

TEST_F(TargetControlTest, EveryOperationWithoutALinkFailsAndSaysSo) {
  WriteFiles(true, 4, "MemName1=Reset\r\nMemID1=0x100\r\n");
  ws.SRegisters.SetValue(1, 5);
  std::map<int, int> poll{{1, 0}};
  uint32_t words[4] = {};
  std::vector<uint32_t> nvm;
  std::vector<RegisterSnapshotItem> items(1);
  std::vector<std::string> names{"x"}, values{"x"};
  const std::string notConnected = ui.IsJapanese() ? "ターゲットに接続されていません" : "Not connected to the target";

  // One line for each operation that reports its failures...
  EXPECT_EQ((std::vector<bool>{tc.ReadRegisterTable(false), tc.ReadRefreshRegisters(poll), tc.ReadMemory(1, 2, 1, words),
                               tc.WriteMemory(1, 2, 1, words), tc.ReadNvm(0, 3, 1, nvm), tc.WriteNvm(0, 1, 4, words, words),
                               tc.ReadTableValue(1, 2, words, 4), tc.WriteTableValues(1, 2, 4, words),
                               tc.WriteSnapshotItems(items), tc.ReadSnapshotItems(items), tc.ExecuteCommandEntry(0, false),
                               tc.ReadMicomVersion(names, values), tc.SendRawText("F0 00") != kEcsLinkError}),
            std::vector<bool>(13, false));
  EXPECT_EQ(services.lines, std::vector<std::string>(13, notConnected));
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(ws.SRegisters.GetValue(1), 5);

  // ...and one line in all for the quiet ones, which scripts and timers call over and over.
  services.lines.clear();
  uint32_t value = 0;
  std::string text = "x";
  EXPECT_EQ((std::vector<int>{tc.ReadRegister(1, value), tc.WriteRegister(1, value), tc.ReadRawText(text), tc.FindBaudRate(),
                              tc.RaiseBaudRate(), tc.SendBaudRate(), tc.GetBaudIndex(), tc.GetProtocolTimeout()}),
            (std::vector<int>{0, 0, kEcsLinkError, -1, -1, -1, 0, 0}));
  EXPECT_TRUE(text.empty());
  tc.SetProtocolTimeout(10);
  EXPECT_EQ(services.lines, std::vector<std::string>(1, notConnected));
}

TEST_F(TargetControlTest, APortInUseIsNotOpenedAndTheLogSaysItIsBusy) {
  int master = -1, slave = -1;
  char device[128];
  ASSERT_EQ(openpty(&master, &slave, device, nullptr, nullptr), 0);
  WriteFiles();
  dir.Write("Vund2.ini", std::string("[Bus]\r\nComPort=0\r\nBaudRate=6\r\nECSType=2\r\n[Ports]\r\nCOM1=") + device +
                             "\r\n");
  ASSERT_TRUE(ws.settings.LoadSettings());
  TComPort script;  // a script's port on the same device
  script.SetDevicePath(device);
  ASSERT_TRUE(script.Open(0, 6, 0, 0, 0, 0));
  ui.ExpectMessage(0x10, platform::kIdOk, "COM Port = 1").ExpectComPortDialog(false);
  EXPECT_FALSE(tc.Connect(ws.linkSettings));
  EXPECT_TRUE(Logged(std::string(device) + ": Device or resource busy")) << services.Log();
  script.Close();
  EXPECT_TRUE(tc.Connect(ws.linkSettings));
  EXPECT_TRUE(tc.IsConnected());
  close(master);
  close(slave);
}

// ---- Registers ----

TEST_F(TargetControlTest, RegisterWalksCutRunsAtTheWordLimitAndReadARefusedBlockWordByWord) {
  Start();  // 2 words a frame
  for (uint32_t id : {1u, 2u, 3u, 5u}) target->SetRegister(id, static_cast<uint16_t>(0x100 + id));
  AddSRegs({1, 2, 3, 5});
  ASSERT_TRUE(tc.ReadRegisterTable(false));
  EXPECT_EQ(Sent(), "F0 1,2 F0 3,1 F0 5,1");
  for (uint32_t id : {1u, 2u, 3u, 5u}) EXPECT_EQ(ws.SRegisters.GetValue(id), static_cast<int>(0x100 + id));

  std::map<int, int> poll{{1, 0}, {2, 0}, {3, 0}, {5, 0}};
  ASSERT_TRUE(tc.ReadRefreshRegisters(poll));
  EXPECT_EQ(Sent(), "F0 1,2 F0 2,2 F0 5,1");
  EXPECT_EQ(poll, (std::map<int, int>{{1, 0x101}, {2, 0x102}, {3, 0x103}, {5, 0x105}}));
  EXPECT_TRUE(services.lines.empty());

  // A block the target refuses is read word by word without a report; a word
  // it refuses is reported and left unread, and the walk goes on.
  target->SetNoBlockRead(2);
  AddSRegs({1, 2, 3, 5}, 7);
  ASSERT_TRUE(tc.ReadRegisterTable(false));
  EXPECT_EQ(Sent(), "F0 1,2 F0 1,1 F0 2,1 F0 3,1 F0 5,1");
  EXPECT_EQ(ws.SRegisters.GetValue(2), 0x102);
  EXPECT_TRUE(services.lines.empty()) << services.Log();
  target->SetReadError(3, sim_error::kNoId);
  ASSERT_TRUE(tc.ReadRegisterTable(false));
  EXPECT_EQ(ws.SRegisters.GetValue(3), REG_VALUE_UNKNOWN);
  EXPECT_EQ(ws.SRegisters.GetValue(5), 0x105);
  EXPECT_TRUE(Logged("No ID Error !")) << services.Log();

  Start(true, 2);  // 1 word a frame: the overlap would never move on
  ASSERT_TRUE(tc.ReadRefreshRegisters(poll));
  EXPECT_EQ(Sent(), "F0 1,1 F0 2,1 F0 3,1 F0 5,1");
}

TEST_F(TargetControlTest, ATimeOutOrALinkFailureStopsTheWalkAndKeepsUnreadValues) {
  Start();
  for (uint32_t id : {1u, 2u, 3u, 5u}) target->SetRegister(id, static_cast<uint16_t>(id));
  AddSRegs({1, 2, 3, 5}, 77);
  target->AddFault(SimFault::None());
  target->AddFault(SimFault::Silence());
  EXPECT_FALSE(tc.ReadRegisterTable(false));
  EXPECT_EQ(Sent(), "F0 1,2 F0 3,1");  // no word-by-word retry, no third run
  EXPECT_EQ(ws.SRegisters.GetValue(2), 2);
  EXPECT_EQ(ws.SRegisters.GetValue(3), 77);
  EXPECT_TRUE(Logged("Receive Time Out !")) << services.Log();

  target->AddFault(SimFault::Silence());  // the status poll stops the same way
  std::map<int, int> poll{{1, 9}, {5, 9}};
  EXPECT_FALSE(tc.ReadRefreshRegisters(poll));
  EXPECT_EQ(Sent(), "F0 1,1");
  EXPECT_EQ(poll[5], 9);

  services.lines.clear();
  link->FailWrites(true);  // not mistaken for a block to read word by word
  EXPECT_FALSE(tc.ReadRegisterTable(false));
  EXPECT_EQ(Sent(), "");
  EXPECT_EQ(ws.SRegisters.GetValue(5), 77);
  ASSERT_EQ(services.lines.size(), 1u);

  // A word that times out after a refused block ends the walk without a line.
  link->FailWrites(false);
  services.lines.clear();
  target->AddFault(SimFault::Error(sim_error::kNotBlockAccess));
  target->AddFault(SimFault::None());
  target->AddFault(SimFault::Silence());
  EXPECT_FALSE(tc.ReadRegisterTable(false));
  EXPECT_EQ(Sent(), "F0 1,2 F0 1,1 F0 2,1");
  EXPECT_EQ(ws.SRegisters.GetValue(3), 77);
  EXPECT_TRUE(services.lines.empty()) << services.Log();
}

// ---- NVM and tables ----

TEST_F(TargetControlTest, NvmReadsInChunksOfTheFrameSizeAndStopsAtAFailure) {
  Start(false, 64);  // ECS2 moves 56 bytes a frame
  target->AddNvmDevice(3, 0x000, 0x0FF);
  const SimBytes content = ui_sim::Pattern(0x100, 1);
  ASSERT_TRUE(target->SetNvm(3, 0, content));
  std::vector<uint32_t> out(3, 0xDEAD);
  ASSERT_TRUE(tc.ReadNvm(0x000, 0x0FF, 3, out));
  EXPECT_EQ(Sent(), "F2 0,56 F2 38,56 F2 70,56 F2 A8,56 F2 E0,32");
  EXPECT_EQ(out, std::vector<uint32_t>(content.begin(), content.end()));

  target->AddNvmDevice(1, 0, 0x45);  // the second frame is not all there
  EXPECT_FALSE(tc.ReadNvm(0, 0xA7, 1, out));
  EXPECT_EQ(Sent(), "F2 0,56 F2 38,56");
  EXPECT_EQ(out.size(), 56u);  // the first frame's bytes, nothing for the rest
  EXPECT_TRUE(Logged("Boundary Error !")) << services.Log();

  services.lines.clear();
  EXPECT_FALSE(tc.ReadNvm(0x100, 0x0FF, 3, out));  // a range that ends before it starts
  EXPECT_EQ(Sent(), "");
  EXPECT_EQ(services.lines.size(), 1u);
}

TEST_F(TargetControlTest, NvmWriteTakesMaskedBitsKeepsTheTargetsOthersAndWaitsUpToOneSecond) {
  // Chunks of 4 bytes: count 10 gives two full chunks and a short one of 2.
  const struct {
    uint32_t chunkMask[3];  // every byte of each chunk gets this mask
    const char* requests;
  } cases[] = {
      {{0xFF, 0x0F, 0x00}, "F3 100,4 F2 104,4 F3 104,4"},
      {{0x00, 0xFF, 0xF0}, "F3 104,4 F2 108,2 F3 108,2"},
      {{0x1FF, 0x300, 0x1F0}, "F3 100,4 F2 108,2 F3 108,2"},  // mask values count by their low 8 bits only
  };
  for (const auto& c : cases) {
    Start();
    target->AddNvmDevice(2, 0x100, 0x1FF);
    const SimBytes old = ui_sim::Pattern(10, 0x35);
    ASSERT_TRUE(target->SetNvm(2, 0x100, old));
    std::vector<uint32_t> data(10), mask(10);
    for (size_t i = 0; i < 10; ++i) {
      mask[i] = c.chunkMask[i / 4];
      data[i] = (0xC3u + static_cast<uint32_t>(i)) & mask[i] & 0xFF;
    }
    ASSERT_TRUE(tc.WriteNvm(0x100, 2, 10, data.data(), mask.data()));
    EXPECT_EQ(Sent(), c.requests);
    const SimBytes now = target->Nvm(2, 0x100, 10);
    for (size_t i = 0; i < 10; ++i) EXPECT_EQ(now[i], ((data[i] & mask[i]) | (old[i] & ~mask[i])) & 0xFF) << i;
  }
  EXPECT_TRUE(services.lines.empty()) << services.Log();

  // A write waits up to one second for its answer; then the time-out is back.
  target->AddFault(SimFault::Silence());
  std::vector<uint32_t> data(4, 0x5A), mask(4, 0xFF);
  const uint64_t before = clock.NowMs();
  EXPECT_FALSE(tc.WriteNvm(0x100, 2, 4, data.data(), mask.data()));
  EXPECT_GE(clock.NowMs() - before, 1000u);
  EXPECT_LT(clock.NowMs() - before, 1300u);
  EXPECT_EQ(tc.GetProtocolTimeout(), 300);
}

TEST_F(TargetControlTest, TableEntriesFillTheBufferAndNothingPastItAndFailuresGoToABoxAfterThreeSeconds) {
  // The values, writes and a refused read's box: the table window's tests.
  Start(true, 16);
  uint32_t buffer[4] = {0, 0, 0, 0xAAAA};
  ASSERT_TRUE(tc.ReadTableValue(0x300, 2, buffer, 3));
  EXPECT_EQ(buffer[3], 0xAAAAu);

  target->AddFault(SimFault::Silence());
  ui.ExpectMessage(0x10, platform::kIdOk, "Receive Time Out !");
  const uint64_t before = clock.NowMs();
  EXPECT_FALSE(tc.ReadTableValue(0x300, 2, buffer, 1));
  EXPECT_GE(clock.NowMs() - before, 3000u);
  EXPECT_LT(clock.NowMs() - before, 3300u);
  EXPECT_EQ(tc.GetProtocolTimeout(), 300);
  EXPECT_TRUE(services.lines.empty());
}

// ---- Snapshots and command entries ----

TEST_F(TargetControlTest, SnapshotsGoInSortedRunsWithinTheWordLimitAndFailuresDoNotStopThem) {
  Start(true, 6);  // 3 words a frame
  auto items = Items({5, 1, 2, 3});
  ASSERT_TRUE(tc.WriteSnapshotItems(items));
  EXPECT_EQ(Sent(), "F1 1,3 F1 5,1");
  for (uint32_t id : {1u, 2u, 3u, 5u}) EXPECT_EQ(target->Register(id), 0x1000 + id);
  items.clear();
  ASSERT_TRUE(tc.WriteSnapshotItems(items));
  EXPECT_EQ(Sent(), "");

  target->SetWriteError(3, sim_error::kWriteProtected);
  items = Items({1, 2, 3, 4, 5, 6, 7});  // the last item goes alone
  ASSERT_TRUE(tc.WriteSnapshotItems(items));
  EXPECT_EQ(Sent(), "F1 1,3 F1 4,3 F1 7,1");
  EXPECT_EQ(target->Register(4), 0x1004);
  EXPECT_TRUE(Logged("Data Write Protected !"));

  // Reads fill the values and mark the words the target refuses.
  for (uint32_t id : {1u, 2u, 3u, 5u}) target->SetRegister(id, static_cast<uint16_t>(0x2000 + id));
  target->SetReadError(5, sim_error::kNoId);
  items = Items({5, 1, 2, 3});
  ASSERT_TRUE(tc.ReadSnapshotItems(items));
  EXPECT_EQ(Sent(), "F0 1,3 F0 5,1 F0 5,1");  // the refused read is tried once more as a single word
  EXPECT_EQ(items[2].ID, 3u);
  EXPECT_EQ(items[2].Value, 0x2003);
  EXPECT_EQ(items[3].Value, REG_VALUE_UNKNOWN);
  EXPECT_TRUE(Logged("No ID Error !"));
}

TEST_F(TargetControlTest, CommandEntriesReportFailuresAndRunUnderTheCommandTimeOut) {
  // Success and the switch list: the main window's command menu test.
  Start(true, 4, "MemName1=Reset\r\nMemID1=0x100\r\nSWName1=Mute\r\nSWID1=0x101\r\n");
  target->SetWriteError(0x100, sim_error::kWriteProtected);
  ASSERT_TRUE(tc.ExecuteCommandEntry(0, false));
  EXPECT_FALSE(Logged("Success"));
  EXPECT_TRUE(Logged("Data Write Protected !"));

  // The command time-out applies while it runs.
  target->AddFault(SimFault::Silence());
  const uint64_t before = clock.NowMs();
  tc.ExecuteCommandEntry(0, true);
  EXPECT_GE(clock.NowMs() - before, 2000u);
  EXPECT_EQ(tc.GetProtocolTimeout(), 300);
  // Indexes outside the lists touch nothing.
  Sent();
  EXPECT_FALSE(tc.ExecuteCommandEntry(1, false));
  EXPECT_FALSE(tc.ExecuteCommandEntry(-1, true));
  EXPECT_EQ(Sent(), "");
}

}  // namespace
