#include "model/vunddata.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "model/systemfunc.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/ui.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

using testing_support::ScopedHome;
using testing_support::ScriptedUi;
using testing_support::TempDir;

namespace {

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* l : lines) text += std::string(l) + "\r\n";
  return text;
}

class VundDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetForceEnglish(true);
    ResetVundData();
  }
  void TearDown() override {
    ResetVundData();
    SetForceEnglish(false);
  }
  // Writes vund.dat and loads it; every prompt must be expected beforehand.
  bool Load(const std::string& text, const char* name = "vund.dat") {
    dir.Write(name, text);
    return LoadVundData();
  }
  std::vector<stNVMImageSetting> Devices() {
    std::vector<stNVMImageSetting> list{{"stale", 9, 9, 9}};
    GetNVMImageSettings(list);
    return list;
  }
  std::vector<RegSetting> Refresh() {
    std::vector<RegSetting> list;
    GetRefreshList(list);
    return list;
  }

  TempDir dir;
  ScopedHome home{dir.Path()};
  ScriptedUi ui;
};

TEST_F(VundDataTest, SampleFileGivesEverySetting) {
  std::string sample;
  ASSERT_TRUE(platform::ReadFileBytes(std::string(VUND2_EXAMPLES) + "/vund.dat", sample));
  ASSERT_TRUE(Load(sample));
  EXPECT_EQ(GetCommandTimeOutTime(), 3000);
  EXPECT_EQ(GetTimeOutTime(), 300);
  EXPECT_EQ(GetTimeOutRetry(), 2);
  EXPECT_EQ(GetErrorRetry(), 1);
  EXPECT_EQ(GetErrorRetryWait(), 50);
  EXPECT_EQ(GetRefreshTime(), 500);
  EXPECT_EQ(GetBaudRateSupport(), 0x1840);
  EXPECT_EQ(GetBaudRateSupportID(), 0x0F00);
  EXPECT_EQ(GetMaxEcsDataLength(), 64);
  EXPECT_EQ(GetMaxEcs3DataLength(), 256);

  std::vector<std::string> names;
  GetSRegWindowNames(names);
  ASSERT_EQ(names.size(), 5u);
  EXPECT_EQ(names[0], "システム");
  GetHRegWindowNames(names);
  EXPECT_EQ(names.size(), 3u);

  const std::vector<RegSetting> items = Refresh();
  ASSERT_EQ(items.size(), 10u);
  EXPECT_EQ(items[1].Name, "スタンバイ要因");
  EXPECT_EQ(items[1].ID, 0x1000);
  EXPECT_EQ(items[1].Mask, 0xF0);
  EXPECT_EQ(items[5].Mask, 0xFFFF);
  EXPECT_EQ(GetMemCommandCount(), 4);
  EXPECT_EQ(GetSwitchCommandCount(), 4);
  EXPECT_EQ(GetSwitchCommandEntry(0).ID, 0x0F28);

  const std::vector<stNVMImageSetting> devices = Devices();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].Name, "EEPROM");
  EXPECT_EQ(devices[0].BackupEnd, 0x1FFFu);
  EXPECT_EQ(devices[1].Name, "SUB EEPROM");
  EXPECT_EQ(devices[1].BackupEnd, 0x03FFu);

  std::vector<stSnapShotCmmd> writes;
  GetSnapShotPreCommands(writes);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].ID, 0x0F30);
  EXPECT_EQ(writes[0].Data, 1);
  GetReproducePostCommands(writes);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].Data, 0);

  std::vector<RegSetting> versions, sums;
  GetMicomInfoLists(versions, sums);
  ASSERT_EQ(versions.size(), 2u);
  ASSERT_EQ(sums.size(), 2u);
  EXPECT_EQ(versions[1].ID, 0x0F12);
  EXPECT_EQ(sums[1].ID, 0x0F13);
  EXPECT_EQ(sums[1].Name, "");
}

