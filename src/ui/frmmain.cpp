#include "ui/frmmain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "link/workspace.h"
#include "rules/mainwindowrules.h"
#include "rules/menucaptions.h"
#include "ui/registergridtabcontrol.h"
#include "ui/scriptrunner.h"
#include "ui/statuswindow.h"
#include "ui/textconv.h"
#include "ui/wmclosefilter.h"

namespace {

// A status bar panel of the given width that gives way when the window is
// narrower than its panels.
QLabel* AddPanel(QStatusBar* bar, int width) {
  auto* label = new QLabel(bar);
  label->setMinimumWidth(0);
  label->setMaximumWidth(width);
  label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  bar->addWidget(label, width);
  return label;
}

}  // namespace

TFrmMain::TFrmMain(Workspace& ws, ui::Choosers* choosers) : ws_(ws), choosers_(choosers ? choosers : &qtChoosers_) {
  ws_.services.Set(this);
  setObjectName(QStringLiteral("FrmMain"));
  setWindowTitle(QStringLiteral("Vund2"));
  CreateComponents();
  CreateMenus();
  scriptRunner_ = std::make_unique<ui::ScriptRunner>(*this, ws_, *choosers_);
  // The window manager's close while a target operation runs is carried out
  // when it ends, even when a dialog of the operation blocks the window then.
  closeFilter_ = std::make_unique<ui::WmCloseFilter>(*this, [this] { return busy_.DeferClose(); });
  resize(920, 688);
}

TFrmMain::~TFrmMain() {
  closeFilter_.reset();
  // Ends a script still running (and its serial ports) while everything it
  // may call on is still here.
  scriptRunner_.reset();
  StatusTimer->stop();
  ws_.services.Release(this);
}

void TFrmMain::CreateComponents() {
  auto* central = new QWidget(this);
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);

  MainStatusBar = new QStatusBar(central);
  MainStatusBar->setObjectName(QStringLiteral("MainStatusBar"));
  MainStatusBar->setSizeGripEnabled(false);
  MainStatusPanels[0] = AddPanel(MainStatusBar, 200);
  MainStatusPanels[1] = AddPanel(MainStatusBar, 250);
  MainStatusPanels[2] = AddPanel(MainStatusBar, 50);
  outer->addWidget(MainStatusBar);

  Splitter1 = new QSplitter(Qt::Horizontal, central);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  Splitter1->setChildrenCollapsible(false);
  outer->addWidget(Splitter1, 1);

  // The status window on the left.
  status_ = new TStatusWindow(ws_, *choosers_, Splitter1);
  GroupBox1 = status_;
  StatusWindowCont = status_->StatusWindowCont;
  StatusWindowContGroup = status_->StatusWindowContGroup;
  StatusPage = status_->StatusPage;
  StatusGrid = status_->StatusGrid;
  sGridMiconVer = status_->sGridMiconVer;
  StatusTimer = status_->StatusTimer;
  status_->SetCopyBuffer(&regCommands_.CopyBuffer());
  // A tick that comes while another target operation waits for its reply is put off.
  status_->SetBusyProbe([this] { return busy_.Busy(); });
  GroupBox1->resize(161, GroupBox1->height());

  // The register tabs, the message log and the progress on the right.
  GroupBox2 = new QWidget(Splitter1);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  auto* right = new QVBoxLayout(GroupBox2);
  right->setContentsMargins(0, 0, 0, 0);
  right->setSpacing(0);
  Splitter2 = new QSplitter(Qt::Vertical, GroupBox2);
  Splitter2->setObjectName(QStringLiteral("Splitter2"));
  Splitter2->setChildrenCollapsible(false);
  right->addWidget(Splitter2, 1);

  tabs_ = new TRegisterTabControl(ws_, Splitter2);
  S_HRegTab = tabs_;
  S_HRegTabBar = tabs_->S_HRegTabBar;
  RegisterGrid = tabs_->RegisterGrid;
  RegisterStatus = tabs_->RegisterStatus;
  RegisterStatusPanels[0] = tabs_->RegisterStatusPanels[0];
  RegisterStatusPanels[1] = tabs_->RegisterStatusPanels[1];
  tabs_->SetOtherKeyHandler([this](QKeyEvent* key) { return RegisterGridKeyDown(key); });

  VundMemo = new QPlainTextEdit(Splitter2);
  VundMemo->setObjectName(QStringLiteral("VundMemo"));
  VundMemo->setReadOnly(true);
  VundMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  VundMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  VundMemo->resize(VundMemo->width(), 128);
  Splitter2->setStretchFactor(0, 1);
  Splitter2->setStretchFactor(1, 0);

  Panel1 = new QWidget(GroupBox2);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  auto* bottom = new QHBoxLayout(Panel1);
  bottom->setContentsMargins(2, 2, 2, 2);
  ProgressMsg = new QLabel(Panel1);
  ProgressMsg->setObjectName(QStringLiteral("ProgressMsg"));
  ProgressMsg->setMinimumWidth(0);
  ProgressMsg->setMaximumWidth(256);
  ProgressMsg->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  ProgressMsg->setAlignment(Qt::AlignCenter);
  MainP_Bar = new QProgressBar(Panel1);
  MainP_Bar->setObjectName(QStringLiteral("MainP_Bar"));
  MainP_Bar->setRange(0, 100);
  MainP_Bar->setValue(0);
  MainP_Bar->setMinimumWidth(0);
  MainP_Bar->setMaximumWidth(378);
  MainP_Bar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  MainP_Bar->setTextVisible(false);
  // Full widths when there is room; all give way in a narrow window.
  bottom->addWidget(ProgressMsg, 256);
  bottom->addStretch(256);
  bottom->addWidget(MainP_Bar, 378);
  right->addWidget(Panel1);

  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({161, 759});
  setCentralWidget(central);

  initTimer = new QTimer(this);
  initTimer->setObjectName(QStringLiteral("initTimer"));
  initTimer->setSingleShot(true);
  initTimer->setInterval(10);
  connect(initTimer, &QTimer::timeout, this, &TFrmMain::initTimerTimer);
}

