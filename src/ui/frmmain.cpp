#include "ui/frmmain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "link/workspace.h"
#include "platform/files.h"
#include "platform/system.h"
#include "rules/mainwindowrules.h"
#include "rules/menucaptions.h"
#include "ui/application.h"
#include "ui/frmanalyzer.h"
#include "ui/frminiedit.h"
#include "ui/frmsearchdlg.h"
#include "ui/messagelog.h"
#include "ui/registergrid.h"
#include "ui/registergridtabcontrol.h"
#include "ui/scriptrunner.h"
#include "ui/statuspanel.h"
#include "ui/statuswindow.h"
#include "ui/textconv.h"
#include "ui/wmclosefilter.h"

namespace {

QColor ToQColor(int color) {
  const rules::Rgb c = rules::ColorToRgb(color);
  return QColor(c.r, c.g, c.b);
}

void SetBaseColor(QWidget* w, int color) {
  QPalette p = w->palette();
  p.setColor(QPalette::Base, ToQColor(color));
  w->setPalette(p);
}

QFont MakeFont(const std::string& storedName, TFontStyles style, int size) {
  return ui::FontOf({storedName, style, size, 0});
}

// Every screen's rectangle, the primary one first.
std::vector<rules::ScreenRect> Screens() {
  std::vector<rules::ScreenRect> screens;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) {
    const QRect g = primary->geometry();
    screens.push_back({g.x(), g.y(), g.width(), g.height()});
  }
  for (QScreen* s : QGuiApplication::screens()) {
    if (s == primary) continue;
    const QRect g = s->geometry();
    screens.push_back({g.x(), g.y(), g.width(), g.height()});
  }
  return screens;
}

// The status window's width and the register tabs' height as stored (rect[4],
// rect[5]), with the window laid out as it stands: the bars around the panes
// take their heights from their fonts and texts first, or what they gain
// later comes off the register tabs (the pane that stretches), and the
// separator stored at close would creep at every start.
void PlaceSplitters(QMainWindow& window, const ui::MainWindowParts& p, const int* rect) {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  if (window.layout()) window.layout()->activate();
  if (window.centralWidget() && window.centralWidget()->layout()) window.centralWidget()->layout()->activate();
  const int total1 = p.splitter1->width() - p.splitter1->handleWidth();
  p.splitter1->setSizes({rect[4], std::max(1, total1 - rect[4])});
  const int total2 = p.splitter2->height() - p.splitter2->handleWidth();
  p.splitter2->setSizes({rect[5], std::max(1, total2 - rect[5])});
}

// The stored frame rectangle and splitters (rect: left, top, width, height,
// status window width, register tabs height), kept inside the screen's area.
// True when the window manager has not framed the window yet: it is placed
// again once the frame is there.
bool PlaceWindow(QMainWindow& window, const ui::MainWindowParts& p, const int* rect) {
  // The stored size is that of the frame, title bar included, and all of it
  // stays on the screen's area for windows.
  rules::ScreenRect frame{rect[0], rect[1], rect[2], rect[3]};
  QScreen* screen = QGuiApplication::screenAt(QPoint(frame.left, frame.top));
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) {
    const QRect a = screen->availableGeometry();
    rules::KeepInside(frame, {a.x(), a.y(), a.width(), a.height()});
  }
  QMargins margins;
  if (const QWindow* w = window.windowHandle()) margins = w->frameMargins();
  const bool pending = margins.isNull() && window.isVisible();
  window.move(frame.left, frame.top);  // a window's position is that of its frame
  window.resize(std::max(1, frame.width - margins.left() - margins.right()),
                std::max(1, frame.height - margins.top() - margins.bottom()));
  PlaceSplitters(window, p, rect);
  return pending;
}

// The menu item whose own shortcut a key is where it clashes with a menu
// title's mnemonic (Alt+S, Alt+H); null for any other key.
QAction* ItemShortcutFor(const TFrmMain& window, const QKeyEvent& key) {
  if (key.modifiers() != Qt::AltModifier) return nullptr;
  const QKeySequence pressed(key.modifiers() | key.key());
  for (const char* name : {"mnuEditSreg", "mnuHregEdit"}) {
    QAction* a = window.MenuAction(name);
    if (a && a->isEnabled() && a->shortcut() == pressed) return a;
  }
  return nullptr;
}

