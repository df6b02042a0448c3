#include "ui/frmscriptdialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <algorithm>

#include "platform/files.h"
#include "ui/textconv.h"

void IoDialogBeep(int /*type*/) { QApplication::beep(); }

TfrmIoDialog::TfrmIoDialog(QWidget* owner, int option, int mode, const std::string& prompt)
    : QDialog(owner), mode_(mode), option_(option), promptLines_(rules::PromptLines(prompt)) {
  setObjectName(QStringLiteral("frmIoDialog"));
  // A fixed dialog border without border icons.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  QFont f = font();
  f.setPixelSize(21);
  setFont(f);

  imgIcon = new QLabel(this);
  imgIcon->setObjectName(QStringLiteral("imgIcon"));
  imgIcon->setFixedSize(40, 40);
  edtInput = new QLineEdit(this);
  edtInput->setObjectName(QStringLiteral("edtInput"));
  btnB1 = new QPushButton(QStringLiteral("OK"), this);
  btnB1->setObjectName(QStringLiteral("btnB1"));
  btnB1->setDefault(true);
  btnB2 = new QPushButton(QStringLiteral("CANCEL"), this);
  btnB2->setObjectName(QStringLiteral("btnB2"));
  btnB3 = new QPushButton(QStringLiteral("JUMP"), this);
  btnB3->setObjectName(QStringLiteral("btnB3"));
  lstSelect = new QListWidget(this);
  lstSelect->setObjectName(QStringLiteral("lstSelect"));
  lstSelect->setSelectionMode(QAbstractItemView::SingleSelection);
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(rules::kIoAutoEraseMs);
  Timer1->setSingleShot(true);

  for (QWidget* w : {static_cast<QWidget*>(imgIcon), static_cast<QWidget*>(edtInput), static_cast<QWidget*>(btnB1),
                     static_cast<QWidget*>(btnB2), static_cast<QWidget*>(btnB3), static_cast<QWidget*>(lstSelect)}) {
    w->hide();
    w->installEventFilter(this);
  }

  connect(btnB1, &QPushButton::clicked, this, [this] { done(rules::kIoResultFirst); });
  connect(btnB2, &QPushButton::clicked, this, [this] { done(rules::kIoResultSecond); });
  connect(btnB3, &QPushButton::clicked, this, [this] { done(rules::kIoResultJump); });
  connect(lstSelect, &QListWidget::itemDoubleClicked, this, [this] { done(rules::kIoResultFirst); });
  connect(Timer1, &QTimer::timeout, this, [this] {
    Timer1->stop();
    done(rules::kIoResultFirst);
  });
  resize(280, 167);
}

void TfrmIoDialog::SetList(const std::string& text, int index) { SetList(platform::SplitLines(text), index); }

void TfrmIoDialog::SetList(const std::vector<std::string>& items, int index) {
  lstSelect->clear();
  for (const std::string& item : items) lstSelect->addItem(ui::ToQt(item));
  lstSelect->clearSelection();
  if (index >= 0 && index < lstSelect->count()) lstSelect->setCurrentRow(index);
}

int TfrmIoDialog::GetSelectedIndex() const {
  if (lstSelect->isHidden()) return -1;
  const QList<QListWidgetItem*> selected = lstSelect->selectedItems();
  return selected.isEmpty() ? -1 : lstSelect->row(selected.first());
}

void TfrmIoDialog::SetIcon(rules::IoIcon icon) {
  QStyle::StandardPixmap which = QStyle::SP_MessageBoxInformation;
  switch (icon) {
    case rules::kIoIconQuestion:
      which = QStyle::SP_MessageBoxQuestion;
      break;
    case rules::kIoIconWarning:
      which = QStyle::SP_MessageBoxWarning;
      break;
    case rules::kIoIconError:
      which = QStyle::SP_MessageBoxCritical;
      break;
    case rules::kIoIconInformation:
      break;
  }
  imgIcon->setPixmap(style()->standardIcon(which, nullptr, this).pixmap(32, 32));
  imgIcon->setAlignment(Qt::AlignCenter);
  imgIcon->show();
}

void TfrmIoDialog::showEvent(QShowEvent* event) {
  if (!shown_ && !event->spontaneous()) {
    shown_ = true;
    FormShow();
  }
  QDialog::showEvent(event);
}

