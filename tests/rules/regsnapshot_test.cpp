#include <gtest/gtest.h>

#include <deque>

#include "model/regvaluefile.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "regsim_fixture.h"
#include "rules/regsnapshottransfer.h"

using regsim::Reg;

namespace {

// TfrmSelSnapShotID and the result window, answered by the test.
class FakeDialogs : public ui::RegSnapshotDialogs {
 public:
  struct Choice {
    int result = 1;
    bool s = true;  // ticked when offered
    bool h = true;
  };
  std::deque<Choice> choices;
  std::vector<std::pair<bool, bool>> offered;
  std::vector<std::vector<std::string>> results;

  int SelectRegisterFiles(bool& s, bool& h) override {
    offered.emplace_back(s, h);
    if (choices.empty()) {
      ADD_FAILURE() << "S/H choice not expected";
      return 2;
    }
    const Choice c = choices.front();
    choices.pop_front();
    if (c.result == 1) {
      s = s && c.s;
      h = h && c.h;
    }
    return c.result;
  }
  int ShowCompareResult(const std::vector<std::string>& lines) override {
    results.push_back(lines);
    return 1;
  }
};

class RegSnapshotTest : public regsim::RegSimTest {
 protected:
  void TearDown() override {
    EXPECT_TRUE(dialogs.choices.empty());
    RegSimTest::TearDown();
  }
  std::vector<uint32_t> Ids(std::initializer_list<uint32_t> ids) { return ids; }