// Search from the current cell down and on (forward) or up and back; the
// match, or where the search gave up, becomes the current pair.
void FindRegister(TRegisterTabControl& tabs, const std::string& text, int mode, bool forward) {
  rules::RegisterGridPresenter& p = tabs.Presenter();
  const rules::RegisterGridCells cells{p.ColCount(), p.RowCount(),
                                       [&p](int col, int row) { return p.CellText(col, row); }};
  rules::GridCellPos next;
  if (forward)
    rules::FindNextRegisterCell(cells, {p.Col(), p.Row()}, text, mode, next);
  else
    rules::FindPrevRegisterCell(cells, {p.Col(), p.Row()}, text, mode, next);
  p.SetCurrent(next.col, next.row);
  tabs.SelectValuePair();
}

}  // namespace

namespace ui {

// ---- Colours and fonts (also the commands of the Tool menu) ----

void ApplyEditWindowColor(TFrmMain& window, MainWindowParts& p, MainWindowLook& look, int color) {
  look.backColor = color;
  // The cells paint their own colours; the palette fills the rest of each grid.
  SetBaseColor(p.tabs->RegisterGrid, color);
  SetBaseColor(p.status->StatusGrid, color);
  p.tabs->SetColors(color, look.selRegBackColor);
  p.status->SetEditWindowColor(color);
  emit window.EditWindowColorChanged(color);
}

void ApplyMessageWindowColors(MainWindowParts& p, const MainWindowLook& look) {
  QPalette pal = p.memo->palette();
  pal.setColor(QPalette::Base, ToQColor(look.msgBackColor));
  pal.setColor(QPalette::Text, ToQColor(look.msgFontColor));
  p.memo->setPalette(pal);
}

void ApplyEditFont(TFrmMain& window, MainWindowLook& look) {
  // The menus keep the desktop's font, as menus do.
  window.menuBar()->setFont(QApplication::font(window.menuBar()));
  window.setFont(MakeFont(look.fontName, look.fontStyle, look.fontSize));
  emit window.EditWindowFontChanged();
}

void ApplyMessageFont(MainWindowParts& p, const MainWindowLook& look) {
  p.memo->setFont(MakeFont(look.msgFontName, look.msgFontStyle, look.msgFontSize));
  ApplyMessageWindowColors(p, look);
}

}  // namespace ui

TFrmMain::TFrmMain(Workspace& ws, ui::Choosers* choosers)
    : ws_(ws), qtChoosers_(&ws.ui), choosers_(choosers ? *choosers : qtChoosers_), transferWindows_(this, ws) {
  setObjectName(QStringLiteral("FrmMain"));
  setWindowTitle(QStringLiteral("Vund2"));
  CreateComponents();
  log_ = std::make_unique<ui::MessageLog>(parts_.memo, parts_.progressText, parts_.progressBar);
  ws_.services.Set(log_.get());
  controller_ = std::make_unique<rules::MainController>(ws_, static_cast<rules::MainView&>(*this));
  parts_.status->SetCopyBuffer(&controller_->Registers().CopyBuffer());
  // A tick that comes while another target operation waits for its reply is put off.
  parts_.status->SetBusyProbe([this] { return controller_->Busy(); });
  scriptRunner_ = std::make_unique<ui::ScriptRunner>(*parts_.status, ws_);
  CreateMenus();
  // The window manager's close while a target operation runs is carried out
  // when it ends, even when a dialog of the operation blocks the window then.
  closeFilter_ = std::make_unique<ui::WmCloseFilter>(*this, [this] { return controller_->DeferClose(); });
  resize(920, 688);
  qApp->installEventFilter(this);
}

TFrmMain::~TFrmMain() {
  qApp->removeEventFilter(this);
  closeFilter_.reset();
  // Ends a script still running (and its serial ports) while everything it
  // may call on is still here.
  scriptRunner_.reset();
  parts_.status->StatusTimer->stop();
  ws_.services.Release(log_.get());
}

