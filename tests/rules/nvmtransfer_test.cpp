// The File menu's NVM flows against the simulated target in-process, with a
// scripted Ui and the two NVM windows answered by a fake.
#include "rules/nvmtransfer.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>

#include "link/targetcontrol.h"
#include "link/workspace.h"
#include "model/nvmimage.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/clock.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "simlink.h"
#include "simtarget.h"
#include "support/recording_services.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace {

using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdOk;
using platform::kIdYes;

// Device 1: 0x000-0x1FF; device 2: 0x100-0x122 (35 bytes, three data lines).
const char kDevices[] =
    "EEPDeviceName1=EEPROM\r\nEEPDeviceType1=1\r\nEEPBackupStart1=0x000\r\nEEPBackupEnd1=0x1FF\r\n"
    "EEPDeviceName2=SMALL\r\nEEPDeviceType2=2\r\nEEPBackupStart2=0x100\r\nEEPBackupEnd2=0x122\r\n";

class FakeDialogs : public ui::NvmDialogs {
 public:
  int SelectTargetNvm(int& index) override {
    ++selectCalls;
    if (selects.empty()) {
      ADD_FAILURE() << "unexpected device choice";
      return kIdCancel;
    }
    const auto answer = selects.front();
    selects.pop_front();
    if (answer.first == kIdOk) index = answer.second;
    return answer.first;
  }
  int ConfirmNvmAccess(const std::string& name, int type, uint32_t start, uint32_t end, bool write) override {
    confirmed.push_back(platform::Format("%s %d 0x%X-0x%X ", name.c_str(), type, start, end) +
                        (write ? "write" : "compare"));
    if (confirms.empty()) {
      ADD_FAILURE() << "unexpected confirmation";
      return kIdCancel;
    }
    const int answer = confirms.front();
    confirms.pop_front();
    return answer;
  }
  int ShowCompareResult(const std::vector<std::string>& lines) override {
    results.push_back(lines);
    return kIdOk;
  }

  std::deque<std::pair<int, int>> selects;  // result, index
  std::deque<int> confirms;
  std::vector<std::string> confirmed;  // "name type start-end write|compare"
  std::vector<std::vector<std::string>> results;
  int selectCalls = 0;
};

// The Start/Stop choice and what the flows switched.
class FakePolling : public ui::PollingSwitch {
 public:
  int StatusWindowChoice() const override { return choice; }
  void SetStatusPolling(bool on) override { (on ? resumes : holds)++; }
  int choice = 0;  // "Start"
  int holds = 0;
  int resumes = 0;
};

// Lets a test change the target between two reads of one flow.
class HookedServices : public testing_support::RecordingServices {
 public:
  void SetProgressMessage(const std::string& text) override {
    RecordingServices::SetProgressMessage(text);
    if (onProgress) onProgress(text);
  }
  std::function<void(const std::string&)> onProgress;
};

SimBytes Pattern(size_t n, uint8_t seed) {
  SimBytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
  return b;
}

std::vector<uint32_t> Values(const SimBytes& bytes) { return std::vector<uint32_t>(bytes.begin(), bytes.end()); }

class NvmTransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui.SetForceEnglish(true);
    ws.services.Set(&services);
  }

  void Start(const std::string& devices = kDevices) {
    dir.Write("vund.dat",
              "[Common]\r\nTimeOutTime=300\r\n[EcsSettings]\r\nMaxECS3DataLength=64\r\n" + devices);
    dir.Write("Vund2.ini", "[Bus]\r\nBusPhysicalLayer=0\r\nComPort=0\r\nBaudRate=6\r\nECSType=2\r\n");
    ASSERT_TRUE(ws.vund.LoadVundData());
    ASSERT_TRUE(ws.settings.LoadSettings());
    target = std::make_unique<SimTarget>(SimProtocol::Ecs3);
    target->AddNvmDevice(1, 0x000, 0x1FF);
    target->AddNvmDevice(2, 0x100, 0x122);
    ASSERT_TRUE(
        tc.ConnectWith(std::make_unique<SimLink>(*target, clock), clock, CurrentLinkSettings(ws.settings, ws.vund)));
  }

  // An image file in the program folder.
  std::string Image(const std::string& name, const NvmImageInfo& info, const std::vector<uint32_t>& data) {
    dir.Write(name, NvmImageFileText(info, data));
    return dir.File(name);
  }
  bool Read(bool verify) { return transfer.ReadNvmImage(verify); }
  bool Write(bool verify) { return transfer.WriteNvmImage(verify); }
  bool Compare() { return transfer.CompareNvmImage(); }

  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi ui;
  HookedServices services;
  FakeDialogs dialogs;
  FakePolling hold;
  platform::VirtualClock clock;
  std::unique_ptr<SimTarget> target;
  Workspace ws{ui};  // goes before the target it talks to
  TTargetControl& tc = ws.TargetControl;
  ui::NvmTransfer transfer{ws, dialogs, &hold};
};

