#include "ui/multirowtabbar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <algorithm>

namespace ui {

namespace {

// Tab names come from files: an "&" in one is shown, not taken as a mnemonic.
QString Literal(QString text) { return text.replace(QLatin1Char('&'), QLatin1String("&&")); }

}  // namespace

MultiRowTabBar::MultiRowTabBar(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::TabFocus);
  setAttribute(Qt::WA_Hover);
  setMouseTracking(true);
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  Relayout();
}

int MultiRowTabBar::addTab(const QString& text) {
  texts_.append(text);
  Relayout();
  const int index = count() - 1;
  if (current_ < 0) {
    current_ = index;
    emit currentChanged(current_);
  }
  return index;
}

void MultiRowTabBar::removeTab(int index) {
  if (index < 0 || index >= count()) return;
  texts_.removeAt(index);
  hovered_ = -1;
  Relayout();
  if (index > current_) return;
  // The tab after the one removed takes its place, else the one before it.
  if (index < current_ || current_ >= count()) --current_;
  emit currentChanged(current_);
}

QString MultiRowTabBar::tabText(int index) const {
  return index >= 0 && index < count() ? texts_.at(index) : QString();
}

void MultiRowTabBar::setTabText(int index, const QString& text) {
  if (index < 0 || index >= count() || texts_.at(index) == text) return;
  texts_[index] = text;
  Relayout();
}

void MultiRowTabBar::setCurrentIndex(int index) {
  if (index < 0 || index >= count() || index == current_) return;
  current_ = index;
  update();
  emit currentChanged(current_);
}

QRect MultiRowTabBar::tabRect(int index) const {
  if (index < 0 || index >= flow_.Count()) return QRect();
  const rules::TabRowFlow::Place& place = flow_.PlaceOf(index);
  return QRect(place.left, place.row * rowHeight_, place.width, rowHeight_);
}

int MultiRowTabBar::tabAt(const QPoint& pos) const {
  if (pos.x() < 0 || pos.x() >= width()) return -1;
  return flow_.TabAtPoint(pos.x(), pos.y(), rowHeight_);
}

int MultiRowTabBar::heightForWidth(int width) const {
  rules::TabRowFlow flow;
  flow.Layout(widths_, width);
  return flow.RowCount() * rowHeight_;
}

QSize MultiRowTabBar::sizeHint() const {
  int oneRow = 0;
  for (int w : widths_) oneRow += w;
  return QSize(oneRow, flow_.RowCount() * rowHeight_);
}

QSize MultiRowTabBar::minimumSizeHint() const { return QSize(0, flow_.RowCount() * rowHeight_); }

int MultiRowTabBar::FlowWidth() const { return testAttribute(Qt::WA_Resized) ? width() : 0; }

void MultiRowTabBar::InitStyleOption(QStyleOptionTab* option, int index) const {
  option->initFrom(this);
  option->state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
  option->shape = QTabBar::RoundedNorth;
  option->text = Literal(tabText(index));
  option->rect = tabRect(index);
  // While the tabs are measured the flow may be that of fewer tabs.
  const bool placed = index >= 0 && index < flow_.Count();
  option->row = placed ? flow_.PlaceOf(index).row : 0;
  option->tabIndex = index;
  if (index == current_) {
    option->state |= QStyle::State_Selected;
    if (hasFocus()) option->state |= QStyle::State_HasFocus;
  }
  if (index == hovered_) option->state |= QStyle::State_MouseOver;
  if (isActiveWindow()) option->state |= QStyle::State_Active;
  if (!placed) return;
  const bool first = flow_.FirstInRow(index);
  const bool last = flow_.LastInRow(index);
  option->position = first && last ? QStyleOptionTab::OnlyOneTab
                     : first       ? QStyleOptionTab::Beginning
                     : last        ? QStyleOptionTab::End
                                   : QStyleOptionTab::Middle;
  option->selectedPosition = !first && index - 1 == current_  ? QStyleOptionTab::PreviousIsSelected
                             : !last && index + 1 == current_ ? QStyleOptionTab::NextIsSelected
                                                              : QStyleOptionTab::NotAdjacent;
}

