#include "model/vunddata.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <memory>

#include "model/linksettings.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

using Strings = std::vector<std::string>;

namespace {

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* l : lines) text += std::string(l) + "\r\n";
  return text;
}

// The ten scalars in the order of their getters.
std::vector<int> Scalars(const VundData& v) {
  return {v.GetCommandTimeOutTime(), v.GetTimeOutTime(),      v.GetTimeOutRetry(),    v.GetErrorRetry(),
          v.GetErrorRetryWait(),     v.GetRefreshTime(),      v.GetBaudRateSupport(), v.GetBaudRateSupportID(),
          v.GetMaxEcsDataLength(),   v.GetMaxEcs3DataLength()};
}

// Lists as one "name id mask" (or "id data", "name type start end") text per entry.
std::string Row(const RegSetting& r) { return platform::Format("%s %#x %#x", r.Name.c_str(), r.ID, r.Mask); }
std::string Row(const stSnapShotCmmd& c) { return platform::Format("%#x %#x", c.ID, c.Data); }
std::string Row(const stNVMImageSetting& d) {
  return platform::Format("%s %d %#x %#x", d.Name.c_str(), d.DeviceType, d.BackupStart, d.BackupEnd);
}
template <typename T>
Strings Rows(const std::vector<T>& list) {
  Strings out;
  for (const T& item : list) out.push_back(Row(item));
  return out;
}

class VundDataTest : public ::testing::Test {
 protected:
  void SetUp() override { ui.SetForceEnglish(true); }
  // Writes vund.dat and loads it into a fresh VundData; every prompt must be
  // expected beforehand.
  bool Load(const std::string& text, const char* name = "vund.dat") {
    vund = std::make_unique<VundData>(ui);
    dir.Write(name, text);
    return vund->LoadVundData();
  }
  Strings Devices() { std::vector<stNVMImageSetting> list{{"stale", 9, 9, 9}}; vund->GetNVMImageSettings(list); return Rows(list); }
  std::vector<RegSetting> Refresh() { std::vector<RegSetting> list; vund->GetRefreshList(list); return list; }
  Strings Writes(bool pre) {
    std::vector<stSnapShotCmmd> list{{1, 1}};
    (vund.get()->*(pre ? &VundData::GetSnapShotPreCommands : &VundData::GetReproducePostCommands))(list);
    return Rows(list);
  }

  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi ui;
  std::unique_ptr<VundData> vund = std::make_unique<VundData>(ui);
};

TEST_F(VundDataTest, TheSampleFileGivesEverySettingAndTheLinkItsShare) {
  // The list rules have their own tests below.
  std::string sample;
  ASSERT_TRUE(platform::ReadFileBytes(std::string(VUND2_EXAMPLES) + "/vund.dat", sample));
  ASSERT_TRUE(Load(sample));
  EXPECT_EQ(Scalars(*vund), (std::vector<int>{3000, 300, 2, 1, 50, 500, 0x1840, 0x0F00, 64, 256}));
  const Strings items = Rows(Refresh());
  ASSERT_EQ(items.size(), 10u);
  EXPECT_EQ(items[1], "スタンバイ要因 0x1000 0xf0");
  EXPECT_EQ(Devices(), (Strings{"EEPROM 1 0 0x1fff", "SUB EEPROM 2 0 0x3ff"}));

  // What the link is handed: the settings and vund.dat together.
  SystemSettings settings(ui);
  ASSERT_TRUE(settings.LoadSettings());
  const TLinkSettings link = CurrentLinkSettings(settings, *vund);
  EXPECT_EQ((std::vector<int>{link.ComPort, link.BaudRate, link.TimeOutTime, link.TimeOutRetry, link.ErrorRetry,
                              link.ErrorRetryWait, link.CommandTimeOutTime, link.BaudRateSupportID}),
            (std::vector<int>{1, 9, 300, 2, 1, 50, 3000, 0x0F00}));
  EXPECT_EQ(Rows(link.MicomVerList), (Strings{"メインソフト 0xf10 0xffff", "ブートローダ 0xf12 0xffff"}));
  EXPECT_EQ(link.SwitchCommandList.size(), 4u);
}

