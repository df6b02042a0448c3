// The main window as a whole, offscreen, against the simulated set made from
// the sample files: menus and keys reach the grid, the status window, the
// register commands, the register value files, the NVM transfer, the table
// window and the analyzer, and their effect shows on the target and on screen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "link/targetcontrol.h"
#include "link/workspace.h"
#include "modal_answers.h"
#include "model/nvmimage.h"
#include "model/registers.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "simlink.h"
#include "simtarget.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "ui/formtable.h"
#include "ui/frmanalyzer.h"
#include "ui/frmcompeepdata.h"
#include "ui/frmeditreg.h"
#include "ui/frminiedit.h"
#include "mainwindow_parts.h"
#include "ui/frmmain.h"
#include "ui/frmnvmaccess.h"
#include "ui/frmsearchdlg.h"
#include "ui/frmselsnapshotid.h"
#include "ui/micomversionpage.h"
#include "ui/registergrid.h"
#include "ui/registergridtabcontrol.h"
#include "ui/statuswindow.h"
#include "ui/textconv.h"

namespace {

using ui::RegisterGridPresenter;

std::string ReadExample(const std::string& name) {
  std::string bytes;
  platform::ReadFileBytes(std::string(VUND2_EXAMPLES) + "/" + name, bytes);
  return bytes;
}

using ui_test::ModalAnswers;

class WiringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui.SetForceEnglish(true);
    for (const char* name : {"Sreg.dat", "Hreg.dat", "vund.dat", "Table.dat"}) dir.Write(name, ReadExample(name));
    dir.Write("Vund2.ini", "[Bus]\r\nBusPhysicalLayer=0\r\nComPort=1\r\nBaudRate=6\r\nECSType=2\r\n");
    target = std::make_unique<SimTarget>(SimProtocol::Ecs3);
    ASSERT_TRUE(target->LoadVundData(dir.File("vund.dat")));
    ASSERT_TRUE(target->LoadRegisterFile(dir.File("Sreg.dat"), false));
    ASSERT_TRUE(target->LoadRegisterFile(dir.File("Hreg.dat"), true));
    window = std::make_unique<TFrmMain>(ws);
    window->Controller().SetTargetConnector([this] {
      return ws.TargetControl.ConnectWith(std::make_unique<SimLink>(*target, clock), clock,
                                          CurrentLinkSettings(ws.settings, ws.vund));
    });
  }

  RegisterGridPresenter& Grid() { return ui_test::GridOf(*window)->Presenter(); }

  // The value cell of the register shown under name; column 0 when absent.
  std::pair<int, int> ValueCell(const std::string& name) {
    for (int c = 1; c + 1 < Grid().ColCount(); c += 2)
      for (int r = 1; r < Grid().RowCount(); ++r)
        if (Grid().CellText(c, r) == name) return {c + 1, r};
    return {0, 0};
  }
  std::string ValueOf(const std::string& name) {
    const auto cell = ValueCell(name);
    return Grid().CellText(cell.first, cell.second);
  }
  std::string CurrentName() { return Grid().CellText(Grid().Col() - 1, Grid().Row()); }

  void Key(QWidget* w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(w, &press);
  }
  void GridKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Key(ui_test::GridOf(*window), key, modifiers);
  }

  void Trigger(const char* item) {
    QAction* a = window->MenuAction(item);
    ASSERT_NE(a, nullptr) << item;
    a->trigger();
  }

  std::string StatusCell(int row, int col) { return ui_test::StatusWindowOf(*window)->CellText(row, col); }

  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi ui;
  platform::VirtualClock clock;
  std::unique_ptr<SimTarget> target;
  Workspace ws{ui};  // goes before the target it talks to
  std::unique_ptr<TFrmMain> window;
};