void TFrmMain::CreateComponents() {
  auto* central = new QWidget(this);
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);

  auto* statusBar = new QStatusBar(central);
  statusBar->setObjectName(QStringLiteral("MainStatusBar"));
  statusBar->setSizeGripEnabled(false);
  // Panels give way when the window is narrower than they are.
  parts_.comStatus = new ui::StatusPanel(statusBar, 200, "MainStatusPanel0");
  new ui::StatusPanel(statusBar, 250, "MainStatusPanel1");
  new ui::StatusPanel(statusBar, 50, "MainStatusPanel2");
  outer->addWidget(statusBar);

  parts_.splitter1 = new QSplitter(Qt::Horizontal, central);
  parts_.splitter1->setObjectName(QStringLiteral("Splitter1"));
  parts_.splitter1->setChildrenCollapsible(false);
  outer->addWidget(parts_.splitter1, 1);

  // The status window on the left.
  parts_.status = new TStatusWindow(ws_, choosers_, parts_.splitter1);
  parts_.status->resize(161, parts_.status->height());

  // The register tabs, the message log and the progress on the right.
  auto* right = new QWidget(parts_.splitter1);
  right->setObjectName(QStringLiteral("GroupBox2"));
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->setSpacing(0);
  parts_.splitter2 = new QSplitter(Qt::Vertical, right);
  parts_.splitter2->setObjectName(QStringLiteral("Splitter2"));
  parts_.splitter2->setChildrenCollapsible(false);
  rightLayout->addWidget(parts_.splitter2, 1);

  parts_.tabs = new TRegisterTabControl(ws_, parts_.splitter2);

  parts_.memo = new QPlainTextEdit(parts_.splitter2);
  parts_.memo->setObjectName(QStringLiteral("VundMemo"));
  parts_.memo->setReadOnly(true);
  parts_.memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  parts_.memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  parts_.memo->resize(parts_.memo->width(), 128);
  parts_.splitter2->setStretchFactor(0, 1);
  parts_.splitter2->setStretchFactor(1, 0);

  auto* panel = new QWidget(right);
  panel->setObjectName(QStringLiteral("Panel1"));
  auto* bottom = new QHBoxLayout(panel);
  bottom->setContentsMargins(2, 2, 2, 2);
  parts_.progressText = new QLabel(panel);
  parts_.progressText->setObjectName(QStringLiteral("ProgressMsg"));
  parts_.progressText->setMinimumWidth(0);
  parts_.progressText->setMaximumWidth(256);
  parts_.progressText->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  parts_.progressText->setAlignment(Qt::AlignCenter);
  parts_.progressBar = new QProgressBar(panel);
  parts_.progressBar->setObjectName(QStringLiteral("MainP_Bar"));
  parts_.progressBar->setMinimumWidth(0);
  parts_.progressBar->setMaximumWidth(378);
  parts_.progressBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  parts_.progressBar->setTextVisible(false);
  // Full widths when there is room; all give way in a narrow window.
  bottom->addWidget(parts_.progressText, 256);
  bottom->addStretch(256);
  bottom->addWidget(parts_.progressBar, 378);
  rightLayout->addWidget(panel);

  parts_.splitter1->setStretchFactor(0, 0);
  parts_.splitter1->setStretchFactor(1, 1);
  parts_.splitter1->setSizes({161, 759});
  setCentralWidget(central);

  parts_.initTimer = new QTimer(this);
  parts_.initTimer->setObjectName(QStringLiteral("initTimer"));
  parts_.initTimer->setSingleShot(true);
  parts_.initTimer->setInterval(10);
  connect(parts_.initTimer, &QTimer::timeout, this, [this] {
    const QStringList args = QCoreApplication::arguments();
    RunStartupNow(args.size() > 1 ? ui::FromQt(args[1]) : std::string());
  });
}

QAction* TFrmMain::MenuAction(const std::string& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

// ---- Start-up and close ----

void TFrmMain::RunStartupNow(const std::string& firstArgument) {
  parts_.initTimer->stop();
  const bool placedBefore = controller_->StartupStarted();
  controller_->RunStartup(firstArgument);
  // The texts start-up put in the bars (the COM port, the register status)
  // can make them taller than they were when the window was placed.
  if (!placedBefore) PlaceSplitters(*this, parts_, ws_.settings.GetMainWindowRect());
}

void TFrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!controller_->StartupStarted()) parts_.initTimer->start();
}

