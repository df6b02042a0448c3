// A panel of a status bar: a sunken label of its design width that gives way
// in a narrow window, and widens for its whole text in the font in use.
#pragma once
#include <QLabel>

class QStatusBar;

namespace ui {

class StatusPanel : public QLabel {
 public:
  // Added to bar with its design width as stretch.
  StatusPanel(QStatusBar* bar, int designWidth, const char* name);
  // The text, and the width it needs.
  void SetText(const QString& text);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Fit();
  int designWidth_;
};

}  // namespace ui
