// The main window offscreen: start-up against the simulated target, the
// command menu, the message log, captions and the close with its questions.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QGroupBox>
#include <QFontDatabase>
#include <QMenuBar>
#include <QTabBar>
#include <QTableView>
#include <memory>

#include "link/targetcontrol.h"
#include "link/workspace.h"
#include "model/registers.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "rules/mainwindowrules.h"
#include "simlink.h"
#include "simtarget.h"
#include "support/scoped_env.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "ui/choosers.h"
#include "mainwindow_parts.h"
#include "ui/frmmain.h"
#include "ui/micomversionpage.h"
#include "ui/registergrid.h"
#include "ui/registergridtabcontrol.h"
#include "ui/statuswindow.h"
#include "ui/textconv.h"

namespace {

std::string ReadExample(const std::string& name) {
  std::string bytes;
  platform::ReadFileBytes(std::string(VUND2_EXAMPLES) + "/" + name, bytes);
  return bytes;
}

std::string MemoText(const TFrmMain& w) { return ui::FromQt(ui_test::MemoOf(w)->toPlainText()); }

using testing_support::ScopedEnv;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.Write("Sreg.dat", ReadExample("Sreg.dat"));
    dir.Write("Hreg.dat", ReadExample("Hreg.dat"));
    dir.Write("vund.dat", ReadExample("vund.dat"));
    dir.Write("Table.dat", ReadExample("Table.dat"));
    dir.Write("Vund2.ini", "[Bus]\r\nBusPhysicalLayer=0\r\nComPort=1\r\nBaudRate=6\r\nECSType=2\r\n");
    NewWindow();
  }

  // A main window in place of the one there was, without a target.
  void NewWindow(ui::Choosers* choosers = nullptr) {
    window.reset();
    window = std::make_unique<TFrmMain>(ws, choosers);
    window->Controller().SetTargetConnector([] { return false; });
  }

  // Start-up connects to a simulated ECS3 set made from the sample files.
  void UseTarget() {
    target = std::make_unique<SimTarget>(SimProtocol::Ecs3);
    ASSERT_TRUE(target->LoadVundData(dir.File("vund.dat")));
    ASSERT_TRUE(target->LoadRegisterFile(dir.File("Sreg.dat"), false));
    window->Controller().SetTargetConnector([this] {
      return ws.TargetControl.ConnectWith(std::make_unique<SimLink>(*target, clock), clock,
                                          CurrentLinkSettings(ws.settings, ws.vund));
    });
  }

  // The rate the step-up ends at: the highest index 0..12 that vund.dat allows.
  int HighestBaud() const {
    int best = -1;
    for (int i = 0; i <= 12; ++i)
      if (ws.vund.GetBaudRateSupport() & (1 << i)) best = i;
    return best;
  }

  // An S Reg register with a value slot.
  uint32_t SomeSregId() const {
    for (const auto& [id, value] : ws.SRegisters.GetValueMap())
      if (id != 0) return id;
    return 0;
  }

  ScopedEnv lang{"LC_ALL", "ja_JP.UTF-8"};
  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi ui;
  platform::VirtualClock clock;
  std::unique_ptr<SimTarget> target;
  Workspace ws{ui};  // goes before the target it talks to
  std::unique_ptr<TFrmMain> window;
};

TEST_F(MainWindowTest, StartupWithoutATargetBuildsTabsAndCommandsOnly) {
  window->RunStartupNow("");
  EXPECT_TRUE(window->Controller().StartupDone());
  std::vector<std::string> tabs;
  ws.SRegisters.GetTabNames(tabs);
  ASSERT_FALSE(tabs.empty());
  ASSERT_EQ(ui_test::TabBarOf(*window)->count(), static_cast<int>(tabs.size()) + 1);
  EXPECT_EQ(ui_test::TabBarOf(*window)->tabText(0), QStringLiteral("ALL"));
  EXPECT_EQ(ui::FromQt(ui_test::TabBarOf(*window)->tabText(1)), tabs[0]);
  EXPECT_EQ(ui_test::CommandMenuOf(*window)->actions().size(),
            ws.vund.GetMemCommandCount() + ws.vund.GetSwitchCommandCount());
  EXPECT_FALSE(ui_test::StatusWindowOf(*window)->IsPolling());
  EXPECT_EQ(ws.SRegisters.GetValue(SomeSregId()), REG_VALUE_UNKNOWN);
  EXPECT_TRUE(ui_test::ComStatusOf(*window)->text().isEmpty());
}

