// The status window's polling and its item popup, as the main window hands
// them on.
#include "ui/frmmain.h"
#include "ui/statuswindow.h"

int TFrmMain::StatusWindowChoice() const { return status_->StatusWindowChoice(); }

void TFrmMain::SetStatusWindowChoice(int index) { status_->SetStatusWindowChoice(index); }

void TFrmMain::SetStatusPolling(bool on) { status_->SetStatusPolling(on); }

bool TFrmMain::IsPolling() const { return status_->IsPolling(); }

bool TFrmMain::ReadRegisterValues(int kind) { return status_->ReadRegisterValues(kind); }

void TFrmMain::StartStatusPolling() { status_->StartStatusPolling(); }

bool TFrmMain::StopStatusPolling() { return status_->StopStatusPolling(); }

void TFrmMain::mnuSatsuItemInsertClick() { status_->mnuSatsuItemInsertClick(); }

void TFrmMain::mnuStatusItemDeleteClick() { status_->mnuStatusItemDeleteClick(); }

// Tag 0 adds an item, Tag 1 edits the current one.
void TFrmMain::mnuStatusItemAddClick() { status_->mnuStatusItemAddClick(Tag(sender())); }
