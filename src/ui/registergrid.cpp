#include "ui/registergrid.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "model/systemfunc.h"
#include "ui/registergridsizer.h"
#include "ui/textconv.h"

namespace ui {

namespace {

QColor ToColor(int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

// Paints a cell as the presenter says: filled, text inset by 2 and 1 pixels
// on one line, vertically centred; a focus frame on the current cell.
class RegisterGridDelegate : public QStyledItemDelegate {
 public:
  RegisterGridDelegate(rules::RegisterGridPresenter& presenter, QTableView* view)
      : QStyledItemDelegate(view), presenter_(presenter), view_(view) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const rules::CellLook look = presenter_.LookOf(index.column(), index.row());
    painter->save();
    painter->fillRect(option.rect, ToColor(look.backColor));
    painter->setPen(ToColor(look.textColor));
    painter->setFont(option.font);
    const QRect text = option.rect.adjusted(2, 1, -2, -1);
    const int align = (look.alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextSingleLine;
    painter->drawText(text, align, index.data(Qt::DisplayRole).toString());
    if (view_->hasFocus() && index.column() == presenter_.Col() && index.row() == presenter_.Row()) {
      painter->setPen(QPen(option.palette.color(QPalette::WindowText), 1, Qt::DotLine));
      painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
  }

 private:
  rules::RegisterGridPresenter& presenter_;
  QTableView* view_;
};

}  // namespace

// The presenter's cells as a table; sizes are taken only at Refresh so the
// view never sees them change behind its back.
class RegisterGridModel : public QAbstractTableModel {
 public:
  RegisterGridModel(rules::RegisterGridPresenter& presenter, QObject* parent)
      : QAbstractTableModel(parent), presenter_(presenter) {}

  void Refresh() {
    beginResetModel();
    rows_ = presenter_.RowCount();
    cols_ = presenter_.ColCount();
    endResetModel();
  }
  void TextsChanged() {
    if (rows_ > 0 && cols_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1), {Qt::DisplayRole});
  }

  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : cols_; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return QVariant();
    return ToQt(presenter_.CellText(index.column(), index.row()));
  }

 private:
  rules::RegisterGridPresenter& presenter_;
  int rows_ = 0;
  int cols_ = 0;
};

}  // namespace ui

using rules::RegisterGridPresenter;

TRegisterGrid::TRegisterGrid(RegisterGridPresenter& presenter, QWidget* parent)
    : QTableView(parent), presenter_(presenter) {
  setObjectName(QStringLiteral("RegisterGrid"));
  model_ = new ui::RegisterGridModel(presenter_, this);
  setModel(model_);
  setItemDelegate(new ui::RegisterGridDelegate(presenter_, this));
  horizontalHeader()->hide();
  verticalHeader()->hide();
  horizontalHeader()->setMinimumSectionSize(0);
  verticalHeader()->setMinimumSectionSize(0);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  setSelectionMode(QAbstractItemView::NoSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);
  setWordWrap(false);
  setShowGrid(true);

  sizer_ = new ui::GridSizer(this);
  sizer_->columnResized = [this](int col, int width) { presenter_.SetColWidth(col, width); };
  sizer_->rowResized = [this](int row, int height) { presenter_.SetRowHeight(row, height); };
  sizer_->done = [this] {
    if (presenter_.MouseUp()) SyncFromPresenter();
  };
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { TopLeftChanged(); });
  SyncFromPresenter();
}

TRegisterGrid::~TRegisterGrid() = default;

RegisterGridPresenter::ViewMetrics TRegisterGrid::Metrics() const {
  RegisterGridPresenter::ViewMetrics m;
  // Inside the frame, with neither scroll bar: what the cells have once the
  // layout is made, whichever bars the layout before it needed.
  const int frame = 2 * frameWidth();
  m.width = width() - frame;
  const int rowHeight = std::max(1, presenter_.RowHeight(RegisterGridPresenter::FixedRows));
  m.visibleRows = (height() - frame) / rowHeight;
  m.scrollBarWidth = verticalScrollBar()->sizeHint().width();
  // The view draws each grid line inside its cell: a pair is as wide as its
  // two columns.
  m.gridLineWidth = 0;
  return m;
}

