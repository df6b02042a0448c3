// The NVM device dialog and the result window, offscreen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "support/scoped_env.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "ui/frmcompeepdata.h"
#include "ui/frmnvmaccess.h"
#include "ui/frmselsnapshotid.h"
#include "ui/textconv.h"

namespace {

std::string Text(const QString& s) { return ui::FromQt(s); }

using testing_support::ScopedEnv;

class NvmDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The language comes from LC_ALL.
    dir.Write("vund.dat",
              "[EcsSettings]\r\nEEPDeviceName1=EEPROM\r\nEEPDeviceType1=1\r\nEEPBackupStart1=0\r\nEEPBackupEnd1=0x1FFF\r\n"
              "EEPDeviceName2=SUB EEPROM\r\nEEPDeviceType2=2\r\nEEPBackupStart2=0x10\r\nEEPBackupEnd2=0x3FF\r\n");
    ASSERT_TRUE(vund.LoadVundData());
  }

  ScopedEnv english{"LC_ALL", "en_US.UTF-8"};
  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi scripted;
  VundData vund{scripted};
};

TEST_F(NvmDialogTest, SelectModeListsTheDevicesAndStoresTheChoice) {
  int index = -7;
  TfrmNVMAccess dlg(nullptr, scripted, vund, &index);
  dlg.initTimerTimer();
  EXPECT_EQ(Text(dlg.labelMessage->text()), "Select target NVM");
  ASSERT_EQ(dlg.cBoxDeviceName->count(), 2);
  EXPECT_EQ(Text(dlg.cBoxDeviceName->itemText(1)), "SUB EEPROM");
  EXPECT_EQ(dlg.cBoxDeviceName->currentIndex(), 0);
  EXPECT_EQ(Text(dlg.edtDeviceType->text()), "0x1");
  EXPECT_EQ(Text(dlg.edtStartAddr->text()), "0x0");
  EXPECT_EQ(Text(dlg.edtEndAddr->text()), "0x1FFF");
  EXPECT_TRUE(dlg.edtEndAddr->isReadOnly());

  dlg.cBoxDeviceName->setCurrentIndex(1);
  EXPECT_EQ(Text(dlg.edtDeviceType->text()), "0x2");
  EXPECT_EQ(Text(dlg.edtStartAddr->text()), "0x10");
  EXPECT_EQ(Text(dlg.edtEndAddr->text()), "0x3FF");
  dlg.btnOk->click();
  EXPECT_EQ(dlg.result(), 1);
  EXPECT_EQ(index, 1);
}

TEST_F(NvmDialogTest, OnlyEnglishItselfGetsTheEnglishPrompts) {
  struct Case {
    const char* lang;
    const char* select;
    const char* write;
  };
  const Case cases[] = {
      {"en_GB.UTF-8", "Select target NVM", "Write NVM image as follows"},
      {"ja_JP.UTF-8", "ターゲットとするNVMを選択して下さい", "以下の設定でNVM dataを書き込みます"},
      {"fr_FR.UTF-8", "ターゲットとするNVMを選択して下さい", "以下の設定でNVM dataを書き込みます"},
  };
  for (const Case& c : cases) {
    ScopedEnv language("LC_ALL", c.lang);
    int index = 0;
    TfrmNVMAccess select(nullptr, scripted, vund, &index);
    select.initTimerTimer();
    EXPECT_EQ(Text(select.labelMessage->text()), c.select) << c.lang;
    TfrmNVMAccess confirm(nullptr, scripted, "EEPROM", 1, 0, 0x1FFF, true);
    confirm.initTimerTimer();
    EXPECT_EQ(Text(confirm.labelMessage->text()), c.write) << c.lang;
  }
  ScopedEnv japanese("LC_ALL", "ja_JP.UTF-8");
  TfrmNVMAccess compare(nullptr, scripted, "EEPROM", 1, 0, 0x1FFF, false);
  compare.initTimerTimer();
  EXPECT_EQ(Text(compare.labelMessage->text()), "以下の設定でNVM dataを比較します");
}

TEST_F(NvmDialogTest, ConfirmModeShowsTheFilesDeviceAndStoresNothing) {
  TfrmNVMAccess dlg(nullptr, scripted, " FILE DEV", 3, 0x20, 0x2F, false);
  dlg.initTimerTimer();
  EXPECT_EQ(Text(dlg.labelMessage->text()), "Compare NVM image as follows");
  ASSERT_EQ(dlg.cBoxDeviceName->count(), 1);
  EXPECT_EQ(Text(dlg.cBoxDeviceName->currentText()), " FILE DEV");
  dlg.cBoxDeviceNameChange(1);
  EXPECT_EQ(Text(dlg.edtDeviceType->text()), "0x3");
  EXPECT_EQ(Text(dlg.edtStartAddr->text()), "0x20");
  EXPECT_EQ(Text(dlg.edtEndAddr->text()), "0x2F");
  dlg.btnOk->click();
  EXPECT_EQ(dlg.result(), 1);
}

