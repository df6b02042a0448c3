// The File menu's NVM flows against the simulated target.
#include "rules/nvmtransfer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "model/nvmimage.h"
#include "platform/convert.h"
#include "regsim_fixture.h"

namespace {

using platform::kIdCancel, platform::kIdNo, platform::kIdOk, platform::kIdYes;

// Device 1: 0x000-0x1FF; device 2: 0x100-0x122 (35 bytes, three data lines).
const char kDevices[] =
    "EEPDeviceName1=EEPROM\r\nEEPDeviceType1=1\r\nEEPBackupStart1=0x000\r\nEEPBackupEnd1=0x1FF\r\n"
    "EEPDeviceName2=SMALL\r\nEEPDeviceType2=2\r\nEEPBackupStart2=0x100\r\nEEPBackupEnd2=0x122\r\n";

std::vector<uint32_t> Values(const SimBytes& bytes) { return std::vector<uint32_t>(bytes.begin(), bytes.end()); }

class NvmTransferTest : public regsim::RegSimTest {
 protected:
  void SetUp() override {
    RegSimTest::SetUp();
    target.AddNvmDevice(1, 0x000, 0x1FF);
    target.AddNvmDevice(2, 0x100, 0x122);
    Start(kDevices);
  }
  // Polling is back on after every flow while "Start" is chosen.
  void TearDown() override { EXPECT_EQ(win.switched.size() % 2, 0u); }
  std::string Image(const std::string& name, const NvmImageInfo& info, const std::vector<uint32_t>& data) {
    dir.Write(name, NvmImageFileText(info, data));
    return dir.File(name);
  }

