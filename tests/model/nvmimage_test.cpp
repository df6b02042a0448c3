#include "model/nvmimage.h"

#include <gtest/gtest.h>

#include "model/systemfunc.h"
#include "platform/files.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace {

using Lines = std::vector<std::string>;

TEST(NvmImageFile, SixteenBytesALineAndTheSamplesFitTheirDevices) {
  // The exact layout is checked where the read command saves a file.
  NvmImageInfo info{"EEPROM", 1, 0x100, 0x11F};
  std::vector<uint32_t> data(32, 0xAB), back;
  NvmFileError error;
  const Lines lines = BuildNvmImageLines(info, data);
  EXPECT_EQ(lines.back().substr(0, 9), "00000110 ");  // exactly two lines, no empty third
  ASSERT_TRUE(ReadNvmImageLines(lines, info, back, error));
  EXPECT_EQ(back, data);
  EXPECT_EQ(info.DeviceName, " EEPROM");  // the text after "=", blank kept
  for (const char* file : {"EEPROM.eep", "SUB_EEPROM.eep"}) {
    Lines sample;
    ASSERT_TRUE(platform::ReadLines(std::string(VUND2_EXAMPLES) + "/" + file, sample)) << file;
    ASSERT_TRUE(ReadNvmImageLines(sample, info, back, error)) << file;
    EXPECT_EQ(back.size(), info.DeviceEndID + 1u);
    EXPECT_EQ(info.DeviceEndID, info.DeviceType == 1 ? 0x1FFFu : 0x3FFu);
  }
  Lines mask;
  ASSERT_TRUE(platform::ReadLines(std::string(VUND2_EXAMPLES) + "/SUB_EEPROM.vma", mask));
  ASSERT_TRUE(ReadNvmMaskLines(mask, back, error));
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
  ASSERT_TRUE(ReadNvmImageLines({"0 11 22"}, info, data, error));
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

TEST(FindFiles, TheMaskFileSearchTakesOnlyItsExtension) {
  testing_support::TempDir dir;
  for (const char* name : {"b.vma", "a.vma", "c.VMA", "d.vmax", "e.txt"}) dir.Write(name, "x");
  EXPECT_EQ(FindFiles(dir.Path() + "*.vma", 63), (Lines{"a.vma", "b.vma"}));
}

TEST(SaveLines, AnEmptyListLeavesAnEmptyFile) {
  testing_support::TempDir dir;
  testing_support::ScriptedUi ui;
  dir.Write("a.csv", "old");
  ASSERT_TRUE(SaveLinesToFile(dir.File("a.csv"), {}, ui));
  EXPECT_EQ(dir.Read("a.csv"), "");
}

}  // namespace
