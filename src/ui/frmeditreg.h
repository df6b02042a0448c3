// The register value dialog: a small modal window over the grid's value
// cell in which one register field is stepped, typed, written and undone.
// Its rules are EditRegSession's; this forwards the edit field's keys.
#pragma once
#include <QDialog>
#include <memory>

#include "model/registers.h"
#include "rules/editregrules.h"

class QLabel;
class QLineEdit;
class QTimer;
namespace platform {
class Ui;
}

class TfrmEditReg : public QDialog {
  Q_OBJECT
 public:
  // value: in, the field as shown; out (on every close), the register word
  // last composed. Nothing else happens until the dialog is shown.
  // The field is one of set's registers; ui shows a text that is no number.
  TfrmEditReg(QWidget* owner, platform::Ui& ui, Registers& set, bool hex, int* value, const ST_REGISTER* reg,
              rules::RegisterWriter writer);
  ~TfrmEditReg() override;

  QLineEdit* edtReg = nullptr;
  QLabel* RegAttr = nullptr;
  QTimer* initTimer = nullptr;

  // The start after showing (the one-shot timer's work); runs once.
  void initTimerTimer();
  // True when the key was the dialog's (it is then not typed into the field).
  bool edtRegKeyDown(int key, Qt::KeyboardModifiers shift);

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool Apply(rules::EditRegSession::Key key);
  void Layout();

  platform::Ui& ui_;
  int* value_;
  std::unique_ptr<rules::EditRegSession> session_;
  bool started_ = false;
};