TEST_F(NvmTransferTest, ReadWithVerifySavesTheTargetsBytesInTheFileFormat) {
  Start();
  SimBytes content(35);
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(0xF0 + i);
  ASSERT_TRUE(target->SetNvm(2, 0x100, content));
  dialogs.selects.push_back({kIdOk, 1});
  ui.ExpectSaveFile(dir.File("small"));

  ASSERT_TRUE(Read(true));
  EXPECT_EQ(dir.Read("small.eep"),
            "[NVMInfo]\r\nDeviceName = SMALL\r\nDeviceType = 0x2\r\nDeviceStartID = 0x100\r\nDeviceEndID = 0x122\r\n"
            "\r\n[NVMData]\r\n"
            "00000100 f0 f1 f2 f3 f4 f5 f6 f7 f8 f9 fa fb fc fd fe ff\r\n"
            "00000110 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f\r\n"
            "00000120 10 11 12\r\n");
  EXPECT_EQ(ui.LastFileDialog().filter, "eep files (*.eep)|*.EEP");
  EXPECT_EQ(ui.LastFileDialog().initialDir, dir.Path());
  EXPECT_EQ(services.progressTexts,
            (std::vector<std::string>{"Read NVM Image", "Read NVM Image for verify", "", ""}));
  EXPECT_EQ(hold.holds, 1);
  EXPECT_EQ(hold.resumes, 1);
}

TEST_F(NvmTransferTest, VerifyMismatchAsksAgainAndYesReadsAgain) {
  Start();
  ASSERT_TRUE(target->SetNvm(1, 0, Pattern(0x200, 3)));
  int verifies = 0;
  services.onProgress = [&](const std::string& text) {
    if (text == "Read NVM Image for verify" && ++verifies == 1) target->SetNvm(1, 0x1F0, {0x5A});
  };
  dialogs.selects.push_back({kIdOk, 0});
  ui.ExpectMessage(0x14, kIdYes, "Try again ?").ExpectSaveFile(dir.File("big.EEP"));

  ASSERT_TRUE(Read(true));
  EXPECT_EQ(verifies, 2);
  // ".eep" is looked for with its case: image.EEP gets another extension.
  NvmImageInfo info;
  std::vector<uint32_t> data;
  NvmFileError error;
  std::vector<std::string> lines;
  ASSERT_TRUE(platform::ReadLines(dir.File("big.EEP.eep"), lines));
  ASSERT_TRUE(ReadNvmImageLines(lines, info, data, error));
  EXPECT_EQ(data, Values(target->Nvm(1, 0, 0x200)));
  EXPECT_EQ(data[0x1F0], 0x5Au);
}

TEST_F(NvmTransferTest, ReadEndsWithoutAFileOnNoOrAFailedRead) {
  Start();
  services.onProgress = [&](const std::string& text) {
    if (text == "Read NVM Image for verify") target->SetNvm(1, 0, {static_cast<uint8_t>(target->Nvm(1, 0, 1)[0] + 1)});
  };
  dialogs.selects.push_back({kIdOk, 0});
  ui.ExpectMessage(0x14, kIdNo, "Try again ?");
  EXPECT_FALSE(Read(true));

  // A read the target refuses is in the log; no box, no save dialog.
  services.onProgress = nullptr;
  target->AddFault(SimFault::Error(sim_error::kBoundary));
  dialogs.selects.push_back({kIdOk, 0});
  EXPECT_FALSE(Read(false));
  EXPECT_NE(services.Log().find("Boundary"), std::string::npos) << services.Log();
  EXPECT_EQ(hold.holds, 2);
  EXPECT_EQ(hold.resumes, 2);
}

TEST_F(NvmTransferTest, ARangeLargerThanTheDeviceFailsAtItsEndWithoutTakingItsSizeFirst) {
  // 512 MiB of range: holding it before the first frame took gigabytes.
  Start("EEPDeviceType1=1\r\nEEPBackupStart1=0\r\nEEPBackupEnd1=0x1FFFFFFF\r\n");
  dialogs.selects.push_back({kIdOk, 0});
  EXPECT_FALSE(Read(true));
  EXPECT_NE(services.Log().find("Boundary"), std::string::npos) << services.Log();
}

