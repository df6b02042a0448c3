// The register grid widget: shows a RegisterGridPresenter's cells in name /
// value column pairs (column 0 and row 0 hidden, so the view's coordinates are
// the presenter's), paints them in the presenter's colours and forwards keys,
// clicks, scrolling, border drags and resizes to it.
#pragma once
#include <QTableView>
#include <functional>
#include <string>

#include "rules/registergridrules.h"

class QKeyEvent;

namespace ui {
class GridSizer;
class RegisterGridModel;
}  // namespace ui

class TRegisterGrid : public QTableView {
  Q_OBJECT
 public:
  TRegisterGrid(rules::RegisterGridPresenter& presenter, QWidget* parent = nullptr);
  ~TRegisterGrid() override;

  rules::RegisterGridPresenter& Presenter() { return presenter_; }

  // Shows the presenter as it is now: sizes, texts, current cell, top row.
  void SyncFromPresenter();
  // The metrics the layout needs, from the view's present size.
  rules::RegisterGridPresenter::ViewMetrics Metrics() const;

  // Set by the owner.
  std::function<void()> onEditValue;                 // Enter, double-click
  // The register status line, each time the current cell is shown: whatever
  // moved it (keys, a click, a search, a rebuild), the line is its register's.
  std::function<void(const std::string&)> onStatusLine;
  std::function<void(int)> onTabChanged;             // Ctrl+Tab changed the tab
  std::function<void()> onResizeRebuild;             // the pairs that fit changed
  std::function<void()> onFontChanged;               // texts take another width now
  // Keys the grid itself does not use (the register commands); true when used.
  std::function<bool(QKeyEvent*)> onOtherKey;

  // The screen rectangle of a cell.
  QRect CellScreenRect(int col, int row) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  void TopLeftChanged();
  void ClickAt(const QPoint& pos);
  void ShowCurrent();

  rules::RegisterGridPresenter& presenter_;
  ui::RegisterGridModel* model_;
  ui::GridSizer* sizer_;
  bool syncing_ = false;
};