QAction* TFrmMain::AddItem(QMenu* menu, const char* name, Handler handler, int tag) {
  QAction* a = menu->addAction(ui::ToQt(ui::MenuCaptionOf(name, true)));
  a->setObjectName(QLatin1String(name));
  a->setData(tag);
  if (handler) connect(a, &QAction::triggered, this, handler);
  actions_[name] = a;
  return a;
}

QMenu* TFrmMain::AddSubMenu(QMenu* parent, const char* name, Handler handler) {
  const QString caption = ui::ToQt(ui::MenuCaptionOf(name, true));
  QMenu* m = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
  m->setObjectName(QLatin1String(name));
  m->menuAction()->setObjectName(QLatin1String(name));
  m->menuAction()->setData(0);
  if (handler) connect(m, &QMenu::aboutToShow, this, handler);
  actions_[name] = m->menuAction();
  return m;
}

void TFrmMain::CreateMenus() {
  QMenu* file = AddSubMenu(nullptr, "FileF1");
  QMenu* readNvm = AddSubMenu(file, "mnuReadNVM", &TFrmMain::mnuReadNVMClick);
  AddItem(readNvm, "mnuNVMRead_With_Verify", &TFrmMain::mnuNVMRead_With_VerifyClick, 1);
  AddItem(readNvm, "mnuReadNVM_No_Verify", &TFrmMain::mnuReadNVM_No_VerifyClick, 0);
  QMenu* writeNvm = AddSubMenu(file, "mnuNVMWrite", &TFrmMain::mnuNVMWriteClick);
  AddItem(writeNvm, "mnuWriteNVM_WithVerify", &TFrmMain::mnuWriteNVM_WithVerifyClick, 1);
  AddItem(writeNvm, "mnuWriteNVM_WithoutVerify", &TFrmMain::mnuWriteNVM_WithoutVerifyClick, 0);
  AddItem(file, "mnuNVMComp", &TFrmMain::mnuNVMCompClick);
  QMenu* sFile = AddSubMenu(file, "mnuSregFile");
  AddItem(sFile, "mnuSregFileSel", &TFrmMain::mnuSregFileSelClick, 0);
  AddItem(sFile, "mnuSaveAsSreg", &TFrmMain::mnuSaveAsSregClick, 0);
  AddItem(sFile, "mnuSregOverWrite", &TFrmMain::mnuSregOverWriteClick, 0);
  QMenu* hFile = AddSubMenu(file, "mnuHregFile");
  actions_["mnuHregFile"]->setData(1);
  AddItem(hFile, "mnuHRegFileSel", &TFrmMain::mnuSregFileSelClick, 1);
  AddItem(hFile, "mnuSaveAsHreg", &TFrmMain::mnuSaveAsSregClick, 1);
  AddItem(hFile, "mnuHregOverWrite", &TFrmMain::mnuSregOverWriteClick, 1);
  AddItem(file, "mnuSregSave", &TFrmMain::mnuSregSaveClick);
  AddItem(file, "mnuSHregWrite", &TFrmMain::mnuSHregWriteClick);
  AddItem(file, "mnuExit", &TFrmMain::mnuExitClick);

  QMenu* edit = AddSubMenu(nullptr, "E1");
  AddItem(edit, "mnuEditSreg", &TFrmMain::mnuEditSregClick);
  AddItem(edit, "mnuHregEdit", &TFrmMain::mnuHregEditClick);
  AddItem(edit, "mnuTableEdit", &TFrmMain::mnuTableEditClick);
  AddItem(edit, "mnuDataReload", &TFrmMain::mnuDataReloadClick)->setShortcut(QKeySequence(Qt::Key_F5));

  mnuCommand = AddSubMenu(nullptr, "mnuCommand");

  QMenu* search = AddSubMenu(nullptr, "S1");
  AddItem(search, "mnuSearch", &TFrmMain::mnuSearchClick)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));

  QMenu* view = AddSubMenu(nullptr, "V1");
  AddItem(view, "mnuHexDeci", &TFrmMain::mnuHexDeciClick)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F6));
  AddItem(view, "mnuMessageClear", &TFrmMain::mnuMessageClearClick);

  QMenu* tool = AddSubMenu(nullptr, "T1");
  AddItem(tool, "mnuScriptRun", &TFrmMain::mnuScriptRunClick);
  AddItem(tool, "mnuAnalyzer", &TFrmMain::mnuAnalyzerClick);
  AddItem(tool, "mnuComPort", &TFrmMain::mnuComPortClick);
  QMenu* color = AddSubMenu(tool, "mnuColor", &TFrmMain::mnuColorClick);
  AddItem(color, "mnuMainWindowColor", &TFrmMain::mnuMainWindowColorClick, 0);
  AddItem(color, "mnuMessageWIndowColor", &TFrmMain::mnuMainWindowColorClick, 1);
  AddItem(color, "mnuSelRegBack", &TFrmMain::mnuMainWindowColorClick, 2);
  QMenu* font = AddSubMenu(tool, "mnuFont", &TFrmMain::mnuFontClick);
  AddItem(font, "mnuEditWindowFont", &TFrmMain::mnuEditWindowFontClick, 0);
  AddItem(font, "mnuMessageWindowFont", &TFrmMain::mnuEditWindowFontClick, 1);

  QMenu* help = AddSubMenu(nullptr, "mnuHelp");
  AddItem(help, "mnuVundHelp", &TFrmMain::mnuVundHelpClick);

  // Popup menus of the status grid, the register grid and the tab strip.
  StatusPopUpMenu = new QMenu(this);
  StatusPopUpMenu->setObjectName(QStringLiteral("StatusPopUpMenu"));
  AddItem(StatusPopUpMenu, "mnuSatsuItemInsert", &TFrmMain::mnuSatsuItemInsertClick);
  AddItem(StatusPopUpMenu, "mnuStatusItemDelete", &TFrmMain::mnuStatusItemDeleteClick);
  AddItem(StatusPopUpMenu, "mnuStatusItemAdd", &TFrmMain::mnuStatusItemAddClick, 0);
  AddItem(StatusPopUpMenu, "mnuEditStatusItem", &TFrmMain::mnuStatusItemAddClick, 1);
  RegPopUpMenu = new QMenu(this);
  RegPopUpMenu->setObjectName(QStringLiteral("RegPopUpMenu"));
  AddItem(RegPopUpMenu, "mnuRegCopy", &TFrmMain::mnuRegCopyClick);
  AddItem(RegPopUpMenu, "mnuRegPaste", &TFrmMain::mnuRegPasteClick);
  AddItem(RegPopUpMenu, "mnuRegDelete", &TFrmMain::mnuRegDeleteClick);
  AddItem(RegPopUpMenu, "mnuRegNew", &TFrmMain::mnuRegNewClick);
  AddItem(RegPopUpMenu, "mnuRegProperty", &TFrmMain::mnuRegPropertyClick);
  TabPopUpMenu = new QMenu(this);
  TabPopUpMenu->setObjectName(QStringLiteral("TabPopUpMenu"));
  AddItem(TabPopUpMenu, "mnuTabNameChange", &TFrmMain::mnuTabNameChangeClick);
  AddItem(TabPopUpMenu, "mnuNewTabAdd", &TFrmMain::mnuNewTabAddClick);
  AddItem(TabPopUpMenu, "mnuDeleteTab", &TFrmMain::mnuDeleteTabClick);

  status_->SetPopupMenu(StatusPopUpMenu);
  tabs_->SetGridPopupMenu(RegPopUpMenu);
  tabs_->SetTabPopupMenu(TabPopUpMenu);
}

