#include "model/nvmimage.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "model/systemfunc.h"
#include "platform/files.h"
#include "support/scripted_ui.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace {

using Lines = std::vector<std::string>;

TEST(NvmImageFile, WritesHeaderAndSixteenBytesALineAndReadsThemBack) {
  NvmImageInfo info{"EEPROM", 1, 0x100, 0x122};
  std::vector<uint32_t> data(0x23);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint32_t>(i);
  data[0] = 0xAB;
  const std::string text = NvmImageFileText(info, data);
  EXPECT_EQ(text,
            "[NVMInfo]\r\nDeviceName = EEPROM\r\nDeviceType = 0x1\r\nDeviceStartID = 0x100\r\nDeviceEndID = 0x122\r\n\r\n"
            "[NVMData]\r\n"
            "00000100 ab 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f\r\n"
            "00000110 10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f\r\n"
            "00000120 20 21 22\r\n");
  NvmImageInfo got;
  std::vector<uint32_t> back;
  NvmFileError error;
  ASSERT_TRUE(ReadNvmImageLines(platform::SplitLines(text), got, back, error));
  EXPECT_EQ(back, data);
  EXPECT_EQ(got.DeviceName, " EEPROM");  // the text after "=", blank kept
  EXPECT_EQ((std::vector<uint32_t>{uint32_t(got.DeviceType), got.DeviceStartID, got.DeviceEndID}),
            (std::vector<uint32_t>{1, 0x100, 0x122}));
  data.resize(32);  // exactly two lines, no empty third
  EXPECT_EQ(BuildNvmImageLines(info, data).back().substr(0, 9), "00000110 ");

  // The samples fit the sample devices.
  for (const char* file : {"EEPROM.eep", "SUB_EEPROM.eep"}) {
    Lines lines;
    ASSERT_TRUE(platform::ReadLines(std::string(VUND2_EXAMPLES) + "/" + file, lines)) << file;
    ASSERT_TRUE(ReadNvmImageLines(lines, got, back, error)) << file;
    EXPECT_EQ(back.size(), got.DeviceEndID + 1u);
    EXPECT_EQ(got.DeviceEndID, got.DeviceType == 1 ? 0x1FFFu : 0x3FFu);
  }
  Lines lines;
  ASSERT_TRUE(platform::ReadLines(std::string(VUND2_EXAMPLES) + "/SUB_EEPROM.vma", lines));
  ASSERT_TRUE(ReadNvmMaskLines(lines, back, error));
  EXPECT_EQ(back.size(), 0x400u);
}

TEST(NvmImageFile, TheReaderAcceptsLooseFiles) {
  // Keys by substring in any order, one missing; addresses ignored; tabs;
  // extra words past 16 ignored; data ends at the first empty line.
  const Lines lines = {"; made by hand", "  DeviceEndID=  0x1F", "DeviceStartID = 16", "xx [NVMData] xx",
                       "ffffffff 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 99", "0\tA\tb\t0C", "", "00000000 55"};
  NvmImageInfo info;
  std::vector<uint32_t> data;
  NvmFileError error;
  ASSERT_TRUE(ReadNvmImageLines(lines, info, data, error));
  EXPECT_EQ(info.DeviceStartID, 16u);
  EXPECT_EQ(info.DeviceEndID, 0x1Fu);
  ASSERT_EQ(data.size(), 19u);
  EXPECT_EQ((std::vector<uint32_t>{data[15], data[16], data[18]}), (std::vector<uint32_t>{0x0F, 0x0A, 0x0C}));
  // Without "[NVMData]" every line is a data line.
  int first = -1;
  ASSERT_TRUE(ParseNvmImageFile({"0 11 22", "DeviceType = 3"}, first, info, error));
  EXPECT_EQ(first, 0);
  EXPECT_EQ(info.DeviceType, 3);
  ASSERT_TRUE(ReadNvmDataLines({"0 11 22"}, 0, data, error));
  EXPECT_EQ(data, (std::vector<uint32_t>{0x11, 0x22}));
  ASSERT_TRUE(ReadNvmImageLines({"[NVMInfo]", "[NVMData]"}, info, data, error));
  EXPECT_TRUE(data.empty());
}