  FakeDialogs dialogs;
  regsim::FakePolling polling;
  ui::RegSnapshotTransfer transfer{ws, dialogs, &polling};
};

const char kPreCommands[] =
    "SnapShotPreID1=0x100\r\nSnapShotPreDat1=5\r\nSnapShotPreID2=0x101\r\nSnapShotPreDat2=6\r\n"
    "SnapShotPreID3=0x102\r\nSnapShotPreDat3=7\r\n";
const char kPostCommands[] = "ReproducePostID1=0x180\r\nReproducePostDat1=1\r\n";

// ---- Save ----

class RegSnapshotSaveTest : public RegSnapshotTest {
 protected:
  void SetUp() override {
    RegSnapshotTest::SetUp();
    Start(kPreCommands);
    ws.SRegisters.AddRegister(Reg("VOLUME", 0x20, 1, 0xFF));
    ws.SRegisters.SetValue(0x20, 0x120C);
    ws.HRegisters.AddRegister(Reg("H1", 0x300));
    ws.HRegisters.SetValue(0x300, REG_VALUE_UNKNOWN);
    target->SetRegister(0x300, 0x44);
  }
  bool Save(bool hValuesRead) {
    return transfer.SaveRegisterValues(hValuesRead, [this](int kind) {
      reads.push_back(kind);
      return tc.ReadRegisterTable(kind == 1);
    });
  }
  std::vector<int> reads;
};

TEST_F(RegSnapshotSaveTest, SavesTheCachedValuesAfterThePreCommands) {
  const int timeout = tc.GetProtocolTimeout();
  target->AddFault(SimFault::None());       // the H read
  target->AddFault(SimFault::Late(1000));  // a pre-command: beyond TimeOutTime, within CommandTimeOutTime
  dialogs.choices.push_back({});
  ui.ExpectSaveFile(dir.File("set.id"));
  ui.ExpectMessage(0x40, platform::kIdOk, "Save completed");
  ASSERT_TRUE(Save(false));

  EXPECT_EQ(dialogs.offered, (std::vector<std::pair<bool, bool>>{{true, true}}));
  EXPECT_EQ(reads, std::vector<int>{1});  // the H values, never read before
  EXPECT_EQ(ui.LastFileDialog().filter, "Sreg Hreg log files (*.id)|*.id");
  EXPECT_EQ(ui.LastFileDialog().defaultExt, "id");
  EXPECT_EQ(Written(), Ids({0x100, 0x101, 0x102}));
  EXPECT_EQ(target->Register(0x102), 7);
  EXPECT_EQ(tc.GetProtocolTimeout(), timeout);
  EXPECT_EQ(dir.Read("set.id"),
            "[Sreg]\r\nVOLUME              ,0x00000020,   12,0x00FF,1,\r\n"
            "[Hreg]\r\nH1                  ,0x00000300,   68,0xFFFF,1,\r\n");
  EXPECT_EQ(polling.switched, (std::vector<bool>{false, true}));
}

TEST_F(RegSnapshotSaveTest, NothingIsSavedWhenTheUserOrTheTargetStopsIt) {
  dialogs.choices.push_back({2});
  EXPECT_FALSE(Save(false));

  dialogs.choices.push_back({1, true, false});  // S only: H is not read
  ui.ExpectSaveFile("");
  EXPECT_FALSE(Save(false));
  EXPECT_TRUE(reads.empty());
  EXPECT_EQ(target->FrameCount(), 0u);

  target->SetWriteError(0x101, sim_error::kWriteProtected);
  dialogs.choices.push_back({});
  ui.ExpectSaveFile(dir.File("set.id"));
  EXPECT_FALSE(Save(true));
  EXPECT_EQ(Written(), Ids({0x100, 0x101}));  // the first failed pre-command ends them
  EXPECT_FALSE(platform::FileExists(dir.File("set.id")));
  EXPECT_TRUE(reads.empty());

  target->SetWriteError(0x101, 0);
  dialogs.choices.push_back({});
  ui.ExpectSaveFile(dir.File("no/such/folder/set.id"));
  ui.ExpectMessage(0x10, platform::kIdOk, "Fail to save");  // never "Save completed"
  EXPECT_FALSE(Save(true));
}

// ---- Write and verify ----

class RegSnapshotWriteTest : public RegSnapshotTest {
 protected:
  bool WriteFile(const std::string& text) {
    dir.Write("in.id", text);
    ui.ExpectOpenFile(dir.File("in.id"));
    return transfer.WriteRegisterValues();
  }
};

TEST_F(RegSnapshotWriteTest, RestoresAndVerifiesThenRunsThePostCommands) {
  Start(kPostCommands);
  target->SetRegister(0x11, 9);
  dialogs.choices.push_back({});
  ASSERT_TRUE(WriteFile("[Sreg]\r\nA                   ,0x00000010,  258,0xFFFF,1,\r\n"
                        "B                   ,0x00000011,    3,0xFFFF,0,\r\n"
                        "[Hreg]\r\nC                   ,0x00000012,    4,0xFFFF,1,\r\n"));
  EXPECT_EQ(dialogs.offered, (std::vector<std::pair<bool, bool>>{{true, true}}));
  EXPECT_EQ(target->Register(0x10), 258);
  EXPECT_EQ(target->Register(0x11), 9);  // Vrf 0 takes no part
  EXPECT_EQ(target->Register(0x12), 4);
  EXPECT_EQ(Written(), Ids({0x10, 0x12, 0x180}));
  ASSERT_EQ(dialogs.results.size(), 1u);
  EXPECT_TRUE(dialogs.results[0].empty());  // all equal: the window opens empty
  EXPECT_EQ(polling.switched, (std::vector<bool>{false, true}));
  EXPECT_EQ(services.progressTexts,
            (std::vector<std::string>{"Write ID data", "", "Read ID data for verify", ""}));
}

TEST_F(RegSnapshotWriteTest, OnlyChosenVerifiedRegistersReachTheTarget) {
  Start();
  dialogs.choices.push_back({1, false, true});
  ASSERT_TRUE(WriteFile("[Sreg]\r\nS,0x10,1,0xFFFF,1,\r\n\"Q,0x11,2,0xFFFF,1,\r\nZ,0,3,0xFFFF,1,\r\n"
                        "[Hreg]\r\nH,0x12,4,0xFFFF,1,\r\n\"HQ,0x13,5,0xFFFF,1,\r\n"));
  EXPECT_EQ(Written(), Ids({0x12}));

  // No Vrf 1 item among the chosen kinds: nothing written, no window.
  target->ClearFrames();
  dialogs.choices.push_back({1, false, true});
  EXPECT_FALSE(WriteFile("[Sreg]\r\nS,0x10,1,0xFFFF,1,\r\n[Hreg]\r\nH,0x12,4,0xFFFF,0,\r\n"));
  EXPECT_EQ(target->FrameCount(), 0u);
  EXPECT_EQ(dialogs.results.size(), 1u);

  // A file with only an [Hreg] section offers S disabled and unchecked.
  dialogs.choices.push_back({2});
  EXPECT_FALSE(WriteFile("[Hreg]\r\nH,0x12,4,0xFFFF,1,\r\n"));
  EXPECT_EQ(dialogs.offered.back(), std::make_pair(false, true));
}

TEST_F(RegSnapshotWriteTest, DifferencesAndUnreadRegistersAreListed) {
  Start();
  target->SetWriteError(0x20, sim_error::kWriteProtected);
  target->SetRegister(0x20, 1);
  target->SetReadError(0x22, sim_error::kNoId);
  target->SetRegister(0x24, 8);
  dialogs.choices.push_back({});
  ASSERT_TRUE(WriteFile("[Sreg]\r\nKEEP                ,0x00000020,    5,0xFFFF,1,\r\n"
                        "NOREAD              ,0x00000022,    6,0xFFFF,1,\r\n"
                        "NEVER               ,0x00000024, -255,0xFFFF,1,\r\n"));
  EXPECT_EQ(target->Register(0x24), 8);  // a value never read is not restored
  ASSERT_EQ(dialogs.results.size(), 1u);
  EXPECT_EQ(dialogs.results[0],
            (std::vector<std::string>{"NEVER                 File ---  Not written (not read when saved)",
                                      "KEEP                 File 5  Target 1",
                                      "NOREAD                File 6  Target Read Error"}));
}

TEST_F(RegSnapshotWriteTest, APartialWordRegisterIsRestoredIntoItsFieldOnly) {
  Start();
  target->SetRegister(0x40, 0xAB34);
  target->SetRegister(0x41, 0x1200);
  dialogs.choices.push_back({});
  ASSERT_TRUE(WriteFile("[Sreg]\r\nLOW,0x40,18,0x00FF,1,\r\nHIGH,0x41,300,0x0FF0,1,\r\n"));
  EXPECT_EQ(target->Register(0x40), 0xAB12);
  EXPECT_EQ(target->Register(0x41), 0x12C0);  // 300 does not fit the field: 44 lands there
  ASSERT_EQ(dialogs.results.size(), 1u);
  EXPECT_EQ(dialogs.results[0], std::vector<std::string>{"                HIGH File 300  Target 44"});

  // A field whose word cannot be read first is left alone and listed.
  target->SetReadError(0x40, sim_error::kNoId);
  target->ClearFrames();
  dialogs.choices.push_back({});
  ASSERT_TRUE(WriteFile("[Sreg]\r\nLOW,0x40,18,0x00FF,1,\r\n"));
  EXPECT_TRUE(Written().empty());
  EXPECT_EQ(dialogs.results[1], std::vector<std::string>{"                 LOW  File 18  Target Read Error"});
}

TEST_F(RegSnapshotWriteTest, FieldsOfOneWordAreRestoredTogetherAndVerifiedOneByOne) {
  Start();
  target->SetRegister(0x1072, 0xF0F0);
  dialogs.choices.push_back({});
  ASSERT_TRUE(WriteFile("[Sreg]\r\nFactoryMode,0x1072,1,0x0001,1,\r\nShipMode,0x1072,3,0x0002,1,\r\n"
                        "Wide,0x1072,5,0x0F00,1,\r\nNarrow,0x1072,1,0x0100,1,\r\n"));
  EXPECT_EQ(target->Register(0x1072), 0xF5F3);
  EXPECT_EQ(Written(), Ids({0x1072}));  // one read-modify-write of the word
  ASSERT_EQ(dialogs.results.size(), 1u);
  EXPECT_EQ(dialogs.results[0],
            (std::vector<std::string>{"              Narrow  File 1  Not written (its mask overlaps a larger one of its ID)",
                                      "            ShipMode File 3  Target 1"}));
}

TEST_F(RegSnapshotWriteTest, FilesThatCannotBeUsedAreReported) {
  Start();
  ui.ExpectOpenFile("");
  EXPECT_FALSE(transfer.WriteRegisterValues());

  ui.ExpectOpenFile(dir.File("missing.id"));
  ui.ExpectMessage(0x10, platform::kIdOk, "Fail to open");
  EXPECT_FALSE(transfer.WriteRegisterValues());

  dir.Write("none.id", "A,0x10,1,0xFFFF,1,\r\n");
  ui.ExpectOpenFile(dir.File("none.id"));
  ui.ExpectMessage(0x10, platform::kIdOk, "holds neither [Sreg] nor [Hreg]");
  EXPECT_FALSE(transfer.WriteRegisterValues());

  dir.Write("bad.id", "[Sreg]\r\nA,0x10,one,0xFFFF,1,\r\n");
  ui.ExpectOpenFile(dir.File("bad.id"));
  EXPECT_THROW(transfer.WriteRegisterValues(), platform::EConvertError);

  EXPECT_EQ(target->FrameCount(), 0u);
  EXPECT_TRUE(polling.switched.empty());
  EXPECT_TRUE(dialogs.offered.empty());
}

}  // namespace