TEST_F(NvmTransferTest, WriteWithoutVerifyWritesEveryBitAndNeverAsksForAMask) {
  Start();
  dir.Write("any.vma", "0 ff\r\n");
  const std::vector<uint32_t> data = Values(Pattern(35, 0x40));
  ui.ExpectOpenFile(Image("w.eep", {"SMALL", 2, 0x100, 0x122}, data))
      .ExpectMessage(0x40, kIdOk, "Write completed");
  dialogs.confirms.push_back(kIdOk);

  ASSERT_TRUE(Write(false));
  EXPECT_EQ(Values(target->Nvm(2, 0x100, 35)), data);
  EXPECT_EQ(dialogs.confirmed, std::vector<std::string>{" SMALL 2 0x100-0x122 write"});
  EXPECT_EQ(services.progressTexts.front(), "Write NVM Image");
  EXPECT_EQ(services.progressTexts.back(), "");
}

TEST_F(NvmTransferTest, MaskedWriteChangesOnlyTheMaskedBits) {
  Start();
  const SimBytes old = Pattern(32, 0x11);
  ASSERT_TRUE(target->SetNvm(1, 0x00, old));
  const std::vector<uint32_t> data = Values(Pattern(32, 0xA5));
  // Whole bytes, low bits, nothing, high bits: 8 bytes each.
  const auto mask = [](size_t i) -> uint32_t { return i < 8 ? 0xFF : i < 16 ? 0x0F : i < 24 ? 0x00 : 0xF0; };
  dir.Write("m.vma",
            "0 ff ff ff ff ff ff ff ff 0f 0f 0f 0f 0f 0f 0f 0f\r\n"
            "10 00 00 00 00 00 00 00 00 f0 f0 f0 f0 f0 f0 f0 f0\r\n");
  // No type in the header: the device comes from the list, and so its start.
  ui.ExpectOpenFile(Image("w.eep", {"", 0, 0x40, 0x5F}, data))
      .ExpectMessage(0x24, kIdYes, "Do you use MASK file ?")
      .ExpectOpenFile(dir.File("m.vma"))
      .ExpectMessage(0x40, kIdOk, "Write completed");
  dialogs.selects.push_back({kIdOk, 0});

  ASSERT_TRUE(Write(true));
  EXPECT_EQ(ui.LastFileDialog().filter, "mask files (*.vma)|*.VMA");
  const SimBytes now = target->Nvm(1, 0x00, 32);
  for (size_t i = 0; i < 32; ++i) EXPECT_EQ(now[i], ((data[i] & mask(i)) | (old[i] & ~mask(i))) & 0xFF) << i;
  EXPECT_EQ(target->Nvm(1, 0x20, 1)[0], 0xFF);  // nothing past the image
}

TEST_F(NvmTransferTest, WriteVerifyFailureNamesTheAddressAndBothBytes) {
  Start();
  const std::vector<uint32_t> data(35, 0xAB);
  services.onProgress = [&](const std::string& text) {
    if (text == "Read NVM Image") target->SetNvm(2, 0x105, {0x12});
  };
  ui.ExpectOpenFile(Image("w.eep", {"SMALL", 2, 0x100, 0x122}, data))
      .ExpectMessage(0x10, kIdOk, "Verify error \r\nAddress 0x0105, File = 0xAB, NVM = 0x12\r\n");
  dialogs.confirms.push_back(kIdOk);
  EXPECT_FALSE(Write(true));  // no mask files: no question, and no "Write completed"

  // Nor after a read-back that failed.
  target->AddFault(SimFault::None());
  target->AddFault(SimFault::Error(sim_error::kBoundary));
  ui.ExpectOpenFile(dir.File("w.eep"));
  dialogs.confirms.push_back(kIdOk);
  EXPECT_FALSE(Write(true));
}

TEST_F(NvmTransferTest, AMaskThatDoesNotCoverTheImageIsRefused) {
  Start();
  const std::string image = Image("w.eep", {"EEPROM", 1, 0, 0x1F}, std::vector<uint32_t>(32, 0x33));
  dir.Write("short.vma", "0 ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff\r\n1 ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff\r\n");
  dir.Write("empty.vma", "");
  ui.ExpectOpenFile(image)
      .ExpectMessage(0x24, kIdYes)
      .ExpectOpenFile(dir.File("short.vma"))
      .ExpectMessage(0x10, kIdOk, "Number of mask data is not ewual to number of eep data");
  EXPECT_FALSE(Write(true));
  ui.ExpectOpenFile(image)
      .ExpectMessage(0x24, kIdYes)
      .ExpectOpenFile(dir.File("empty.vma"))
      .ExpectMessage(0x10, kIdOk, "Number of mask data is not equal to number of eep data");
  EXPECT_FALSE(Compare());
  // A bad mask line names the line.
  dir.Write("bad.vma", "0 ff ff\r\n1 ff\r\n");
  ui.ExpectOpenFile(image).ExpectMessage(0x24, kIdYes).ExpectOpenFile(dir.File("bad.vma")).ExpectMessage(
      0x10, kIdOk, "Line 1 holds fewer than 16 bytes");
  EXPECT_FALSE(Write(true));
  EXPECT_EQ(target->FrameCount(), 0u);
  EXPECT_TRUE(dialogs.confirmed.empty());
}

