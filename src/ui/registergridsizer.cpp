#include "ui/registergridsizer.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>
#include <algorithm>

namespace ui {

namespace {
constexpr int kGrip = 3;  // pixels either side of a border that grab it
}

GridSizer::GridSizer(QTableView* view) : QObject(view), view_(view), viewport_(view->viewport()) {
  view->viewport()->setMouseTracking(true);
  viewport_->installEventFilter(this);
}

GridSizer::Kind GridSizer::BorderAt(const QPoint& pos, int& section) const {
  const int col = view_->columnAt(pos.x());
  if (col >= 0) {
    const int right = view_->columnViewportPosition(col) + view_->columnWidth(col);
    const int left = view_->columnViewportPosition(col);
    if (right - pos.x() <= kGrip) {
      section = col;
      return Kind::Column;
    }
    // The border on the left belongs to the visible column before it.
    if (pos.x() - left < kGrip) {
      for (int c = col - 1; c >= 0; --c) {
        if (view_->isColumnHidden(c) || view_->columnWidth(c) == 0) continue;
        section = c;
        return Kind::Column;
      }
    }
  }
  const int row = view_->rowAt(pos.y());
  if (row >= 0) {
    const int bottom = view_->rowViewportPosition(row) + view_->rowHeight(row);
    if (bottom - pos.y() <= kGrip) {
      section = row;
      return Kind::Row;
    }
  }
  return Kind::None;
}

bool GridSizer::eventFilter(QObject* watched, QEvent* event) {
  // Compared with the pointer kept, not asked of the view: the viewport still
  // sends events while the view is being destroyed.
  if (watched != viewport_) return false;
  switch (event->type()) {
    case QEvent::MouseMove: {
      auto* e = static_cast<QMouseEvent*>(event);
      const QPoint pos = e->position().toPoint();
      if (kind_ == Kind::Column) {
        const int size = std::max(0, startSize_ + pos.x() - startPos_);
        view_->horizontalHeader()->resizeSection(section_, size);
        if (columnResized) columnResized(section_, size);
        return true;
      }
      if (kind_ == Kind::Row) {
        const int size = std::max(0, startSize_ + pos.y() - startPos_);
        view_->verticalHeader()->resizeSection(section_, size);
        if (rowResized) rowResized(section_, size);
        return true;
      }
      int section = -1;
      const Kind k = BorderAt(pos, section);
      if (k == Kind::Column)
        view_->viewport()->setCursor(Qt::SplitHCursor);
      else if (k == Kind::Row)
        view_->viewport()->setCursor(Qt::SplitVCursor);
      else
        view_->viewport()->unsetCursor();
      return false;
    }
    case QEvent::MouseButtonPress: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() != Qt::LeftButton) return false;
      const QPoint pos = e->position().toPoint();
      int section = -1;
      const Kind k = BorderAt(pos, section);
      if (k == Kind::None) return false;
      kind_ = k;
      section_ = section;
      startPos_ = k == Kind::Column ? pos.x() : pos.y();
      startSize_ = k == Kind::Column ? view_->columnWidth(section) : view_->rowHeight(section);
      return true;
    }
    case QEvent::MouseButtonRelease: {
      if (kind_ == Kind::None) return false;
      kind_ = Kind::None;
      section_ = -1;
      if (done) done();
      return true;
    }
    case QEvent::MouseButtonDblClick:
      return kind_ != Kind::None;
    default:
      return false;
  }
}

}  // namespace ui