// A start-up whose first read succeeds is checked by the end-to-end tests.
TEST_F(MainWindowTest, FirstReadFailingSearchesTheBaudRateReadsAgainRaisesSnapshotsAndPolls) {
  UseTarget();
  ASSERT_TRUE(ws.vund.LoadVundData());
  target->SetBaudIndex(HighestBaud());  // the host starts at 9600 and hears nothing
  target->SetRegister(0x0100, 0x0042);
  window->RunStartupNow("");
  const uint32_t id = SomeSregId();
  ASSERT_NE(id, 0u);
  EXPECT_EQ(ws.SRegisters.GetValue(id), target->Register(id));
  EXPECT_EQ(ws.SRegisters.GetSnapshotValue(id), ws.SRegisters.GetValue(id));
  ASSERT_GT(HighestBaud(), 6);
  EXPECT_EQ(target->BaudIndex(), HighestBaud());
  EXPECT_FALSE(MemoText(*window).empty());  // the failed read was logged
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());
  EXPECT_EQ(ui::FromQt(ui_test::ComStatusOf(*window)->text()),
            "COM:Port 2 BaudRate " + ui::BaudRateName(HighestBaud()));
  EXPECT_EQ(ui::FromQt(window->windowTitle()),
            ui::FormatMainCaption("Sreg.dat", ws.SRegisters.GetMiconVer(), "Hreg.dat", ws.HRegisters.GetMiconVer()));
  EXPECT_FALSE(window->Controller().Busy());
}

TEST_F(MainWindowTest, CaptionsAreEnglishWhenTheLanguageIsNotJapanese) {
  window->RunStartupNow("");
  EXPECT_EQ(ui::FromQt(window->MenuAction("FileF1")->text()), "ファイル(&F)");
  EXPECT_EQ(ui::FromQt(window->MenuAction("mnuVundHelp")->text()), "Vundヘルプ((&C)");
  EXPECT_EQ(window->MenuAction("mnuEditSreg")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_S));

  NewWindow();
  window->RunStartupNow("x1y");  // a Japanese system, English forced
  EXPECT_EQ(window->MenuAction("FileF1")->text(), QStringLiteral("File(&F)"));
  EXPECT_EQ(window->MenuAction("mnuExit")->text(), QStringLiteral("Close(&X)"));
  EXPECT_EQ(window->MenuAction("mnuDeleteTab")->text(), QStringLiteral("Delete Tab(&D)"));
  EXPECT_EQ(window->MenuAction("mnuHregEdit")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_H));

  ui.SetForceEnglish(false);
  ScopedEnv english("LC_ALL", "en_US.UTF-8");
  NewWindow();
  window->RunStartupNow("");
  EXPECT_EQ(window->MenuAction("mnuSaveAsHreg")->text(), QStringLiteral("Save as(&H)"));
}

TEST_F(MainWindowTest, AltSRunsTheEditItemRatherThanOpeningTheSearchMenu) {
  window->RunStartupNow("");
  int triggered = 0;
  QObject::connect(window->MenuAction("mnuEditSreg"), &QAction::triggered, [&] { ++triggered; });
  QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_S, Qt::AltModifier);
  QApplication::sendEvent(window.get(), &override);
  EXPECT_TRUE(override.isAccepted());
  QKeyEvent press(QEvent::KeyPress, Qt::Key_S, Qt::AltModifier);
  QApplication::sendEvent(window.get(), &press);
  EXPECT_EQ(triggered, 1);
  QKeyEvent other(QEvent::ShortcutOverride, Qt::Key_X, Qt::AltModifier);
  other.ignore();
  QApplication::sendEvent(window.get(), &other);
  EXPECT_FALSE(other.isAccepted());
}