TEST_F(NvmTransferTest, CompareReportsDifferencesOrEquality) {
  Start();
  std::vector<uint32_t> data = Values(Pattern(35, 0x60));
  ASSERT_TRUE(target->SetNvm(2, 0x100, Pattern(35, 0x60)));
  const std::string image = Image("c.eep", {"SMALL", 2, 0x100, 0x122}, data);
  ui.ExpectOpenFile(image).ExpectMessage(0x40, kIdOk, "All NVM image is equal to file");
  dialogs.confirms.push_back(kIdOk);
  ASSERT_TRUE(Compare());
  EXPECT_EQ(dialogs.confirmed.back(), " SMALL 2 0x100-0x122 compare");

  ASSERT_TRUE(target->SetNvm(2, 0x101, {0x00}));
  ASSERT_TRUE(target->SetNvm(2, 0x122, {0x01}));
  ui.ExpectOpenFile(image);
  dialogs.confirms.push_back(kIdOk);
  EXPECT_FALSE(Compare());
  ASSERT_EQ(dialogs.results.size(), 1u);
  EXPECT_EQ(dialogs.results[0],
            (std::vector<std::string>{platform::Format("Address 0x0101, File = 0x%02X, NVM = 0x00", data[1]),
                                      platform::Format("Address 0x0122, File = 0x%02X, NVM = 0x01", data[34])}));

  // A short image against a wide device: only its own bytes are read, and
  // the confirmation says so.
  target->ClearFrames();
  ui.ExpectOpenFile(Image("s.eep", {"EEPROM", 1, 0, 0x1FF}, Values(target->Nvm(1, 0, 16))))
      .ExpectMessage(0x31, kIdOk, "The file holds 16 bytes, fewer than its header's range 0x0 - 0x1FF (512 bytes)")
      .ExpectMessage(0x40, kIdOk, "All NVM image is equal to file");
  dialogs.confirms.push_back(kIdOk);
  ASSERT_TRUE(Compare());
  EXPECT_EQ(target->FrameCount(), 1u);
  EXPECT_EQ(dialogs.confirmed.back(), " EEPROM 1 0x0-0xF compare");

  // A failed read is no equality.
  target->AddFault(SimFault::Error(sim_error::kBoundary));
  ui.ExpectOpenFile(image);
  dialogs.confirms.push_back(kIdOk);
  EXPECT_FALSE(Compare());
}

TEST_F(NvmTransferTest, AShortImageIsConfirmedWithItsOwnRangeAndABrokenWriteIsNeverCompleted) {
  Start();
  const std::string image = Image("s.eep", {"EEPROM", 1, 0x10, 0x1FF}, std::vector<uint32_t>(20, 0x5A));
  ui.ExpectOpenFile(image).ExpectMessage(0x31, kIdCancel, "Only 0x10 - 0x23 will be written.");
  EXPECT_FALSE(Write(false));
  EXPECT_EQ(target->FrameCount(), 0u);
  EXPECT_TRUE(dialogs.confirmed.empty());

  // The link goes quiet in the middle of the write.
  target->AddFault(SimFault::Silence(), 100);
  ui.ExpectOpenFile(image)
      .ExpectMessage(0x31, kIdOk, "The file holds 20 bytes")
      .ExpectMessage(0x10, kIdOk, "The NVM write did not complete.\r\nThe range 0x10 - 0x23 may be partly written.");
  dialogs.confirms.push_back(kIdOk);
  EXPECT_FALSE(Write(true));
  EXPECT_EQ(dialogs.confirmed.back(), " EEPROM 1 0x10-0x23 write");
  for (const std::string& text : ui.Shown()) EXPECT_EQ(text.find("Write completed"), std::string::npos);
}

