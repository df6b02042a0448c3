#include "ui/frminiedit.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/convert.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "rules/inieditrules.h"
#include "ui/choosers.h"
#include "ui/qtui.h"
#include "ui/textconv.h"

TfrmIniEdit::TfrmIniEdit(QWidget* owner, std::vector<STEditItem>* items, ui::Choosers& choosers, platform::Ui& ui)
    : QDialog(owner), items_(items), choosers_(choosers), ui_(ui) {
  setObjectName(QStringLiteral("frmIniEdit"));
  setWindowTitle(QStringLiteral("INI-File Editor"));
  resize(381, 368);

  txtPath = new QLabel(this);
  txtPath->setObjectName(QStringLiteral("txtPath"));
  txtPath->setFixedHeight(20);
  txtPath->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  txtPath->setAutoFillBackground(true);
  QPalette pal = txtPath->palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::white);
  txtPath->setPalette(pal);

  ValueListEditor1 = new QTableWidget(0, 2, this);
  ValueListEditor1->setObjectName(QStringLiteral("ValueListEditor1"));
  ValueListEditor1->setHorizontalHeaderLabels({QStringLiteral("ITEM"), QStringLiteral("VALUE")});
  ValueListEditor1->verticalHeader()->hide();
  ValueListEditor1->setColumnWidth(0, 150);
  ValueListEditor1->setColumnWidth(1, 225);
  ValueListEditor1->horizontalHeader()->setStretchLastSection(true);

  Panel1 = new QWidget(this);
  Panel1->setFixedHeight(40);
  Button1 = new QPushButton(QStringLiteral("OK"), Panel1);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("CANCEL"), Panel1);
  Button2->setObjectName(QStringLiteral("Button2"));
  auto* buttons = new QHBoxLayout(Panel1);
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  connect(Button1, &QPushButton::clicked, this, [this] { done(1); });
  connect(Button2, &QPushButton::clicked, this, [this] { done(2); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(txtPath);
  layout->addWidget(ValueListEditor1, 1);
  layout->addWidget(Panel1);
}

void TfrmIniEdit::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

void TfrmIniEdit::FormShow() {
  txtPath->setText(QStringLiteral("Edit ") + ui::ToQt(filePath_));
  setWindowTitle(QString());
  if (items_) list_.LoadFromEditItems(*items_);
  ValueListEditor1->clearContents();
  ValueListEditor1->setRowCount(list_.GetCount());
  for (int i = 0; i < list_.GetCount(); ++i) {
    const TIniProperty& p = list_.GetItem(i);
    std::string name;
    p.GetName(name);
    auto* nameItem = new QTableWidgetItem(ui::ToQt(name));
    nameItem->setFlags(Qt::ItemIsEnabled);
    ValueListEditor1->setItem(i, 0, nameItem);
    ValueListEditor1->setCellWidget(i, 1, MakeEditor(i, p));
  }
}

QWidget* TfrmIniEdit::MakeEditor(int row, const TIniProperty& p) {
  const QString text = ui::ToQt(rules::DisplayText(p));
  switch (rules::EditorFor(p.InputMethod())) {
    case rules::IniCellEditor::PickList: {
      auto* box = new QComboBox;
      box->setEditable(true);
      box->setInsertPolicy(QComboBox::NoInsert);
      for (const std::string& e : rules::RangeEntries(p)) box->addItem(ui::ToQt(e));
      // The list opens on the value shown, not on its first entry.
      box->setCurrentIndex(box->findText(text));
      box->setEditText(text);
      return box;
    }
    case rules::IniCellEditor::Ellipsis: {
      auto* holder = new QWidget;
      auto* edit = new QLineEdit(text, holder);
      auto* button = new QToolButton(holder);
      button->setText(QStringLiteral("..."));
      auto* l = new QHBoxLayout(holder);
      l->setContentsMargins(0, 0, 0, 0);
      l->setSpacing(0);
      l->addWidget(edit, 1);
      l->addWidget(button);
      connect(button, &QToolButton::clicked, this, [this, row] { ValueListEditor1EditButtonClick(row); });
      return holder;
    }
    case rules::IniCellEditor::Plain:
      break;
  }
  return new QLineEdit(text);
}


std::string TfrmIniEdit::CellText(int row) const {
  QWidget* w = ValueListEditor1->cellWidget(row, 1);
  if (!w) return std::string();
  if (auto* box = qobject_cast<QComboBox*>(w)) return ui::FromQt(box->currentText());
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return ui::FromQt(edit->text());
  if (auto* edit = w->findChild<QLineEdit*>()) return ui::FromQt(edit->text());
  return std::string();
}

void TfrmIniEdit::SetCellText(int row, const std::string& text) {
  QWidget* w = ValueListEditor1->cellWidget(row, 1);
  if (!w) return;
  if (auto* box = qobject_cast<QComboBox*>(w))
    box->setEditText(ui::ToQt(text));
  else if (auto* edit = qobject_cast<QLineEdit*>(w))
    edit->setText(ui::ToQt(text));
  else if (auto* inner = w->findChild<QLineEdit*>())
    inner->setText(ui::ToQt(text));
}

void TfrmIniEdit::ValueListEditor1EditButtonClick(int row) {
  if (row < 0 || row >= list_.GetCount()) return;
  const TIniProperty& p = list_.GetItem(row);
  std::string name;
  p.GetName(name);
  const std::string current = CellText(row);
  switch (p.InputMethod()) {
    case imSelectFile: {
      platform::FileDialogOptions o;
      o.title = name;
      o.filter = rules::FileFilterOf(p);
      if (!current.empty()) o.initialDir = platform::ExtractFilePath(current);
      std::string path;
      if (ui_.OpenFileDialog(o, path)) SetCellText(row, path);
      break;
    }
    case imSelectDirectory: {
      std::string folder = current;
      if (choosers_.ChooseFolder(name, folder)) SetCellText(row, folder);
      break;
    }
    case imSelectColor: {
      int color = 0;
      if (choosers_.ChooseColor(platform::StrToIntDef(current, 0), color))
        SetCellText(row, platform::Format("%d", color));
      break;
    }
    default:
      break;
  }
}

void TfrmIniEdit::done(int result) {
  if (result == 1) {
    std::vector<std::string> texts;
    for (int i = 0; i < list_.GetCount(); ++i) texts.push_back(CellText(i));
    std::vector<STEditItem> none;
    std::string message;
    if (!rules::AcceptIniEdits(list_, texts, items_ ? *items_ : none, message, ui_.IsJapanese())) {
      ui_.MessageBox("ERROR", message, 0);
      return;
    }
  }
  QDialog::done(result);
}

namespace ui {

bool ShowIniEdit(std::vector<STEditItem>& rows, Choosers& choosers, platform::Ui& ui) {
  TfrmIniEdit dlg(ActiveOwner(&ui), &rows, choosers, ui);
  return dlg.exec() == 1;
}

}  // namespace ui
