// The result window: shows result lines (NVM differences, register verify
// lines) and saves them as a verify log (.csv).
#pragma once
#include <QDialog>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QTimer;
namespace platform {
class Ui;
}

class TfrmCompEEPData : public QDialog {
  Q_OBJECT
 public:
  // lines: the caller's, not owned; they must outlive the window. ui: the
  // language of the captions and the save dialog.
  TfrmCompEEPData(QWidget* owner, platform::Ui& ui, const std::vector<std::string>* lines);

  QPlainTextEdit* ResultMemo = nullptr;
  QMenuBar* MainMenu1 = nullptr;
  QMenu* File1 = nullptr;
  QAction* S1 = nullptr;
  QTimer* initTimer = nullptr;

  // Captions and the lines into the memo, once, after the window is shown.
  void initTimerTimer();
  // "Save as File": the given lines (not the memo's text) to a chosen file.
  // False when the write failed and the user gave up.
  bool S1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  platform::Ui& ui_;
  const std::vector<std::string>* lines_;
  bool filled_ = false;
};

// Shows the lines modally; the modal result.
int ShowCompareResult(QWidget* owner, platform::Ui& ui, const std::vector<std::string>& lines);
