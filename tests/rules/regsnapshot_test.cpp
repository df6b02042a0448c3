// Register values saved to a .id file and written back, on the simulated target.
#include <gtest/gtest.h>

#include "model/regvaluefile.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "regsim_fixture.h"
#include "rules/editregrules.h"
#include "rules/regsnapshottransfer.h"

using regsim::Reg;

namespace {

using Ids = std::vector<uint32_t>;

class RegSnapshotTest : public regsim::RegSimTest {
 protected:
  bool Save(bool hValuesRead) {
    return transfer.SaveRegisterValues(hValuesRead, [this](RegKind kind) {
      reads.push_back(static_cast<int>(kind));
      return tc.ReadRegisterTable(kind == RegKind::H);
    });
  }
  bool WriteFile(const std::string& text) {
    dir.Write("in.id", text);
    ui.ExpectOpenFile(dir.File("in.id"));
    return transfer.WriteRegisterValues();
  }

  rules::RegSnapshotTransfer transfer{ws, win, &win, &win};
  std::vector<int> reads;
};

class RegSnapshotSaveTest : public RegSnapshotTest {
 protected:
  void SetUp() override {
    RegSnapshotTest::SetUp();
    Start("SnapShotPreID1=0x100\r\nSnapShotPreDat1=5\r\nSnapShotPreID2=0x101\r\nSnapShotPreDat2=6\r\n"
          "SnapShotPreID3=0x102\r\nSnapShotPreDat3=7\r\n");
    ws.SRegisters.AddRegister(Reg("VOLUME", 0x20, 1, 0xFF));
    ws.SRegisters.SetValue(0x20, 0x120C);
    ws.HRegisters.AddRegister(Reg("H1", 0x300));
    ws.HRegisters.SetValue(0x300, REG_VALUE_UNKNOWN);
    target.SetRegister(0x300, 0x44);
  }
};

TEST_F(RegSnapshotSaveTest, SavesTheCachedValuesAfterThePreCommands) {
  const int timeout = tc.GetProtocolTimeout();
  target.AddFault(SimFault::None());      // the H read
  target.AddFault(SimFault::Late(1000));  // a pre-command: beyond TimeOutTime, within CommandTimeOutTime
  win.choices.push_back({});
  ui.ExpectSaveFile(dir.File("set.id")).ExpectMessage(0x40, platform::kIdOk, "Save completed");
  ASSERT_TRUE(Save(false));
  EXPECT_EQ(reads, std::vector<int>{1});  // the H values, never read before
  EXPECT_EQ(Written(), Ids({0x100, 0x101, 0x102}));
  EXPECT_EQ(tc.GetProtocolTimeout(), timeout);
  EXPECT_EQ(dir.Read("set.id"),
            "[Sreg]\r\nVOLUME              ,0x00000020,   12,0x00FF,1,\r\n"
            "[Hreg]\r\nH1                  ,0x00000300,   68,0xFFFF,1,\r\n");
  EXPECT_EQ(win.switched, (std::vector<bool>{false, true}));
}

TEST_F(RegSnapshotSaveTest, NothingIsSavedWhenTheUserOrTheTargetStopsIt) {
  win.choices.push_back({1, true, false});  // S only: H is not read
  ui.ExpectSaveFile("");
  EXPECT_FALSE(Save(false));
  EXPECT_TRUE(reads.empty());
  EXPECT_EQ(target.FrameCount(), 0u);

  target.SetWriteError(0x101, sim_error::kWriteProtected);
  win.choices.push_back({});
  ui.ExpectSaveFile(dir.File("set.id"));
  EXPECT_FALSE(Save(true));
  EXPECT_EQ(Written(), Ids({0x100, 0x101}));  // the first failed pre-command ends them
  EXPECT_FALSE(platform::FileExists(dir.File("set.id")));

  // A file that cannot be written offers Retry (the values need not be read
  // again), as long as the user wants; never "Save completed".
  target.SetWriteError(0x101, 0);
  dir.Write("old.id", "old");
  ASSERT_TRUE(platform::SetReadOnly(dir.File("old.id"), true));
  win.choices.push_back({});
  ui.ExpectSaveFile(dir.File("old.id"))
      .ExpectMessage(0x15, platform::kIdRetry, "Fail to save")
      .ExpectMessage(0x15, platform::kIdCancel, "Fail to save");
  EXPECT_FALSE(Save(true));
  EXPECT_EQ(dir.Read("old.id"), "old");
  win.choices.push_back({});
  ui.ExpectSaveFile(dir.File("no/such/folder/set.id")).ExpectMessage(0x15, platform::kIdCancel, "Fail to save");
  EXPECT_FALSE(Save(true));
}

TEST_F(RegSnapshotTest, RestoresOnlyChosenVerifiedRegistersThenRunsThePostCommands) {
  Start("ReproducePostID1=0x180\r\nReproducePostDat1=1\r\n");
  target.SetRegister(0x11, 9);
  win.choices.push_back({});
  ASSERT_TRUE(WriteFile("[Sreg]\r\nA,0x10,258,0xFFFF,1,\r\nB,0x11,3,0xFFFF,0,\r\n\"Q,0x14,2,0xFFFF,1,\r\n"
                        "Z,0,3,0xFFFF,1,\r\n[Hreg]\r\nC,0x12,4,0xFFFF,1,\r\n"));
  EXPECT_EQ(target.Register(0x10), 258);
  EXPECT_EQ(target.Register(0x11), 9);  // Vrf 0 takes no part, nor labels nor ID 0
  EXPECT_EQ(Written(), Ids({0x10, 0x12, 0x180}));
  EXPECT_EQ(win.results, std::vector<std::vector<std::string>>{{}});  // all equal: the window opens empty

  target.ClearFrames();
  win.choices.push_back({1, false, true});
  ASSERT_TRUE(WriteFile("[Sreg]\r\nS,0x10,1,0xFFFF,1,\r\n[Hreg]\r\nH,0x12,4,0xFFFF,1,\r\n"));
  EXPECT_EQ(Written(), Ids({0x12, 0x180}));
}

TEST_F(RegSnapshotTest, DifferencesUnreadRegistersAndFieldsAreListed) {
  target.SetWriteError(0x20, sim_error::kWriteProtected);
  target.SetRegister(0x20, 1);
  target.SetReadError(0x22, sim_error::kNoId);
  target.SetRegister(0x24, 8);
  target.SetRegister(0x40, 0xAB34);
  target.SetRegister(0x41, 0x1200);
  target.SetRegister(0x1072, 0xF0F0);
  win.choices.push_back({});
  ASSERT_TRUE(WriteFile("[Sreg]\r\nKEEP,0x20,5,0xFFFF,1,\r\nNOREAD,0x22,6,0xFFFF,1,\r\nNEVER,0x24,-255,0xFFFF,1,\r\n"
                        "LOW,0x40,18,0x00FF,1,\r\nHIGH,0x41,300,0x0FF0,1,\r\n"
                        "FactoryMode,0x1072,1,0x0001,1,\r\nShipMode,0x1072,3,0x0002,1,\r\n"
                        "Wide,0x1072,5,0x0F00,1,\r\nNarrow,0x1072,1,0x0100,1,\r\n"));
  EXPECT_EQ(target.Register(0x24), 8);  // a value never read is not restored
  // A partial word is restored into its field only; 300 does not fit its field: 44 lands there.
  EXPECT_EQ(target.Register(0x40), 0xAB12);
  EXPECT_EQ(target.Register(0x41), 0x12C0);
  EXPECT_EQ(target.Register(0x1072), 0xF5F3);
  const Ids written = Written();
  EXPECT_EQ(std::count(written.begin(), written.end(), 0x1072u), 1);  // one read-modify-write of the word
  EXPECT_EQ(win.results,
            (std::vector<std::vector<std::string>>{
                {"              Narrow  File 1  Not written (its mask overlaps a larger one of its ID)",
                 "               NEVER  File ---  Not written (not read when saved)", "                KEEP File 5  Target 1",
                 "              NOREAD  File 6  Target Read Error", "                HIGH File 300  Target 44",
                 "            ShipMode File 3  Target 1"}}));

  // A field whose word cannot be read first is left alone and listed.
  target.SetReadError(0x40, sim_error::kNoId);
  target.ClearFrames();
  win.choices.push_back({});
  ASSERT_TRUE(WriteFile("[Sreg]\r\nLOW,0x40,18,0x00FF,1,\r\n"));
  EXPECT_TRUE(Written().empty());
  EXPECT_EQ(win.results[1], std::vector<std::string>{"                 LOW  File 18  Target Read Error"});
}

// After a restore the cache holds what the set holds, unmarked, and the grid
// is drawn again: the next edit of another field of a restored word keeps
// the restored field.
TEST_F(RegSnapshotTest, ARestoreLeavesTheCacheAsTheSetHoldsItForTheNextEdit) {
  const ST_REGISTER stby = Reg("StbyFactor", 0x1000, 1, 0x00F0);
  ws.SRegisters.AddRegister(Reg("PowerState", 0x1000, 1, 0x0003));
  ws.SRegisters.AddRegister(stby);
  // PowerState was set to 3 in the value dialog after the file was saved.
  target.SetRegister(0x1000, 3);
  ws.SRegisters.SetValue(0x1000, 3);
  ws.SRegisters.SetSnapshotValue(0x1000, 3);
  target.SetRegister(0x1020, 1);
  target.SetWriteError(0x1020, sim_error::kWriteProtected);
  target.SetReadError(0x1010, sim_error::kNoId);
  win.choices.push_back({});
  ASSERT_TRUE(WriteFile("[Sreg]\r\nPowerState,0x1000,0,0x0003,1,\r\nStbyFactor,0x1000,0,0x00F0,1,\r\n"
                        "KEPT,0x1020,5,0xFFFF,1,\r\n[Hreg]\r\nUNREAD,0x1010,7,0xFFFF,1,\r\n"));
  ASSERT_EQ(target.Register(0x1000), 0);
  const std::pair<Registers*, uint32_t> words[] = {
      {&ws.SRegisters, 0x1000}, {&ws.SRegisters, 0x1020}, {&ws.HRegisters, 0x1010}};
  const int held[] = {0, 1, 7};  // read back; the set refused 5; written, not readable
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(words[i].first->GetValue(words[i].second), held[i]) << i;
    EXPECT_EQ(words[i].first->GetSnapshotValue(words[i].second), held[i]) << i;  // not "changed"
  }
  EXPECT_EQ(win.redraws, 1);

  rules::EditRegSession edit(ws.SRegisters, stby, 0, false, rules::TargetRegisterWriter(tc));
  edit.Start();
  ASSERT_TRUE(edit.ApplyValue(rules::EditRegSession::Key::Enter, "5"));
  EXPECT_EQ(target.Register(0x1000), 0x50);
}

TEST_F(RegSnapshotTest, FilesThatCannotBeUsedAreReported) {
  ui.ExpectOpenFile(dir.File("missing.id")).ExpectMessage(0x10, platform::kIdOk, "Fail to open");
  EXPECT_FALSE(transfer.WriteRegisterValues());
  dir.Write("none.id", "A,0x10,1,0xFFFF,1,\r\n");
  ui.ExpectOpenFile(dir.File("none.id")).ExpectMessage(0x10, platform::kIdOk, "holds neither [Sreg] nor [Hreg]");
  EXPECT_FALSE(transfer.WriteRegisterValues());
  EXPECT_THROW(WriteFile("[Sreg]\r\nA,0x10,one,0xFFFF,1,\r\n"), platform::EConvertError);
  EXPECT_EQ(target.FrameCount(), 0u);
}

}  // namespace