TEST_F(VundDataTest, MissingFileIsReportedAndLeavesEverythingEmpty) {
  ui.ExpectMessage(0x10, platform::kIdOk, "Fail to open " + dir.Path() + "vund.dat");
  EXPECT_FALSE(LoadVundData());
  EXPECT_EQ(GetTimeOutTime(), 0);
  EXPECT_EQ(GetRefreshTime(), 0);
  EXPECT_EQ(GetMaxEcs3DataLength(), 0);
  EXPECT_TRUE(Devices().empty());
  EXPECT_TRUE(Refresh().empty());
}

TEST_F(VundDataTest, FileNameMatchesWithoutRegardToCase) {
  ASSERT_TRUE(Load(Lines({"[Common]", "TimeOutTime=123"}), "VUND.DAT"));
  EXPECT_EQ(GetTimeOutTime(), 123);
}

TEST_F(VundDataTest, MissingSectionsAndBadNumbersGiveDefaults) {
  ASSERT_TRUE(Load(Lines({"[Other]", "x=1"})));
  EXPECT_EQ(GetCommandTimeOutTime(), 3000);
  EXPECT_EQ(GetTimeOutTime(), 300);
  EXPECT_EQ(GetTimeOutRetry(), 0);
  EXPECT_EQ(GetErrorRetry(), 0);
  EXPECT_EQ(GetErrorRetryWait(), 0);
  EXPECT_EQ(GetRefreshTime(), 500);
  EXPECT_EQ(GetBaudRateSupport(), 0x840);
  EXPECT_EQ(GetBaudRateSupportID(), 0);
  EXPECT_EQ(GetMaxEcsDataLength(), 64);
  EXPECT_EQ(GetMaxEcs3DataLength(), 256);
  // No device keys at all: the single form's one entry.
  ASSERT_EQ(Devices().size(), 1u);

  ResetVundData();
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "BaudRateSupport=0X1840", "RefreshTime=abc", "MaxECS3DataLength=0x80"})));
  EXPECT_EQ(GetBaudRateSupport(), 0x1840);
  EXPECT_EQ(GetRefreshTime(), 500);
  EXPECT_EQ(GetMaxEcs3DataLength(), 0x80);
  ResetVundData();
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "BaudRateSupport=abc"})));
  EXPECT_EQ(GetBaudRateSupport(), 0x840);
}

TEST_F(VundDataTest, WindowNamesRunWhileTheKeyExists) {
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "Window1=A", "Window2=", "Window3=C", "Window5=E", "HRegWin2=X"})));
  std::vector<std::string> names{"old"};
  GetSRegWindowNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "", "C"}));
  GetHRegWindowNames(names);
  EXPECT_TRUE(names.empty());
}

TEST_F(VundDataTest, NumberedNvmDevices) {
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "EEPDeviceType1=0", "EEPDeviceName=ignored"})));
  EXPECT_TRUE(Devices().empty());

  // The unsigned comparison refuses device 2 (a signed one would take it).
  ResetVundData();
  ui.ExpectMessage(0x10, platform::kIdOk, "Check NVM Back up setting 2\r\nStart address must be under end address");
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "EEPDeviceType1=1", "EEPBackupStart1=0", "EEPBackupEnd1=0x1FFF",
                          "EEPDeviceType2=2", "EEPBackupStart2=0x80000000", "EEPBackupEnd2=0x10",
                          "EEPDeviceType3=3", "EEPBackupStart3=0", "EEPBackupEnd3=0x10"})));
  std::vector<stNVMImageSetting> list = Devices();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Name, "NVM 1");
  EXPECT_EQ(list[0].DeviceType, 1);
  EXPECT_EQ(list[0].BackupEnd, 0x1FFFu);

  // An end of 0xFFFFFFFF reads as -1: the list ends without a message.
  ResetVundData();
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "EEPDeviceType1=1", "EEPBackupStart1=0x80000000",
                          "EEPBackupEnd1=0xFFFFFFFE", "EEPDeviceName1=Big", "EEPDeviceType2=2",
                          "EEPBackupStart2=0x80000000", "EEPBackupEnd2=0xFFFFFFFF", "EEPDeviceType3=3",
                          "EEPBackupStart3=0", "EEPBackupEnd3=1"})));
  list = Devices();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Name, "Big");
  EXPECT_EQ(list[0].BackupStart, 0x80000000u);
  EXPECT_EQ(list[0].BackupEnd, 0xFFFFFFFEu);
}