void TRegisterGrid::SyncFromPresenter() {
  syncing_ = true;
  model_->Refresh();
  // A model reset forgets hidden sections: the fixed row and column stay hidden.
  setColumnHidden(0, true);
  setRowHidden(0, true);
  for (int c = 1; c < presenter_.ColCount(); ++c) setColumnWidth(c, presenter_.ColWidth(c));
  for (int r = 1; r < presenter_.RowCount(); ++r) setRowHeight(r, presenter_.RowHeight(r));
  scrollTo(model_->index(presenter_.TopRow(), presenter_.Col()), QAbstractItemView::PositionAtTop);
  syncing_ = false;
  ShowCurrent();
}

void TRegisterGrid::ShowCurrent() {
  syncing_ = true;
  const QModelIndex current = model_->index(presenter_.Row(), presenter_.Col());
  selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
  scrollTo(model_->index(presenter_.Row(), presenter_.Selection().left));
  scrollTo(current);
  model_->TextsChanged();
  viewport()->update();
  syncing_ = false;
  TopLeftChanged();
  if (onStatusLine) onStatusLine(presenter_.CurrentStatus());
}

void TRegisterGrid::TopLeftChanged() {
  if (syncing_) return;
  int top = rowAt(0);
  if (top < RegisterGridPresenter::FixedRows) top = RegisterGridPresenter::FixedRows;
  if (top != presenter_.TopRow()) presenter_.TopLeftChanged(top);
}

QRect TRegisterGrid::CellScreenRect(int col, int row) const {
  const QRect local(columnViewportPosition(col), rowViewportPosition(row), columnWidth(col), rowHeight(row));
  return QRect(viewport()->mapToGlobal(local.topLeft()), local.size());
}

void TRegisterGrid::keyPressEvent(QKeyEvent* event) {
  using Key = RegisterGridPresenter::Key;
  using Action = RegisterGridPresenter::KeyAction;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  bool shift = event->modifiers() & Qt::ShiftModifier;
  Key key = Key::Other;
  switch (event->key()) {
    case Qt::Key_Tab: key = Key::Tab; break;
    case Qt::Key_Backtab: key = Key::Tab; shift = true; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: key = Key::Enter; break;
    case Qt::Key_Home: key = Key::Home; break;
    case Qt::Key_End: key = Key::End; break;
    case Qt::Key_Left: key = Key::Left; break;
    case Qt::Key_Up: key = Key::Up; break;
    case Qt::Key_Right: key = Key::Right; break;
    case Qt::Key_Down: key = Key::Down; break;
    default: break;
  }
  switch (presenter_.KeyDown(key, ctrl, shift)) {
    case Action::Consumed:
      ShowCurrent();
      event->accept();
      return;
    case Action::EditValue:
      event->accept();
      if (onEditValue) onEditValue();
      return;
    case Action::TabChanged:
      event->accept();
      SyncFromPresenter();
      if (onTabChanged) onTabChanged(presenter_.CurrentTab());
      return;
    case Action::NotHandled:
      break;
  }
  if (onOtherKey && onOtherKey(event)) {
    event->accept();
    return;
  }
  // Paging stays the view's; other keys must not move the cell (no search
  // by typing here).
  if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
    QTableView::keyPressEvent(event);
    return;
  }
  event->ignore();
}

void TRegisterGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (syncing_ || !current.isValid()) return;
  presenter_.SetCurrent(current.column(), current.row());
  presenter_.SelectValuePair();
  ShowCurrent();
}

void TRegisterGrid::ClickAt(const QPoint& pos) {
  const QModelIndex index = indexAt(pos);
  if (!index.isValid() || index.column() < RegisterGridPresenter::FixedCols ||
      index.row() < RegisterGridPresenter::FixedRows)
    return;
  presenter_.SetCurrent(index.column(), index.row());
  presenter_.SelectValuePair();
  ShowCurrent();
}

void TRegisterGrid::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  // The press itself selects the pair; no range is dragged out.
  if (event->button() == Qt::LeftButton) ClickAt(event->position().toPoint());
  event->accept();
}

void TRegisterGrid::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

void TRegisterGrid::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void TRegisterGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  ClickAt(event->position().toPoint());
  if (onEditValue) onEditValue();
}

void TRegisterGrid::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  presenter_.SetViewMetrics(Metrics());
  if (presenter_.ResizeNeedsRebuild() && onResizeRebuild) onResizeRebuild();
}

void TRegisterGrid::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange && onFontChanged) onFontChanged();
}