TEST_F(WiringTest, StartupFillsTheGridAndTheStatusWindowPollsAndReadsTheVersions) {
  target->SetRegister(0x1030, 42);      // Volume
  target->SetRegister(0x1000, 0x8012);  // power state 2, stand-by factor 1, boot done
  window->RunStartupNow("");

  EXPECT_EQ(ValueOf("Volume"), "42");
  EXPECT_EQ(ValueOf("<<WB>>"), " ---");  // a label has no value
  EXPECT_EQ(CurrentName(), "<<システム状態>>");
  EXPECT_EQ(Grid().LookOf(ValueCell("Volume").first, ValueCell("Volume").second).backColor,
            RegisterGridPresenter::kWhite);
  ASSERT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());

  ui_test::StatusWindowOf(*window)->StatusTimerTimer();
  EXPECT_EQ(StatusCell(1, 1), "電源状態");
  EXPECT_EQ(StatusCell(1, 2), "2");
  EXPECT_EQ(StatusCell(2, 2), "1");
  EXPECT_EQ(StatusCell(3, 2), "1");
  target->SetRegister(0x1000, 0x0003);
  ui_test::StatusWindowOf(*window)->StatusTimerTimer();
  EXPECT_EQ(StatusCell(1, 2), "3");
  EXPECT_EQ(StatusCell(3, 2), "0");

  ui_test::StatusWindowOf(*window)->StatusPage->setCurrentIndex(1);
  ASSERT_FALSE(ui_test::MicomPageOf(*window)->Names().empty());
  EXPECT_EQ(ui_test::MicomPageOf(*window)->Names()[0], "メインソフト");
}

TEST_F(WiringTest, ValueEditedInTheDialogReachesTheTarget) {
  target->SetRegister(0x1030, 42);  // Volume
  window->resize(920, 600);
  window->show();
  window->RunStartupNow("");
  const auto volume = ValueCell("Volume");
  const QModelIndex index = ui_test::GridOf(*window)->model()->index(volume.second, volume.first);
  ui_test::GridOf(*window)->scrollTo(index);
  const QPoint at = ui_test::GridOf(*window)->visualRect(index).center();
  const QPoint global = ui_test::GridOf(*window)->viewport()->mapToGlobal(at);

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
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(ui_test::GridOf(*window)->viewport(), &press);
  EXPECT_EQ(ui::FromQt(ui_test::TabsOf(*window)->RegisterStatusPanels[0]->text()).rfind("音量  ID : 0x00001030", 0),
            0u);
  QMouseEvent dbl(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(ui_test::GridOf(*window)->viewport(), &dbl);

  EXPECT_EQ(target->Register(0x1030), 60);
  EXPECT_EQ(ValueOf("Volume"), "60");
  // The written value is now the target's; only a read that differs from
  // the snapshot marks the cell.
  EXPECT_EQ(Grid().LookOf(volume.first, volume.second).backColor, RegisterGridPresenter::kWhite);

  // The register line follows the grid to the other file: no stale register.
  Trigger("mnuHregEdit");
  const std::string line = ui::FromQt(ui_test::TabsOf(*window)->RegisterStatusPanels[0]->text());
  EXPECT_EQ(line.find("音量"), std::string::npos) << line;
  const int shown = Grid().RegisterAt(Grid().Col() - 1, Grid().Row());
  const ST_REGISTER* current = ws.HRegisters.GetRegister(static_cast<unsigned>(shown));
  EXPECT_EQ(line, current ? ui::FormatRegisterStatus(*current, 2) : std::string());
}

TEST_F(WiringTest, GridKeysRunTheRegisterCommands) {
  window->RunStartupNow("");
  const uint32_t volumeId = 0x1030;
  target->SetRegister(volumeId, 55);

  // F5 reads every value again; the changed one is marked.
  GridKey(Qt::Key_F5);
  EXPECT_EQ(ValueOf("Volume"), "55");
  EXPECT_EQ(Grid().LookOf(ValueCell("Volume").first, ValueCell("Volume").second).backColor,
            RegisterGridPresenter::kAqua);
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());

  // A letter searches forward by the first character, Shift backward.
  GridKey(Qt::Key_V);
  EXPECT_EQ(CurrentName(), "Volume");
  GridKey(Qt::Key_S, Qt::ShiftModifier);
  EXPECT_EQ(CurrentName(), "Sharpness");
  GridKey(Qt::Key_V);

  // Delete asks, then the register leaves the list and the grid.
  ui.ExpectMessage(0x24, platform::kIdYes, "Do you delete 音量 ?");
  GridKey(Qt::Key_Delete);
  EXPECT_EQ(ValueCell("Volume").first, 0);
  EXPECT_EQ(CurrentName(), "Balance");

  // Insert adds a register before the current one with the target's value.
  target->SetRegister(0x1040, 7);
  ModalAnswers answers;
  answers.Then([](QDialog* d) {
    auto* editor = qobject_cast<TfrmIniEdit*>(d);
    ASSERT_NE(editor, nullptr);
    editor->SetCellText(0, "New Reg");
    editor->SetCellText(1, "NEWREG");
    editor->SetCellText(2, "0x1040");
    editor->Button1->click();
  });
  GridKey(Qt::Key_Insert);
  EXPECT_EQ(ValueOf("NEWREG"), "7");
  const auto added = ValueCell("NEWREG");
  EXPECT_EQ(Grid().CellText(added.first - 1, added.second + 1), "Balance");
  EXPECT_EQ(
      ws.SRegisters.GetRegister(static_cast<unsigned>(Grid().RegisterAt(added.first - 1, added.second)))->LongName,
      "New_Reg");
}