TEST_F(VundDataTest, AMissingFileIsReportedAndMissingKeysOrBadNumbersGiveDefaults) {
  ui.ExpectMessage(0x10, platform::kIdOk, "Fail to open " + dir.Path() + "vund.dat");
  EXPECT_FALSE(vund->LoadVundData());
  EXPECT_EQ(Scalars(*vund), std::vector<int>(10, 0));
  EXPECT_TRUE(Devices().empty());
  ASSERT_TRUE(Load(Lines({"[Common]", "CommandTimeOutTime=-5", "[EcsSettings]", "RefreshTime=abc", "BaudRateSupport=0X1840"})));
  EXPECT_EQ(Scalars(*vund), (std::vector<int>{3000, 300, 0, 0, 0, 500, 0x1840, 0, 64, 256}));
  EXPECT_EQ(Devices(), (Strings{"NVM 0 0 0"}));  // no device keys at all: the single form
}

TEST_F(VundDataTest, ListsEndWhereTheirRuleSays) {
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "Window1=A", "Window2=", "Window3=C", "Window5=E", "HRegWin2=X",
                          "SnapShotPreID1=0", "SnapShotPreDat1=7", "SnapShotPreID2=5", "ReproducePostID1=0x10",
                          "ReproducePostDat1=0x22", "ReproducePostID2=0x11", "ReproducePostID3=abc", "ReproducePostID4=0x13",
                          "Refresh1=", "RefreshID1=5", "Refresh2=B", "RefreshID2=6", "Refresh3=NoId", "Refresh4=Temp",
                          "RefreshID4=0x120", "RefreshMask4=0x0F", "RefreshID6=9", "Refresh6=After gap", "MemName1=",
                          "MemName2=Init", "MemID2=0x0F21", "SWName1=On", "SWID1=0x0F28", "[MicomInfo]", "Name1=Main",
                          "VerID1=0x10", "ChkSum1=0x11", "Name2=Boot", "VerID2=0x20", "ChkSum2=0", "Name3=Sub",
                          "VerID3=0x30", "ChkSum3=0x31"})));
  Strings names{"old"};
  vund->GetSRegWindowNames(names);
  EXPECT_EQ(names, (Strings{"A", "", "C"}));  // while the key exists
  vund->GetHRegWindowNames(names);
  EXPECT_TRUE(names.empty());
  EXPECT_TRUE(Writes(true).empty());  // at ID 0
  EXPECT_EQ(Writes(false), (Strings{"0x10 0x22", "0x11 0"}));
  // Status items skip an empty name or ID 0; command entries do not.
  EXPECT_EQ(Rows(Refresh()), (Strings{"B 0x6 0xffff", "Temp 0x120 0xf"}));
  ASSERT_EQ(vund->GetMemCommandCount(), 2);
  EXPECT_EQ((Strings{Row(vund->GetMemCommandEntry(0)), Row(vund->GetMemCommandEntry(1))}),
            (Strings{" 0 0xffff", "Init 0xf21 0xffff"}));
  ASSERT_EQ(vund->GetSwitchCommandCount(), 1);
  EXPECT_EQ(vund->GetMemCommandEntry(2).ID + vund->GetSwitchCommandEntry(-1).ID, 0);  // out of range: empty
  std::vector<RegSetting> versions{{}}, sums{{}, {}};
  vund->GetMicomInfoLists(versions, sums);  // at a zero ID
  EXPECT_EQ(Rows(versions), (Strings{"Main 0x10 0xffff"}));
  EXPECT_EQ(Rows(sums), (Strings{" 0x11 0xffff"}));

  // Long numbered lists are read to their end.
  std::string text = "[EcsSettings]\r\n", micom = "[MicomInfo]\r\n";
  const int n = 3000, m = 300;
  for (int i = 1; i <= n; ++i) {
    const std::string k = std::to_string(i);
    if (i <= m) {
      for (const char* key : {"MemName", "MemID", "SWName", "SWID", "Window", "HRegWin"}) text += key + k + "=1\r\n";
      for (const char* key : {"Name", "VerID", "ChkSum"}) micom += key + k + "=1\r\n";
    }
    text += "Refresh" + k + "=R" + k + "\r\nRefreshID" + k + "=" + std::to_string(0x1000 + i) + "\r\nSnapShotPreID" + k + "=" + k +
            "\r\nEEPDeviceType" + k + "=1\r\nEEPBackupStart" + k + "=0\r\nEEPBackupEnd" + k + "=" + k + "\r\n";
  }
  ASSERT_TRUE(Load(text + micom));
  const std::vector<RegSetting> list = Refresh();
  ASSERT_EQ(list.size(), static_cast<size_t>(n));
  EXPECT_EQ(list.back().Name, "R3000");
  EXPECT_EQ(Writes(true).size(), static_cast<size_t>(n));
  EXPECT_EQ(Devices().size(), static_cast<size_t>(n));
  vund->GetSRegWindowNames(names);
  Strings h;
  vund->GetHRegWindowNames(h);
  vund->GetMicomInfoLists(versions, sums);
  EXPECT_EQ(std::vector<size_t>({size_t(vund->GetMemCommandCount()), size_t(vund->GetSwitchCommandCount()), names.size(),
                                 h.size(), versions.size(), sums.size()}),
            std::vector<size_t>(6, m));
}

