// The S Reg / H Reg choice of the register value file commands: a check box
// for each file, offered (checked and enabled) only when its flag is set.
#pragma once
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QTimer;

class TfrmSelSnapShotID : public QDialog {
  Q_OBJECT
 public:
  // sReg, hReg: the caller's flags, not owned; OK stores the choice in them.
  TfrmSelSnapShotID(QWidget* owner, bool* sReg, bool* hReg);

  QGroupBox* GroupBox1 = nullptr;
  QCheckBox* cBoxSreg = nullptr;
  QCheckBox* cBoxHreg = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
  QTimer* initTimer = nullptr;

  void initTimerTimer();
  void btnOkClick();
  void btnCancelClick();
  // Closing the window counts as Cancel.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowFlags();

  bool* sReg_;
  bool* hReg_;
};

// Shows the dialog modally: 1 OK (flags hold the choice), 2 Cancel.
int SelectRegisterFiles(QWidget* owner, bool& sReg, bool& hReg);
