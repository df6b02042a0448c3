#include "ui/frmanalyzer.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/textconv.h"

TFrmAlalyzer::TFrmAlalyzer(QWidget* owner, TTargetControl& target, platform::Ui& ui)
    : QDialog(owner), terminal_(target, ui, [this](const std::string& line) { AddLine(line); }) {
  setObjectName(QStringLiteral("FrmAlalyzer"));
  setWindowTitle(QStringLiteral("FrmAlalyzer"));
  resize(578, 486);

  // The box spans the window, as its controls' places are counted from the window's width.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  GroupBox1 = new QGroupBox(QStringLiteral("Send Command"), this);
  GroupBox1->setFixedHeight(rules::kAnalyzerSendBoxHeight);
  edtSendCmmd = new QLineEdit(GroupBox1);
  edtSendCmmd->setObjectName(QStringLiteral("edtSendCmmd"));
  cBoxChkSum = new QCheckBox(QStringLiteral("Add Check Sum"), GroupBox1);
  cBoxChkSum->setObjectName(QStringLiteral("cBoxChkSum"));
  BtnSendCommad = new QPushButton(QStringLiteral("SEND"), GroupBox1);
  BtnSendCommad->setObjectName(QStringLiteral("BtnSendCommad"));
  btnClear = new QPushButton(QStringLiteral("CLEAR"), GroupBox1);
  btnClear->setObjectName(QStringLiteral("btnClear"));
  // Enter belongs to the command line: no button may take it as the default.
  for (QPushButton* b : {BtnSendCommad, btnClear}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
  layout->addWidget(GroupBox1);

  CommMemo = new QPlainTextEdit(this);
  CommMemo->setObjectName(QStringLiteral("CommMemo"));
  CommMemo->setReadOnly(true);
  CommMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  CommMemo->setStyleSheet(QStringLiteral("QPlainTextEdit { background: black; color: white; }"));
  layout->addWidget(CommMemo, 1);

  ReadTimer = new QTimer(this);
  ReadTimer->setInterval(500);
  connect(ReadTimer, &QTimer::timeout, this, [this] { ReadTimerTimer(); });
  connect(edtSendCmmd, &QLineEdit::returnPressed, this, [this] { SendCommand(); });
  connect(BtnSendCommad, &QPushButton::clicked, this, [this] { SendCommand(); });
  connect(btnClear, &QPushButton::clicked, this, [this] { btnClearClick(); });
}

void TFrmAlalyzer::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FormResize();
}

void TFrmAlalyzer::FormResize() {
  rules::AnalyzerSendBoxSizes sizes;
  sizes.width = width();
  const QRect content = GroupBox1->contentsRect();
  sizes.contentTop = content.top();
  sizes.editLeft = std::max(sizes.editLeft, content.left());
  sizes.editHeight = edtSendCmmd->sizeHint().height();
  const QSize button = BtnSendCommad->sizeHint().expandedTo(btnClear->sizeHint()).expandedTo(QSize(75, 0));
  sizes.buttonWidth = button.width();
  sizes.buttonHeight = button.height();
  sizes.checkWidth = cBoxChkSum->sizeHint().width();
  sizes.checkHeight = cBoxChkSum->sizeHint().height();
  const rules::AnalyzerSendBox box = rules::LayoutAnalyzerSendBox(sizes);
  auto place = [](QWidget* w, const rules::AnalyzerRect& r) { w->setGeometry(r.x, r.y, r.w, r.h); };
  place(edtSendCmmd, box.edit);
  place(BtnSendCommad, box.send);
  place(btnClear, box.clear);
  place(cBoxChkSum, box.checksum);
}

void TFrmAlalyzer::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  edtSendCmmd->setFocus();
}

void TFrmAlalyzer::SendCommand() {
  const std::string typed = ui::FromQt(edtSendCmmd->text());
  std::string command = typed;
  const bool sent = terminal_.SendCommand(command, cBoxChkSum->isChecked());
  if (command != typed) edtSendCmmd->setText(ui::ToQt(command));
  if (sent) ReadTimer->start();
}

void TFrmAlalyzer::btnClearClick() { edtSendCmmd->clear(); }

void TFrmAlalyzer::ReadTimerTimer() {
  ReadTimer->stop();
  terminal_.ReadReceived();
  ReadTimer->start();
}

bool TFrmAlalyzer::Receiving() const { return ReadTimer->isActive(); }

void TFrmAlalyzer::AddLine(const std::string& line) {
  // appendPlainText cannot start the log with an empty line.
  QTextCursor cursor(CommMemo->document());
  cursor.movePosition(QTextCursor::End);
  if (logStarted_) cursor.insertBlock();
  cursor.insertText(ui::ToQt(line));
  logStarted_ = true;
  CommMemo->verticalScrollBar()->setValue(CommMemo->verticalScrollBar()->maximum());
}

void ShowAnalyzer(QWidget* owner, TTargetControl& target, platform::Ui& ui) {
  auto* form = new TFrmAlalyzer(owner, target, ui);
  form->exec();
  delete form;
}