TEST_F(MainWindowTest, CommandMenuTagsRunMemoryThenSwitchCommands) {
  dir.Write("vund.dat",
            "[EcsSettings]\r\nRefreshTime=500\r\nMemName1=M0\r\nMemID1=0x0F20\r\nMemName2=M1\r\nMemID2=0x0F21\r\n"
            "MemName3=M2\r\nMemID3=0x0F22\r\nSWName1=S0\r\nSWID1=0x0F28\r\nSWName2=S1\r\nSWID2=0x0F29\r\n");
  UseTarget();
  window->RunStartupNow("");
  ASSERT_EQ(window->Controller().MemCommandCount(), 3);
  const QList<QAction*> items = ui_test::CommandMenuOf(*window)->actions();
  ASSERT_EQ(items.size(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(items[i]->data().toInt(), i);
  EXPECT_EQ(items[3]->text(), QStringLiteral("S0"));
  items[3]->trigger();
  EXPECT_EQ(target->Register(0x0F28), 1);
  EXPECT_EQ(target->Register(0x0F22), 0);
  EXPECT_NE(MemoText(*window).find("Success ( S0 )"), std::string::npos);
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());  // held off around the command only
}

TEST_F(MainWindowTest, MessageLogSplitsLinesAndClears) {
  ws.services.AddMessageLines("first\nsecond");
  ws.services.AddMessageLines("third\n");
  ws.services.AddMessage("fourth");
  EXPECT_EQ(MemoText(*window), "first\nsecond\nthird\n\nfourth");
  ws.services.AddMessage("via services");
  EXPECT_NE(MemoText(*window).find("via services"), std::string::npos);
  ws.services.SetProgressMessage("読み込み中");
  EXPECT_EQ(ui::FromQt(ui_test::ProgressTextOf(*window)->text()), "読み込み中");
  ws.services.SetProgressMax(40);
  ws.services.SetProgressPosition(10);
  EXPECT_EQ(ui_test::ProgressBarOf(*window)->value(), 10);
  window->MenuAction("mnuMessageClear")->trigger();
  EXPECT_TRUE(ui_test::MemoOf(*window)->toPlainText().isEmpty());
}

// A close without changes (settings and status items written, nothing asked) is
// checked by the end-to-end tests.

TEST_F(MainWindowTest, CloseBeforeStartupLeavesTheFilesAlone) {
  const std::string ini = dir.Read("Vund2.ini");
  const std::string vund = dir.Read("vund.dat");
  window->show();
  EXPECT_TRUE(window->close());
  QApplication::processEvents();
  EXPECT_FALSE(window->Controller().StartupDone());
  EXPECT_EQ(dir.Read("Vund2.ini"), ini);
  EXPECT_EQ(dir.Read("vund.dat"), vund);
}

TEST_F(MainWindowTest, CloseWithChangedFilesSavesOnYesAndDropsOnNo) {
  window->RunStartupNow("");
  const std::string hregBefore = dir.Read("Hreg.dat");
  ws.SRegisters.AddTab("NEWTAB");
  ws.HRegisters.AddTab("NEWTAB");
  ui.ExpectMessage(0x23, platform::kIdYes, "Sreg.dat")
      .ExpectMessage(0x40, platform::kIdOk)
      .ExpectMessage(0x23, platform::kIdNo, "Hreg.dat");
  EXPECT_TRUE(window->close());
  EXPECT_NE(dir.Read("Sreg.dat").find("NEWTAB"), std::string::npos);
  EXPECT_EQ(dir.Read("Hreg.dat"), hregBefore);
  EXPECT_NE(dir.Read("Vund2.ini").find("MainLeft="), std::string::npos);
}

TEST_F(MainWindowTest, CancelInTheSaveQuestionKeepsTheWindowAndTheLink) {
  UseTarget();
  window->RunStartupNow("");
  ASSERT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());
  const std::string iniBefore = dir.Read("Vund2.ini");
  const size_t frames = target->FrameCount();
  ws.SRegisters.AddTab("NEWTAB");
  ui.ExpectMessage(0x23, platform::kIdCancel);
  EXPECT_FALSE(window->close());
  EXPECT_EQ(target->FrameCount(), frames);  // no baud rate sent
  EXPECT_EQ(target->BaudIndex(), HighestBaud());
  EXPECT_EQ(dir.Read("Vund2.ini"), iniBefore);
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());
  EXPECT_TRUE(ws.SRegisters.IsChanged());

  // Closing for real then sends the configured rate back.
  ui.ExpectMessage(0x23, platform::kIdNo);
  EXPECT_TRUE(window->close());
  EXPECT_GT(target->FrameCount(), frames);
  EXPECT_EQ(target->BaudIndex(), 6);
}

