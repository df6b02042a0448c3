#include "ui/registergridtabcontrol.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QWindow>

#include "link/workspace.h"
#include "model/systemfunc.h"
#include "rules/textfit.h"
#include "rules/valuecolumnwidth.h"
#include "ui/frmeditreg.h"
#include "ui/multirowtabbar.h"
#include "ui/statuspanel.h"
#include "ui/textconv.h"

TRegisterTabControl::TRegisterTabControl(Workspace& ws, QWidget* parent)
    : QWidget(parent), ws_(ws), presenter_(ws), writer_(rules::TargetRegisterWriter(ws.TargetControl)) {
  setObjectName(QStringLiteral("S_HRegTab"));
  S_HRegTabBar = new ui::MultiRowTabBar(this);
  S_HRegTabBar->setObjectName(QStringLiteral("S_HRegTabBar"));
  RegisterGrid = new TRegisterGrid(presenter_, this);
  RegisterStatus = new QStatusBar(this);
  RegisterStatus->setObjectName(QStringLiteral("RegisterStatus"));
  RegisterStatus->setSizeGripEnabled(false);
  // Full widths when there is room; they give way in a narrow window.
  RegisterStatusPanels[0] = new ui::StatusPanel(RegisterStatus, 350, "RegisterStatusPanel0");
  RegisterStatusPanels[1] = new ui::StatusPanel(RegisterStatus, 50, "RegisterStatusPanel1");

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(S_HRegTabBar);
  layout->addWidget(RegisterGrid, 1);
  layout->addWidget(RegisterStatus);

  connect(S_HRegTabBar, &ui::MultiRowTabBar::currentChanged, this, &TRegisterTabControl::S_HRegTabChange);
  RegisterGrid->onEditValue = [this] { EditRegisterValue(); };
  RegisterGrid->onStatusLine = [this](const std::string& text) { ShowStatus(text); };
  RegisterGrid->onTabChanged = [this](int) { SyncTabs(); };
  RegisterGrid->onResizeRebuild = [this] { ShowRegisterTab(presenter_.CurrentTab()); };
  RegisterGrid->onFontChanged = [this] { ShowRegisterTab(presenter_.CurrentTab()); };
}

void TRegisterTabControl::FitToFont() {
  std::vector<uint32_t> largest;
  const Registers& regs = presenter_.Shown();
  for (int i = 0; i < regs.GetRegisterCount(); ++i)
    largest.push_back(rules::LargestRegisterField(regs.GetRegister(static_cast<unsigned>(i))->Mask));
  const QFontMetrics metrics(RegisterGrid->font());
  presenter_.SetLeastRowHeight(rules::FittedRowHeight(0, metrics.height()));
  presenter_.SetLeastValueWidth(rules::ValueColumnWidth(
      0, largest, rules::FormatRegisterValue(REG_VALUE_UNKNOWN, 0xFFFF, false), rules::kValueCellPadding,
      [&metrics](const std::string& text) { return metrics.horizontalAdvance(ui::ToQt(text)); }));
}

TRegisterTabControl::~TRegisterTabControl() = default;

void TRegisterTabControl::SetGridSizes(int nameWidth, int valueWidth, int rowHeight) {
  FitToFont();
  presenter_.SetKeptSizes(nameWidth, valueWidth, rowHeight);
  RegisterGrid->SyncFromPresenter();
}

void TRegisterTabControl::SetColors(int gridColor, int selectedBackColor) {
  presenter_.SetColors(gridColor, selectedBackColor);
  RegisterGrid->viewport()->update();
}

void TRegisterTabControl::SetHexDisplay(bool hex) {
  presenter_.SetHexDisplay(hex);
  ShowRegisterValues(presenter_.CurrentTab());
}

void TRegisterTabControl::mnuHexDeciClick() { SetHexDisplay(!presenter_.HexDisplay()); }

void TRegisterTabControl::Refresh() {
  RegisterGrid->SyncFromPresenter();
  SyncTabs();
}

void TRegisterTabControl::BuildTabStrip() {
  presenter_.BuildTabStrip();
  SyncTabs();
}

void TRegisterTabControl::SyncTabs() {
  syncingTabs_ = true;
  const auto& strip = presenter_.TabStrip();
  while (S_HRegTabBar->count() > static_cast<int>(strip.size())) S_HRegTabBar->removeTab(S_HRegTabBar->count() - 1);
  for (size_t i = 0; i < strip.size(); ++i) {
    const int t = static_cast<int>(i);
    if (t < S_HRegTabBar->count())
      S_HRegTabBar->setTabText(t, ui::ToQt(strip[i]));
    else
      S_HRegTabBar->addTab(ui::ToQt(strip[i]));
  }
  S_HRegTabBar->setCurrentIndex(presenter_.CurrentTab());
  syncingTabs_ = false;
}

