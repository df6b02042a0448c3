#include "ui/statuswindow.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "link/targetcontrol.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "ui/frminiedit.h"
#include "ui/registergridsizer.h"
#include "ui/textconv.h"

namespace {

QColor ToColor(int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

// Names on the edit-window colour, left; values on white, right; text inset
// by 2 and 1 pixels on one line, vertically centred.
class StatusGridDelegate : public QStyledItemDelegate {
 public:
  StatusGridDelegate(const int& nameColor, QTableWidget* grid)
      : QStyledItemDelegate(grid), nameColor_(nameColor), grid_(grid) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool name = index.column() == 1;
    painter->save();
    painter->fillRect(option.rect, name ? ToColor(nameColor_) : QColor(Qt::white));
    painter->setPen(Qt::black);
    painter->setFont(option.font);
    const int align = (name ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter | Qt::TextSingleLine;
    painter->drawText(option.rect.adjusted(2, 1, -2, -1), align, index.data(Qt::DisplayRole).toString());
    if (grid_->hasFocus() && index == grid_->currentIndex()) {
      painter->setPen(QPen(option.palette.color(QPalette::WindowText), 1, Qt::DotLine));
      painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
  }

 private:
  const int& nameColor_;
  QTableWidget* grid_;
};

}  // namespace

TStatusWindow::TStatusWindow(QWidget* parent) : QGroupBox(QStringLiteral("Status Window"), parent) {
  setObjectName(QStringLiteral("GroupBox1"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);

  StatusWindowCont = new QGroupBox(this);
  StatusWindowCont->setObjectName(QStringLiteral("StatusWindowCont"));
  StatusWindowContGroup = new QButtonGroup(this);
  auto* radios = new QHBoxLayout(StatusWindowCont);
  radios->setContentsMargins(4, 2, 4, 2);
  auto* start = new QRadioButton(QStringLiteral("Start"), StatusWindowCont);
  auto* stop = new QRadioButton(QStringLiteral("Stop"), StatusWindowCont);
  StatusWindowContGroup->addButton(start, 0);
  StatusWindowContGroup->addButton(stop, 1);
  start->setChecked(true);
  radios->addWidget(start);
  radios->addWidget(stop);
  connect(StatusWindowContGroup, &QButtonGroup::idClicked, this, &TStatusWindow::StatusWindowContClick);
  layout->addWidget(StatusWindowCont);

  StatusPage = new QTabWidget(this);
  StatusPage->setObjectName(QStringLiteral("StatusPage"));
  StatusGrid = new QTableWidget(ui::StatusWindowState::kDesignRows + 1, 3, StatusPage);
  StatusGrid->setObjectName(QStringLiteral("StatusGrid"));
  StatusGrid->horizontalHeader()->hide();
  StatusGrid->verticalHeader()->hide();
  StatusGrid->horizontalHeader()->setMinimumSectionSize(0);
  StatusGrid->verticalHeader()->setMinimumSectionSize(0);
  StatusGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StatusGrid->setSelectionMode(QAbstractItemView::NoSelection);
  StatusGrid->setWordWrap(false);
  StatusGrid->setItemDelegate(new StatusGridDelegate(editColor_, StatusGrid));
  StatusGrid->setColumnHidden(0, true);
  StatusGrid->setRowHidden(0, true);
  StatusGrid->installEventFilter(this);
  auto* sizer = new ui::GridSizer(StatusGrid);
  sizer->done = [this] { StatusGridMouseUp(); };

  sGridMiconVer = new TMicomVersionPage(StatusPage);
  StatusPage->addTab(StatusGrid, QStringLiteral("Status"));
  StatusPage->addTab(sGridMiconVer, QStringLiteral("Micom Ver"));
  connect(StatusPage, &QTabWidget::currentChanged, this, &TStatusWindow::StatusPageChange);
  layout->addWidget(StatusPage, 1);

  StatusTimer = new QTimer(this);
  StatusTimer->setObjectName(QStringLiteral("StatusTimer"));
  StatusTimer->setSingleShot(true);
  StatusTimer->setInterval(state_.Interval());
  connect(StatusTimer, &QTimer::timeout, this, &TStatusWindow::StatusTimerTimer);

  editor_ = [](std::vector<STEditItem>& rows) { return ui::ShowIniEdit(rows); };
}

TStatusWindow::~TStatusWindow() { StatusTimer->stop(); }

// ---- Polling ----

void TStatusWindow::SetStatusPolling(bool on) {
  if (state_.SetStatusPolling(on)) {
    StatusTimer->setInterval(state_.Interval());
    StatusTimer->start();
  }
}

int TStatusWindow::StatusWindowChoice() const {
  const int id = StatusWindowContGroup->checkedId();
  return id < 0 ? 0 : id;
}

void TStatusWindow::SetStatusWindowChoice(int index) {
  if (QAbstractButton* b = StatusWindowContGroup->button(index)) b->setChecked(true);
}

void TStatusWindow::SetRefreshInterval(int ms) {
  state_.SetInterval(ms);
  StatusTimer->setInterval(std::max(0, ms));
  // No interval: a timer already armed must not run at 0 ms, over and over.
  if (!state_.IntervalPolls()) StatusTimer->stop();
}

void TStatusWindow::StartStatusPolling() {
  SetRefreshInterval(GetRefreshTime());
  SetStatusPolling(true);
}

bool TStatusWindow::StopStatusPolling() {
  const bool was = state_.Polling();
  state_.SetStatusPolling(false);
  StatusTimer->stop();
  return was;
}

bool TStatusWindow::ReadRegisterValues(int kind) {
  ui::PollingHold hold(*this);
  return TargetControl.ReadRegisterTable(kind == 1);
}

void TStatusWindow::StatusWindowContClick(int index) {
  SetStatusPolling(index == 0);
}

void TStatusWindow::StatusTimerTimer() {
  StatusTimer->stop();
  const ui::StatusWindowState::Tick tick = state_.StatusTimerTimer(reader_, busy_ && busy_());
  if (tick.rebuilt) BuildStatusRows();
  if (tick.rebuilt || tick.shown) ShowStatusValues();
  if (tick.rearm) {
    StatusTimer->setInterval(state_.Interval());
    StatusTimer->start();
  }
}

// ---- Grid ----

void TStatusWindow::SetCell(int row, int col, const std::string& text) {
  QTableWidgetItem* item = StatusGrid->item(row, col);
  if (!item) {
    item = new QTableWidgetItem;
    StatusGrid->setItem(row, col, item);
  }
  item->setText(ui::ToQt(text));
}

void TStatusWindow::BuildStatusList() { state_.BuildStatusList(); }

void TStatusWindow::BuildStatusRows() {
  const std::vector<std::string> names = state_.RowNames();
  StatusGrid->setRowCount(1 + static_cast<int>(names.size()));
  StatusGrid->setRowHidden(0, true);
  for (size_t i = 0; i < names.size(); ++i) {
    const int row = 1 + static_cast<int>(i);
    SetCell(row, 1, names[i]);
    if (keptRow_ > 0) StatusGrid->setRowHeight(row, keptRow_);
  }
}

void TStatusWindow::ShowStatusValues() {
  const std::vector<std::string> texts = state_.ValueTexts(hex_);
  for (int row = 1; row < StatusGrid->rowCount(); ++row) {
    const size_t i = static_cast<size_t>(row - 1);
    SetCell(row, 2, i < texts.size() ? texts[i] : std::string());
  }
}

void TStatusWindow::SetHexDisplay(bool hex) {
  hex_ = hex;
  if (state_.Built()) ShowStatusValues();
}

void TStatusWindow::SetGridSizes(int nameWidth, int valueWidth, int rowHeight) {
  keptName_ = nameWidth;
  keptValue_ = valueWidth;
  keptRow_ = rowHeight;
  StatusGrid->setColumnWidth(1, nameWidth);
  StatusGrid->setColumnWidth(2, valueWidth);
  for (int row = 1; row < StatusGrid->rowCount(); ++row) StatusGrid->setRowHeight(row, rowHeight);
}

void TStatusWindow::StatusGridMouseUp() {
  bool changed = false;
  if (StatusGrid->columnWidth(1) != keptName_) {
    keptName_ = StatusGrid->columnWidth(1);
    changed = true;
  }
  if (StatusGrid->columnWidth(2) != keptValue_) {
    keptValue_ = StatusGrid->columnWidth(2);
    changed = true;
  }
  if (StatusGrid->rowHeight(1) != keptRow_) {
    keptRow_ = StatusGrid->rowHeight(1);
    for (int row = 2; row < StatusGrid->rowCount(); ++row) StatusGrid->setRowHeight(row, keptRow_);
    changed = true;
  }
  if (changed) SetStatusGridSizes(keptName_, keptValue_, keptRow_);
}

void TStatusWindow::SetEditWindowColor(int color) {
  editColor_ = color;
  sGridMiconVer->SetBackColor(color);
  StatusGrid->viewport()->update();
}

void TStatusWindow::SetPopupMenu(QMenu* menu) {
  StatusGrid->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(StatusGrid, &QWidget::customContextMenuRequested, this,
          [this, menu](const QPoint& pos) { menu->popup(StatusGrid->viewport()->mapToGlobal(pos)); });
}

void TStatusWindow::StatusPageChange(int index) {
  // Read on every visit of the page, never while it stays shown.
  if (index == 1) sGridMiconVer->ReadVersions(StatusPage->width());
}

// ---- Item list ----

int TStatusWindow::CurrentRow() const { return std::max(1, StatusGrid->currentRow()); }

void TStatusWindow::ItemsEdited() {
  BuildStatusRows();
  ShowStatusValues();
  // Only a "Start" choice polls again; "Stop" stays stopped.
  if (StatusWindowChoice() == 0) SetStatusPolling(true);
}

void TStatusWindow::mnuSatsuItemInsertClick() {
  if (copyBuffer_ && state_.Paste(*copyBuffer_, CurrentRow())) ItemsEdited();
}

void TStatusWindow::mnuStatusItemDeleteClick() {
  const int col = std::max(1, StatusGrid->currentColumn());
  const QTableWidgetItem* item = StatusGrid->item(CurrentRow(), col);
  const std::string text = item ? ui::FromQt(item->text()) : std::string();
  if (state_.Delete(CurrentRow(), text)) ItemsEdited();
}

void TStatusWindow::mnuStatusItemAddClick(int tag) {
  if (state_.AddOrEdit(tag, CurrentRow(), editor_)) ItemsEdited();
}

bool TStatusWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == StatusGrid && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Insert || key == Qt::Key_V) {
      mnuSatsuItemInsertClick();
      return true;
    }
    if (key == Qt::Key_Delete) {
      mnuStatusItemDeleteClick();
      return true;
    }
  }
  return QGroupBox::eventFilter(watched, event);
}