TEST_F(WiringTest, CopiedRegisterIsWhatTheStatusWindowPastes) {
  window->RunStartupNow("");
  ui_test::StatusWindowOf(*window)->StatusTimerTimer();
  GridKey(Qt::Key_T);
  ASSERT_EQ(CurrentName(), "Temperature");
  GridKey(Qt::Key_C, Qt::ControlModifier);
  Trigger("mnuSatsuItemInsert");
  EXPECT_EQ(StatusCell(1, 1), "内部温度");
  EXPECT_EQ(StatusCell(2, 1), "電源状態");

  // Ctrl+V pastes the same register into the grid before the current one.
  const int before = ws.SRegisters.GetRegisterCount();
  GridKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(ws.SRegisters.GetRegisterCount(), before + 1);
}

TEST_F(WiringTest, HRegViewHexDisplayAndTabPopup) {
  target->SetRegister(0x2000, 0x1234);
  window->RunStartupNow("");
  Trigger("mnuHregEdit");
  EXPECT_EQ(ui::FromQt(ui_test::TabBarOf(*window)->tabText(1)), "ハード設定");
  EXPECT_EQ(ValueOf("デバイスID"), "4660");
  EXPECT_EQ(ws.HRegisters.GetSnapshotValue(0x2000), 0x1234);

  // The H values are read once in a run.
  const size_t frames = target->FrameCount();
  Trigger("mnuEditSreg");
  EXPECT_NE(ValueCell("Volume").first, 0);
  Trigger("mnuHregEdit");
  EXPECT_EQ(target->FrameCount(), frames);

  // Hex display reaches the grid and the status window.
  target->SetRegister(0x1003, 0xABC);
  ui_test::StatusWindowOf(*window)->StatusTimerTimer();
  Trigger("mnuHexDeci");
  EXPECT_EQ(ValueOf("デバイスID"), "0x1234");
  EXPECT_EQ(StatusCell(6, 1), "エラーコード");
  EXPECT_EQ(StatusCell(6, 2), "0xABC");
  Trigger("mnuHexDeci");
  EXPECT_EQ(StatusCell(6, 2), "2748");

  ui_test::TabBarOf(*window)->setCurrentIndex(2);
  ui.ExpectInput("回路");
  Trigger("mnuTabNameChange");
  EXPECT_EQ(ui::FromQt(ui_test::TabBarOf(*window)->tabText(2)), "回路");
  std::vector<std::string> names;
  ws.HRegisters.GetTabNames(names);
  EXPECT_EQ(names.at(1), "回路");
}

