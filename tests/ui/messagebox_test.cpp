#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

#include "modal_answers.h"
#include "platform/ui.h"
#include "ui/qtui.h"
#include "ui/textconv.h"

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
