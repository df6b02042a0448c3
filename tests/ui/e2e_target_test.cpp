// End to end, as a user sees it: the main window started on a program folder
// of sample files, connected through its settings and the serial port code to
// the simulated set on a pseudo-terminal, served from a thread of the test so
// that the test can look into the set's memory and change it.
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <map>
#include <random>

#include "e2e_fixture.h"
#include "modal_answers.h"
#include "model/nvmimage.h"
#include "rules/regsnapshottransfer.h"
#include "ui/frmcompeepdata.h"
#include "ui/frmeditreg.h"
#include "ui/frmnvmaccess.h"
#include "ui/frmselsnapshotid.h"

namespace {

using e2e::kRefreshMs;
using e2e::RunEventsUntil;
using ui::RegisterGridPresenter;
using ui_test::ModalAnswers;

constexpr uint32_t kVolume = 0x1030;
constexpr uint32_t kSystemState = 0x1000;  // power state, stand-by factor, boot done
constexpr uint32_t kBaudRegister = 0x0F00;

// Gives every register of a definition file a word of its own, except the
// register that switches the line rate.
void ScrambleRegisters(SimTarget& target, const Registers& regs, std::mt19937& random) {
  for (int i = 0; i < regs.GetRegisterCount(); ++i) {
    const ST_REGISTER* reg = regs.GetRegister(static_cast<unsigned>(i));
    if (reg->ID == 0 || reg->ID == kBaudRegister) continue;
    target.SetRegister(reg->ID, static_cast<uint16_t>(random()));
  }
}

SimBytes RandomBytes(size_t count, std::mt19937& random) {
  SimBytes bytes(count);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

std::vector<uint32_t> AsWords(const SimBytes& bytes) { return std::vector<uint32_t>(bytes.begin(), bytes.end()); }

class E2eTargetTest : public e2e::E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    sim = std::make_unique<e2e::ThreadTarget>(folder);
    ASSERT_TRUE(sim->Start());
  }
  void TearDown() override {
    E2eTest::TearDown();
    sim.reset();
  }
  SimTarget& Target() { return sim->target; }

  // Opens the value dialog of the register shown under name with a double
  // click, as a user does.
  void DoubleClickValue(const std::string& name) {
    const auto cell = ValueCell(name);
    ASSERT_NE(cell.first, 0) << name;
    const QModelIndex index = ui_test::GridOf(*window)->model()->index(cell.second, cell.first);
    ui_test::GridOf(*window)->scrollTo(index);
    const QPoint at = ui_test::GridOf(*window)->visualRect(index).center();
    const QPoint global = ui_test::GridOf(*window)->viewport()->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ui_test::GridOf(*window)->viewport(), &press);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ui_test::GridOf(*window)->viewport(), &dbl);
  }

  // An NVM image file of the folder.
  void ReadImage(const std::string& name, NvmImageInfo& info, std::vector<uint32_t>& data) {
    std::vector<std::string> lines;
    ASSERT_TRUE(platform::ReadLines(folder.File(name), lines)) << name;
    NvmFileError error;
    ASSERT_TRUE(ReadNvmImageLines(lines, info, data, error)) << name;
  }

  std::unique_ptr<e2e::ThreadTarget> sim;
};

TEST_F(E2eTargetTest, StartupReadsEverySRegValueIntoTheGridAndPollsTheStatus) {
  std::mt19937 random(13);
  const Registers sregs = e2e::LoadRegisters(folder, "Sreg.dat", false);
  ScrambleRegisters(Target(), sregs, random);
  StartProgram();

  // The "ALL" tab holds every register of the file, each with the set's word.
  EXPECT_EQ(ui_test::TabBarOf(*window)->currentIndex(), 0);
  int values = 0, labels = 0;
  for (const auto& cell : ValueCells()) {
    if (cell.reg->ID == 0) {
      ++labels;
      EXPECT_EQ(cell.text, " ---");
      continue;
    }
    EXPECT_EQ(cell.text, ui::FormatRegisterValue(Target().Register(cell.reg->ID), cell.reg->Mask, false))
        << cell.reg->LongName;
    EXPECT_EQ(cell.backColor, RegisterGridPresenter::kWhite) << cell.reg->LongName;
    ++values;
  }
  EXPECT_GT(labels, 0);
  EXPECT_EQ(values + labels, sregs.GetRegisterCount());
  for (const auto& [id, value] : ws->SRegisters.GetValueMap()) {
    if (id == 0) continue;
    EXPECT_EQ(ws->SRegisters.GetSnapshotValue(id), value) << id;
  }

  // The line went up to the fastest rate vund.dat allows.
  EXPECT_EQ(Target().BaudIndex(), 12);
  EXPECT_EQ(ui::FromQt(ui_test::ComStatusOf(*window)->text()), "COM:Port 2 BaudRate 115200");
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());
  EXPECT_TRUE(MessageLog().empty()) << MessageLog();
}