TEST_F(VundDataTest, NvmDevicesInTheNumberedAndTheSingleForm) {
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "EEPDeviceType1=0", "EEPDeviceName=ignored"})));
  EXPECT_TRUE(Devices().empty());
  // The unsigned comparison refuses device 2 (a signed one would take it).
  const char* badRange = "Check NVM Back up setting 2\r\nStart address must be under end address";
  ui.ExpectMessage(0x10, platform::kIdOk, badRange);
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "EEPDeviceType1=1", "EEPBackupStart1=0", "EEPBackupEnd1=0x1FFF", "EEPDeviceType2=2",
                          "EEPBackupStart2=0x80000000", "EEPBackupEnd2=0x10", "EEPDeviceType3=3", "EEPBackupStart3=0",
                          "EEPBackupEnd3=0x10"})));
  EXPECT_EQ(Devices(), (Strings{"NVM 1 1 0 0x1fff"}));
  // An end of 0xFFFFFFFF reads as -1: the list ends without a message.
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "EEPDeviceType1=1", "EEPBackupStart1=0x80000000", "EEPBackupEnd1=0xFFFFFFFE",
                          "EEPDeviceName1=Big", "EEPDeviceType2=2", "EEPBackupStart2=0x80000000", "EEPBackupEnd2=0xFFFFFFFF",
                          "EEPDeviceType3=3", "EEPBackupStart3=0", "EEPBackupEnd3=1"})));
  EXPECT_EQ(Devices(), (Strings{"Big 1 0x80000000 0xfffffffe"}));  // 0x7FFFFFFF bytes, the most there may be
  // One byte more than a transfer can count: the message names the limit.
  ui.ExpectMessage(0x10, platform::kIdOk,
                   "Check NVM Back up setting 2\r\nThe address range must not exceed 0x7FFFFFFF bytes");
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "EEPDeviceType1=1", "EEPBackupStart1=0", "EEPBackupEnd1=1", "EEPDeviceType2=2",
                          "EEPBackupStart2=0", "EEPBackupEnd2=0x7FFFFFFF"})));
  EXPECT_EQ(Devices(), (Strings{"NVM 1 1 0 0x1"}));
  // The single form: numbered keys other than 1 do not count.
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "EEPBackupStart=0x100", "EEPDeviceType2=5"})));
  EXPECT_EQ(Devices(), (Strings{"NVM 0 0x100 0"}));
}