void MultiRowTabBar::Relayout() {
  widths_.clear();
  const QFontMetrics metrics = fontMetrics();
  int height = 0;
  QStyleOptionTab option;
  for (int i = 0; i < count(); ++i) {
    InitStyleOption(&option, i);
    const int hspace = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this);
    const int vspace = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this);
    const QSize text(metrics.size(Qt::TextShowMnemonic, option.text).width() + hspace, metrics.height() + vspace);
    const QSize size = style()->sizeFromContents(QStyle::CT_TabBarTab, &option, text, this);
    widths_.push_back(size.width());
    height = std::max(height, size.height());
  }
  if (count() == 0) {
    // An empty strip keeps the height of a row, so the page does not jump.
    InitStyleOption(&option, -1);
    const int vspace = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this);
    height = style()->sizeFromContents(QStyle::CT_TabBarTab, &option, QSize(0, metrics.height() + vspace), this).height();
  }
  rowHeight_ = height;
  flow_ = rules::TabRowFlow();
  Reflow();
  updateGeometry();
  update();
}

void MultiRowTabBar::Reflow() {
  const int rows = flow_.RowCount();
  flow_.Layout(widths_, FlowWidth());
  if (flow_.RowCount() != rows) updateGeometry();
}

void MultiRowTabBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Reflow();
}

void MultiRowTabBar::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) Relayout();
}

void MultiRowTabBar::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  // Each row stands on a base line, as a one-row strip does.
  QStyleOptionTab overlapOption;
  overlapOption.shape = QTabBar::RoundedNorth;
  const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, &overlapOption, this);
  for (int row = 0; row < flow_.RowCount() && overlap > 0; ++row) {
    QStyleOptionTabBarBase base;
    base.initFrom(this);
    base.shape = QTabBar::RoundedNorth;
    base.rect = QRect(0, (row + 1) * rowHeight_ - overlap, width(), overlap);
    for (int i = 0; i < flow_.Count(); ++i)
      if (flow_.PlaceOf(i).row == row) base.tabBarRect |= tabRect(i);
    if (current_ >= 0 && current_ < flow_.Count() && flow_.PlaceOf(current_).row == row)
      base.selectedTabRect = tabRect(current_);
    painter.drawPrimitive(QStyle::PE_FrameTabBarBase, base);
  }
  // The current tab last, over its neighbours.
  QStyleOptionTab option;
  const QFontMetrics metrics = fontMetrics();
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < flow_.Count(); ++i) {
      if ((i == current_) != (pass == 1)) continue;
      InitStyleOption(&option, i);
      // Only a tab wider than the whole strip is cut short.
      if (flow_.PlaceOf(i).width < widths_[static_cast<size_t>(i)])
        option.text = Literal(metrics.elidedText(tabText(i), Qt::ElideRight,
                                                 option.rect.width() - (widths_[static_cast<size_t>(i)] -
                                                                        metrics.horizontalAdvance(tabText(i)))));
      // A style may draw the current tab reaching down over the base line;
      // it must not reach over the row below.
      painter.setClipRect(QRect(0, option.rect.top(), width(), rowHeight_));
      painter.drawControl(QStyle::CE_TabBarTab, option);
    }
  }
}

void MultiRowTabBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  const int index = tabAt(event->position().toPoint());
  if (index >= 0) setCurrentIndex(index);
}

void MultiRowTabBar::SetHovered(int index) {
  if (index == hovered_) return;
  hovered_ = index;
  update();
}

void MultiRowTabBar::mouseMoveEvent(QMouseEvent* event) { SetHovered(tabAt(event->position().toPoint())); }

void MultiRowTabBar::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  SetHovered(-1);
}

void MultiRowTabBar::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() == Qt::NoModifier && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
    const int step = event->key() == Qt::Key_Left ? -1 : 1;
    setCurrentIndex(std::clamp(current_ + step, 0, count() - 1));
    return;
  }
  event->ignore();
}

}  // namespace ui