TEST_F(MainWindowTest, CloseDuringATargetOperationWaitsForItsEnd) {
  UseTarget();
  window->RunStartupNow("");
  {
    ui::MainController::TargetOperation op(window->Controller());
    ASSERT_TRUE(static_cast<bool>(op));
    ui::MainController::TargetOperation second(window->Controller());
    EXPECT_FALSE(static_cast<bool>(second));
    // Commands that would talk to the target or ask something do nothing meanwhile.
    const size_t frames = target->FrameCount();
    for (const char* name : {"mnuWriteNVM_WithVerify", "mnuWriteNVM_WithoutVerify", "mnuNVMComp", "mnuSHregWrite",
                             "mnuComPort", "mnuHregEdit", "mnuDataReload", "mnuSregFileSel"})
      window->MenuAction(name)->trigger();
    for (QAction* command : ui_test::CommandMenuOf(*window)->actions()) command->trigger();
    EXPECT_EQ(target->FrameCount(), frames);
    EXPECT_FALSE(window->close());
    EXPECT_FALSE(dir.Read("Vund2.ini").find("MainLeft=") != std::string::npos);
  }
  // The held close runs from the event loop once the operation ended.
  QApplication::processEvents();
  EXPECT_NE(dir.Read("Vund2.ini").find("MainLeft="), std::string::npos);
}

TEST_F(MainWindowTest, ComPortCommandHoldsPollingAroundTheDialog) {
  UseTarget();
  window->RunStartupNow("");
  ui.ExpectComPortDialog(false, [this](int&, int&) { EXPECT_FALSE(ui_test::StatusWindowOf(*window)->IsPolling()); });
  window->MenuAction("mnuComPort")->trigger();
  EXPECT_TRUE(ui_test::StatusWindowOf(*window)->IsPolling());

  ui_test::StatusWindowOf(*window)->SetStatusWindowChoice(1);
  ui_test::StatusWindowOf(*window)->SetStatusPolling(false);
  ui.ExpectComPortDialog(false);
  window->MenuAction("mnuComPort")->trigger();
  EXPECT_FALSE(ui_test::StatusWindowOf(*window)->IsPolling());
}

TEST_F(MainWindowTest, StoredPositionOffTheScreenIsBroughtBack) {
  dir.Write("Vund2.ini", "[Window]\r\nMainLeft=-5000\r\nMainTop=20\r\nMainWidth=700\r\nMainHeight=500\r\n"
                         "StatusWindowSeparator=150\r\nMemoWindowSeparator=300\r\n");
  window->show();
  window->RunStartupNow("");
  EXPECT_EQ(ws.settings.GetMainWindowRect()[0], 0);
  EXPECT_EQ(ws.settings.GetMainWindowRect()[1], 20);
  EXPECT_EQ(ui_test::StatusWindowOf(*window)->width(), 150);
  EXPECT_EQ(ui_test::TabsOf(*window)->height(), 300);
}

TEST_F(MainWindowTest, HelpCommandLooksForTheFileOfTheLanguage) {
  window->RunStartupNow("");
  ui.ExpectMessage(0x30, platform::kIdOk, "Help File Vund2.chm");
  window->MenuAction("mnuVundHelp")->trigger();

  ScopedEnv english("LC_ALL", "en_US.UTF-8");
  dir.Write("Vund2.chm", "x");  // only the Japanese file exists
  ui.ExpectMessage(0x30, platform::kIdOk, "Vund2EG.chm is not found");
  window->MenuAction("mnuVundHelp")->trigger();
}