void TFrmMain::closeEvent(QCloseEvent* event) {
  if (!controller_->StartupStarted()) parts_.initTimer->stop();
  const auto* app = dynamic_cast<const ui::VundApplication*>(QCoreApplication::instance());
  event->setAccepted(
      controller_->Close(app && app->EndingOnSignal() ? rules::CloseCause::Signal : rules::CloseCause::User));
}

void TFrmMain::CloseSoon() { QTimer::singleShot(0, this, &QWidget::close); }

void TFrmMain::ReleaseResources() {
  scriptRunner_->FormClose();
  search_.history.clear();
}

// ---- Placement, keys ----

// Alt+S and Alt+H are both an item's shortcut and the mnemonic of a menu title
// ("Search", "Help"); the item wins wherever the focus is in this window, the
// menu bar's own keyboard mode included, as the users know it. Seen here
// before any widget of the window, so no widget's key handling comes first.
bool TFrmMain::eventFilter(QObject* watched, QEvent* event) {
  const bool key = event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
  if (!key || !watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != this)
    return QMainWindow::eventFilter(watched, event);
  QAction* item = ItemShortcutFor(*this, *static_cast<QKeyEvent*>(event));
  if (!item) return QMainWindow::eventFilter(watched, event);
  event->accept();
  if (event->type() == QEvent::KeyPress) {
    if (watched == menuBar()) {
      // The menu bar leaves its keyboard mode and gives the focus back.
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(menuBar(), &escape);
    }
    item->trigger();
  }
  return true;
}

void TFrmMain::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  const QWindow* w = windowHandle();
  if (placePending_ && w && !w->frameMargins().isNull())
    placePending_ = PlaceWindow(*this, parts_, ws_.settings.GetMainWindowRect());
}

void TFrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  const QWindow* w = windowHandle();
  if (placePending_ && w && !w->frameMargins().isNull())
    placePending_ = PlaceWindow(*this, parts_, ws_.settings.GetMainWindowRect());
}

// ---- The view of the main controller ----

void TFrmMain::ApplySettings() {
  int* rect = ws_.settings.GetMainWindowRect();
  int nameWidth = 0, valueWidth = 0, rowHeight = 0;
  ws_.settings.GetRegGridSizes(nameWidth, valueWidth, rowHeight);
  parts_.tabs->SetGridSizes(nameWidth, valueWidth, rowHeight);
  ws_.settings.GetStatusGridSizes(nameWidth, valueWidth, rowHeight);
  parts_.status->SetGridSizes(nameWidth, valueWidth, rowHeight);
  ws_.settings.GetColors(look_.backColor, look_.msgBackColor, look_.selRegBackColor);
  ui::ApplyEditWindowColor(*this, parts_, look_, look_.backColor);
  ui::ApplyMessageWindowColors(parts_, look_);
  look_.fontStyle = 0;
  look_.msgFontStyle = 0;
  ws_.settings.GetFonts(look_.fontName, look_.fontStyle, look_.fontSize, look_.msgFontName, look_.msgFontStyle,
                        look_.msgFontSize, look_.msgFontColor);
  ui::ApplyEditFont(*this, look_);
  ui::ApplyMessageFont(parts_, look_);

  // Placed with the fonts in force: a font that changes the height of the
  // bars around the panes afterwards would take it from the register tabs,
  // and the separator stored at close would creep at every start.
  const std::vector<rules::ScreenRect> screens = Screens();
  if (!screens.empty()) rules::BringOnScreen(rect[0], rect[1], screens);
  placePending_ = PlaceWindow(*this, parts_, rect);

  if (ws_.ui.GetLanguageId() != 17) {
    for (const rules::MenuCaption& c : rules::MenuCaptions())
      if (QAction* a = MenuAction(c.item)) a->setText(ui::ToQt(c.english));
  }
  if (QAction* a = MenuAction("mnuEditSreg")) a->setShortcut(QKeySequence(Qt::ALT | Qt::Key_S));
  if (QAction* a = MenuAction("mnuHregEdit")) a->setShortcut(QKeySequence(Qt::ALT | Qt::Key_H));
}

