// The script dialog: number input, the message that closes itself, and the
// answers the script gets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTimer>
#include <climits>
#include <thread>

#include "platform/mainwindowservices.h"
#include "rules/scriptdialogrules.h"
#include "ui/frmscriptdialog.h"
#include "ui/qtscripthost.h"

namespace {

void PressKey(QWidget* w, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

TEST(ScriptDialogTest, InputConvertsOnOkRefusedTextKeepsItOpenAndAnAutoEraseMessageClosesWithOk) {
  TfrmIoDialog dlg(nullptr, rules::kIoInteger, rules::kIoInput, "Value?");
  dlg.SetInteger(7);
  dlg.show();
  dlg.edtInput->setText(QStringLiteral("12a"));
  PressKey(dlg.edtInput, Qt::Key_Return);
  EXPECT_TRUE(dlg.isVisible());
  dlg.edtInput->setText(QStringLiteral("99999999999"));
  PressKey(dlg.edtInput, Qt::Key_Return);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), 1);
  EXPECT_EQ(dlg.GetInteger(), INT_MAX);

  TfrmIoDialog erase(nullptr, 0x04, rules::kIoMessage, "Saved");
  erase.Timer1->setInterval(5);  // the real 1.5 s is not waited for here
  EXPECT_EQ(erase.exec(), 1);
}

TEST(ScriptDialogTest, HostDialogsCopyTheAnswerOnlyWhenConfirmed) {
  platform::SilentServices services;
  ui::QtScriptHost host{services};
  // Answer each dialog as soon as it is up.
  auto answer = [](int key, const QString& text) {
    QTimer::singleShot(0, [key, text] {
      auto* dlg = qobject_cast<TfrmIoDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dlg, nullptr);
      if (!text.isNull()) dlg->edtInput->setText(text);
      PressKey(dlg, key);
    });
  };
  ScriptInputValue value;
  value.floating = 1.0;
  answer(Qt::Key_Return, QStringLiteral("2.5e1"));
  EXPECT_EQ(host.InputDialog("x", rules::kIoFloating, value), kScriptDlgOk);
  EXPECT_DOUBLE_EQ(value.floating, 25.0);
  answer(Qt::Key_Escape, QStringLiteral("9"));
  EXPECT_EQ(host.InputDialog("x", rules::kIoFloating, value), kScriptDlgCancel);
  EXPECT_DOUBLE_EQ(value.floating, 25.0);

  int index = 5;
  answer(Qt::Key_Escape, QString());
  EXPECT_EQ(host.SelectDialog("p", {"a", "b", "c"}, index), kScriptDlgCancel);
  EXPECT_EQ(index, 5);
}

// The box opens on the script's value, or empty when it has none of the
// kind asked for; Enter keeps what it opened on.
TEST(ScriptDialogTest, HostInputOpensOnTheScriptsValueOrEmpty) {
  platform::SilentServices services;
  ui::QtScriptHost host{services};
  QString seen;
  auto enter = [&seen] {
    QTimer::singleShot(0, [&seen] {
      auto* dlg = qobject_cast<TfrmIoDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dlg, nullptr);
      seen = dlg->edtInput->text();
      PressKey(dlg, Qt::Key_Return);
    });
  };
  ScriptInputValue value;
  value.integer = 69;
  enter();
  EXPECT_EQ(host.InputDialog("x", rules::kIoInteger, value), kScriptDlgOk);
  EXPECT_EQ(seen, QStringLiteral("69"));
  EXPECT_EQ(value.integer, 69);
  value.blank = true;
  enter();
  EXPECT_EQ(host.InputDialog("x", rules::kIoInteger, value), kScriptDlgOk);
  EXPECT_EQ(seen, QString());
  EXPECT_EQ(value.integer, 0);
}

// A script thread shows the progress window without waiting for the main
// thread; it shows files done out of files to do until it is closed.
TEST(ScriptDialogTest, ProgressWindowFollowsCallsFromAScriptThreadUntilClosed) {
  platform::SilentServices services;
  ui::QtScriptHost host{services};
  std::thread script([&] {
    host.ShowProgress("Dir Copy...", 0, 4);
    host.ShowProgress("Dir Copy...", 3, 4);
  });
  script.join();
  EXPECT_EQ(host.Progress(), nullptr);  // nothing happens off the main thread
  QCoreApplication::processEvents();
  ASSERT_NE(host.Progress(), nullptr);
  EXPECT_TRUE(host.Progress()->isVisible());
  EXPECT_EQ(host.Progress()->windowTitle(), QStringLiteral("Dir Copy..."));
  EXPECT_EQ(host.Progress()->labelText(), QStringLiteral("3 / 4"));
  EXPECT_EQ(host.Progress()->value(), 3);
  EXPECT_EQ(host.Progress()->maximum(), 4);
  // Only the end of the copy takes it away: not the window's close, not Esc.
  EXPECT_FALSE(host.Progress()->close());
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(host.Progress(), &escape);
  EXPECT_TRUE(host.Progress()->isVisible());
  host.CloseProgress();
  QCoreApplication::processEvents();
  EXPECT_EQ(host.Progress(), nullptr);
}

}  // namespace