TEST_F(MainWindowTest, ColoursAndFontsOfTheSettingsReachTheWidgets) {
  dir.Write("Vund2.ini",
            "[Window]\r\nBackColor=0x0000FF\r\nMsgBackColor=0x102030\r\nMsgFontColor=0x00FF00\r\n"
            "FontName=ＭＳ Ｐゴシック\r\nFontSize=11\r\nFontStyle_Bold=1\r\nMsgFontName=@ＭＳ Ｐゴシック\r\n");
  window->RunStartupNow("");
  EXPECT_EQ(ui_test::GridOf(*window)->palette().color(QPalette::Base), QColor(255, 0, 0));
  EXPECT_EQ(ui_test::StatusWindowOf(*window)->StatusGrid->palette().color(QPalette::Base), QColor(255, 0, 0));
  EXPECT_EQ(ui_test::MemoOf(*window)->palette().color(QPalette::Base), QColor(0x30, 0x20, 0x10));
  EXPECT_EQ(ui_test::MemoOf(*window)->palette().color(QPalette::Text), QColor(0, 255, 0));
  EXPECT_EQ(window->font().pointSize(), 11);
  EXPECT_TRUE(window->font().bold());
  if (QFontDatabase::hasFamily(QStringLiteral("IPAPGothic"))) {
    // Fonts of another system are drawn with an installed Japanese font...
    EXPECT_EQ(window->font().family(), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(ui_test::MemoOf(*window)->font().family(), QStringLiteral("IPAPGothic"));
  }
  // ...and stay in the settings as they were.
  EXPECT_TRUE(window->close());
  const std::string ini = dir.Read("Vund2.ini");
  EXPECT_NE(ini.find("FontName=ＭＳ Ｐゴシック\r\n"), std::string::npos);
  EXPECT_NE(ini.find("MsgFontName=@ＭＳ Ｐゴシック\r\n"), std::string::npos);
  EXPECT_NE(ini.find("BackColor=255\r\n"), std::string::npos);
}

class PickedColor : public ui::Choosers {
 public:
  bool ChooseColor(int initial, int& chosen) override {
    initials.push_back(initial);
    chosen = 0x00ABCDEF;
    return true;
  }
  bool ChooseFont(ui::FontChoice& f, bool withColor) override {
    f.name = "IPAGothic";
    f.size = 14;
    f.style = 0;
    if (withColor) f.color = 0x0000FF;
    return true;
  }
  bool ChooseFolder(const std::string&, std::string&) override { return false; }
  bool OpenDocument(const std::string& path) override {
    opened = path;
    return true;
  }
  std::vector<int> initials;
  std::string opened;
};

TEST_F(MainWindowTest, ColourAndFontCommandsGoToTheirTargetsAndTheSettings) {
  PickedColor chooser;
  NewWindow(&chooser);
  window->RunStartupNow("");
  window->MenuAction("mnuSelRegBack")->trigger();
  // The grid paints the selected pair's name in it, the other names as before.
  const ui::RegisterGridPresenter& grid = ui_test::GridOf(*window)->Presenter();
  EXPECT_EQ(grid.LookOf(grid.Selection().left, grid.Selection().top).backColor, 0xABCDEF);
  EXPECT_EQ(grid.GridColor(), 0xC0C0C0);
  window->MenuAction("mnuMessageWIndowColor")->trigger();
  window->MenuAction("mnuMainWindowColor")->trigger();
  EXPECT_EQ(chooser.initials, (std::vector<int>{0x808080, 0, 0xC0C0C0}));
  EXPECT_EQ(ui_test::GridOf(*window)->palette().color(QPalette::Base), QColor(0xEF, 0xCD, 0xAB));
  EXPECT_EQ(ui_test::GridOf(*window)->Presenter().GridColor(), 0xABCDEF);
  EXPECT_EQ(ui_test::MicomPageOf(*window)->palette().color(QPalette::Base), QColor(0xEF, 0xCD, 0xAB));
  window->MenuAction("mnuMessageWindowFont")->trigger();
  EXPECT_EQ(ui_test::MemoOf(*window)->font().pointSize(), 14);
  EXPECT_EQ(ui_test::MemoOf(*window)->palette().color(QPalette::Text), QColor(255, 0, 0));
  dir.Write("Vund2.chm", "help");
  window->MenuAction("mnuVundHelp")->trigger();
  EXPECT_EQ(chooser.opened, dir.File("Vund2.chm"));
  EXPECT_TRUE(window->close());
  const std::string ini = dir.Read("Vund2.ini");
  EXPECT_NE(ini.find("BackColor=11259375\r\n"), std::string::npos);
  EXPECT_NE(ini.find("SelRegBackColor=11259375\r\n"), std::string::npos);
  EXPECT_NE(ini.find("MsgFontName=IPAGothic\r\n"), std::string::npos);
  EXPECT_NE(ini.find("MsgFontColor=255\r\n"), std::string::npos);
}

// Renders the window with its Japanese captions into mainwindow-ja.png beside
// the test binary, for a person to look at.
TEST_F(MainWindowTest, ScreenshotOfTheJapaneseWindow) {
  UseTarget();
  dir.Write("Vund2.ini", "[Window]\r\nMainWidth=920\r\nMainHeight=600\r\n[Bus]\r\nComPort=1\r\nECSType=2\r\n");
  window->show();
  window->RunStartupNow("");
  ws.services.AddMessage("メッセージ: 接続しました");
  ws.services.SetProgressMessage("読み込み完了");
  window->menuBar()->setActiveAction(window->MenuAction("FileF1"));
  QApplication::processEvents();
  EXPECT_FALSE(QFontDatabase::families(QFontDatabase::Japanese).isEmpty());
  const QPixmap shot = window->grab();
  ASSERT_FALSE(shot.isNull());
  EXPECT_TRUE(shot.save(QStringLiteral("mainwindow-ja.png")));
}

}  // namespace