void TFrmMain::StoreWindowSettings() {
  // The frame, as it is placed at the next start.
  const QRect frame = frameGeometry();
  ws_.settings.SetMainWindowRect(frame.x(), frame.y(), frame.width(), frame.height(), parts_.status->width(),
                                 parts_.tabs->height());
  ws_.settings.SetColors(look_.backColor, look_.msgBackColor, look_.selRegBackColor);
  ws_.settings.SetFonts(look_.fontName, look_.fontStyle, look_.fontSize, look_.msgFontName, look_.msgFontStyle,
                        look_.msgFontSize, look_.msgFontColor);
}

void TFrmMain::SetCaption(const std::string& text) { setWindowTitle(ui::ToQt(text)); }

void TFrmMain::SetComStatus(const std::string& text) { parts_.comStatus->SetText(ui::ToQt(text)); }

rules::RegisterPane& TFrmMain::Registers() { return *parts_.tabs; }

rules::StatusPane& TFrmMain::Status() { return *parts_.status; }

bool TFrmMain::EditParameters(std::vector<STEditItem>& rows) { return ui::ShowIniEdit(rows, choosers_, ws_.ui); }

// ---- The command table: every menu, popup and key command of the window ----

void TFrmMain::CreateMenus() {
  std::map<std::string, QMenu*> menus;
  for (const rules::MainCommandRow& r : rules::MainCommandRows()) {
    if (r.id == rules::CommandId::Popup) {
      QMenu* m = new QMenu(this);
      m->setObjectName(QLatin1String(r.name));
      menus[r.name] = m;
      continue;
    }
    if (!r.menu) continue;  // a grid key only
    const QString caption = ui::ToQt(rules::MenuCaptionOf(r.name, true));
    QAction* a = nullptr;
    if (r.id == rules::CommandId::Menu) {
      QMenu* parent = *r.menu ? menus.at(r.menu) : nullptr;
      QMenu* m = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
      m->setObjectName(QLatin1String(r.name));
      menus[r.name] = m;
      a = m->menuAction();
    } else {
      a = menus.at(r.menu)->addAction(caption);
      connect(a, &QAction::triggered, this, [this, &r] { RunCommand(r, r.tag); });
    }
    a->setObjectName(QLatin1String(r.name));
    a->setData(r.tag);
    if (*r.shortcut) a->setShortcut(QKeySequence::fromString(QLatin1String(r.shortcut), QKeySequence::PortableText));
    actions_[r.name] = a;
  }
  parts_.commandMenu = menus.at("mnuCommand");
  parts_.status->SetPopupMenu(menus.at("StatusPopUpMenu"));
  parts_.tabs->SetGridPopupMenu(menus.at("RegPopUpMenu"));
  parts_.tabs->SetTabPopupMenu(menus.at("TabPopUpMenu"));
  parts_.tabs->SetOtherKeyHandler([this](QKeyEvent* event) { return RunGridKey(*event); });
}

void TFrmMain::RunCommand(const rules::MainCommandRow& row, int tag) {
  controller_->Run(rules::MainCommand{row.name, CommandAction(row.id), row.flags, tag});
}