void TRegisterTabControl::ShowRegisterValues(int) {
  presenter_.ShowRegisterValues();
  RegisterGrid->SyncFromPresenter();
}

void TRegisterTabControl::ShowRegisterTab(int tab) { ShowRegisterTabAt(tab, presenter_.CurrentRegister()); }

void TRegisterTabControl::ShowRegisterTabAt(int tab, int currentRegister) {
  FitToFont();
  presenter_.SetViewMetrics(RegisterGrid->Metrics());
  presenter_.BuildRegisterGrid(tab, currentRegister);
  presenter_.ShowRegisterValues();
  RegisterGrid->SyncFromPresenter();
}

void TRegisterTabControl::SelectFirstValueCell() {
  presenter_.SetCurrent(rules::RegisterGridPresenter::FixedCols + 1, rules::RegisterGridPresenter::FixedRows);
  presenter_.SelectValuePair();
  RegisterGrid->SyncFromPresenter();
  RegisterGrid->setFocus();
}

int TRegisterTabControl::CurrentRegisterIndex() const { return presenter_.CurrentRegister(); }

void TRegisterTabControl::SelectValuePair() {
  presenter_.SelectValuePair();
  RegisterGrid->SyncFromPresenter();
}

void TRegisterTabControl::S_HRegTabChange(int index) {
  if (syncingTabs_ || index < 0) return;
  presenter_.SetViewMetrics(RegisterGrid->Metrics());
  presenter_.ChangeTab(index);
  RegisterGrid->SyncFromPresenter();
}

void TRegisterTabControl::ShowStatus(const std::string& text) {
  // Shown on every move of the cell: the panel is fitted again only when
  // its text changed.
  const QString shown = ui::ToQt(text);
  if (shown != RegisterStatusPanels[0]->text()) RegisterStatusPanels[0]->SetText(shown);
}

void TRegisterTabControl::EditRegisterValue() {
  rules::RegisterGridPresenter::EditRequest request;
  if (!presenter_.PrepareEdit(request)) return;
  const ST_REGISTER* reg = presenter_.Shown().GetRegister(static_cast<unsigned>(request.registerIndex));
  if (!reg) return;
  int value = request.value;
  TfrmEditReg dlg(window(), ws_.ui, presenter_.Shown(), presenter_.HexDisplay(), &value, reg, writer_);
  dlg.setWindowTitle(ui::ToQt(reg->ShortName));
  const QRect cell = RegisterGrid->CellScreenRect(presenter_.Col(), presenter_.Row());
  int left = cell.left();
  int top = cell.top();
  // Not shown yet, the dialog has no frame of its own: the main window's
  // title bar and borders stand for it.
  QMargins frame;
  if (const QWindow* w = window()->windowHandle()) frame = w->frameMargins();
  const QScreen* screen = QGuiApplication::screenAt(cell.topLeft());
  if (!screen) screen = this->screen();
  if (screen) {
    const QRect a = screen->availableGeometry();
    rules::KeepOnScreen(left, top, dlg.width() + frame.left() + frame.right(),
                        dlg.height() + frame.top() + frame.bottom(), {a.x(), a.y(), a.width(), a.height()});
  }
  // A window's position is that of its frame.
  dlg.move(left, top);
  if (runner_)
    runner_(dlg);
  else
    dlg.exec();
  presenter_.FinishEdit(value);
  RegisterGrid->SyncFromPresenter();
}

void TRegisterTabControl::SetTabPopupMenu(QMenu* menu) {
  S_HRegTabBar->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(S_HRegTabBar, &QWidget::customContextMenuRequested, this,
          [this, menu](const QPoint& pos) { menu->popup(S_HRegTabBar->mapToGlobal(pos)); });
}

void TRegisterTabControl::SetGridPopupMenu(QMenu* menu) {
  RegisterGrid->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(RegisterGrid, &QWidget::customContextMenuRequested, this,
          [this, menu](const QPoint& pos) { menu->popup(RegisterGrid->viewport()->mapToGlobal(pos)); });
}

void TRegisterTabControl::SetOtherKeyHandler(std::function<bool(QKeyEvent*)> handler) {
  RegisterGrid->onOtherKey = std::move(handler);
}

void TRegisterTabControl::mnuTabNameChangeClick() {
  if (presenter_.RenameCurrentTab()) SyncTabs();
}

void TRegisterTabControl::mnuNewTabAddClick() {
  if (presenter_.AddNewTab()) SyncTabs();
}

void TRegisterTabControl::mnuDeleteTabClick() {
  presenter_.SetViewMetrics(RegisterGrid->Metrics());
  if (!presenter_.DeleteCurrentTab()) return;
  SyncTabs();
  RegisterGrid->SyncFromPresenter();
}