TEST_F(E2eTargetTest, ValueEditedInTheDialogReachesTheSetAndTheCellStaysWhite) {
  Target().SetRegister(kVolume, 42);
  StartProgram();
  ASSERT_EQ(ValueOf("Volume"), "42");

  ModalAnswers answers;
  answers.Then([](QDialog* d) {
    auto* edit = qobject_cast<TfrmEditReg*>(d);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->windowTitle(), QStringLiteral("Volume"));
    edit->initTimerTimer();
    edit->edtReg->setText(QStringLiteral("60"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(edit->edtReg, &enter);
  });
  DoubleClickValue("Volume");

  EXPECT_EQ(Target().Register(kVolume), 60);
  EXPECT_EQ(ValueOf("Volume"), "60");
  EXPECT_EQ(BackColorOf("Volume"), RegisterGridPresenter::kWhite);
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());
}

TEST_F(E2eTargetTest, ValueChangedInTheSetShowsAquaAfterF5) {
  StartProgram();
  const std::string before = ValueOf("Volume");
  Target().SetRegister(kVolume, 55);
  EXPECT_EQ(ValueOf("Volume"), before);  // nothing reads it by itself

  GridKey(Qt::Key_F5);
  EXPECT_EQ(ValueOf("Volume"), "55");
  EXPECT_EQ(BackColorOf("Volume"), RegisterGridPresenter::kAqua);
  EXPECT_EQ(BackColorOf("Balance"), RegisterGridPresenter::kWhite);
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());
}

TEST_F(E2eTargetTest, ASetThatWasOffAtStartUpFillsTheGridOnceTheComPortDialogConnects) {
  sim->Stop();
  ui.ExpectMessage(0x10, platform::kIdOk, "Fail to open COM Port ! (COM Port = 2)").ExpectComPortDialog(false);
  StartProgram();
  // The box keeps its text; the log says which device and why.
  EXPECT_NE(MessageLog().find(folder.Link() + ": No such file or directory"), std::string::npos) << MessageLog();
  EXPECT_EQ(ValueOf("Volume"), "");

  ASSERT_TRUE(sim->Start());
  Target().SetRegister(kVolume, 60);
  ui.ExpectComPortDialog(true);
  Trigger("mnuComPort");
  EXPECT_EQ(ValueOf("Volume"), "60");
  EXPECT_EQ(BackColorOf("Volume"), RegisterGridPresenter::kWhite);
  EXPECT_EQ(ui::FromQt(ui_test::ComStatusOf(*window)->text()), "COM:Port 2 BaudRate 115200");
  // OK again with nothing changed keeps the working link at its rate.
  const size_t frames = Target().FrameCount();
  ui.ExpectComPortDialog(true);
  Trigger("mnuComPort");
  EXPECT_EQ(ui::FromQt(ui_test::ComStatusOf(*window)->text()), "COM:Port 2 BaudRate 115200");
  EXPECT_EQ(Target().BaudIndex(), 12);
  Target().SetRegister(kVolume, 61);
  GridKey(Qt::Key_F5);
  EXPECT_EQ(ValueOf("Volume"), "61");
  EXPECT_GT(Target().FrameCount(), frames);
}