std::function<void(int tag)> TFrmMain::CommandAction(rules::CommandId id) {
  rules::MainController& c = *controller_;
  rules::RegisterCommands& regs = c.Registers();
  ui::MainWindowParts& p = parts_;
  using Id = rules::CommandId;
  switch (id) {
    case Id::Menu:
    case Id::Popup: return nullptr;
    case Id::ReadNvmImage: return [&c](int t) { c.ReadNvmImage(t == 1); };
    case Id::WriteNvmImage: return [&c](int t) { c.WriteNvmImage(t == 1); };
    case Id::CompareNvmImage: return [&c](int) { c.CompareNvmImage(); };
    case Id::SelectRegisterFile: return [&regs](int t) { regs.SelectRegisterFile(static_cast<RegKind>(t)); };
    case Id::SaveRegisterFileAs: return [&regs](int t) { regs.SaveRegisterFileAs(static_cast<RegKind>(t)); };
    case Id::OverwriteRegisterFile: return [&regs](int t) { regs.OverwriteRegisterFile(static_cast<RegKind>(t)); };
    case Id::SaveRegisterValues: return [&c](int) { c.SaveRegisterValues(); };
    case Id::WriteRegisterValues: return [&c](int) { c.WriteRegisterValues(); };
    case Id::Exit: return [this](int) { close(); };
    case Id::ShowSRegFile: return [&regs](int) { regs.ShowRegisterFile(RegKind::S); };
    case Id::ShowHRegFile: return [&regs](int) { regs.ShowRegisterFile(RegKind::H); };
    case Id::ShowTableWindow: return [this](int) { emit TableWindowRequested(); };
    case Id::ReloadData: return [&regs](int) { regs.ReloadData(); };
    case Id::Search: return [this](int) { SearchRegister(); };
    case Id::HexDecimal:
      return [&p](int) {
        p.tabs->mnuHexDeciClick();
        p.status->SetHexDisplay(p.tabs->HexDisplay());
      };
    case Id::ClearMessages: return [&p](int) { p.memo->clear(); };
    case Id::RunScript: return [this](int) { scriptRunner_->mnuScriptRunClick(); };
    case Id::ShowAnalyzer: return [this](int) { ShowAnalyzer(this, ws_.TargetControl, ws_.ui); };
    case Id::ChooseComPort: return [&c](int) { c.ChooseComPort(); };
    case Id::ChooseColor: return [this](int t) { ChooseColor(t); };
    case Id::ChooseFont: return [this](int t) { ChooseFont(t); };
    case Id::OpenHelp: return [this](int) { OpenHelp(); };
    case Id::InsertStatusItem: return [&p](int) { p.status->mnuSatsuItemInsertClick(); };
    case Id::DeleteStatusItem: return [&p](int) { p.status->mnuStatusItemDeleteClick(); };
    case Id::AddStatusItem: return [&p](int t) { p.status->mnuStatusItemAddClick(t); };
    case Id::CopyRegister: return [&regs](int) { regs.CopyRegister(); };
    case Id::PasteRegister: return [&regs](int) { regs.PasteRegister(); };
    case Id::DeleteRegister: return [&regs](int) { regs.DeleteRegister(); };
    case Id::AddRegister: return [&regs](int) { regs.AddRegister(); };
    case Id::EditRegisterProperty: return [&regs](int) { regs.EditRegisterProperty(); };
    case Id::RenameTab: return [&p](int) { p.tabs->mnuTabNameChangeClick(); };
    case Id::AddTab: return [&p](int) { p.tabs->mnuNewTabAddClick(); };
    case Id::DeleteTab: return [&p](int) { p.tabs->mnuDeleteTabClick(); };
    case Id::FindNext: return [this](int) { FindRegister(*parts_.tabs, search_.text, search_.mode, true); };
    case Id::FindPrev: return [this](int) { FindRegister(*parts_.tabs, search_.text, search_.mode, false); };
    case Id::LetterNext:
      return [this](int letter) { FindRegister(*parts_.tabs, std::string(1, static_cast<char>(letter)), 0, true); };
    case Id::LetterPrev:
      return [this](int letter) { FindRegister(*parts_.tabs, std::string(1, static_cast<char>(letter)), 0, false); };
  }
  return nullptr;
}