TEST_F(VundDataTest, SingleNvmDevice) {
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "EEPBackupStart=0x100", "EEPDeviceType2=5"})));
  std::vector<stNVMImageSetting> list = Devices();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Name, "NVM");
  EXPECT_EQ(list[0].DeviceType, 0);
  EXPECT_EQ(list[0].BackupStart, 0x100u);
  EXPECT_EQ(list[0].BackupEnd, 0u);
}

TEST_F(VundDataTest, SnapshotWritesStopAtIdZero) {
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "SnapShotPreID1=0", "SnapShotPreDat1=7", "SnapShotPreID2=5",
                          "ReproducePostID1=0x10", "ReproducePostDat1=0x22", "ReproducePostID2=0x11",
                          "ReproducePostID3=abc", "ReproducePostID4=0x13"})));
  std::vector<stSnapShotCmmd> list{{1, 1}};
  GetSnapShotPreCommands(list);
  EXPECT_TRUE(list.empty());
  GetReproducePostCommands(list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].ID, 0x10);
  EXPECT_EQ(list[0].Data, 0x22);
  EXPECT_EQ(list[1].ID, 0x11);
  EXPECT_EQ(list[1].Data, 0);
}

TEST_F(VundDataTest, StatusItemsAndCommandEntries) {
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "Refresh1=", "RefreshID1=5", "Refresh2=B", "RefreshID2=6",
                          "Refresh3=NoId", "Refresh4=Temp", "RefreshID4=0x120", "RefreshMask4=0x0F",
                          "RefreshID6=9", "Refresh6=After gap", "MemName1=", "MemName2=Init",
                          "MemID2=0x0F21", "SWName1=On", "SWID1=0x0F28"})));
  std::vector<RegSetting> list = Refresh();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].Name, "B");
  EXPECT_EQ(list[0].ID, 6);
  EXPECT_EQ(list[0].Mask, 0xFFFF);
  EXPECT_EQ(list[1].Name, "Temp");
  EXPECT_EQ(list[1].Mask, 0x0F);

  // A command entry is taken even without a name or ID.
  ASSERT_EQ(GetMemCommandCount(), 2);
  EXPECT_EQ(GetMemCommandEntry(0).Name, "");
  EXPECT_EQ(GetMemCommandEntry(0).ID, 0);
  EXPECT_EQ(GetMemCommandEntry(1).ID, 0x0F21);
  ASSERT_EQ(GetSwitchCommandCount(), 1);
  EXPECT_EQ(GetSwitchCommandEntry(0).Name, "On");
}

TEST_F(VundDataTest, MicomListsEndOnAZeroId) {
  ASSERT_TRUE(Load(Lines({"[MicomInfo]", "Name1=Main", "VerID1=0x10", "ChkSum1=0x11", "Name2=Boot",
                          "VerID2=0x20", "ChkSum2=0", "Name3=Sub", "VerID3=0x30", "ChkSum3=0x31"})));
  std::vector<RegSetting> versions{{}}, sums{{}, {}};
  GetMicomInfoLists(versions, sums);
  ASSERT_EQ(versions.size(), 1u);
  ASSERT_EQ(sums.size(), 1u);
  EXPECT_EQ(versions[0].Name, "Main");
  EXPECT_EQ(versions[0].ID, 0x10);
  EXPECT_EQ(sums[0].ID, 0x11);
}