TEST(NvmImageFile, RefusesLinesThatWouldLeaveBytesUnsetOrWrong) {
  const std::string full = "00000000 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f";
  const struct {
    Lines lines;
    NvmFileError::Kind kind;
    int line;  // 0: read fine
    std::string word;
  } cases[] = {
      {{"[NVMData]", full, "00000010 00 01", full}, NvmFileError::kShortLine, 3, ""},
      {{"[NVMData]", full, "00000010"}, NvmFileError::kShortLine, 0, ""},  // an empty last line is fine
      {{"[NVMData]", full, "00000010 00 100"}, NvmFileError::kBadByte, 3, "100"},
      {{"[NVMData]", "0 0x12"}, NvmFileError::kBadByte, 2, "0x12"},
      {{"[NVMData]", "0 1g"}, NvmFileError::kBadByte, 2, "1g"},
      {{"DeviceType = one", "[NVMData]", full}, NvmFileError::kBadNumber, 1, ""},
  };
  for (const auto& c : cases) {
    NvmImageInfo info;
    std::vector<uint32_t> data;
    NvmFileError error;
    EXPECT_EQ(ReadNvmImageLines(c.lines, info, data, error), c.line == 0) << c.lines.back();
    if (c.line == 0) continue;
    EXPECT_EQ(error.kind, c.kind) << c.lines.back();
    EXPECT_EQ(error.line, c.line) << c.lines.back();
    EXPECT_EQ(error.word, c.word);
    EXPECT_TRUE(data.empty());
  }
  NvmFileError error{NvmFileError::kBadByte, 3, "100"};
  EXPECT_EQ(NvmFileErrorText(error, "/x/a.eep", false), "/x/a.eep\r\nLine 3: \"100\" is not a byte value (00 to ff)");
  error = {NvmFileError::kShortLine, 7, ""};
  EXPECT_NE(NvmFileErrorText(error, "a.eep", false).find("Line 7 holds fewer than 16 bytes"), std::string::npos);
}

TEST(NvmCompare, ComparesOnlyTheMaskedBits) {
  const uint32_t file[] = {0xAB, 0xAB, 0x12, 0x34}, nvm[] = {0xCB, 0xAC, 0x99, 0x35}, mask[] = {0x0F, 0x0F, 0x00, 0xFF};
  EXPECT_EQ(CompareNvmBytes(0x1FFE, file, nvm, mask, 4),
            (Lines{"Address 0x1FFF, File = 0xAB, NVM = 0xAC", "Address 0x2001, File = 0x34, NVM = 0x35"}));
  EXPECT_TRUE(CompareNvmBytes(0, file, file, mask, 4).empty());
}

TEST(FindFiles, ExactExtensionWildcardsAndAttributes) {
  testing_support::TempDir dir;
  for (const char* name : {"b.vma", "a.vma", "c.VMA", "d.vmax", "e.txt", ".h.vma"}) dir.Write(name, "x");
  ASSERT_EQ(mkdir(dir.File("f.vma").c_str(), 0755), 0);
  EXPECT_EQ(FindFiles(dir.Path() + "*.vma", 63), (Lines{".h.vma", "a.vma", "b.vma", "f.vma"}));
  EXPECT_EQ(FindFiles(dir.Path() + "*.VMA", 63), (Lines{"c.VMA"}));
  EXPECT_EQ(FindFiles(dir.Path() + "?.vm*", 63), (Lines{"a.vma", "b.vma", "c.VMA", "d.vmax", "f.vma"}));
  // Without the folder and hidden bits, neither the folder nor the dot file.
  ASSERT_TRUE(platform::SetReadOnly(dir.File("b.vma"), true));
  EXPECT_EQ(FindFiles(dir.Path() + "*.vma", 0x01), (Lines{"a.vma", "b.vma"}));
  EXPECT_EQ(FindFiles(dir.Path() + "*.vma", 0x20), (Lines{"a.vma"}));
  EXPECT_TRUE(FindFiles(dir.Path() + "none/*.vma", 63).empty());
}

TEST(SaveLines, WritesCrLfLinesOrAsksAndKeepsTheOldFile) {
  testing_support::TempDir dir;
  testing_support::ScriptedUi ui;
  ui.SetForceEnglish(true);
  ASSERT_TRUE(SaveLinesToFile(dir.File("a.csv"), {"one", "two"}, ui));
  EXPECT_EQ(dir.Read("a.csv"), "one\r\ntwo\r\n");
  ASSERT_TRUE(SaveLinesToFile(dir.File("a.csv"), {}, ui));
  EXPECT_TRUE(platform::FileExists(dir.File("a.csv")));
  EXPECT_EQ(dir.Read("a.csv"), "");
  dir.Write("old.eep", "old");
  ASSERT_TRUE(platform::SetReadOnly(dir.File("old.eep"), true));
  ui.ExpectMessage(0x15, platform::kIdRetry, "Fail to save").ExpectMessage(0x15, platform::kIdCancel, "old.eep");
  EXPECT_FALSE(SaveLinesToFile(dir.File("old.eep"), {"new"}, ui));
  EXPECT_EQ(dir.Read("old.eep"), "old");
  ASSERT_TRUE(platform::SetReadOnly(dir.File("old.eep"), false));
  ui.ExpectMessage(0x15, platform::kIdCancel, "old.eep");
  {
    testing_support::FileSizeLimit full(2);  // a full disk
    EXPECT_FALSE(SaveLinesToFile(dir.File("old.eep"), {"new"}, ui));
  }
  EXPECT_EQ(dir.Read("old.eep"), "old");
  ui.ExpectMessage(0x15, platform::kIdCancel, "Fail to save");
  EXPECT_FALSE(SaveLinesToFile(dir.File("no/such/folder.eep"), {"new"}, ui));
}

}  // namespace