TEST_F(E2eTargetTest, StatusPollingShowsAChangedStatusRegisterWithinTwoIntervals) {
  Target().SetRegister(kSystemState, 0x0001);  // power state 1, boot not done
  StartProgram();
  ASSERT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());
  EXPECT_EQ(ui_test::StatusWindowOf(*window)->StatusTimer->interval(), kRefreshMs);
  int polls = 0;
  QObject::connect(ui_test::StatusWindowOf(*window)->StatusTimer, &QTimer::timeout, [&polls] { ++polls; });
  // Connected after the status window's own handler: counts finished polls.
  ASSERT_TRUE(RunEventsUntil([&] { return polls >= 1; }));
  EXPECT_EQ(StatusCell(1, 1), "電源状態");
  EXPECT_EQ(StatusCell(1, 2), "1");
  EXPECT_EQ(StatusCell(3, 2), "0");

  Target().SetRegister(kSystemState, 0x8012);  // power state 2, stand-by factor 1, boot done
  const int changedAt = polls;
  ASSERT_TRUE(RunEventsUntil([&] { return StatusCell(1, 2) == "2" || polls >= changedAt + 2; }));
  EXPECT_EQ(StatusCell(1, 2), "2");
  EXPECT_EQ(StatusCell(2, 2), "1");
  EXPECT_EQ(StatusCell(3, 2), "1");
  EXPECT_LE(polls - changedAt, 2);
}

TEST_F(E2eTargetTest, NvmImageReadWithVerifyEqualsTheSetsNvmByteForByte) {
  std::mt19937 random(7);
  const SimBytes nvm = RandomBytes(0x2000, random);  // EEPROM: device 1, 0x0000 - 0x1FFF
  ASSERT_TRUE(Target().SetNvm(1, 0, nvm));
  StartProgram();

  ModalAnswers answers;
  const auto eeprom = [this](QDialog* d) {
    EXPECT_FALSE(ui_test::StatusWindowOf(*window)->IsPolling());
    auto* access = qobject_cast<TfrmNVMAccess*>(d);
    ASSERT_NE(access, nullptr);
    access->initTimerTimer();
    access->cBoxDeviceName->setCurrentIndex(0);
    EXPECT_EQ(ui::FromQt(access->cBoxDeviceName->currentText()), "EEPROM");
    access->btnOkClick();
  };
  answers.Then(eeprom);
  ui.ExpectSaveFile(folder.File("verified"));
  Target().ClearFrames();
  Trigger("mnuNVMRead_With_Verify");
  const size_t verifiedFrames = Target().FrameCount();
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());

  NvmImageInfo info;
  std::vector<uint32_t> data;
  ReadImage("verified.eep", info, data);
  EXPECT_EQ(info.DeviceType, 1);
  EXPECT_EQ(info.DeviceStartID, 0u);
  EXPECT_EQ(info.DeviceEndID, 0x1FFFu);
  EXPECT_EQ(data, AsWords(nvm));

  // The verify is a second read of the whole range.
  answers.Then(eeprom);
  ui.ExpectSaveFile(folder.File("once"));
  Target().ClearFrames();
  Trigger("mnuReadNVM_No_Verify");
  EXPECT_EQ(verifiedFrames, 2 * Target().FrameCount());
  ReadImage("once.eep", info, data);
  EXPECT_EQ(data, AsWords(nvm));
}

TEST_F(E2eTargetTest, MaskedNvmWriteChangesOnlyTheMaskedBits) {
  std::mt19937 random(11);
  const SimBytes before = RandomBytes(0x400, random);  // SUB EEPROM: device 2, 0x000 - 0x3FF
  ASSERT_TRUE(Target().SetNvm(2, 0, before));
  NvmImageInfo info;
  std::vector<uint32_t> image, mask;
  ReadImage("SUB_EEPROM.eep", info, image);
  std::vector<std::string> lines;
  NvmFileError error;
  ASSERT_TRUE(platform::ReadLines(folder.File("SUB_EEPROM.vma"), lines));
  ASSERT_TRUE(ReadNvmMaskLines(lines, mask, error));
  ASSERT_EQ(image.size(), 0x400u);
  ASSERT_EQ(mask.size(), image.size());
  StartProgram();

  ModalAnswers answers;
  answers.Then([](QDialog* d) {
    auto* access = qobject_cast<TfrmNVMAccess*>(d);
    ASSERT_NE(access, nullptr);
    access->initTimerTimer();
    EXPECT_EQ(access->edtEndAddr->text(), QStringLiteral("0x3FF"));
    access->btnOkClick();
  });
  ui.ExpectOpenFile(folder.File("SUB_EEPROM.eep"))
      .ExpectMessage(0x24, platform::kIdYes, "Do you use MASK file ?")
      .ExpectOpenFile(folder.File("SUB_EEPROM.vma"))
      .ExpectMessage(0x40, platform::kIdOk, "Write completed");
  Trigger("mnuWriteNVM_WithVerify");

  const SimBytes after = Target().Nvm(2, 0, 0x400);
  int kept = 0, taken = 0;
  for (size_t i = 0; i < after.size(); ++i) {
    const uint32_t expected = (before[i] & ~mask[i] & 0xFF) | (image[i] & mask[i]);
    EXPECT_EQ(after[i], expected) << "at 0x" << std::hex << i;
    kept += (after[i] != image[i]);
    taken += (after[i] != before[i]);
  }
  // The sample mask leaves whole bytes and half bytes alone.
  EXPECT_GT(kept, 0);
  EXPECT_GT(taken, 0);
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());
}