TEST_F(VundDataTest, LongNumberedListsAreReadToTheirEnd) {
  std::string text = "[EcsSettings]\r\n";
  const int n = 3000;
  for (int i = 1; i <= n; ++i) {
    text += "Refresh" + std::to_string(i) + "=R" + std::to_string(i) + "\r\n";
    text += "RefreshID" + std::to_string(i) + "=" + std::to_string(0x1000 + i) + "\r\n";
    text += "SnapShotPreID" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    text += "EEPDeviceType" + std::to_string(i) + "=1\r\n";
    text += "EEPBackupStart" + std::to_string(i) + "=0\r\n";
    text += "EEPBackupEnd" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  }
  ASSERT_TRUE(Load(text));
  const std::vector<RegSetting> list = Refresh();
  ASSERT_EQ(list.size(), static_cast<size_t>(n));
  EXPECT_EQ(list.back().Name, "R3000");
  EXPECT_EQ(list.back().ID, 0x1000 + n);
  std::vector<stSnapShotCmmd> pre;
  GetSnapShotPreCommands(pre);
  EXPECT_EQ(pre.size(), static_cast<size_t>(n));
  EXPECT_EQ(Devices().size(), static_cast<size_t>(n));
}

TEST_F(VundDataTest, RefreshEntryEdits) {
  EXPECT_EQ(GetRefreshEntry(0).Name, "");
  EXPECT_EQ(GetRefreshEntry(0).ID, 0);
  EXPECT_EQ(GetRefreshEntry(0).Mask, 0xFFFF);
  SetRefreshEntry({"A", 1, 1}, 5);  // past the end: appended
  InsertRefreshEntry({"B", 2, 2}, 0);
  InsertRefreshEntry({"C", 3, 3}, 9);  // clamped to the end
  SetRefreshEntry({"A2", 4, 4}, 1);
  EraseRefreshEntry(7);  // out of range: nothing
  std::vector<RegSetting> list = Refresh();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].Name, "B");
  EXPECT_EQ(list[1].Name, "A2");
  EXPECT_EQ(list[2].Name, "C");
  EraseRefreshEntry(0);
  EXPECT_EQ(GetRefreshEntry(0).Name, "A2");
  EXPECT_EQ(GetRefreshEntry(2).ID, 0);
}

class SaveRefreshListTest : public VundDataTest {
 protected:
  std::string Value(const std::string& key, const char* name = "vund.dat") {
    platform::IniFile ini(dir.File(name));
    return ini.ReadString("EcsSettings", key, "<none>");
  }
};

TEST_F(SaveRefreshListTest, TwoItemsOverFiveLeaveOnlyTwo) {
  ASSERT_TRUE(Load(Lines({"; head", "[EcsSettings]", "RefreshTime=200", "Refresh1=Temp", "RefreshID1=0x120",
                          "Refresh2=b", "RefreshID2=2", "RefreshMask2=3", "Refresh3=c", "RefreshID3=3",
                          "Refresh4=d", "RefreshID4=4", "RefreshMask4=4", "Refresh5=e", "RefreshID5=5",
                          "Window1=W", "[MicomInfo]", "Name1=M"})));
  EraseRefreshEntry(4);
  EraseRefreshEntry(3);
  EraseRefreshEntry(2);
  ASSERT_TRUE(SaveRefreshList());
  EXPECT_EQ(Value("Refresh1"), "Temp");
  EXPECT_EQ(Value("RefreshID1"), "0x120");
  EXPECT_EQ(Value("RefreshMask1"), "65535");
  EXPECT_EQ(Value("RefreshMask2"), "3");
  for (const char* gone : {"Refresh3", "RefreshID3", "Refresh4", "RefreshID4", "RefreshMask4", "RefreshID5"})
    EXPECT_EQ(Value(gone), "<none>") << gone;
  EXPECT_EQ(Value("RefreshTime"), "200");
  EXPECT_EQ(Value("Window1"), "W");
  const std::string text = dir.Read("vund.dat");
  EXPECT_EQ(text.rfind("; head\r\n[EcsSettings]\r\n", 0), 0u);
  EXPECT_NE(text.find("[MicomInfo]\r\nName1=M"), std::string::npos);
}