  rules::NvmTransfer transfer{ws, win, &win};
};

TEST_F(NvmTransferTest, ReadSavesTheBytesOnlyWhenTheVerifyReadAgrees) {
  // The first verify read differs: "Yes" reads again, and the second pair is saved.
  ASSERT_TRUE(target.SetNvm(1, 0, ui_sim::Pattern(0x200, 3)));
  int verifies = 0;
  hooked.onProgress = [&](const std::string& text) {
    if (text == "Read NVM Image for verify" && ++verifies == 1) target.SetNvm(1, 0x1F0, {0x5A});
  };
  win.selects.push_back({kIdOk, 0});
  ui.ExpectMessage(0x14, kIdYes, "Try again ?").ExpectSaveFile(dir.File("big.EEP"));
  ASSERT_TRUE(transfer.ReadNvmImage(true));
  EXPECT_EQ(verifies, 2);
  // ".eep" is looked for with its case; the second read's byte is saved.
  EXPECT_NE(dir.Read("big.EEP.eep").find("\r\n000001f0 5a "), std::string::npos);

  // "No", or a read the target refuses (in the log): no file.
  hooked.onProgress = [&](const std::string& text) {
    if (text == "Read NVM Image for verify") target.SetNvm(1, 0, {static_cast<uint8_t>(target.Nvm(1, 0, 1)[0] + 1)});
  };
  win.selects.push_back({kIdOk, 0});
  ui.ExpectMessage(0x14, kIdNo, "Try again ?");
  EXPECT_FALSE(transfer.ReadNvmImage(true));
  hooked.onProgress = nullptr;
  target.AddFault(SimFault::Error(sim_error::kBoundary));
  win.selects.push_back({kIdOk, 0});
  EXPECT_FALSE(transfer.ReadNvmImage(false));
  EXPECT_NE(hooked.Log().find("Boundary"), std::string::npos) << hooked.Log();
}

TEST_F(NvmTransferTest, WriteTakesEveryBitOrOnlyTheMaskedBits) {
  dir.Write("m.vma",
            "0 ff ff ff ff ff ff ff ff 0f 0f 0f 0f 0f 0f 0f 0f\r\n"
            "10 00 00 00 00 00 00 00 00 f0 f0 f0 f0 f0 f0 f0 f0\r\n");
  const SimBytes old = ui_sim::Pattern(32, 0x11);
  ASSERT_TRUE(target.SetNvm(1, 0x00, old));
  const std::vector<uint32_t> data = Values(ui_sim::Pattern(32, 0xA5));
  // Whole bytes, low bits, nothing, high bits: 8 bytes each.
  const auto mask = [](size_t i) -> uint32_t { return i < 8 ? 0xFF : i < 16 ? 0x0F : i < 24 ? 0x00 : 0xF0; };
  // No type in the header: the device comes from the list, and so its start.
  ui.ExpectOpenFile(Image("w.eep", {"", 0, 0x40, 0x5F}, data))
      .ExpectMessage(0x24, kIdYes, "Do you use MASK file ?")
      .ExpectOpenFile(dir.File("m.vma"))
      .ExpectMessage(0x40, kIdOk, "Write completed");
  win.selects.push_back({kIdOk, 0});
  ASSERT_TRUE(transfer.WriteNvmImage(true));
  const SimBytes now = target.Nvm(1, 0x00, 33);
  for (size_t i = 0; i < 32; ++i) EXPECT_EQ(now[i], ((data[i] & mask(i)) | (old[i] & ~mask(i))) & 0xFF) << i;
  EXPECT_EQ(now[32], 0xFF);  // nothing past the image
}

TEST_F(NvmTransferTest, AFailedOrBrokenWriteIsNeverCompleted) {
  const std::string image = Image("w.eep", {"SMALL", 2, 0x100, 0x122}, std::vector<uint32_t>(35, 0xAB));
  hooked.onProgress = [&](const std::string& text) {
    if (text == "Read NVM Image") target.SetNvm(2, 0x105, {0x12});
  };
  ui.ExpectOpenFile(image).ExpectMessage(0x10, kIdOk, "Verify error \r\nAddress 0x0105, File = 0xAB, NVM = 0x12\r\n");
  win.confirms.push_back(kIdOk);
  EXPECT_FALSE(transfer.WriteNvmImage(true));

  // A read-back that failed.
  hooked.onProgress = nullptr;
  target.AddFault(SimFault::None());
  target.AddFault(SimFault::Error(sim_error::kBoundary));
  ui.ExpectOpenFile(image);
  win.confirms.push_back(kIdOk);
  EXPECT_FALSE(transfer.WriteNvmImage(true));

  // A short image is confirmed with its own range; the link goes quiet in
  // the middle of the write, and the progress bar and text are cleared.
  const std::string part = Image("s.eep", {"EEPROM", 1, 0x10, 0x1FF}, std::vector<uint32_t>(200, 0x5A));
  target.AddFault(SimFault::None(), 2);
  target.AddFault(SimFault::Silence(), 100);
  ui.ExpectOpenFile(part)
      .ExpectMessage(0x31, kIdOk, "The file holds 200 bytes")
      .ExpectMessage(0x10, kIdOk, "The NVM write did not complete.\r\nThe range 0x10 - 0xD7 may be partly written.");
  win.confirms.push_back(kIdOk);
  EXPECT_FALSE(transfer.WriteNvmImage(true));
  EXPECT_EQ(win.confirmed.back(), " EEPROM 1 0x10-0xD7 write");
  EXPECT_EQ(hooked.progressPositions.back(), 0);
  EXPECT_EQ(hooked.progressText, "");
}

// Device SMALL (35 bytes) fits in one frame: the bar still has an end (Qt
// shows a maximum of 0 as a busy bar that runs on after the work) and ends empty.
TEST_F(NvmTransferTest, ATransferShorterThanAFrameLeavesAnEmptyIdleBar) {
  const std::string image = Image("w.eep", {"SMALL", 2, 0x100, 0x122}, std::vector<uint32_t>(35, 0x3C));
  const auto expectIdleBar = [this](const char* flow) {
    EXPECT_GT(hooked.progressMax, 0) << flow;
    EXPECT_EQ(hooked.progressPositions.back(), 0) << flow;
    hooked.progressMax = 0;
  };
  ui.ExpectOpenFile(image).ExpectMessage(0x40, kIdOk, "Write completed");
  win.confirms.push_back(kIdOk);
  ASSERT_TRUE(transfer.WriteNvmImage(true));
  expectIdleBar("write");
  win.selects.push_back({kIdOk, 1});
  ui.ExpectSaveFile(dir.File("r.eep"));
  ASSERT_TRUE(transfer.ReadNvmImage(false));
  expectIdleBar("read");
}

TEST_F(NvmTransferTest, CompareReportsDifferencesOrEquality) {
  const std::vector<uint32_t> data = Values(ui_sim::Pattern(35, 0x60));
  ASSERT_TRUE(target.SetNvm(2, 0x100, ui_sim::Pattern(35, 0x60)));
  const std::string image = Image("c.eep", {"SMALL", 2, 0x100, 0x122}, data);
  ASSERT_TRUE(target.SetNvm(2, 0x101, {0x00}));
  ASSERT_TRUE(target.SetNvm(2, 0x122, {0x01}));
  ui.ExpectOpenFile(image);
  win.confirms.push_back(kIdOk);
  EXPECT_FALSE(transfer.CompareNvmImage());
  EXPECT_EQ(win.results,
            (std::vector<std::vector<std::string>>{
                {platform::Format("Address 0x0101, File = 0x%02X, NVM = 0x00", data[1]),
                 platform::Format("Address 0x0122, File = 0x%02X, NVM = 0x01", data[34])}}));

  // A short image against a wide device: only its own bytes are read.
  target.ClearFrames();
  ui.ExpectOpenFile(Image("s.eep", {"EEPROM", 1, 0, 0x1FF}, Values(target.Nvm(1, 0, 16))))
      .ExpectMessage(0x31, kIdOk, "The file holds 16 bytes, fewer than its header's range 0x0 - 0x1FF (512 bytes)")
      .ExpectMessage(0x40, kIdOk, "All NVM image is equal to file");
  win.confirms.push_back(kIdOk);
  ASSERT_TRUE(transfer.CompareNvmImage());
  EXPECT_EQ(target.FrameCount(), 1u);

  // A failed read is no equality.
  target.AddFault(SimFault::Error(sim_error::kBoundary));
  ui.ExpectOpenFile(image);
  win.confirms.push_back(kIdOk);
  EXPECT_FALSE(transfer.CompareNvmImage());
}

TEST_F(NvmTransferTest, UnusableFilesAndMasksAreRefusedBeforeAnythingIsSent) {
  Image("big.eep", {"EEPROM", 1, 0x0, 0xF}, std::vector<uint32_t>(17, 1));
  Image("nodev.eep", {"", 0, 0, 0}, std::vector<uint32_t>(48, 1));  // device SMALL (35 bytes) chosen
  Image("back.eep", {"X", 1, 0x10, 0x1}, {1, 2});
  Image("w.eep", {"EEPROM", 1, 0, 0x1F}, std::vector<uint32_t>(32, 0x33));
  const std::string ff = " ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff";
  struct Case {
    const char* file;
    const char* mask;  // m.vma when not null
    bool write;
    const char* message;
  };
  const Case cases[] = {
      {"missing.eep", nullptr, true, "Fail to open"},
      {"big.eep", nullptr, true, "The file holds 17 bytes, more than NVM device EEPROM holds (0x0 - 0xF, 16 bytes)"},
      {"nodev.eep", nullptr, true, "The file holds 48 bytes, more than NVM device SMALL holds"},
      {"back.eep", nullptr, true, "Check the setting of NVM device X"},
      {"w.eep", "", false, "Number of mask data is not equal to number of eep data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ui.ExpectOpenFile(dir.File(c.file));
    if (c.mask) {
      dir.Write("m.vma", c.mask);
      ui.ExpectMessage(0x24, kIdYes).ExpectOpenFile(dir.File("m.vma"));
    }
    ui.ExpectMessage(0x10, kIdOk, c.message);
    if (std::string(c.file) == "nodev.eep") win.selects.push_back({kIdOk, 1});
    EXPECT_FALSE(c.write ? transfer.WriteNvmImage(c.mask != nullptr) : transfer.CompareNvmImage());
    std::filesystem::remove(dir.File("m.vma"));
  }
  // A mask one byte short.
  dir.Write("m.vma", "0" + ff + " ff\r\n1" + ff + "\r\n");
  ui.ExpectOpenFile(dir.File("w.eep")).ExpectMessage(0x24, kIdYes).ExpectOpenFile(dir.File("m.vma"));
  ui.ExpectMessage(0x10, kIdOk, "Number of mask data is not ewual to number of eep data");
  EXPECT_FALSE(transfer.WriteNvmImage(true));
  EXPECT_EQ(target.FrameCount(), 0u);
  EXPECT_TRUE(win.confirmed.empty());
}

TEST_F(NvmTransferTest, UnusableDeviceChoicesAnEmptyListOrAHugeRangeFailWithAMessage) {
  // The single form: start 0x100, end 0.
  Start("EEPDeviceName=ONE\r\nEEPDeviceType=1\r\nEEPBackupStart=0x100\r\n");
  const std::pair<int, int> choices[] = {{kIdOk, -1}, {kIdOk, 1}, {kIdOk, 0}, {kIdCancel, 0}};
  const char* const messages[] = {"No NVM device is selected", "No NVM device is selected",
                                  "Check the setting of NVM device ONE", nullptr};
  for (int i = 0; i < 4; ++i) {
    win.selects.push_back(choices[i]);
    if (messages[i]) ui.ExpectMessage(0x10, kIdOk, messages[i]);
    EXPECT_FALSE(transfer.ReadNvmImage(i == 1)) << i;
  }
  EXPECT_EQ(target.FrameCount(), 0u);

  // An empty list is reported without the choice (the fake fails one it was not told of).
  Start("EEPDeviceType1=0\r\n");
  ui.ExpectMessage(0x10, kIdOk, "No NVM device is set in vund.dat");
  EXPECT_FALSE(transfer.ReadNvmImage(false));

  // More than a transfer can count: the message names the limit.
  Start("EEPDeviceType=1\r\nEEPBackupEnd=0xFFFFFFFE\r\n");
  win.selects.push_back({kIdOk, 0});
  ui.ExpectMessage(0x10, kIdOk, "NVM\r\nThe address range must not exceed 0x7FFFFFFF bytes");
  EXPECT_FALSE(transfer.ReadNvmImage(false));

  // 512 MiB of range fails at its end: holding it before the first frame took
  // gigabytes. The progress bar does not stay where the read stopped.
  Start("EEPDeviceType1=1\r\nEEPBackupStart1=0\r\nEEPBackupEnd1=0x1FFFFFFF\r\n");
  win.selects.push_back({kIdOk, 0});
  EXPECT_FALSE(transfer.ReadNvmImage(true));
  EXPECT_NE(hooked.Log().find("Boundary"), std::string::npos) << hooked.Log();
  EXPECT_EQ(hooked.progressPositions.back(), 0);
}

}  // namespace