TEST_F(VundDataTest, RefreshEntryEditsAppendOrClampOutOfRangeIndexes) {
  vund->SetRefreshEntry({"A", 1, 1}, 5);  // past the end: appended
  vund->InsertRefreshEntry({"B", 2, 2}, 0);
  vund->InsertRefreshEntry({"C", 3, 3}, 9);  // clamped to the end
  vund->SetRefreshEntry({"A2", 4, 4}, 1);
  vund->EraseRefreshEntry(7);  // out of range: nothing
  EXPECT_EQ(Rows(Refresh()), (Strings{"B 0x2 0x2", "A2 0x4 0x4", "C 0x3 0x3"}));
  vund->EraseRefreshEntry(0);
  EXPECT_EQ(vund->GetRefreshEntry(0).Name, "A2");
  EXPECT_EQ(vund->GetRefreshEntry(2).ID, 0);
}

TEST_F(VundDataTest, SavedStatusItemsAreExactlyTheListNumberedFromOneInTheFileThatWasRead) {
  ASSERT_TRUE(Load(Lines({"; head", "[EcsSettings]", "RefreshTime=200", "Refresh1=Temp", "RefreshID1=0x120", "Refresh2=b",
                          "RefreshID2=2", "RefreshMask2=3", "Refresh3=c", "RefreshID3=3", "Refresh4=d", "RefreshID4=4",
                          "RefreshMask4=4", "Refresh5=e", "RefreshID5=5", "Window1=W", "[MicomInfo]", "Name1=M"})));
  for (int i : {4, 3, 2}) vund->EraseRefreshEntry(i);
  ASSERT_TRUE(vund->SaveRefreshList());
  EXPECT_EQ(dir.Read("vund.dat"), Lines({"; head", "[EcsSettings]", "RefreshTime=200", "Window1=W", "Refresh1=Temp",
                                         "RefreshID1=0x120", "RefreshMask1=65535", "Refresh2=b", "RefreshID2=0x2",
                                         "RefreshMask2=3", "[MicomInfo]", "Name1=M"}));

  // Item 2 has no ID, so it is not taken; items after the gap, a second
  // RefreshID1 and a mask of a missing item must not survive the save either.
  // Names that would lose blanks or quotes on reading go in quotes.
  ASSERT_TRUE(Load(Lines({"[EcsSettings]", "Refresh1=a", "RefreshID1=0x10", "Refresh2=b", "Refresh3=c", "RefreshID3=0x20",
                          "Refresh4=\"\"q\"\"", "RefreshID4=4", "refreshid1=0x99", "RefreshMask7=1", "Refresh9=z",
                          "RefreshID9=9", "RefreshTime=200", "Refresh01=kept", "[MicomInfo]", "Refresh5=other section"})));
  vund->InsertRefreshEntry({" spaced ", 5, 5}, 9);
  ASSERT_TRUE(vund->SaveRefreshList());
  EXPECT_EQ(dir.Read("vund.dat"),
            Lines({"[EcsSettings]", "RefreshTime=200", "Refresh01=kept", "Refresh1=a", "RefreshID1=0x10", "RefreshMask1=65535",
                   "Refresh2=c", "RefreshID2=0x20", "RefreshMask2=65535", "Refresh3=\"\"q\"\"", "RefreshID3=0x4",
                   "RefreshMask3=65535", "Refresh4=\" spaced \"", "RefreshID4=0x5", "RefreshMask4=5", "[MicomInfo]",
                   "Refresh5=other section"}));
  ASSERT_TRUE(Load(dir.Read("vund.dat")));
  EXPECT_EQ(Rows(Refresh()), (Strings{"a 0x10 0xffff", "c 0x20 0xffff", "\"q\" 0x4 0xffff", " spaced  0x5 0x5"}));
  // The file that was read, in any case of its name, is the one rewritten; a
  // file gone since is made again under the usual spelling.
  std::remove(platform::ToOsPath(dir.File("vund.dat")).c_str());
  ASSERT_TRUE(vund->SaveRefreshList());
  EXPECT_NE(dir.Read("Vund.dat").find("Refresh4=\" spaced \"\r\nRefreshID4=0x5\r\nRefreshMask4=5\r\n"), std::string::npos);
}

}  // namespace