void TfrmIoDialog::FormShow() {
  switch (mode_) {
    case rules::kIoInput:
      setWindowTitle(ui::ToQt(rules::InputCaption(option_)));
      SetIcon(rules::kIoIconQuestion);
      edtInput->setText(blank_ ? QString() : ui::ToQt(rules::InitialInputText(option_, integer_, floating_, text_)));
      edtInput->show();
      edtInput->selectAll();
      edtInput->setFocus();
      break;
    case rules::kIoMessage: {
      const rules::IoMessageLook look = rules::MessageLook(option_);
      setWindowTitle(ui::ToQt(look.caption));
      SetIcon(look.icon);
      IoDialogBeep(look.beep);
      btnB1->setText(ui::ToQt(look.button1));
      btnB1->show();
      if (!look.button2.empty()) {
        btnB2->setText(ui::ToQt(look.button2));
        btnB2->show();
      }
      btnB3->setVisible(look.jump);
      btnB1->setFocus();
      if (look.autoErase) Timer1->start();
      break;
    }
    case rules::kIoSelect:
      setWindowTitle(QStringLiteral("SELECT"));
      SetIcon(rules::kIoIconInformation);
      lstSelect->show();
      btnB1->setText(QStringLiteral("OK"));
      btnB2->setText(QStringLiteral("CANCEL"));
      btnB1->show();
      btnB2->show();
      lstSelect->setFocus();
      break;
    default:
      break;
  }
  Layout();
}

void TfrmIoDialog::Layout() {
  rules::IoDialogMeasures m;
  const QFontMetrics fm(font());
  for (const std::string& line : promptLines_)
    m.lines.push_back({fm.horizontalAdvance(ui::ToQt(line)), fm.height()});
  m.icon = {imgIcon->width(), imgIcon->height()};
  m.edit = {std::max(200, edtInput->sizeHint().width()), edtInput->sizeHint().height()};
  int buttonW = 0;
  int buttonH = 0;
  for (QPushButton* b : {btnB1, btnB2, btnB3}) {
    buttonW = std::max(buttonW, b->sizeHint().width());
    buttonH = std::max(buttonH, b->sizeHint().height());
  }
  m.button = {std::max(buttonW, 90), buttonH};
  int rows = std::min(lstSelect->count(), rules::kIoListRows);
  int sum = 0;
  for (int i = 0; i < rows; ++i) sum += lstSelect->sizeHintForRow(i);
  m.listRowHeight = (rows > 0 ? sum / rows : QFontMetrics(lstSelect->font()).height()) + 1;
  m.showEdit = !edtInput->isHidden();
  m.showList = !lstSelect->isHidden();
  m.buttons = btnB1->isHidden() ? 0 : (btnB2->isHidden() ? 1 : 2);
  m.jump = !btnB3->isHidden();

  const rules::IoDialogLayout l = rules::LayoutIoDialog(m);
  auto place = [](QWidget* w, const rules::IoRect& r) { w->setGeometry(r.x, r.y, r.w, r.h); };
  place(imgIcon, l.icon);
  if (m.showEdit) place(edtInput, l.edit);
  if (m.showList) place(lstSelect, l.list);
  if (m.buttons >= 1) place(btnB1, l.button1);
  if (m.buttons >= 2) place(btnB2, l.button2);
  if (m.jump) place(btnB3, l.jump);
  textLeft_ = l.text.x;
  textTop_ = l.text.y;
  setFixedSize(l.client.w, l.client.h);
}

void TfrmIoDialog::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  painter.setFont(font());
  const QFontMetrics fm(font());
  int y = textTop_;
  for (const std::string& line : promptLines_) {
    painter.drawText(QRect(textLeft_, y, width() - textLeft_, fm.height()), Qt::AlignLeft | Qt::AlignTop,
                     ui::ToQt(line));
    y += fm.height();
  }
}

void TfrmIoDialog::done(int result) {
  if (mode_ == rules::kIoInput && result == rules::kIoResultFirst) {
    const std::string typed = ui::FromQt(edtInput->text());
    if (option_ == rules::kIoInteger) {
      int value = 0;
      if (!rules::ParseInputInteger(typed, value)) {
        IoDialogBeep(0x10);
        return;
      }
      integer_ = value;
    } else if (option_ == rules::kIoFloating) {
      double value = 0.0;
      if (!rules::ParseInputFloating(typed, value)) {
        IoDialogBeep(0x10);
        return;
      }
      floating_ = value;
    }
    text_ = typed;
  }
  Timer1->stop();
  QDialog::done(result);
}

void TfrmIoDialog::reject() { done(rules::kIoResultSecond); }

// The form sees Enter and Esc before any of its controls.
void TfrmIoDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      done(rules::kIoResultFirst);
      return;
    case Qt::Key_Escape:
      done(rules::kIoResultSecond);
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

bool TfrmIoDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
      keyPressEvent(static_cast<QKeyEvent*>(event));
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}
