#include "ui/statuswindow.h"

#include <QAbstractTableModel>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "link/workspace.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "rules/textfit.h"
#include "rules/valuecolumnwidth.h"
#include "ui/frminiedit.h"
#include "ui/registergridsizer.h"
#include "ui/textconv.h"

namespace {

QColor ToColor(int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

// Names on the edit-window colour, left; values on white, right; text inset
// by 2 and 1 pixels on one line, vertically centred.
class StatusGridDelegate : public QStyledItemDelegate {
 public:
  StatusGridDelegate(const int& nameColor, QTableView* grid)
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
  QTableView* grid_;
};

}  // namespace

namespace ui {

// The grid's cells, asked of the state when drawn: a hidden row 0 and
// column 0, names in column 1, values in column 2.
class StatusGridItems : public QAbstractTableModel {
 public:
  StatusGridItems(const rules::StatusWindowState& state, const bool& hex, QObject* parent)
      : QAbstractTableModel(parent), state_(state), hex_(hex) {}

  // Before the first poll the grid shows its design rows, all empty.
  void Rebuild() {
    beginResetModel();
    rows_ = 1 + (state_.Built() ? static_cast<int>(state_.Items().size()) + 1 : rules::StatusWindowState::kDesignRows);
    endResetModel();
  }
  void ValuesChanged() { emit dataChanged(index(0, 2), index(rows_ - 1, 2), {Qt::DisplayRole}); }

  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 3; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return QVariant();
    return ToQt(Text(index.row(), index.column()));
  }
  std::string Text(int row, int col) const {
    if (row < 1 || !state_.Built()) return std::string();
    const size_t item = static_cast<size_t>(row - 1);
    if (col == 1) return state_.RowName(item);
    if (col == 2) return state_.ValueText(item, hex_);
    return std::string();
  }

 private:
  const rules::StatusWindowState& state_;
  const bool& hex_;
  int rows_ = 1 + rules::StatusWindowState::kDesignRows;
};

}  // namespace ui

TStatusWindow::TStatusWindow(Workspace& ws, ui::Choosers& choosers, QWidget* parent)
    : QGroupBox(QStringLiteral("Status Window"), parent),
      ws_(ws),
      state_(ws.vund, ws.ui),
      reader_(rules::TargetRefreshReader(ws.TargetControl)) {
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
  StatusGrid = new QTableView(StatusPage);
  StatusGrid->setObjectName(QStringLiteral("StatusGrid"));
  items_ = new ui::StatusGridItems(state_, hex_, StatusGrid);
  StatusGrid->setModel(items_);
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
  StatusGrid->viewport()->installEventFilter(this);
  auto* sizer = new ui::GridSizer(StatusGrid);
  sizer->columnResized = [this](int, int) { dragging_ = true; };
  sizer->rowResized = [this](int, int) { dragging_ = true; };
  sizer->done = [this] {
    dragging_ = false;
    StatusGridMouseUp();
  };

  sGridMiconVer = new TMicomVersionPage(ws.TargetControl, StatusPage);
  StatusPage->addTab(StatusGrid, QStringLiteral("Status"));
  StatusPage->addTab(sGridMiconVer, QStringLiteral("Micom Ver"));
  connect(StatusPage, &QTabWidget::currentChanged, this, &TStatusWindow::StatusPageChange);
  layout->addWidget(StatusPage, 1);

  StatusTimer = new QTimer(this);
  StatusTimer->setObjectName(QStringLiteral("StatusTimer"));
  StatusTimer->setSingleShot(true);
  StatusTimer->setInterval(state_.Interval());
  connect(StatusTimer, &QTimer::timeout, this, &TStatusWindow::StatusTimerTimer);

  editor_ = [&choosers, &ws](std::vector<STEditItem>& rows) { return ui::ShowIniEdit(rows, choosers, ws.ui); };
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
  SetRefreshInterval(ws_.vund.GetRefreshTime());
  SetStatusPolling(true);
}

bool TStatusWindow::StopStatusPolling() {
  const bool was = state_.Polling();
  state_.SetStatusPolling(false);
  StatusTimer->stop();
  return was;
}

bool TStatusWindow::ReadRegisterValues(RegKind kind) {
  rules::PollingHold hold(*this);
  return ws_.TargetControl.ReadRegisterTable(kind == RegKind::H);
}

void TStatusWindow::StatusWindowContClick(int index) {
  SetStatusPolling(index == 0);
}

void TStatusWindow::StatusTimerTimer() {
  StatusTimer->stop();
  const rules::StatusWindowState::Tick tick = state_.StatusTimerTimer(reader_, busy_ && busy_());
  if (tick.rebuilt) BuildStatusRows();
  if (tick.rebuilt || tick.shown) ShowStatusValues();
  if (tick.rearm) {
    StatusTimer->setInterval(state_.Interval());
    StatusTimer->start();
  }
}

// ---- Grid ----

std::string TStatusWindow::CellText(int row, int col) const { return items_->Text(row, col); }


void TStatusWindow::BuildStatusRows() { RebuildRows(false); }

