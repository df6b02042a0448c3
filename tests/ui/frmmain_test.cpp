// The main window as a whole, offscreen, against the simulated set made from
// the sample files: menus and keys reach the grid, the status window, the
// register commands, the register value files, the analyzer and scripts;
// fonts and the close.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <memory>

#include "link/targetcontrol.h"
#include "link/workspace.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "qt_helpers.h"
#include "simlink.h"
#include "simtarget.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "ui/frmanalyzer.h"
#include "ui/frmcompeepdata.h"
#include "ui/frmeditreg.h"
#include "ui/frminiedit.h"
#include "ui/frmsearchdlg.h"
#include "ui/registergridtabcontrol.h"
#include "ui/textconv.h"

namespace {

using testing_support::ScopedEnv;
using rules::RegisterGridPresenter;
using ui_test::ModalAnswers;

std::string ReadExample(const std::string& name) {
  std::string bytes;
  platform::ReadFileBytes(std::string(VUND2_EXAMPLES) + "/" + name, bytes);
  return bytes;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui.SetForceEnglish(true);
    for (const char* name : {"Sreg.dat", "Hreg.dat", "vund.dat", "Table.dat"}) dir.Write(name, ReadExample(name));
    dir.Write("Vund2.ini", "[Bus]\r\nBusPhysicalLayer=0\r\nComPort=1\r\nBaudRate=6\r\nECSType=2\r\n");
    NewWindow();
  }

  // A main window in place of the one there was, without a target.
  void NewWindow() {
    window.reset();
    window = std::make_unique<TFrmMain>(ws);
    window->Controller().SetTargetConnector([] { return false; });
  }

  // Start-up then connects to a simulated ECS3 set made from the sample files.
  void UseTarget(SimProtocol protocol = SimProtocol::Ecs3) {
    target = std::make_unique<SimTarget>(protocol);
    ASSERT_TRUE(target->LoadVundData(dir.File("vund.dat")));
    ASSERT_TRUE(target->LoadRegisterFile(dir.File("Sreg.dat"), false));
    ASSERT_TRUE(target->LoadRegisterFile(dir.File("Hreg.dat"), true));
    window->Controller().SetTargetConnector([this] {
      return ws.TargetControl.ConnectWith(std::make_unique<SimLink>(*target, clock), clock,
                                          CurrentLinkSettings(ws.settings, ws.vund));
    });
  }

  RegisterGridPresenter& Grid() { return ui_test::GridOf(*window)->Presenter(); }
  TStatusWindow* Status() { return ui_test::StatusWindowOf(*window); }
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
  int BackColorOf(const std::string& name) {
    const auto cell = ValueCell(name);
    return Grid().LookOf(cell.first, cell.second).backColor;
  }
  std::string CurrentName() { return Grid().CellText(Grid().Col() - 1, Grid().Row()); }
  void GridKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(ui_test::GridOf(*window), &press);
  }
  void Trigger(const char* item) {
    QAction* a = window->MenuAction(item);
    ASSERT_NE(a, nullptr) << item;
    a->trigger();
  }
  static void ClickOk(QDialog* d) { d->findChild<QPushButton*>(QStringLiteral("btnOk"))->click(); }
  std::string MemoText() { return ui::FromQt(ui_test::MemoOf(*window)->toPlainText()); }

  ScopedEnv lang{"LC_ALL", "ja_JP.UTF-8"};
  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi ui;
  platform::VirtualClock clock;
  std::unique_ptr<SimTarget> target;
  Workspace ws{ui};  // goes before the target it talks to
  std::unique_ptr<TFrmMain> window;
};

// Every value the set holds reaches its cell, over either protocol; the
// status window polls and the versions are read.
class MainWindowProtocolTest : public MainWindowTest, public ::testing::WithParamInterface<SimProtocol> {};

