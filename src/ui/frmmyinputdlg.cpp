#include "ui/frmmyinputdlg.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/qtui.h"
#include "ui/textconv.h"

TFormMyInputDlg::TFormMyInputDlg(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("FormMyInputDlg"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint);
  Label1 = new QLabel(this);
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setMinimumWidth(260);
  Edit1->installEventFilter(this);
  btnOk = new QPushButton(QStringLiteral("OK"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnCancel = new QPushButton(QStringLiteral("CANCEL"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  connect(btnOk, &QPushButton::clicked, this, [this] { done(1); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { done(2); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(Edit1);
  layout->addLayout(buttons);
}

void TFormMyInputDlg::closeEvent(QCloseEvent* event) {
  // Only the buttons and the keys end it.
  event->ignore();
}

bool TFormMyInputDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      done(1);
      return true;
    }
    if (key == Qt::Key_Escape) {
      done(2);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFormMyInputDlg::keyPressEvent(QKeyEvent* event) {
  // Esc outside the edit field is CANCEL too (QDialog would reject with 0).
  if (event->key() == Qt::Key_Escape) {
    done(2);
    return;
  }
  QDialog::keyPressEvent(event);
}

bool MyInputQuery(const std::string& caption, const std::string& prompt, std::string& text, char passwordChar,
                  QWidget* owner) {
  TFormMyInputDlg dlg(owner);
  dlg.setWindowTitle(ui::ToQt(caption));
  dlg.Label1->setText(ui::ToQt(prompt));
  if (passwordChar) dlg.Edit1->setEchoMode(QLineEdit::Password);
  dlg.Edit1->setText(ui::ToQt(text));
  // Typing replaces what is offered, as in the value dialog.
  dlg.Edit1->selectAll();
  if (dlg.exec() != 1) return false;
  text = ui::FromQt(dlg.Edit1->text());
  return true;
}

std::string MyInputBox(const std::string& caption, const std::string& prompt, const std::string& defaultText,
                       char passwordChar) {
  std::string text = defaultText;
  MyInputQuery(caption, prompt, text, passwordChar, ui::ActiveOwner(nullptr));
  return text;
}
