// The register grid, its tabs and the register list commands.
#include <QTabBar>
#include <QTableWidget>

#include "ui/frmmain.h"
#include "ui/textconv.h"

Registers& TFrmMain::ShownRegisters() { return hShown_ ? HRegisters : SRegisters; }

void TFrmMain::BuildTabStrip() {
  Registers& regs = ShownRegisters();
  std::vector<std::string> names;
  regs.GetTabNames(names);
  if (names.empty()) {
    if (hShown_)
      GetHRegWindowNames(names);
    else
      GetSRegWindowNames(names);
    regs.SetTabNames(names);
  }
  const QSignalBlocker block(S_HRegTabBar);
  while (S_HRegTabBar->count() > 0) S_HRegTabBar->removeTab(0);
  S_HRegTabBar->addTab(QStringLiteral("ALL"));
  for (const std::string& n : names) S_HRegTabBar->addTab(ui::ToQt(n));
}

// Laid out, drawn and edited by the register grid's own code.
void TFrmMain::BuildRegisterGrid(int) {}
void TFrmMain::ShowRegisterValues(int) {}
void TFrmMain::FindNextRegister(const std::string&, int) {}
void TFrmMain::FindPrevRegister(const std::string&, int) {}

void TFrmMain::mnuEditSregClick() {}
void TFrmMain::mnuHregEditClick() {}
void TFrmMain::mnuDataReloadClick() {}
void TFrmMain::mnuSregFileSelClick() {}
void TFrmMain::mnuSaveAsSregClick() {}
void TFrmMain::mnuSregOverWriteClick() {}
void TFrmMain::mnuHexDeciClick() {}
void TFrmMain::mnuRegCopyClick() {}
void TFrmMain::mnuRegPasteClick() {}
void TFrmMain::mnuRegDeleteClick() {}
void TFrmMain::mnuRegNewClick() {}
void TFrmMain::mnuRegPropertyClick() {}
void TFrmMain::mnuTabNameChangeClick() {}
void TFrmMain::mnuNewTabAddClick() {}
void TFrmMain::mnuDeleteTabClick() {}
