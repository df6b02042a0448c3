// The dialogs offscreen, each driven the way a user would: the parameter
// editor, the search dialog, the input box, the NVM device dialog, the result
// window, the S/H choice and the message box.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "model/iniproperty.h"
#include "model/vunddata.h"
#include "platform/ui.h"
#include "qt_helpers.h"
#include "support/scoped_env.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "ui/choosers.h"
#include "ui/frmcompeepdata.h"
#include "ui/frminiedit.h"
#include "ui/frmmyinputdlg.h"
#include "ui/frmnvmaccess.h"
#include "ui/frmsearchdlg.h"
#include "ui/frmselsnapshotid.h"
#include "ui/qtui.h"
#include "ui/textconv.h"

namespace {

using ui_test::ModalAnswers;

void Key(QWidget* w, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

TEST(IniEditDialog, ABadRowKeepsItOpenAndStoresNothingUntilEveryRowIsGood) {
  testing_support::ScriptedUi ui;
  ui::QtChoosers choosers;
  std::vector<STEditItem> rows = {{"Level", imRangeInteger, "10;20", "15"},
                                  {"COM Port", imSelectEnumerate, "COM 1;COM 2;COM 3", "2"},
                                  {"Count", imDirectInteger, "", "1"}};
  TfrmIniEdit dlg(nullptr, &rows, choosers, ui);
  dlg.show();
  EXPECT_EQ(dlg.CellText(1), "COM 3");
  EXPECT_EQ(dlg.findChild<QComboBox*>()->currentIndex(), 2);
  // A good row before a bad one is not stored either.
  dlg.SetCellText(0, "20");
  dlg.SetCellText(2, "abc");
  ui.ExpectMessage(0, platform::kIdOk, "[Count] : Input Error!");
  dlg.Button1->click();
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(rows[0].Value, "15");
  dlg.SetCellText(1, "COM 1");
  dlg.SetCellText(2, "0x10");
  dlg.Button1->click();
  EXPECT_EQ(dlg.result(), 1);
  EXPECT_EQ(rows[0].Value, "20");
  EXPECT_EQ(rows[1].Value, "0");
  EXPECT_EQ(rows[2].Value, "16");
  TfrmIniEdit cancelled(nullptr, &rows, choosers, ui);
  cancelled.show();
  cancelled.SetCellText(0, "11");
  cancelled.Button2->click();
  EXPECT_EQ(rows[0].Value, "20");
}

TEST(IniEditDialog, EllipsisRowsUseTheirChoosers) {
  testing_support::ScriptedUi ui;
  ui_test::PickingChoosers choosers;
  std::vector<STEditItem> rows = {{"Image", imSelectFile, "NVM files (*.eep);*.eep", "/img/old.eep"},
                                  {"Folder", imSelectDirectory, "", ""},
                                  {"Color", imSelectColor, "", "255"}};
  TfrmIniEdit dlg(nullptr, &rows, choosers, ui);
  dlg.show();
  ui.ExpectOpenFile("/img/new.eep");
  dlg.ValueListEditor1EditButtonClick(0);
  EXPECT_EQ(ui.LastFileDialog().title, "Image");
  EXPECT_EQ(ui.LastFileDialog().filter, "NVM files (*.eep)|*.eep");
  EXPECT_EQ(ui.LastFileDialog().initialDir, "/img/");
  EXPECT_EQ(dlg.CellText(0), "/img/new.eep");
  dlg.ValueListEditor1EditButtonClick(1);
  EXPECT_EQ(choosers.asked, "Folder");
  EXPECT_EQ(dlg.CellText(1), "/data/out");
  dlg.ValueListEditor1EditButtonClick(2);
  EXPECT_EQ(choosers.initials, std::vector<int>{255});
  EXPECT_EQ(dlg.CellText(2), std::to_string(0x00ABCDEF));
}

TEST(SearchDialog, OffersTheHistoryAndEnterSearches) {
  testing_support::ScriptedUi ui;
  const std::vector<std::string> history = {"VOLUME", "BASS"};
  STSearcSetting setting;
  TFrmSearchDlg dlg(nullptr, ui, &history, &setting);
  ModalAnswers answers;
  answers.Then([&](QDialog*) {
    EXPECT_EQ(dlg.SearchCBox->count(), 2);
    EXPECT_EQ(dlg.SearchCBox->currentText(), QStringLiteral("VOLUME"));
    dlg.SearchCBox->setEditText(QStringLiteral("treble"));
    dlg.cBoxWordSearch->setChecked(true);
    Key(dlg.SearchCBox->lineEdit(), Qt::Key_Return);
  });
  EXPECT_EQ(dlg.exec(), 1);
  EXPECT_EQ(setting.SearchText, "treble");
  EXPECT_TRUE(setting.WholeWord);

  STSearcSetting untouched;
  TFrmSearchDlg cancelled(nullptr, ui, &history, &untouched);
  answers.Then([&](QDialog*) { cancelled.btnCancel->click(); });
  EXPECT_EQ(cancelled.exec(), 2);
  EXPECT_TRUE(untouched.SearchText.empty());
}

TEST(InputBox, EnterConfirmsAndEscKeepsTheDefault) {
  ModalAnswers answers;
  answers.Then([](QDialog* w) {
    auto* edit = w->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(ui::FromQt(w->windowTitle()), "Input");
    edit->setText(ui::ToQt("映像"));
    Key(edit, Qt::Key_Return);
  });
  EXPECT_EQ(MyInputBox("Input", "Tab Name", "old"), "映像");

  answers.Then([](QDialog* w) {
    auto* edit = w->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("typed"));
    // The window's close box is refused; only the keys and buttons end it.
    EXPECT_FALSE(w->close());
    Key(edit, Qt::Key_Escape);
  });
  EXPECT_EQ(MyInputBox("Input", "Tab Name", "old"), "old");

  std::string text = "keep";
  answers.Then([](QDialog* w) {
    w->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
  });
  EXPECT_FALSE(MyInputQuery("Input", "Tab Name", text));
  EXPECT_EQ(text, "keep");
}

// ---- NVM dialogs ----

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

// ---- Message boxes ----

using QMB = QMessageBox;

TEST(MessageBoxFlags, ButtonsIconsAndTheAnswerWhenClosedWithoutAButton) {
  struct Case {
    int flags;
    QMB::StandardButtons buttons;
    QMB::Icon icon;
    int closed;  // Cancel where the box has one; an OK-only box answers OK, as the Windows box does on Esc
  };
  const Case cases[] = {
      {0x10, QMB::Ok, QMB::Critical, 1},
      {0x14, QMB::Yes | QMB::No, QMB::Critical, -1},
      {0x15, QMB::Retry | QMB::Cancel, QMB::Critical, 2},
      {0x23, QMB::Yes | QMB::No | QMB::Cancel, QMB::Question, 2},
      {0x24, QMB::Yes | QMB::No, QMB::Question, -1},
      {0x30, QMB::Ok, QMB::Warning, 1},
      {0x40, QMB::Ok, QMB::Information, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    EXPECT_EQ(ui::ButtonsForFlags(c.flags), c.buttons);
    EXPECT_EQ(ui::IconForFlags(c.flags), c.icon);
    if (c.closed > 0) {
      EXPECT_EQ(ui::ResultForButton(QMB::NoButton, c.flags), c.closed);
    }
  }
}

TEST(QtUiMessageBox, ShowsTheTextAndAnswersWithTheButtonPressed) {
  ui::QtUi qt;
  QString title, text;
  QMB::Icon icon = QMB::NoIcon;
  ui_test::ModalAnswers answers;
  answers.Then([&](QDialog* d) {
    auto* box = qobject_cast<QMessageBox*>(d);
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    box->button(QMB::Retry)->click();
  });
  EXPECT_EQ(qt.MessageBox("ERROR", "ファイル /tmp/a\\b.ini に書き込めません", 0x15), platform::kIdRetry);
  EXPECT_EQ(title, QStringLiteral("ERROR"));
  EXPECT_EQ(text, ui::ToQt("ファイル /tmp/a\\b.ini に書き込めません"));
  EXPECT_EQ(icon, QMB::Critical);

  // Closing the box with the window's close button answers Cancel.
  answers.Then([](QDialog* box) { box->close(); });
  EXPECT_EQ(qt.MessageBox("Confirmation", "Save?", 0x23), platform::kIdCancel);
  answers.Then([](QDialog* box) { qobject_cast<QMessageBox*>(box)->button(QMB::No)->click(); });
  EXPECT_EQ(qt.MessageBox("Confirmation", "Delete?", 0x24), platform::kIdNo);
}

}  // namespace
