// The small dialogs offscreen: the parameter editor, the search dialog and the
// input box, each driven the way a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "mainwindow_parts.h"
#include "modal_answers.h"
#include "model/iniproperty.h"
#include "platform/ui.h"
#include "support/scripted_ui.h"
#include "ui/choosers.h"
#include "ui/frminiedit.h"
#include "ui/frmmyinputdlg.h"
#include "ui/frmsearchdlg.h"
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

}  // namespace