TEST_F(E2eTargetTest, RegisterValuesSavedToAFileAndRestoredToAFreshSet) {
  std::mt19937 random(5);
  ScrambleRegisters(Target(), e2e::LoadRegisters(folder, "Sreg.dat", false), random);
  ScrambleRegisters(Target(), e2e::LoadRegisters(folder, "Hreg.dat", true), random);
  StartProgram();
  ModalAnswers answers;
  const auto bothFiles = [](QDialog* d) {
    auto* choice = qobject_cast<TfrmSelSnapShotID*>(d);
    ASSERT_NE(choice, nullptr);
    choice->btnOkClick();
  };
  answers.Then(bothFiles);
  ui.ExpectSaveFile(folder.File("values.id")).ExpectMessage(0x40, platform::kIdOk, "Save completed");
  Trigger("mnuSregSave");
  ASSERT_TRUE(window->close());
  CloseProgram();
  std::map<uint32_t, uint16_t> saved;
  bool hasS = false, hasH = false;
  std::vector<RegisterSnapshotItem> items;
  ASSERT_TRUE(ui::LoadRegisterSnapshot(folder.File("values.id"), hasS, hasH, items));
  EXPECT_TRUE(hasS);
  EXPECT_TRUE(hasH);
  for (const RegisterSnapshotItem& item : items) saved[item.ID] = Target().Register(item.ID);

  // A fresh set with the sample values, behind the same port.
  sim = std::make_unique<e2e::ThreadTarget>(folder);
  ASSERT_TRUE(sim->Start());
  StartProgram();
  int differed = 0;
  for (const RegisterSnapshotItem& item : items)
    differed += item.Vrf == 1 && ((Target().Register(item.ID) ^ saved[item.ID]) & item.Mask) != 0;
  EXPECT_GT(differed, 10);
  std::vector<std::string> result;
  answers.Then(bothFiles).Then([&result](QDialog* d) {
    auto* compare = qobject_cast<TfrmCompEEPData*>(d);
    ASSERT_NE(compare, nullptr);
    compare->initTimerTimer();
    result.push_back(ui::FromQt(compare->ResultMemo->toPlainText()));
    compare->done(1);
  });
  ui.ExpectOpenFile(folder.File("values.id"));
  Trigger("mnuSHregWrite");
  ASSERT_EQ(result.size(), 1u);
  EXPECT_EQ(result[0], "");  // every value read back as written

  int sRestored = 0, hRestored = 0;
  for (const RegisterSnapshotItem& item : items) {
    if (item.Vrf != 1) continue;
    const uint16_t mask = static_cast<uint16_t>(item.Mask);
    EXPECT_EQ(Target().Register(item.ID) & mask, saved[item.ID] & mask)
        << item.Name << " 0x" << std::hex << item.ID;
    (item.IsSReg ? sRestored : hRestored) += 1;
  }
  EXPECT_GT(sRestored, 0);
  EXPECT_GT(hRestored, 0);
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());
}

TEST_F(E2eTargetTest, CommandEntryWritesItsRegisterAndLogsSuccess) {
  StartProgram();
  const QList<QAction*> commands = ui_test::CommandMenuOf(*window)->actions();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(ui::FromQt(commands[0]->text()), "NVM初期化");
  Target().ClearFrames();
  commands[0]->trigger();
  EXPECT_EQ(Target().Register(0x0F20), 1);
  EXPECT_NE(MessageLog().find("Success ( NVM初期化 )"), std::string::npos) << MessageLog();
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());
}

}  // namespace
