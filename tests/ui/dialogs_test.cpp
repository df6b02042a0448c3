// The dialogs offscreen, each driven the way a user would: the parameter
// editor, the input box, the NVM device dialog, the result window, the S/H
// choice and the message box; modal dialogs the window manager minimized.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTranslator>

#include "model/registers.h"
#include "model/vunddata.h"
#include "platform/ui.h"
#include "qt_helpers.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "ui/application.h"
#include "ui/choosers.h"
#include "ui/frmcompeepdata.h"
#include "ui/frmeditreg.h"
#include "ui/frminiedit.h"
#include "ui/frmmyinputdlg.h"
#include "ui/frmnvmaccess.h"
#include "ui/frmscriptdialog.h"
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

TEST(InputBox, EnterConfirmsAndEscKeepsTheDefault) {
  ModalAnswers answers;
  // The default text is selected, so what is typed replaces it.
  answers.Then([](QDialog* w) {
    auto* edit = w->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    ASSERT_NE(edit, nullptr);
    QKeyEvent five(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, QStringLiteral("5"));
    QApplication::sendEvent(edit, &five);
    Key(edit, Qt::Key_Return);
  });
  EXPECT_EQ(MyInputBox("Input", "Table 1 Value", "77"), "5");

  answers.Then([](QDialog* w) {
    auto* edit = w->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    ASSERT_NE(edit, nullptr);
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
}

TEST(SearchDialog, TypingReplacesTheLastTextOffered) {
  testing_support::ScriptedUi scripted;
  const std::vector<std::string> history{"Tint", "Gamma"};
  STSearcSetting setting;
  TFrmSearchDlg dlg(nullptr, scripted, &history, &setting);
  dlg.show();
  QLineEdit* edit = dlg.SearchCBox->lineEdit();
  EXPECT_EQ(edit->selectedText(), QStringLiteral("Tint"));
  for (const QChar c : QStringLiteral("Bri")) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(edit, &press);
  }
  Key(edit, Qt::Key_Return);
  EXPECT_EQ(setting.SearchText, "Bri");
}

// ---- NVM dialogs ----

std::string Text(const QString& s) { return ui::FromQt(s); }

// The device dialog shows the chosen device's range and stores the choice on
// OK only; the result window saves the lines it was given, not what was typed.
TEST(NvmDialogs, TheDeviceChoiceIsStoredOnOkAndTheResultWindowSavesItsOwnLines) {
  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi scripted;
  VundData vund{scripted};
  dir.Write("vund.dat",
            "[EcsSettings]\r\nEEPDeviceName1=EEPROM\r\nEEPDeviceType1=1\r\nEEPBackupStart1=0\r\nEEPBackupEnd1=0x1FFF\r\n"
            "EEPDeviceName2=SUB EEPROM\r\nEEPDeviceType2=2\r\nEEPBackupStart2=0x10\r\nEEPBackupEnd2=0x3FF\r\n");
  ASSERT_TRUE(vund.LoadVundData());
  int index = -1;
  ModalAnswers answers;
  for (const char* button : {"btnCancel", "btnOk"}) {
    answers.Then([button](QDialog* d) {
      auto* dlg = qobject_cast<TfrmNVMAccess*>(d);
      dlg->initTimerTimer();
      EXPECT_EQ(Text(dlg->edtEndAddr->text()), "0x1FFF");
      dlg->cBoxDeviceName->setCurrentIndex(1);
      EXPECT_EQ(Text(dlg->edtStartAddr->text()), "0x10");
      EXPECT_EQ(Text(dlg->edtEndAddr->text()), "0x3FF");
      dlg->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    });
  }
  EXPECT_EQ(SelectTargetNvm(nullptr, scripted, vund, index), 2);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(SelectTargetNvm(nullptr, scripted, vund, index), 1);
  EXPECT_EQ(index, 1);

  const std::vector<std::string> lines = {"Address 0x0001, File = 0x12, NVM = 0x00",
                                          "Address 0x0101, File = 0xFF, NVM = 0x7F"};
  TfrmCompEEPData result(nullptr, scripted, &lines);
  result.initTimerTimer();
  EXPECT_EQ(Text(result.ResultMemo->toPlainText()), lines[0] + "\n" + lines[1]);
  result.ResultMemo->appendPlainText(QStringLiteral("typed"));
  scripted.ExpectSaveFile(dir.File("log.csv"));
  EXPECT_TRUE(result.S1Click());
  EXPECT_EQ(dir.Read("log.csv"), lines[0] + "\r\n" + lines[1] + "\r\n");
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

TEST(QtUiMessageBox, ShowsTheTextAsItIsAndAnswersWithTheButtonPressedOrCancelWhenClosedInTheUiLanguage) {
  ui::QtUi qt;
  QString text;
  ModalAnswers answers;
  answers.Then([&](QDialog* d) {
    auto* box = qobject_cast<QMessageBox*>(d);
    text = box->text();
    box->button(QMessageBox::Retry)->click();
  });
  EXPECT_EQ(qt.MessageBox("ERROR", "ファイル /tmp/a\\b.ini に書き込めません", 0x15), platform::kIdRetry);
  EXPECT_EQ(text, ui::ToQt("ファイル /tmp/a\\b.ini に書き込めません"));
  // Closing the box with the window's close button answers Cancel; in a
  // Japanese run Qt's own buttons are Japanese.
  QTranslator* japanese = ui::LoadQtTranslations(*qApp, true);
  ASSERT_NE(japanese, nullptr) << "Qt's translations are not installed (scripts/install-deps)";
  answers.Then([&text](QDialog* box) {
    text = qobject_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->text();
    box->close();
  });
  EXPECT_EQ(qt.MessageBox("Confirmation", "Save?", 0x23), platform::kIdCancel);
  delete japanese;  // which takes it off the application
  EXPECT_NE(text, QStringLiteral("&Yes"));
}

// A Yes/No question is answered by its buttons only: Esc and the close
// button leave it open (Esc must not go on towards a full NVM write); a box
// is at least as wide as its caption needs.
TEST(QtUiMessageBox, AYesNoBoxIgnoresEscAndItsCloseButtonAndEveryBoxFitsItsCaption) {
  ui::QtUi qt;
  ModalAnswers answers;
  for (int flags : {0x24, 0x14}) {
    answers.Then([](QDialog* d) {
      Key(d, Qt::Key_Escape);
      EXPECT_TRUE(d->isVisible());
      EXPECT_FALSE(d->close());
      EXPECT_TRUE(d->isVisible());
      qobject_cast<QMessageBox*>(d)->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(qt.MessageBox("Confirmation", "Do you use MASK file ?", flags), platform::kIdNo);
  }
  // Where there is a Cancel, Esc still answers it.
  answers.Then([](QDialog* d) { Key(d, Qt::Key_Escape); });
  EXPECT_EQ(qt.MessageBox("Confirmation", "Save?", 0x23), platform::kIdCancel);

  int width = 0, needed = 0;
  answers.Then([&](QDialog* d) {
    width = d->width();
    needed = ui::CaptionRoom(d->windowTitle(), d->font());
    d->accept();
  });
  qt.MessageBox("Information", "OK", 0x40);
  EXPECT_GE(width, needed);
}

// A window manager that offers minimize and maximize on any window: each
// modal dialog of the program comes back at once as it was. A window that
// is not modal stays as the user left it.
TEST(ModalDialogKeeper, AMinimizedOrMaximizedModalDialogComesBackAsItWas) {
  ui::ModalDialogKeeper keeper(*qApp);
  const auto settle = [] {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  };
  QWidget mainWindow;
  mainWindow.show();
  testing_support::ScriptedUi scripted;
  Registers regs;
  const ST_REGISTER reg{"InputSrc", "", 0x70, 0xF0, 15, 0};
  int value = 0;
  TfrmEditReg valueDialog(&mainWindow, scripted, regs, false, &value, &reg, [](uint32_t, uint32_t) { return true; });
  TfrmIoDialog scriptDialog(&mainWindow, 0x40, rules::kIoMessage, "Stop?");
  QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), QStringLiteral("Save completed"),
                  QMessageBox::Ok, &mainWindow);
  for (QDialog* dialog : {static_cast<QDialog*>(&valueDialog), static_cast<QDialog*>(&scriptDialog),
                          static_cast<QDialog*>(&box)}) {
    const std::string name = dialog->metaObject()->className();
    dialog->open();
    settle();
    const QSize size = dialog->size();
    for (Qt::WindowState state : {Qt::WindowMinimized, Qt::WindowMaximized}) {
      dialog->setWindowState(state);
      settle();
      EXPECT_EQ(dialog->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized), Qt::WindowNoState)
          << name << " " << state;
      EXPECT_TRUE(dialog->isVisible()) << name;
      EXPECT_EQ(dialog->size(), size) << name;
    }
    // Gone down with the main window, as some window managers do it, it
    // still comes back: nothing else might be left on the screen.
    mainWindow.setWindowState(Qt::WindowMinimized);
    dialog->setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(ui_test::PumpUntil([&] { return !dialog->isMinimized(); })) << name << " stayed down";
    mainWindow.setWindowState(Qt::WindowNoState);
    dialog->done(QDialog::Rejected);
    settle();
  }

  QWidget tool;
  tool.show();
  tool.setWindowState(Qt::WindowMinimized);
  settle();
  EXPECT_TRUE(tool.isMinimized());
}

// A font of another system is drawn with an installed one: the dialog opens on it; confirmed, the name stays.
TEST(QtChoosers, TheFontDialogOpensOnTheFontInUse) {
  ui::FontChoice font{"ＭＳ Ｐゴシック", 0, 16, 0};
  const QString inUse = QFontInfo(ui::FontOf(font)).family();
  ModalAnswers answers;
  answers.Then([&](QDialog* d) {
    const QFont shown = qobject_cast<QFontDialog*>(d) ? qobject_cast<QFontDialog*>(d)->currentFont() : QFont();
    EXPECT_EQ(shown.family().toStdString(), inUse.toStdString());
    EXPECT_EQ(shown.pointSize(), 16);
    d->accept();
  });
  EXPECT_TRUE(ui::QtChoosers().ChooseFont(font, false));
  EXPECT_EQ(font.name, "ＭＳ Ｐゴシック");
}

}  // namespace
