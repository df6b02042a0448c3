// Column and row borders that the user drags in a table whose headers are
// hidden (the grids of the main window give their fixed row and column no
// size): a border anywhere in the cells can be dragged, as in a grid with
// row and column sizing.
#pragma once
#include <QObject>
#include <functional>

class QTableView;

namespace ui {

class GridSizer : public QObject {
  Q_OBJECT
 public:
  // Watches the view's viewport. resized(column, size) or resized for a row
  // runs during a drag (the view's section is already resized), done once
  // the button is released.
  explicit GridSizer(QTableView* view);

  std::function<void(int column, int width)> columnResized;
  std::function<void(int row, int height)> rowResized;
  std::function<void()> done;


 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class Kind { None, Column, Row };
  // The column or row whose right or bottom border lies under the point.
  Kind BorderAt(const QPoint& pos, int& section) const;

  QTableView* view_;
  QObject* viewport_;
  Kind kind_ = Kind::None;
  int section_ = -1;
  int startPos_ = 0;
  int startSize_ = 0;
};

}  // namespace ui