TEST_F(SaveRefreshListTest, DroppedItemsAreRenumbered) {
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "Refresh1=", "RefreshID1=5", "Refresh2=B", "RefreshID2=6"})));
  ASSERT_TRUE(SaveRefreshList());
  EXPECT_EQ(Value("Refresh1"), "B");
  EXPECT_EQ(Value("RefreshID1"), "0x6");
  EXPECT_EQ(Value("Refresh2"), "<none>");
}

TEST_F(SaveRefreshListTest, DeletionStopsAtTheFirstGap) {
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "Refresh1=a", "RefreshID1=1", "Refresh2=b", "RefreshID2=2",
                          "Refresh4=d", "RefreshID4=4", "RefreshMask4=4"})));
  EraseRefreshEntry(1);
  ASSERT_TRUE(SaveRefreshList());
  EXPECT_EQ(Value("Refresh1"), "a");
  EXPECT_EQ(Value("Refresh2"), "<none>");
  EXPECT_EQ(Value("Refresh4"), "d");
  EXPECT_EQ(Value("RefreshID4"), "4");
  EXPECT_EQ(Value("RefreshMask4"), "4");
}

TEST_F(SaveRefreshListTest, UpdatesTheFileThatWasReadWhateverItsCase) {
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "Refresh1=a", "RefreshID1=1"}), "vund.dat"));
  SetRefreshEntry({"z", 0x1234, 0xFF}, 0);
  ASSERT_TRUE(SaveRefreshList());
  EXPECT_FALSE(platform::FileExists(dir.File("Vund.dat")));
  EXPECT_EQ(Value("Refresh1"), "z");
  EXPECT_EQ(Value("RefreshID1"), "0x1234");
  EXPECT_EQ(Value("RefreshMask1"), "255");
}

TEST_F(SaveRefreshListTest, MissingFileIsCreatedWithTheItemsOnly) {
  InsertRefreshEntry({"N", 0x1000, 3}, 0);
  ASSERT_TRUE(SaveRefreshList());
  EXPECT_EQ(dir.Read("Vund.dat"), Lines({"[EcsSettings]", "Refresh1=N", "RefreshID1=0x1000", "RefreshMask1=3"}));
}

TEST_F(SaveRefreshListTest, ReadOnlyFileAsksRetryOrCancel) {
  const std::string old = Lines({"[EcsSettings]", "Refresh1=a", "RefreshID1=1"});
  ASSERT_TRUE(Load(old));
  SetRefreshEntry({"new", 2, 2}, 0);
  ASSERT_TRUE(platform::SetReadOnly(dir.File("vund.dat"), true));
  const std::string prompt = "Fail to save " + dir.Path() + "vund.dat";
  ui.ExpectMessage(0x15, platform::kIdRetry, prompt).ExpectMessage(0x15, platform::kIdCancel, prompt);
  EXPECT_FALSE(SaveRefreshList());
  EXPECT_EQ(dir.Read("vund.dat"), old);

  ASSERT_TRUE(platform::SetReadOnly(dir.File("vund.dat"), false));
  EXPECT_TRUE(SaveRefreshList());
  EXPECT_EQ(Value("Refresh1"), "new");
}

TEST_F(SaveRefreshListTest, RefusedWriteReportsFalse) {
  ScopedHome gone(dir.Path() + "no-such-folder/");
  InsertRefreshEntry({"N", 1, 1}, 0);
  EXPECT_FALSE(SaveRefreshList());
}

}  // namespace