// Clicks the named button of the modal dialog once it is shown and filled.
void ClickWhenShown(const char* button) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, button] {
    auto* dlg = qobject_cast<TfrmNVMAccess*>(QApplication::activeModalWidget());
    if (!dlg || dlg->cBoxDeviceName->count() == 0) return;
    timer->stop();
    timer->deleteLater();
    dlg->findChild<QPushButton*>(QString::fromLatin1(button))->click();
  });
  timer->start();
}

TEST_F(NvmDialogTest, ModalRunsGiveOkOrCancel) {
  int index = -1;
  ClickWhenShown("btnOk");
  EXPECT_EQ(SelectTargetNvm(nullptr, scripted, vund, index), 1);
  EXPECT_EQ(index, 0);
  index = -1;
  ClickWhenShown("btnCancel");
  EXPECT_EQ(SelectTargetNvm(nullptr, scripted, vund, index), 2);
  EXPECT_EQ(index, -1);
  ClickWhenShown("btnOk");
  EXPECT_EQ(ConfirmNvmAccess(nullptr, scripted, "EEPROM", 1, 0, 0x1FFF, true), 1);
}

TEST_F(NvmDialogTest, ResultWindowShowsAndSavesTheGivenLinesOrNone) {
  const std::vector<std::string> lines = {"Address 0x0001, File = 0x12, NVM = 0x00",
                                          "Address 0x0101, File = 0xFF, NVM = 0x7F"};
  TfrmCompEEPData dlg(nullptr, scripted, &lines);
  dlg.initTimerTimer();
  EXPECT_EQ(Text(dlg.windowTitle()), "RESULT");
  EXPECT_EQ(Text(dlg.File1->title()), "File(&F)");
  EXPECT_EQ(Text(dlg.S1->text()), "Save as File(&S)");
  EXPECT_EQ(Text(dlg.ResultMemo->toPlainText()), lines[0] + "\n" + lines[1]);

  // The log holds the lines given, not what the user typed into the memo.
  dlg.ResultMemo->appendPlainText(QStringLiteral("typed"));
  scripted.ExpectSaveFile(dir.File("log.csv"));
  EXPECT_TRUE(dlg.S1Click());
  EXPECT_EQ(dir.Read("log.csv"), lines[0] + "\r\n" + lines[1] + "\r\n");
  EXPECT_EQ(scripted.LastFileDialog().defaultExt, "csv");
  EXPECT_EQ(scripted.LastFileDialog().filter, "Verify log files (*.csv)|*.csv");
  EXPECT_EQ(scripted.LastFileDialog().initialDir, dir.Path());
  scripted.ExpectSaveFile("");
  EXPECT_TRUE(dlg.S1Click());

  // Empty and in Japanese: the captions of the language, an empty log.
  ScopedEnv japanese("LC_ALL", "ja_JP.UTF-8");
  const std::vector<std::string> none;
  TfrmCompEEPData empty(nullptr, scripted, &none);
  empty.initTimerTimer();
  EXPECT_EQ(Text(empty.File1->title()), "ファイル(&F)");
  EXPECT_EQ(Text(empty.S1->text()), "結果をファイルに保存(&S)");
  EXPECT_TRUE(empty.ResultMemo->toPlainText().isEmpty());
  scripted.ExpectSaveFile(dir.File("empty.csv"));
  EXPECT_TRUE(empty.S1Click());
  EXPECT_EQ(dir.Read("empty.csv"), "");
}

// ---- The S/H choice dialog ----

TEST(FrmSelSnapShotID, OffersOnlyTheFlagsSetAndStoresTheChoice) {
  bool s = false, h = true;
  TfrmSelSnapShotID dlg(nullptr, &s, &h);
  EXPECT_FALSE(dlg.cBoxSreg->isChecked());
  EXPECT_FALSE(dlg.cBoxSreg->isEnabled());
  EXPECT_TRUE(dlg.cBoxHreg->isChecked());
  EXPECT_TRUE(dlg.cBoxHreg->isEnabled());

  dlg.cBoxHreg->setChecked(false);
  dlg.btnCancel->click();
  EXPECT_EQ(dlg.result(), 2);
  EXPECT_TRUE(h);  // Cancel stores nothing

  TfrmSelSnapShotID again(nullptr, &s, &h);
  again.btnOk->click();
  EXPECT_EQ(again.result(), 1);
  EXPECT_FALSE(s);
  EXPECT_TRUE(h);
}

}  // namespace
