// The main window's command menu and its Tool, Search and Help commands.
#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>

#include "link/workspace.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "rules/mainlifecycle.h"
#include "rules/mainwindowrules.h"
#include "ui/choosers.h"
#include "ui/frmanalyzer.h"
#include "ui/frmmain.h"
#include "ui/frmsearchdlg.h"
#include "ui/scriptrunner.h"
#include "ui/textconv.h"
#include "ui/transferdialogs.h"

void TFrmMain::BuildCommandMenu() {
  mnuCommand->clear();
  for (const ui::CommandMenuItem& item : ui::CommandMenuItems(ws_.vund)) {
    QAction* a = mnuCommand->addAction(ui::ToQt(item.caption));
    a->setData(item.tag);
    connect(a, &QAction::triggered, this, &TFrmMain::CommandClick);
  }
  memCommandCount_ = ws_.vund.GetMemCommandCount();
}

void TFrmMain::CommandClick() {
  TargetOperation op(*this);
  if (!op) return;
  ui::PollingHold hold(*this);
  const ui::CommandRef ref = ui::CommandForTag(Tag(sender()), memCommandCount_);
  ws_.TargetControl.ExecuteCommandEntry(ref.index, ref.switchEntry);
}

void TFrmMain::mnuComPortClick() {
  TargetOperation op(*this);
  if (!op) return;
  ui::PollingHold hold(*this);
  const int port = ws_.settings.GetComPort();
  const int baud = ws_.settings.GetBaudRate();
  if (!ws_.linkSettings.ChooseComPort()) return;
  const bool changed = port != ws_.settings.GetComPort() || baud != ws_.settings.GetBaudRate();
  ui::ConnectAfterComPortChoice(*this, changed, ws_.TargetControl.IsConnected(), ShownFile(), CurrentTab());
}

// The parents of the colour and font items, and of the NVM items, do nothing.
void TFrmMain::mnuColorClick() {}
void TFrmMain::mnuFontClick() {}
void TFrmMain::mnuReadNVMClick() {}
void TFrmMain::mnuNVMWriteClick() {}

void TFrmMain::mnuMainWindowColorClick() {
  const int tag = Tag(sender());
  const int initial = tag == 0 ? backColor_ : tag == 1 ? msgBackColor_ : selRegBackColor_;
  int chosen = initial;
  if (!choosers_->ChooseColor(initial, chosen)) return;
  if (tag == 0) {
    ApplyEditWindowColor(chosen);
  } else if (tag == 1) {
    msgBackColor_ = chosen;
    ApplyMessageWindowColors();
  } else {
    ApplySelRegBackColor(chosen);
  }
}

void TFrmMain::mnuEditWindowFontClick() {
  const int tag = Tag(sender());
  ui::FontChoice f;
  if (tag == 0) {
    f.name = fontName_;
    f.style = fontStyle_;
    f.size = fontSize_;
  } else {
    f.name = msgFontName_;
    f.style = msgFontStyle_;
    f.size = msgFontSize_;
    f.color = msgFontColor_;
  }
  if (!choosers_->ChooseFont(f, tag != 0)) return;
  if (tag == 0) {
    ApplyEditFont(f.name, f.style, f.size);
  } else {
    msgFontName_ = f.name;
    msgFontStyle_ = f.style;
    msgFontSize_ = f.size;
    msgFontColor_ = f.color;
    ApplyMessageFont();
  }
}

void TFrmMain::mnuVundHelpClick() {
  const std::string path =
      platform::FindFileNoCase(platform::ProgramFolder(), ui::HelpFileName(ws_.ui.GetLanguageId()));
  if (!platform::FileExists(path)) {
    ws_.ui.ShowMessageBoxJE("ERROR", "Help File Vund2.chm が見つかりません", "ERROR",
                            "Help File Vund2EG.chm is not found", 0x30);
    return;
  }
  choosers_->OpenDocument(path);
}

void TFrmMain::mnuSearchClick() {
  STSearcSetting setting;
  TFrmSearchDlg dlg(this, ws_.ui, &searchHistory_, &setting);
  if (dlg.exec() != 1) return;
  const int mode = ui::SearchModeFor(setting.WholeWord);
  lastSearchMode_ = mode;
  if (setting.SearchText.empty()) return;
  ui::AddSearchHistory(searchHistory_, setting.SearchText);
  lastSearchText_ = setting.SearchText;
  FindNextRegister(setting.SearchText, mode);
}

// ---- NVM images (Tag 1 with verify); each flow holds polling off itself ----

void TFrmMain::mnuNVMRead_With_VerifyClick() {
  TargetOperation op(*this);
  if (op) ui::ReadNvmImage(ws_, this, true, *this);
}

void TFrmMain::mnuReadNVM_No_VerifyClick() {
  TargetOperation op(*this);
  if (op) ui::ReadNvmImage(ws_, this, false, *this);
}

void TFrmMain::mnuWriteNVM_WithVerifyClick() {
  TargetOperation op(*this);
  if (op) ui::WriteNvmImage(ws_, this, true, *this);
}

void TFrmMain::mnuWriteNVM_WithoutVerifyClick() {
  TargetOperation op(*this);
  if (op) ui::WriteNvmImage(ws_, this, false, *this);
}

void TFrmMain::mnuNVMCompClick() {
  TargetOperation op(*this);
  if (op) ui::CompareNvmImage(ws_, this, *this);
}

// ---- Register value files ----

void TFrmMain::mnuSregSaveClick() {
  TargetOperation op(*this);
  if (!op) return;
  ui::SaveRegisterValues(
      ws_, this, regCommands_.HValuesRead(), [this](int kind) { return ReadRegisterValues(kind); }, *this);
}

void TFrmMain::mnuSHregWriteClick() {
  TargetOperation op(*this);
  if (op) ui::WriteRegisterValues(ws_, this, *this);
}

// ---- Table window and analyzer ----

// Polling is held only while the window comes up: it goes on while the
// table window stays open.
void TFrmMain::mnuTableEditClick() {
  TargetOperation op(*this);
  if (!op) return;
  ui::PollingHold hold(*this);
  emit TableWindowRequested();
}

void TFrmMain::mnuAnalyzerClick() {
  TargetOperation op(*this);
  if (!op) return;
  ui::PollingHold hold(*this);
  ShowAnalyzer(this, ws_.TargetControl, ws_.ui);
}

// The script engine's command.
void TFrmMain::mnuScriptRunClick() { scriptRunner_->mnuScriptRunClick(); }