QAction* TFrmMain::MenuAction(const std::string& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

int TFrmMain::Tag(const QObject* item) {
  const auto* a = qobject_cast<const QAction*>(item);
  return a ? a->data().toInt() : 0;
}

QAction* TFrmMain::ItemShortcutFor(const QKeyEvent* key) const {
  if (key->modifiers() != Qt::AltModifier) return nullptr;
  const QKeySequence pressed(key->modifiers() | key->key());
  for (const char* name : {"mnuEditSreg", "mnuHregEdit"}) {
    QAction* a = MenuAction(name);
    if (a && a->isEnabled() && a->shortcut() == pressed) return a;
  }
  return nullptr;
}

// Alt+S and Alt+H are both an item's shortcut and the mnemonic of a menu title
// ("Search", "Help"); the item wins, as the users know it.
bool TFrmMain::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride && ItemShortcutFor(static_cast<QKeyEvent*>(event))) {
    event->accept();
    return true;
  }
  return QMainWindow::event(event);
}

void TFrmMain::keyPressEvent(QKeyEvent* event) {
  if (QAction* a = ItemShortcutFor(event)) {
    a->trigger();
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void TFrmMain::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  PlaceWhenFramed();
}

void TFrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  PlaceWhenFramed();
}

// ---- Message log and progress ----

void TFrmMain::AddMessage(const std::string& line) { VundMemo->appendPlainText(ui::ToQt(line)); }

void TFrmMain::AddMessageLines(const std::string& text) {
  const std::vector<std::string> lines = ui::SplitMessageLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    AddMessage(lines[i]);
    if (i + 1 < lines.size()) ProcessMessages();
  }
}

void TFrmMain::SetProgressMessage(const std::string& text) {
  ProgressMsg->setText(ui::ToQt(text));
  ProcessMessages();
}

void TFrmMain::SetProgressMax(int max) { MainP_Bar->setMaximum(max); }

void TFrmMain::SetProgressPosition(int position) { MainP_Bar->setValue(position); }

void TFrmMain::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

void TFrmMain::mnuMessageClearClick() { VundMemo->clear(); }
