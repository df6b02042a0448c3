// The NVM device dialog, the result window and the S/H choice, offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "modal_answers.h"
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
    dir.Write("vund.dat",
              "[EcsSettings]\r\nEEPDeviceName1=EEPROM\r\nEEPDeviceType1=1\r\nEEPBackupStart1=0\r\nEEPBackupEnd1=0x1FFF\r\n"
              "EEPDeviceName2=SUB EEPROM\r\nEEPDeviceType2=2\r\nEEPBackupStart2=0x10\r\nEEPBackupEnd2=0x3FF\r\n");
    ASSERT_TRUE(vund.LoadVundData());
  }

  ScopedEnv english{"LC_ALL", "en_US.UTF-8"};  // the language comes from LC_ALL
  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi scripted;
  VundData vund{scripted};
};

// Clicks the named button of the next NVM dialog once it is filled.
void ClickWhenShown(ui_test::ModalAnswers& answers, const char* button) {
  answers.Then([button](QDialog* d) {
    auto* dlg = qobject_cast<TfrmNVMAccess*>(d);
    dlg->initTimerTimer();
    EXPECT_EQ(Text(dlg->edtEndAddr->text()), "0x1FFF");
    dlg->cBoxDeviceName->setCurrentIndex(dlg->cBoxDeviceName->count() - 1);
    dlg->findChild<QPushButton*>(QString::fromLatin1(button))->click();
  });
}

TEST_F(NvmDialogTest, SelectOrConfirmShowsTheDeviceAndOkStoresTheChoice) {
  int index = -1;
  ui_test::ModalAnswers answers;
  ClickWhenShown(answers, "btnOk");
  EXPECT_EQ(SelectTargetNvm(nullptr, scripted, vund, index), 1);
  EXPECT_EQ(index, 1);
  index = -1;
  ClickWhenShown(answers, "btnCancel");
  EXPECT_EQ(SelectTargetNvm(nullptr, scripted, vund, index), 2);
  EXPECT_EQ(index, -1);
  ClickWhenShown(answers, "btnOk");
  EXPECT_EQ(ConfirmNvmAccess(nullptr, scripted, "EEPROM", 1, 0, 0x1FFF, true), 1);

  TfrmNVMAccess select(nullptr, scripted, vund, &index);
  select.initTimerTimer();
  select.cBoxDeviceName->setCurrentIndex(1);
  EXPECT_EQ(Text(select.edtDeviceType->text()), "0x2");
  EXPECT_EQ(Text(select.edtStartAddr->text()), "0x10");
  EXPECT_EQ(Text(select.edtEndAddr->text()), "0x3FF");
  EXPECT_TRUE(select.edtEndAddr->isReadOnly());
  TfrmNVMAccess confirm(nullptr, scripted, " FILE DEV", 3, 0x20, 0x2F, false);
  confirm.initTimerTimer();
  ASSERT_EQ(confirm.cBoxDeviceName->count(), 1);
  EXPECT_EQ(Text(confirm.cBoxDeviceName->currentText()), " FILE DEV");
  EXPECT_EQ(Text(confirm.edtStartAddr->text()), "0x20");
  EXPECT_EQ(Text(confirm.edtEndAddr->text()), "0x2F");
}

TEST_F(NvmDialogTest, OnlyEnglishItselfGetsTheEnglishPrompts) {
  const char* const cases[][3] = {
      {"en_GB.UTF-8", "Select target NVM", "Compare NVM image as follows"},
      {"ja_JP.UTF-8", "ターゲットとするNVMを選択して下さい", "以下の設定でNVM dataを比較します"},
      {"fr_FR.UTF-8", "ターゲットとするNVMを選択して下さい", "以下の設定でNVM dataを比較します"},
  };
  for (const auto& c : cases) {
    ScopedEnv language("LC_ALL", c[0]);
    int index = 0;
    TfrmNVMAccess select(nullptr, scripted, vund, &index);
    select.initTimerTimer();
    EXPECT_EQ(Text(select.labelMessage->text()), c[1]) << c[0];
    TfrmNVMAccess compare(nullptr, scripted, "EEPROM", 1, 0, 0x1FFF, false);
    compare.initTimerTimer();
    EXPECT_EQ(Text(compare.labelMessage->text()), c[2]) << c[0];
  }
}

TEST_F(NvmDialogTest, ResultWindowSavesTheGivenLinesNotWhatWasTyped) {
  const std::vector<std::string> lines = {"Address 0x0001, File = 0x12, NVM = 0x00",
                                          "Address 0x0101, File = 0xFF, NVM = 0x7F"};
  TfrmCompEEPData dlg(nullptr, scripted, &lines);
  dlg.initTimerTimer();
  EXPECT_EQ(Text(dlg.ResultMemo->toPlainText()), lines[0] + "\n" + lines[1]);
  dlg.ResultMemo->appendPlainText(QStringLiteral("typed"));
  scripted.ExpectSaveFile(dir.File("log.csv"));
  EXPECT_TRUE(dlg.S1Click());
  EXPECT_EQ(dir.Read("log.csv"), lines[0] + "\r\n" + lines[1] + "\r\n");
  EXPECT_EQ(scripted.LastFileDialog().filter, "Verify log files (*.csv)|*.csv");
  scripted.ExpectSaveFile("");
  EXPECT_TRUE(dlg.S1Click());
}

TEST(FrmSelSnapShotID, OffersOnlyTheFlagsSetAndStoresTheChoiceOnOk) {
  bool s = false, h = true;
  TfrmSelSnapShotID dlg(nullptr, &s, &h);
  EXPECT_FALSE(dlg.cBoxSreg->isEnabled());
  EXPECT_TRUE(dlg.cBoxHreg->isChecked());
  dlg.cBoxHreg->setChecked(false);
  dlg.btnCancel->click();
  EXPECT_EQ(dlg.result(), 2);
  EXPECT_TRUE(h);  // Cancel stores nothing
  TfrmSelSnapShotID again(nullptr, &s, &h);
  again.cBoxHreg->setChecked(false);
  again.btnOk->click();
  EXPECT_EQ(again.result(), 1);
  EXPECT_FALSE(h);
}

}  // namespace
