#include "ui/statuspanel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QStatusBar>

#include "rules/textfit.h"

namespace ui {

StatusPanel::StatusPanel(QStatusBar* bar, int designWidth, const char* name) : QLabel(bar), designWidth_(designWidth) {
  setObjectName(QLatin1String(name));
  setMinimumWidth(0);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Fit();
  bar->addWidget(this, designWidth);
}

void StatusPanel::SetText(const QString& text) {
  QLabel::setText(text);
  Fit();
}

void StatusPanel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange) Fit();
}

void StatusPanel::Fit() {
  const QFontMetrics metrics(font());
  // A framed label without an indent of its own insets its text by half an x.
  const int inset = indent() < 0 ? (frameWidth() > 0 ? metrics.horizontalAdvance(QLatin1Char('x')) / 2 : 0) : indent();
  setMaximumWidth(rules::FittedPanelWidth(designWidth_, metrics.horizontalAdvance(text()), frameWidth(), inset));
}

}  // namespace ui
