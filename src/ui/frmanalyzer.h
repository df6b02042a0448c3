// The analyzer terminal: frames typed as hexadecimal bytes go to the target
// unchanged and whatever the target sends back is logged every 500 ms.
#pragma once
#include <QDialog>

#include "link/targetcontrol.h"
#include "rules/analyzerrules.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class TFrmAlalyzer : public QDialog {
  Q_OBJECT
 public:
  // ui shows the refusals of frames.
  TFrmAlalyzer(QWidget* owner, TTargetControl& target, platform::Ui& ui);

  // ---- Handlers ----
  void SendCommand();
  void btnClearClick();
  void ReadTimerTimer();

  bool Receiving() const;

 protected:
  void showEvent(QShowEvent* event) override;
  // Places the send box's controls for the window's width.
  void resizeEvent(QResizeEvent* event) override;

 private:
  void AddLine(const std::string& line);
  void FormResize();

  rules::AnalyzerTerminal terminal_;
  QGroupBox* GroupBox1 = nullptr;
  QLineEdit* edtSendCmmd = nullptr;
  QPushButton* BtnSendCommad = nullptr;
  QPushButton* btnClear = nullptr;
  QCheckBox* cBoxChkSum = nullptr;
  QPlainTextEdit* CommMemo = nullptr;
  QTimer* ReadTimer = nullptr;
  bool logStarted_ = false;
};

// The Tools menu's analyzer: shows the terminal modally and deletes it. The
// caller holds status polling off around it.
void ShowAnalyzer(QWidget* owner, TTargetControl& target, platform::Ui& ui);