TEST_F(NvmTransferTest, AnImageLargerThanItsDeviceIsRefusedBeforeAnythingIsSent) {
  Start();
  // The header names a 16-byte range but the file holds 17 bytes.
  ui.ExpectOpenFile(Image("a.eep", {"EEPROM", 1, 0x0, 0xF}, std::vector<uint32_t>(17, 1)))
      .ExpectMessage(0x10, kIdOk, "The file holds 17 bytes, more than NVM device EEPROM holds (0x0 - 0xF, 16 bytes)");
  EXPECT_FALSE(Write(false));
  // No device in the header: the chosen device (35 bytes) is too small for 48.
  const std::string image = Image("b.eep", {"", 0, 0, 0}, std::vector<uint32_t>(48, 1));
  ui.ExpectOpenFile(image).ExpectMessage(0x10, kIdOk, "The file holds 48 bytes");
  dialogs.selects.push_back({kIdOk, 1});
  EXPECT_FALSE(Write(false));
  ui.ExpectOpenFile(image).ExpectMessage(0x10, kIdOk, "more than NVM device SMALL holds");
  dialogs.selects.push_back({kIdOk, 1});
  EXPECT_FALSE(Compare());
  EXPECT_EQ(target->FrameCount(), 0u);
  EXPECT_TRUE(dialogs.confirmed.empty());
}

TEST_F(NvmTransferTest, BadImageLinesAreRefusedWithTheirLine) {
  Start();
  dir.Write("bad.eep", "[NVMData]\r\n0 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f\r\n1 00 1ff\r\n");
  ui.ExpectOpenFile(dir.File("bad.eep")).ExpectMessage(0x10, kIdOk, "Line 3: \"1ff\" is not a byte value");
  EXPECT_FALSE(Write(false));
  dir.Write("short.eep", "[NVMData]\r\n0 00 01 02\r\n1 00 01\r\n");
  ui.ExpectOpenFile(dir.File("short.eep")).ExpectMessage(0x10, kIdOk, "Line 2 holds fewer than 16 bytes");
  EXPECT_FALSE(Compare());
  ui.ExpectOpenFile(dir.File("missing.eep")).ExpectMessage(0x10, kIdOk, "Fail to open");
  EXPECT_FALSE(Write(false));
  ui.ExpectOpenFile("");  // cancelled: nothing more
  EXPECT_FALSE(Write(false));
  EXPECT_EQ(target->FrameCount(), 0u);
  EXPECT_EQ(dialogs.selectCalls, 0);
}

TEST_F(NvmTransferTest, UnusableDeviceChoicesAreReportedAndCancel) {
  // An empty list: the dialog is not even shown.
  Start("EEPDeviceType1=0\r\n");
  ui.ExpectMessage(0x10, kIdOk, "No NVM device is set in vund.dat");
  EXPECT_FALSE(Read(false));
  EXPECT_EQ(dialogs.selectCalls, 0);
  EXPECT_EQ(target->FrameCount(), 0u);
}

TEST_F(NvmTransferTest, NoDeviceSelectedOrABackwardRangeCancels) {
  // The single form: start 0x100, end 0.
  Start("EEPDeviceName=ONE\r\nEEPDeviceType=1\r\nEEPBackupStart=0x100\r\n");
  dialogs.selects.push_back({kIdOk, -1});
  ui.ExpectMessage(0x10, kIdOk, "No NVM device is selected");
  EXPECT_FALSE(Read(false));
  dialogs.selects.push_back({kIdOk, 1});
  ui.ExpectMessage(0x10, kIdOk, "No NVM device is selected");
  EXPECT_FALSE(Read(true));
  dialogs.selects.push_back({kIdOk, 0});
  ui.ExpectMessage(0x10, kIdOk, "Check the setting of NVM device ONE");
  EXPECT_FALSE(Read(false));
  dialogs.selects.push_back({kIdCancel, 0});
  EXPECT_FALSE(Read(false));
  // A file whose header range runs backwards is refused the same way.
  ui.ExpectOpenFile(Image("r.eep", {"X", 1, 0x10, 0x1}, {1, 2}))
      .ExpectMessage(0x10, kIdOk, "Check the setting of NVM device X");
  EXPECT_FALSE(Write(false));
  EXPECT_EQ(target->FrameCount(), 0u);
  EXPECT_EQ(hold.holds, 5);
  EXPECT_EQ(hold.resumes, 5);
  // With "Stop" chosen polling stays off afterwards.
  hold.choice = 1;
  ui.ExpectOpenFile("");
  EXPECT_FALSE(Compare());
  EXPECT_EQ(hold.holds, 6);
  EXPECT_EQ(hold.resumes, 5);
}

}  // namespace