TEST_F(WiringTest, SearchDialogThenF3AndShiftF3) {
  window->RunStartupNow("");
  ModalAnswers answers;
  answers.Then([](QDialog* d) {
    auto* search = qobject_cast<TFrmSearchDlg*>(d);
    ASSERT_NE(search, nullptr);
    search->SearchCBox->setEditText(QStringLiteral("gain"));
    search->btnNextSearchClick();
  });
  Trigger("mnuSearch");
  EXPECT_EQ(CurrentName(), "R_Gain");
  GridKey(Qt::Key_F3);
  EXPECT_EQ(CurrentName(), "G_Gain");
  GridKey(Qt::Key_F3);
  GridKey(Qt::Key_F3);
  EXPECT_EQ(CurrentName(), "TunerGain");
  GridKey(Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_EQ(CurrentName(), "B_Gain");
  // The dialog offers what was searched for.
  answers.Then([](QDialog* d) {
    auto* again = qobject_cast<TFrmSearchDlg*>(d);
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(again->SearchCBox->count(), 1);
    EXPECT_EQ(again->SearchCBox->itemText(0), QStringLiteral("gain"));
    again->btnCancelClick();
  });
  Trigger("mnuSearch");
}

TEST_F(WiringTest, RegisterFileFromAnotherFolderIsLoadedAndSavedThere) {
  std::filesystem::create_directories(dir.File("other"));
  dir.Write("other/MySreg.dat", ReadExample("Sreg.dat"));
  dir.Write("Vund2.ini", "[File]\r\nLastSregFile=" + dir.File("other/MySreg.dat") + "\r\nLastHregFile=Hreg.dat\r\n");
  window->Controller().SetTargetConnector([] { return false; });
  window->RunStartupNow("");
  EXPECT_NE(ui::FromQt(window->windowTitle()).find("S_REG : MySreg "), std::string::npos);
  EXPECT_GT(ws.SRegisters.GetRegisterCount(), 0);

  ws.SRegisters.AddTab("NEWTAB");
  ui.ExpectMessage(0x23, platform::kIdYes, "MySreg").ExpectMessage(0x40, platform::kIdOk);
  EXPECT_TRUE(window->close());
  EXPECT_NE(dir.Read("other/MySreg.dat").find("NEWTAB"), std::string::npos);
  EXPECT_FALSE(platform::FileExists(dir.File("MySreg.dat")));
  EXPECT_EQ(dir.Read("Sreg.dat").find("NEWTAB"), std::string::npos);
}

TEST_F(WiringTest, NvmWriteAndCompareFromTheFileMenu) {
  window->RunStartupNow("");
  NvmImageInfo info;
  info.DeviceName = "SUB EEPROM";
  info.DeviceType = 2;
  info.DeviceStartID = 0;
  info.DeviceEndID = 0x1F;
  std::vector<uint32_t> image(32);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint32_t>(i * 5 + 1);
  dir.Write("image.eep", NvmImageFileText(info, image));

  ModalAnswers answers;
  const auto confirm = [this](QDialog* d) {
    EXPECT_FALSE(ui_test::StatusWindowOf(*window)->IsPolling());
    auto* access = qobject_cast<TfrmNVMAccess*>(d);
    ASSERT_NE(access, nullptr);
    access->btnOkClick();
  };
  answers.Then(confirm);
  ui.ExpectOpenFile(dir.File("image.eep")).ExpectMessage(0x40, platform::kIdOk, "Write completed");
  Trigger("mnuWriteNVM_WithoutVerify");
  const SimBytes written = target->Nvm(2, 0, 32);
  EXPECT_EQ(std::vector<uint32_t>(written.begin(), written.end()), image);
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());

  answers.Then(confirm);
  ui.ExpectOpenFile(dir.File("image.eep")).ExpectMessage(0x40, platform::kIdOk, "All NVM image is equal to file");
  Trigger("mnuNVMComp");
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());
  EXPECT_FALSE(window->Controller().Busy());
}