// The register command keys of the grid (Delete, Insert, F3, F5, letters,
// Ctrl+C / Ctrl+V); a key whose row is a menu item runs that item.
bool TFrmMain::RunGridKey(const QKeyEvent& event) {
  // Alt and the Meta key belong to the menus and the desktop.
  if (event.modifiers() & (Qt::AltModifier | Qt::MetaModifier)) return false;
  rules::RegisterKey key = rules::RegisterKey::Other;
  char letter = 0;
  switch (event.key()) {
    case Qt::Key_Delete:
      key = rules::RegisterKey::Delete;
      break;
    case Qt::Key_Insert:
      key = rules::RegisterKey::Insert;
      break;
    case Qt::Key_F3:
      key = rules::RegisterKey::F3;
      break;
    case Qt::Key_F5:
      key = rules::RegisterKey::F5;
      break;
    default:
      if (event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z) {
        key = rules::RegisterKey::Letter;
        letter = static_cast<char>('A' + (event.key() - Qt::Key_A));
      }
      break;
  }
  const rules::MainCommandRow* row = rules::CommandRowForGridKey(rules::RegisterKeyCommandFor(
      key, letter, event.modifiers() & Qt::ControlModifier, event.modifiers() & Qt::ShiftModifier));
  if (!row) return false;
  if (QAction* item = MenuAction(row->name))
    item->trigger();
  else
    RunCommand(*row, letter);
  return true;
}

// ---- The dialogs of the menus ----

// tag 0: the edit window, 1: the message window, 2: the selected register.
void TFrmMain::ChooseColor(int tag) {
  const int initial = tag == 0 ? look_.backColor : tag == 1 ? look_.msgBackColor : look_.selRegBackColor;
  int chosen = initial;
  if (!choosers_.ChooseColor(initial, chosen)) return;
  if (tag == 0) {
    ui::ApplyEditWindowColor(*this, parts_, look_, chosen);
  } else if (tag == 1) {
    look_.msgBackColor = chosen;
    ui::ApplyMessageWindowColors(parts_, look_);
  } else {
    look_.selRegBackColor = chosen;
    parts_.tabs->SetColors(look_.backColor, chosen);
  }
}

// tag 0: the edit window, 1: the message window (with its colour).
void TFrmMain::ChooseFont(int tag) {
  ui::FontChoice f;
  f.name = tag == 0 ? look_.fontName : look_.msgFontName;
  f.style = tag == 0 ? look_.fontStyle : look_.msgFontStyle;
  f.size = tag == 0 ? look_.fontSize : look_.msgFontSize;
  if (tag != 0) f.color = look_.msgFontColor;
  if (!choosers_.ChooseFont(f, tag != 0)) return;
  if (tag == 0) {
    look_.fontName = f.name, look_.fontStyle = f.style, look_.fontSize = f.size;
    ui::ApplyEditFont(*this, look_);
  } else {
    look_.msgFontName = f.name, look_.msgFontStyle = f.style, look_.msgFontSize = f.size;
    look_.msgFontColor = f.color;
    ui::ApplyMessageFont(parts_, look_);
  }
}

void TFrmMain::SearchRegister() {
  STSearcSetting setting;
  TFrmSearchDlg dlg(this, ws_.ui, &search_.history, &setting);
  if (dlg.exec() != 1) return;
  search_.mode = rules::SearchModeFor(setting.WholeWord);
  if (setting.SearchText.empty()) return;
  rules::AddSearchHistory(search_.history, setting.SearchText);
  search_.text = setting.SearchText;
  FindRegister(*parts_.tabs, setting.SearchText, search_.mode, true);
}

void TFrmMain::OpenHelp() {
  const std::string path =
      platform::FindFileNoCase(platform::ProgramFolder(), rules::HelpFileName(ws_.ui.GetLanguageId()));
  if (!platform::FileExists(path)) {
    ws_.ui.ShowMessageBoxJE("ERROR", "Help File Vund2.chm が見つかりません", "ERROR",
                            "Help File Vund2EG.chm is not found", 0x30);
    return;
  }
  choosers_.OpenDocument(path);
}

void TFrmMain::BuildCommandMenu(const std::vector<rules::CommandMenuItem>& items) {
  parts_.commandMenu->clear();
  for (const rules::CommandMenuItem& item : items) {
    QAction* a = parts_.commandMenu->addAction(ui::ToQt(item.caption));
    a->setData(item.tag);
    const rules::MainCommand command{"", [this](int tag) { controller_->ExecuteCommandEntry(tag); },
                                     rules::CommandFlags::NeedsTarget | rules::CommandFlags::HoldsPolling, item.tag};
    connect(a, &QAction::triggered, this, [this, command] { controller_->Run(command); });
  }
}