TEST_P(MainWindowProtocolTest, StartupShowsEveryValuePollsTheStatusAndReadsTheVersions) {
  const bool ecs2 = GetParam() == SimProtocol::Ecs2;
  dir.Write("Vund2.ini", std::string("[Bus]\r\nComPort=1\r\nBaudRate=6\r\nECSType=") + (ecs2 ? "0" : "2") + "\r\n");
  UseTarget(GetParam());
  for (uint32_t id = 0x1000; id < 0x1100; ++id) target->SetRegister(id, static_cast<uint16_t>(id * 7919));
  target->SetRegister(0x1000, 0x8012);  // power state 2, stand-by factor 1, boot done
  window->RunStartupNow("");
  int values = 0;
  for (int c = 1; c + 1 < Grid().ColCount(); c += 2)
    for (int r = 1; r < Grid().RowCount(); ++r) {
      const int index = Grid().RegisterAt(c, r);
      const ST_REGISTER* reg = index < 0 ? nullptr : ws.SRegisters.GetRegister(static_cast<unsigned>(index));
      if (!reg || reg->ID == 0) continue;
      EXPECT_EQ(Grid().CellText(c + 1, r), rules::FormatRegisterValue(target->Register(reg->ID), reg->Mask, false))
          << reg->LongName;
      ++values;
    }
  EXPECT_GT(values, 30);
  EXPECT_EQ(ui::FromQt(ui_test::ComStatusOf(*window)->text()),
            ecs2 ? "COM:Port 2 BaudRate ---" : "COM:Port 2 BaudRate 115200");
  EXPECT_TRUE(MemoText().empty()) << MemoText();
  EXPECT_EQ(BackColorOf("Volume"), RegisterGridPresenter::kWhite);
  ASSERT_TRUE(Status()->IsPolling());
  Status()->StatusTimerTimer();
  EXPECT_EQ(Status()->CellText(1, 1), "電源状態");
  EXPECT_EQ(Status()->CellText(1, 2), "2");
  EXPECT_EQ(Status()->CellText(3, 2), "1");
  target->SetRegister(0x1000, 0x0003);
  Status()->StatusTimerTimer();
  EXPECT_EQ(Status()->CellText(1, 2), "3");
  Status()->StatusPage->setCurrentIndex(1);
  ASSERT_FALSE(ui_test::MicomPageOf(*window)->Names().empty());
  EXPECT_EQ(ui_test::MicomPageOf(*window)->Names()[0], "メインソフト");
}

INSTANTIATE_TEST_SUITE_P(Protocols, MainWindowProtocolTest, ::testing::Values(SimProtocol::Ecs3, SimProtocol::Ecs2));

TEST_F(MainWindowTest, AFirstReadThatFailsSearchesTheRateAndReadsAgain) {
  UseTarget();
  target->SetBaudIndex(12);  // the host starts at 9600 and hears nothing
  target->SetRegister(0x1030, 42);
  window->RunStartupNow("");
  EXPECT_EQ(ValueOf("Volume"), "42");
  EXPECT_EQ(BackColorOf("Volume"), RegisterGridPresenter::kWhite);
  EXPECT_EQ(ui::FromQt(ui_test::ComStatusOf(*window)->text()), "COM:Port 2 BaudRate 115200");
}

TEST_F(MainWindowTest, APortThatDoesNotOpenIsReportedAndTheComPortDialogConnectsLater) {
  const std::string device = dir.File("no-such-tty");
  dir.Write("Vund2.ini", "[Bus]\r\nComPort=1\r\nBaudRate=6\r\nECSType=2\r\n[Ports]\r\nCOM2=" + device + "\r\n");
  window.reset();
  window = std::make_unique<TFrmMain>(ws);  // connecting through the settings
  ui.ExpectMessage(0x10, platform::kIdOk, "Fail to open COM Port ! (COM Port = 2)").ExpectComPortDialog(false);
  window->RunStartupNow("");
  EXPECT_NE(MemoText().find(device + ": No such file or directory"), std::string::npos) << MemoText();
  EXPECT_EQ(ValueOf("Volume"), "");
  // Once the set is there, OK in the COM port dialog connects and fills the grid.
  UseTarget();
  target->SetRegister(0x1030, 60);
  ui.ExpectComPortDialog(true);
  Trigger("mnuComPort");
  EXPECT_EQ(ValueOf("Volume"), "60");
  EXPECT_EQ(BackColorOf("Volume"), RegisterGridPresenter::kWhite);
}

