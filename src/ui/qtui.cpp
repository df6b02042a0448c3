#include "ui/qtui.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QScreen>
#include <QStringList>
#include <QTranslator>
#include <QWindow>

#include "platform/files.h"
#include "rules/inieditrules.h"
#include "rules/mainwindowrules.h"
#include "ui/frminiedit.h"
#include "ui/frmmyinputdlg.h"
#include "ui/textconv.h"

namespace ui {

QMessageBox::StandardButtons ButtonsForFlags(int flags) {
  switch (flags & 0x0F) {
    case 1: return QMessageBox::Ok | QMessageBox::Cancel;
    case 2: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case 3: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case 4: return QMessageBox::Yes | QMessageBox::No;
    case 5: return QMessageBox::Retry | QMessageBox::Cancel;
    default: return QMessageBox::Ok;
  }
}

QMessageBox::Icon IconForFlags(int flags) {
  switch (flags & 0xF0) {
    case 0x10: return QMessageBox::Critical;
    case 0x20: return QMessageBox::Question;
    case 0x30: return QMessageBox::Warning;
    case 0x40: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

int ResultForButton(QMessageBox::StandardButton button, int flags) {
  switch (button) {
    case QMessageBox::Ok: return platform::kIdOk;
    case QMessageBox::Cancel: return platform::kIdCancel;
    case QMessageBox::Abort: return platform::kIdAbort;
    case QMessageBox::Retry: return platform::kIdRetry;
    case QMessageBox::Ignore: return platform::kIdIgnore;
    case QMessageBox::Yes: return platform::kIdYes;
    case QMessageBox::No: return platform::kIdNo;
    default:
      // Closed with the window's close button or Esc.
      return (flags & 0x0F) == 0 ? platform::kIdOk : platform::kIdCancel;
  }
}

// Only the Qt user interface has windows to own boxes.
DialogOwnerScope::DialogOwnerScope(platform::Ui& ui, QWidget* owner) : ui_(dynamic_cast<QtUi*>(&ui)) {
  if (!ui_) return;
  previous_ = ui_->commandOwner_;
  ui_->commandOwner_ = owner;
}

DialogOwnerScope::~DialogOwnerScope() {
  if (ui_) ui_->commandOwner_ = previous_;
}

QWidget* QtUi::ActiveOwner() const {
  QWidget* w = QApplication::activeModalWidget();
  if (!w) w = commandOwner_;
  if (!w) w = QApplication::activeWindow();
  return w;
}

QWidget* ActiveOwner(const platform::Ui* ui) {
  if (const auto* qt = dynamic_cast<const QtUi*>(ui)) return qt->ActiveOwner();
  QWidget* w = QApplication::activeModalWidget();
  return w ? w : QApplication::activeWindow();
}

bool OnlyButtonsAnswer(int flags) {
  const int buttons = flags & 0x0F;
  return buttons == 2 || buttons == 4;
}

int CaptionRoom(const QString& caption, const QFont& font) {
  // Window managers draw the title in a bold face, beside the window's icon
  // and its (up to three) title buttons, each about as wide as the bar is high.
  QFont bold = font;
  bold.setBold(true);
  const QFontMetrics fm(bold);
  const int button = fm.height() + 8;
  return fm.horizontalAdvance(caption) + 4 * button + 16;
}

void PlaceCentred(QWidget& window, int clientWidth, int clientHeight) {
  QMargins m;
  if (const QWindow* handle = window.windowHandle()) m = handle->frameMargins();
  if (m.isNull()) {
    for (const QWidget* other : QApplication::topLevelWidgets()) {
      const QWindow* handle = other->windowHandle();
      if (other == &window || !other->isVisible() || !handle || handle->frameMargins().isNull()) continue;
      m = handle->frameMargins();
      break;
    }
  }
  QScreen* screen = window.isVisible() ? window.screen() : nullptr;
  if (!screen && window.parentWidget()) screen = window.parentWidget()->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect a = screen->availableGeometry();
  const rules::WindowPlace p = rules::CentreInside(
      clientWidth, clientHeight, {m.left(), m.top(), m.right(), m.bottom()}, {a.x(), a.y(), a.width(), a.height()});
  if (window.minimumSize() == window.maximumSize())
    window.setFixedSize(p.clientWidth, p.clientHeight);
  else
    window.resize(p.clientWidth, p.clientHeight);
  window.move(p.left, p.top);  // a window's position is that of its frame
}

namespace {

// The message box, with Esc and the window's close button taken from a box
// that only its buttons may answer.
class AnswerBox : public QMessageBox {
 public:
  AnswerBox(const QString& caption, const QString& text, int flags, QWidget* owner)
      : QMessageBox(IconForFlags(flags), caption, text, ButtonsForFlags(flags), owner),
        buttonsOnly_(OnlyButtonsAnswer(flags)) {
    if (buttonsOnly_) setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    // The box sizes itself to its contents; an item as wide as the caption
    // needs keeps it from being narrower.
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
      grid->addItem(new QSpacerItem(CaptionRoom(caption, font()), 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                    grid->rowCount(), 0, 1, grid->columnCount());
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (buttonsOnly_ && event->matches(QKeySequence::Cancel)) return;
    QMessageBox::keyPressEvent(event);
  }
  void closeEvent(QCloseEvent* event) override {
    if (buttonsOnly_) {
      event->ignore();
      return;
    }
    QMessageBox::closeEvent(event);
  }

 private:
  bool buttonsOnly_;
};

}  // namespace

int QtUi::MessageBox(const std::string& caption, const std::string& text, int flags) {
  AnswerBox box(ToQt(caption), ToQt(text), flags, ActiveOwner());
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  return ResultForButton(clicked ? box.standardButton(clicked) : QMessageBox::NoButton, flags);
}

QString QtFilter(const std::string& filter) {
  const QStringList parts = ToQt(filter).split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    out << parts[i] + QStringLiteral(" (") + patterns + QStringLiteral(")");
  }
  return out.join(QStringLiteral(";;"));
}

QTranslator* LoadQtTranslations(QCoreApplication& app, bool japanese) {
  if (!japanese) return nullptr;
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return nullptr;
  }
  app.installTranslator(translator);
  return translator;
}

namespace {

bool RunFileDialog(QWidget* owner, const platform::FileDialogOptions& o, std::string& path,
                   QFileDialog::AcceptMode mode) {
  QFileDialog dlg(owner, ToQt(o.title), ToQt(o.initialDir), QtFilter(o.filter));
  dlg.setAcceptMode(mode);
  dlg.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!o.defaultExt.empty()) dlg.setDefaultSuffix(ToQt(o.defaultExt));
  const QStringList filters = QtFilter(o.filter).split(QStringLiteral(";;"));
  if (o.filterIndex >= 1 && o.filterIndex <= filters.size()) dlg.selectNameFilter(filters[o.filterIndex - 1]);
  if (!o.fileName.empty()) dlg.selectFile(ToQt(o.fileName));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  path = FromQt(dlg.selectedFiles().first());
  return true;
}

}  // namespace

bool QtUi::OpenFileDialog(const platform::FileDialogOptions& options, std::string& path) {
  return RunFileDialog(ActiveOwner(), options, path, QFileDialog::AcceptOpen);
}

bool QtUi::SaveFileDialog(const platform::FileDialogOptions& options, std::string& path) {
  return RunFileDialog(ActiveOwner(), options, path, QFileDialog::AcceptSave);
}

bool QtUi::InputBox(const std::string& caption, const std::string& prompt, std::string& text, char passwordChar) {
  // The window the question comes from, so the focus goes back to it.
  QWidget* owner = ActiveOwner();
  return MyInputQuery(caption, prompt, text, passwordChar, owner ? owner : mainWindow_.data());
}

bool QtUi::ShowComPortDialog(int& comPort, int& baudRate) {
  return rules::ChooseComPort(comPort, baudRate,
                              [this](std::vector<STEditItem>& rows) { return ShowIniEdit(rows, choosers_, *this); });
}

void QtUi::ScreenSize(int& width, int& height) {
  QScreen* s = QGuiApplication::primaryScreen();
  QSize size = s ? s->size() : QSize(1024, 768);
  width = size.width();
  height = size.height();
}

}  // namespace ui
