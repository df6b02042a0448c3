// A tab strip that wraps onto as many rows as its width needs, so every tab
// is seen: the flow is rules::TabRowFlow's, the tabs are drawn by the style.
// It is as tall as its rows at its present width (height for width), so the
// page below gives up what the rows take. Its calls and signal are those of a
// one-row tab bar: a click or Left / Right (with the focus) choose a tab;
// the texts are shown as they are (an "&" is not a mnemonic).
#pragma once
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

#include "rules/tabrowflow.h"

class QStyleOptionTab;

namespace ui {

class MultiRowTabBar : public QWidget {
  Q_OBJECT
 public:
  explicit MultiRowTabBar(QWidget* parent = nullptr);

  int count() const { return static_cast<int>(texts_.size()); }
  // The first tab added becomes the current one.
  int addTab(const QString& text);
  void removeTab(int index);
  QString tabText(int index) const;
  void setTabText(int index, const QString& text);
  int currentIndex() const { return current_; }
  void setCurrentIndex(int index);

  int RowCount() const { return flow_.RowCount(); }
  QRect tabRect(int index) const;
  int tabAt(const QPoint& pos) const;

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void currentChanged(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void InitStyleOption(QStyleOptionTab* option, int index) const;
  // Tab sizes and the flow again, after a change of texts, font or style.
  void Relayout();
  // The flow at the present width; the layout is asked again when the
  // rows changed.
  void Reflow();
  // The width the flow is made for: none until the strip was laid out.
  int FlowWidth() const;
  void SetHovered(int index);

  QStringList texts_;
  std::vector<int> widths_;
  int rowHeight_ = 0;
  int current_ = -1;
  int hovered_ = -1;
  rules::TabRowFlow flow_;
};

}  // namespace ui