TEST_F(MainWindowTest, ValueEditedInTheDialogReachesTheTarget) {
  UseTarget();
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
  QMouseEvent dbl(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(ui_test::GridOf(*window)->viewport(), &dbl);
  EXPECT_EQ(target->Register(0x1030), 60);
  EXPECT_EQ(ValueOf("Volume"), "60");
  // The written value is now the target's: the cell is not marked.
  EXPECT_EQ(BackColorOf("Volume"), RegisterGridPresenter::kWhite);
}

// The grid's keys and the search, then the close: the status items are kept,
// the changed S file saved on Yes, the changed H file left on No.
TEST_F(MainWindowTest, GridKeysAndSearchRunTheRegisterCommandsAndTheCloseKeepsWhatWasAskedFor) {
  UseTarget();
  window->RunStartupNow("");
  target->SetRegister(0x1030, 55);  // Volume
  // F5 reads every value again; the changed one is marked.
  GridKey(Qt::Key_F5);
  EXPECT_EQ(ValueOf("Volume"), "55");
  EXPECT_EQ(BackColorOf("Volume"), RegisterGridPresenter::kAqua);
  EXPECT_EQ(BackColorOf("Balance"), RegisterGridPresenter::kWhite);
  EXPECT_TRUE(Status()->IsPolling());

  // A letter searches forward by the first character, Shift backward.
  GridKey(Qt::Key_T);
  ASSERT_EQ(CurrentName(), "Temperature");
  // Ctrl+C copies the register for the status window's paste.
  GridKey(Qt::Key_C, Qt::ControlModifier);
  Trigger("mnuSatsuItemInsert");
  Status()->StatusTimerTimer();
  EXPECT_EQ(Status()->CellText(1, 1), "内部温度");
  EXPECT_EQ(Status()->CellText(2, 1), "電源状態");
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

  GridKey(Qt::Key_Home, Qt::ControlModifier);
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
  GridKey(Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_EQ(CurrentName(), "R_Gain");
  answers.Then([](QDialog* d) {
    auto* again = qobject_cast<TFrmSearchDlg*>(d);
    EXPECT_EQ(again->SearchCBox->itemText(0), QStringLiteral("gain"));  // what was searched for is offered
    again->btnCancelClick();
  });
  Trigger("mnuSearch");

  const std::string hregBefore = dir.Read("Hreg.dat");
  ws.HRegisters.AddTab("NEWTAB");
  ui.ExpectMessage(0x23, platform::kIdYes, "Sreg.dat")
      .ExpectMessage(0x40, platform::kIdOk)
      .ExpectMessage(0x23, platform::kIdNo, "Hreg.dat");
  EXPECT_TRUE(window->close());
  EXPECT_NE(dir.Read("Sreg.dat").find("NEWREG"), std::string::npos);
  EXPECT_EQ(dir.Read("Hreg.dat"), hregBefore);
  EXPECT_EQ(platform::IniFile(dir.File("vund.dat")).ReadString("EcsSettings", "Refresh1", ""), "内部温度");
}

// The register status line is that of the current pair however the cell got
// there (keys, Ctrl+Tab, a search, a paste), and empty on an empty pair.
TEST_F(MainWindowTest, TheRegisterStatusLineFollowsTheCurrentCell) {
  UseTarget();
  window->RunStartupNow("");
  const QLabel* line = ui_test::Part<QLabel>(*window, "RegisterStatusPanel0");
  const auto shown = [line] { return ui::FromQt(line->text()); };
  // What the line should say of the register whose short name is current.
  const auto ofCurrent = [this] {
    const std::string name = CurrentName();
    for (int i = 0; i < ws.SRegisters.GetRegisterCount(); ++i) {
      const ST_REGISTER* reg = ws.SRegisters.GetRegister(static_cast<unsigned>(i));
      if (reg->ShortName == name) return rules::FormatRegisterStatus(*reg, EcsProtocol::Ecs3);
    }
    return std::string();
  };
  const auto search = [this](const char* text) {
    ModalAnswers answers;
    answers.Then([text](QDialog* d) {
      auto* dialog = qobject_cast<TFrmSearchDlg*>(d);
      ASSERT_NE(dialog, nullptr);
      dialog->SearchCBox->setEditText(QLatin1String(text));
      dialog->btnNextSearchClick();
    });
    Trigger("mnuSearch");
  };
  EXPECT_EQ(shown(), "-システム状態-  ID : 0x00000000  Max : 65535  Min : 0");

  GridKey(Qt::Key_Down);
  EXPECT_EQ(shown(), "電源状態  ID : 0x00001000  Max : 3  Min : 0");
  GridKey(Qt::Key_Right);
  EXPECT_NE(CurrentName(), "PowerState");
  EXPECT_EQ(shown(), ofCurrent());

  GridKey(Qt::Key_Tab, Qt::ControlModifier);
  GridKey(Qt::Key_Tab, Qt::ControlModifier);  // 映像
  EXPECT_EQ(shown(), "-画質調整-  ID : 0x00000000  Max : 65535  Min : 0");
  GridKey(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(shown(), "-システム状態-  ID : 0x00000000  Max : 65535  Min : 0");
  GridKey(Qt::Key_Tab, Qt::ControlModifier);

  search("Gamma");
  EXPECT_EQ(shown(), "ガンマ  ID : 0x00001015  Max : 4  Min : 0");
  search("NoSuchName");  // the cell goes where the search gave up
  EXPECT_NE(CurrentName(), "Gamma");
  EXPECT_EQ(shown(), ofCurrent());

  // Gamma copied, then pasted on a new tab of its own.
  search("Gamma");
  GridKey(Qt::Key_C, Qt::ControlModifier);
  ui.ExpectInput("Empty");
  ui_test::Part<TRegisterTabControl>(*window, "S_HRegTab")->mnuNewTabAddClick();
  for (int i = 0; i < 4; ++i) GridKey(Qt::Key_Tab, Qt::ControlModifier);
  ASSERT_EQ(Grid().CurrentTab(), 6);
  EXPECT_EQ(shown(), "");
  GridKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(CurrentName(), "Gamma");
  EXPECT_EQ(shown(), "ガンマ  ID : 0x00001015  Max : 4  Min : 0");
}

// The register value files, the command menu, the analyzer and a script,
// each holding the status polling off while it talks to the set.
TEST_F(MainWindowTest, MenuCommandsTalkToTheSetWithPollingHeldOff) {
  UseTarget();
  target->SetRegister(0x1018, 0x123);  // R_Gain, verified
  window->RunStartupNow("");
  ModalAnswers answers;
  answers.Then(ClickOk);  // both files
  ui.ExpectSaveFile(dir.File("values.id")).ExpectMessage(0x40, platform::kIdOk, "Save completed");
  Trigger("mnuSregSave");
  EXPECT_EQ(target->Register(0x0F30), 1);  // the pre-command
  EXPECT_NE(dir.Read("values.id").find("[Hreg]"), std::string::npos);

  target->SetRegister(0x1018, 5);
  std::vector<std::string> result;
  answers.Then(ClickOk).Then([&result](QDialog* d) {
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
  EXPECT_EQ(result, std::vector<std::string>{""});  // every value read back as written
  EXPECT_TRUE(Status()->IsPolling());

  const QList<QAction*> items = ui_test::CommandMenuOf(*window)->actions();
  ASSERT_EQ(items.size(), 8);
  items[4]->trigger();  // the first switch command
  EXPECT_EQ(target->Register(0x0F28), 1);
  EXPECT_EQ(target->Register(0x0F23), 0);
  EXPECT_NE(MemoText().find("Success ( 電源ON )"), std::string::npos) << MemoText();
  EXPECT_TRUE(Status()->IsPolling());

  target->ClearFrames();
  answers.Then([this](QDialog* d) {
    EXPECT_FALSE(Status()->IsPolling());
    EXPECT_TRUE(window->Controller().Busy());
    d->findChild<QLineEdit*>(QStringLiteral("edtSendCmmd"))->setText(QStringLiteral("F0 00 03"));
    qobject_cast<TFrmAlalyzer*>(d)->SendCommand();
    d->done(0);
  });
  Trigger("mnuAnalyzer");
  ASSERT_GE(target->FrameCount(), 1u);
  EXPECT_EQ(target->Frames()[0].bytes.at(0), 0xF0);
  EXPECT_TRUE(Status()->IsPolling());

  target->SetRegister(0x1031, 7);
  dir.Write("t.jsc", "func main(args, count) { var v; busReadReg(0x1031, v); busWriteReg(0x1032, v + 5); return 0; }\n");
  ui.ExpectOpenFile(dir.File("t.jsc"));
  Trigger("mnuScriptRun");
  // The bus calls run on this thread: serve it until the script has written.
  EXPECT_TRUE(ui_test::PumpUntil([this] { return target->Register(0x1032) == 12; }));
  EXPECT_FALSE(Status()->IsPolling());
}

// Alt+H, sent as Qt sends a key (a shortcut override, then the press) to the
// focus wherever it is, the menu bar in its keyboard mode included, runs the
// item, not the Help menu; other Alt keys are left to the menus.
TEST_F(MainWindowTest, AltHRunsTheEditItemWhereverTheFocusIsAndOtherAltKeysReachTheirMenus) {
  window->show();
  window->RunStartupNow("");
  int triggered = 0;
  QObject::connect(window->MenuAction("mnuHregEdit"), &QAction::triggered, [&] { ++triggered; });
  for (QWidget* focus : {static_cast<QWidget*>(ui_test::MemoOf(*window)), static_cast<QWidget*>(window->menuBar())}) {
    QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_H, Qt::AltModifier, QStringLiteral("h"));
    override.ignore();
    QApplication::sendEvent(focus, &override);
    EXPECT_TRUE(override.isAccepted());
    QKeyEvent press(QEvent::KeyPress, Qt::Key_H, Qt::AltModifier, QStringLiteral("h"));
    QApplication::sendEvent(focus, &press);
  }
  EXPECT_EQ(triggered, 2);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "a menu opened";
  QKeyEvent other(QEvent::ShortcutOverride, Qt::Key_X, Qt::AltModifier);
  other.ignore();
  QApplication::sendEvent(window->menuBar(), &other);
  EXPECT_FALSE(other.isAccepted());
}

TEST_F(MainWindowTest, AtALargeFontRowsAreALineTallAndPanelsShowTheirWholeText) {
  dir.Write("Vund2.ini", "[Window]\r\nStatusWindowSeparator=100\r\nFontSize=16\r\nNameHeight=20\r\nStatusNameHeight=20\r\n"
                         "[Bus]\r\nComPort=1\r\nBaudRate=6\r\nECSType=2\r\n");
  UseTarget();
  window->show();
  window->RunStartupNow("");
  TRegisterGrid* grid = ui_test::GridOf(*window);
  ASSERT_FALSE(ui_test::Part<QLabel>(*window, "RegisterStatusPanel0")->text().isEmpty());  // the current register's
  QApplication::processEvents();
  const QFontMetrics metrics(grid->font());
  EXPECT_GE(grid->rowHeight(1), metrics.height() + 2);
  EXPECT_GE(Status()->StatusGrid->rowHeight(1), metrics.height() + 2);
  for (const char* name : {"MainStatusPanel0", "RegisterStatusPanel0"}) {
    const QLabel* panel = ui_test::Part<QLabel>(*window, name);
    const QFontMetrics m = panel->fontMetrics();
    const int indent = m.horizontalAdvance(QLatin1Char('x')) / 2;  // a framed label's
    EXPECT_GE(panel->contentsRect().width(), indent + m.horizontalAdvance(panel->text())) << name;
  }
}

// What the close stores is what the user saw: start after start at a large
// bold font, the message log's boundary and the status window's width come
// back as they were stored, not a few pixels off each time.
TEST_F(MainWindowTest, TheStoredSeparatorsComeBackUnchangedStartAfterStart) {
  dir.Write("Vund2.ini", "[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainWidth=900\r\nMainHeight=600\r\n"
                         "StatusWindowSeparator=180\r\nMemoWindowSeparator=300\r\nFontSize=12\r\nFontStyle_Bold=1\r\n"
                         "[Bus]\r\nComPort=1\r\nBaudRate=6\r\nECSType=2\r\n");
  for (int start = 0; start < 3; ++start) {
    NewWindow();
    UseTarget();
    window->show();
    window->RunStartupNow("");
    QApplication::processEvents();
    ASSERT_TRUE(window->close());
    platform::IniFile ini(dir.File("Vund2.ini"));
    EXPECT_EQ(ini.ReadInteger("Window", "MemoWindowSeparator", 0), 300) << start;
    EXPECT_EQ(ini.ReadInteger("Window", "StatusWindowSeparator", 0), 180) << start;
  }
}

// Qt draws a bar of 0 to 0 as busy: a bar with no work to count is idle.
TEST_F(MainWindowTest, TheProgressBarIsNeverBusy) {
  const QProgressBar* bar = ui_test::Part<QProgressBar>(*window, "MainP_Bar");
  EXPECT_LT(bar->minimum(), bar->maximum());
  ws.services.SetProgressMax(0);
  ws.services.SetProgressPosition(0);
  EXPECT_LT(bar->minimum(), bar->maximum());
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(MainWindowTest, CloseDuringATargetOperationWaitsForItsEnd) {
  UseTarget();
  window->RunStartupNow("");
  {
    rules::MainController::TargetOperation op(window->Controller());
    ASSERT_TRUE(static_cast<bool>(op));
    // Commands that would talk to the target or ask something do nothing meanwhile.
    const size_t frames = target->FrameCount();
    for (const char* name : {"mnuWriteNVM_WithVerify", "mnuWriteNVM_WithoutVerify", "mnuNVMComp", "mnuSHregWrite",
                             "mnuComPort", "mnuHregEdit", "mnuDataReload", "mnuSregFileSel"})
      Trigger(name);
    for (QAction* command : ui_test::CommandMenuOf(*window)->actions()) command->trigger();
    EXPECT_EQ(target->FrameCount(), frames);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(dir.Read("Vund2.ini").find("MainLeft="), std::string::npos);
  }
  // The held close runs from the event loop once the operation ended.
  QApplication::processEvents();
  EXPECT_NE(dir.Read("Vund2.ini").find("MainLeft="), std::string::npos);
}

// A close before start-up writes nothing; a window stored off the screen comes
// back; fonts of another system are drawn with an installed Japanese font and
// stay in the settings as they were.
TEST_F(MainWindowTest, CloseBeforeStartupLeavesTheFilesAloneAndTheStoredWindowIsShownAsItCan) {
  dir.Write("Vund2.ini", "[Window]\r\nMainLeft=-5000\r\nMainTop=20\r\nMainWidth=700\r\nMainHeight=500\r\n"
                         "BackColor=0x0000FF\r\nFontName=ＭＳ Ｐゴシック\r\nFontSize=11\r\nMsgFontName=@ＭＳ Ｐゴシック\r\n");
  const std::string ini = dir.Read("Vund2.ini");
  const std::string vund = dir.Read("vund.dat");
  NewWindow();
  window->show();
  EXPECT_TRUE(window->close());
  QApplication::processEvents();
  EXPECT_EQ(dir.Read("Vund2.ini"), ini);
  EXPECT_EQ(dir.Read("vund.dat"), vund);

  NewWindow();
  window->show();
  window->RunStartupNow("");
  EXPECT_EQ(ws.settings.GetMainWindowRect()[0], 0);
  EXPECT_EQ(ws.settings.GetMainWindowRect()[1], 20);
  EXPECT_EQ(ui_test::GridOf(*window)->palette().color(QPalette::Base), QColor(255, 0, 0));
  EXPECT_EQ(window->font().pointSize(), 11);
  if (QFontDatabase::hasFamily(QStringLiteral("IPAPGothic"))) {
    EXPECT_EQ(window->font().family(), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(ui_test::MemoOf(*window)->font().family(), QStringLiteral("IPAPGothic"));
  }
  EXPECT_TRUE(window->close());
  const std::string saved = dir.Read("Vund2.ini");
  EXPECT_NE(saved.find("FontName=ＭＳ Ｐゴシック\r\n"), std::string::npos);
  EXPECT_NE(saved.find("MsgFontName=@ＭＳ Ｐゴシック\r\n"), std::string::npos);
}

}  // namespace
