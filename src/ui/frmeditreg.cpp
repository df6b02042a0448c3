#include "ui/frmeditreg.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>

#include "platform/convert.h"
#include "ui/application.h"
#include "ui/qtui.h"
#include "ui/textconv.h"

TfrmEditReg::TfrmEditReg(QWidget* owner, platform::Ui& ui, Registers& set, bool hex, int* value, const ST_REGISTER* reg,
                         rules::RegisterWriter writer)
    : QDialog(owner), ui_(ui), value_(value) {
  setObjectName(QStringLiteral("frmEditReg"));

  edtReg = new QLineEdit(this);
  edtReg->setObjectName(QStringLiteral("edtReg"));
  edtReg->installEventFilter(this);

  RegAttr = new QLabel(this);
  RegAttr->setObjectName(QStringLiteral("RegAttr"));
  RegAttr->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Layout();

  initTimer = new QTimer(this);
  initTimer->setSingleShot(true);
  initTimer->setInterval(10);
  connect(initTimer, &QTimer::timeout, this, &TfrmEditReg::initTimerTimer);

  session_ = std::make_unique<rules::EditRegSession>(set, reg ? *reg : ST_REGISTER(), value ? *value : 0, hex,
                                                     std::move(writer));
}

TfrmEditReg::~TfrmEditReg() = default;

namespace {
constexpr int kClientWidth = 134;
constexpr int kClientHeight = 61;
constexpr int kControlWidth = 120;
}  // namespace

// As wide as the caption (the register's name) needs beside the title
// buttons, the two controls centred in it.
void TfrmEditReg::Layout() {
  const int width = std::max(kClientWidth, ui::CaptionRoom(windowTitle(), font()));
  setFixedSize(width, kClientHeight);
  const int left = (width - kControlWidth) / 2;
  edtReg->setGeometry(left, 6, kControlWidth, 22);
  RegAttr->setGeometry(left, 33, kControlWidth, 21);
}

void TfrmEditReg::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  // A font may come from the owner before the controls are made.
  if (edtReg && RegAttr && (event->type() == QEvent::WindowTitleChange || event->type() == QEvent::FontChange))
    Layout();
}

void TfrmEditReg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!started_) initTimer->start();
}

void TfrmEditReg::initTimerTimer() {
  initTimer->stop();
  if (started_) return;
  started_ = true;
  session_->Start();
  RegAttr->setText(ui::ToQt(session_->RangeText()));
  edtReg->setText(ui::ToQt(session_->EditText()));
  edtReg->selectAll();
}

bool TfrmEditReg::Apply(rules::EditRegSession::Key key) {
  try {
    const bool ok = session_->ApplyValue(key, ui::FromQt(edtReg->text()));
    if (ok) edtReg->setText(ui::ToQt(session_->EditText()));
    return ok;
  } catch (const platform::EConvertError& e) {
    // Shown as the top level shows it, without letting it cross Qt's
    // event dispatch; nothing was written and the dialog stays open.
    ui::VundApplication::ShowException(ui_, e);
    return false;
  }
}

bool TfrmEditReg::edtRegKeyDown(int key, Qt::KeyboardModifiers shift) {
  using Key = rules::EditRegSession::Key;
  if (!started_) initTimerTimer();
  const bool ctrl = shift & Qt::ControlModifier;
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (Apply(Key::Enter)) done(1);
      return true;
    case Qt::Key_Escape:
      done(1);
      return true;
    case Qt::Key_PageUp:
      Apply(Key::PageUp);
      return true;
    case Qt::Key_PageDown:
      Apply(Key::PageDown);
      return true;
    case Qt::Key_Left:
      Apply(Key::Left);
      return true;
    case Qt::Key_Up:
      Apply(Key::Up);
      return true;
    case Qt::Key_Right:
      Apply(Key::Right);
      return true;
    case Qt::Key_Down:
      Apply(Key::Down);
      return true;
    case Qt::Key_Z:
    case Qt::Key_F11:
      if (!ctrl) return false;
      {
        const unsigned writes = session_->Writes();
        session_->Undo();
        // Only a written entry replaces what is in the field.
        if (session_->Writes() != writes) edtReg->setText(ui::ToQt(session_->EditText()));
      }
      return true;
    default:
      return false;
  }
}

bool TfrmEditReg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edtReg && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (edtRegKeyDown(key->key(), key->modifiers())) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmEditReg::done(int result) {
  if (value_ && started_) *value_ = session_->Word();
  QDialog::done(result);
}
