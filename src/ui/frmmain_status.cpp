// The status window: polling of the status items and the Micom version page.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QTimer>

#include "link/targetcontrol.h"
#include "ui/frmmain.h"

int TFrmMain::StatusWindowChoice() const {
  const int id = StatusWindowContGroup->checkedId();
  return id < 0 ? 0 : id;
}

void TFrmMain::SetStatusWindowChoice(int index) {
  if (QAbstractButton* b = StatusWindowContGroup->button(index)) b->setChecked(true);
}

void TFrmMain::SetStatusPolling(bool on) {
  if (!on) {
    polling_ = false;
    return;
  }
  if (polling_) return;
  polling_ = true;
  // No interval (no vund.dat) means no polling rather than a busy loop.
  if (StatusTimer->interval() > 0) StatusTimer->start();
}

bool TFrmMain::ReadRegisterValues(int kind) {
  ui::PollingHold hold(*this);
  return TargetControl.ReadRegisterTable(kind == 1);
}

void TFrmMain::StatusWindowContClick(int index) { SetStatusPolling(index == 0); }

void TFrmMain::StatusTimerTimer() {
  if (!polling_) {
    StatusTimer->stop();
    return;
  }
  // No poll inside another target operation; the next tick comes soon.
  if (Busy()) return;
  // The poll itself belongs to the status window's code.
}

void TFrmMain::mnuSatsuItemInsertClick() {}
void TFrmMain::mnuStatusItemDeleteClick() {}
void TFrmMain::mnuStatusItemAddClick() {}