TEST_F(WiringTest, RegisterValuesSavedToAFileAndWrittenBack) {
  target->SetRegister(0x1018, 0x123);  // R_Gain, verified
  window->RunStartupNow("");
  ModalAnswers answers;
  const auto bothFiles = [](QDialog* d) {
    auto* choice = qobject_cast<TfrmSelSnapShotID*>(d);
    ASSERT_NE(choice, nullptr);
    choice->btnOkClick();
  };
  answers.Then(bothFiles);
  ui.ExpectSaveFile(dir.File("values.id")).ExpectMessage(0x40, platform::kIdOk, "Save completed");
  Trigger("mnuSregSave");
  EXPECT_EQ(target->Register(0x0F30), 1);  // the pre-command
  EXPECT_NE(dir.Read("values.id").find("[Hreg]"), std::string::npos);

  target->SetRegister(0x1018, 5);
  std::vector<std::string> result;
  answers.Then(bothFiles).Then([&result](QDialog* d) {
    auto* window = qobject_cast<TfrmCompEEPData*>(d);
    ASSERT_NE(window, nullptr);
    window->initTimerTimer();
    result.push_back(ui::FromQt(window->ResultMemo->toPlainText()));
    window->done(1);
  });
  ui.ExpectOpenFile(dir.File("values.id"));
  Trigger("mnuSHregWrite");
  EXPECT_EQ(target->Register(0x1018), 0x123);
  EXPECT_EQ(target->Register(0x0F30), 0);  // the post-command
  ASSERT_EQ(result.size(), 1u);
  EXPECT_EQ(result[0], "");  // every value read back as written
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());
}

TEST_F(WiringTest, TableWindowAndAnalyzerHoldPollingWhileTheyComeUp) {
  window->RunStartupNow("");
  TFormTable table(window.get(), ws);
  QObject::connect(window.get(), &TFrmMain::TableWindowRequested, &table, &TFormTable::ShowTable);
  Trigger("mnuTableEdit");
  EXPECT_TRUE(table.isVisible());
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());  // polling goes on beside the table window
  table.hide();

  ui_test::StatusWindowOf(*window)->SetStatusWindowChoice(1);
  ui_test::StatusWindowOf(*window)->SetStatusPolling(false);
  Trigger("mnuTableEdit");
  EXPECT_FALSE(ui_test::StatusWindowOf(*window)->IsPolling());
  ui_test::StatusWindowOf(*window)->SetStatusWindowChoice(0);
  ui_test::StatusWindowOf(*window)->SetStatusPolling(true);

  ModalAnswers answers;
  target->ClearFrames();
  answers.Then([this](QDialog* d) {
    EXPECT_FALSE(ui_test::StatusWindowOf(*window)->IsPolling());
    EXPECT_TRUE(window->Controller().Busy());
    auto* line = d->findChild<QLineEdit*>(QStringLiteral("edtSendCmmd"));
    ASSERT_NE(line, nullptr);
    line->setText(QStringLiteral("F0 00 03"));
    qobject_cast<TFrmAlalyzer*>(d)->SendCommand();
    d->done(0);
  });
  Trigger("mnuAnalyzer");
  ASSERT_GE(target->FrameCount(), 1u);
  EXPECT_EQ(target->Frames()[0].bytes.at(0), 0xF0);
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());
  EXPECT_FALSE(window->Controller().Busy());
}

}  // namespace

namespace {

TEST_F(WiringTest, TheScriptCommandRunsAScriptThatWritesAndReadsTheTarget) {
  window->RunStartupNow("");
  target->SetRegister(0x1031, 7);
  dir.Write("t.jsc",
            "func main(args, count) {\n"
            "  var v;\n"
            "  busReadReg(0x1031, v);\n"
            "  busWriteReg(0x1032, v + 5);\n"
            "  return 0;\n"
            "}\n");
  ui.ExpectOpenFile(dir.File("t.jsc"));
  Trigger("mnuScriptRun");
  // The bus calls run on this thread: serve it until the script has written.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (target->Register(0x1032) != 12 && std::chrono::steady_clock::now() < deadline) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(target->Register(0x1032), 12);
  EXPECT_FALSE(ui_test::StatusWindowOf(*window)->IsPolling());  // held off while the script runs
}

}  // namespace