void TStatusWindow::RebuildRows(bool afterDelete) {
  // A model reset drops the current cell; the next Paste, Delete, Add or
  // Edit must act on the row the user chose, not on the first one.
  const QModelIndex current = StatusGrid->currentIndex();
  items_->Rebuild();
  ApplySizes();
  if (!current.isValid() || !state_.Built()) return;
  const int row = state_.KeptRow(current.row(), afterDelete);
  StatusGrid->setCurrentIndex(items_->index(row, std::max(1, current.column())));
}

void TStatusWindow::ShowStatusValues() {
  items_->ValuesChanged();
  StatusGrid->viewport()->update();
}

void TStatusWindow::ApplySizes() {
  // A model reset forgets hidden sections.
  StatusGrid->setColumnHidden(0, true);
  StatusGrid->setRowHidden(0, true);
  StatusGrid->setColumnWidth(1, ShownNameWidth());
  StatusGrid->setColumnWidth(2, ShownValueWidth());
  const int row = ShownRowHeight();
  StatusGrid->verticalHeader()->setDefaultSectionSize(row);
  for (int r = 1; r < StatusGrid->model()->rowCount(); ++r) StatusGrid->setRowHeight(r, row);
}

int TStatusWindow::ShownRowHeight() const {
  return rules::FittedRowHeight(keptRow_, QFontMetrics(StatusGrid->font()).height());
}

int TStatusWindow::ShownValueWidth() const {
  const QFontMetrics metrics(StatusGrid->font());
  const rules::TextWidth measure = [&metrics](const std::string& text) {
    return metrics.horizontalAdvance(ui::ToQt(text));
  };
  return rules::ValueColumnWidth(keptValue_, state_.LargestFields(),
                                 rules::FormatStatusValue(REG_VALUE_UNKNOWN, 0, false), rules::kValueCellPadding,
                                 measure);
}

int TStatusWindow::ShownNameWidth() const {
  if (!fitName_) return keptName_;
  return rules::ShownNameWidth(keptName_, keptValue_, ShownValueWidth(), StatusGrid->maximumViewportSize().width(),
                               StatusGrid->viewport()->width());
}

void TStatusWindow::changeEvent(QEvent* event) {
  QGroupBox::changeEvent(event);
  if (event->type() == QEvent::FontChange) ApplySizes();
}

void TStatusWindow::SetHexDisplay(bool hex) {
  hex_ = hex;
  if (state_.Built()) ShowStatusValues();
}

void TStatusWindow::SetGridSizes(int nameWidth, int valueWidth, int rowHeight) {
  keptName_ = nameWidth;
  keptValue_ = valueWidth;
  keptRow_ = rowHeight;
  fitName_ = true;
  ApplySizes();
}

void TStatusWindow::StatusGridMouseUp() {
  const int name = StatusGrid->columnWidth(1);
  const int value = StatusGrid->columnWidth(2);
  const int row = StatusGrid->rowHeight(1);
  // The value column is never shown narrower than its texts, nor a row lower
  // than a line: a drag keeps its size only when it differs from what was
  // shown. Columns the user dragged are kept as shown, both of them, and the
  // name column no longer gives way: it stays where the user left it.
  const bool columns = name != ShownNameWidth() || value != ShownValueWidth();
  const bool rows = row != ShownRowHeight();
  if (!columns && !rows) return;
  if (columns) {
    keptName_ = name;
    keptValue_ = value;
    fitName_ = false;
  }
  if (rows) keptRow_ = row;
  ApplySizes();
  ws_.settings.SetStatusGridSizes(keptName_, keptValue_, keptRow_);
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

int TStatusWindow::CurrentRow() const { return std::max(1, StatusGrid->currentIndex().row()); }

void TStatusWindow::ItemsEdited(bool afterDelete) {
  RebuildRows(afterDelete);
  ShowStatusValues();
  // Only a "Start" choice polls again; "Stop" stays stopped.
  if (StatusWindowChoice() == 0) SetStatusPolling(true);
}

void TStatusWindow::mnuSatsuItemInsertClick() {
  if (copyBuffer_ && state_.Paste(*copyBuffer_, CurrentRow())) ItemsEdited();
}

void TStatusWindow::mnuStatusItemDeleteClick() {
  const int col = std::max(1, StatusGrid->currentIndex().column());
  const std::string text = CellText(CurrentRow(), col);
  if (state_.Delete(CurrentRow(), text)) ItemsEdited(true);
}

void TStatusWindow::mnuStatusItemAddClick(int tag) {
  if (state_.AddOrEdit(tag, CurrentRow(), editor_)) ItemsEdited();
}

bool TStatusWindow::eventFilter(QObject* watched, QEvent* event) {
  // A pane made wider or narrower, or a scroll bar come or gone, moves the
  // value column; a drag in progress is left alone.
  if (watched == StatusGrid->viewport() && event->type() == QEvent::Resize && !dragging_) {
    const auto* resize = static_cast<QResizeEvent*>(event);
    if (resize->size().width() != resize->oldSize().width()) StatusGrid->setColumnWidth(1, ShownNameWidth());
  }
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
