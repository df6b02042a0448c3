// The main window's "Status Window": the Start/Stop radio group, the "Status"
// page whose grid shows the polled status items and the "Micom Ver" page,
// with the status timer that polls while polling is on. The rules are
// StatusWindowState's; this keeps the widgets in step with it.
#pragma once
#include <QGroupBox>
#include <functional>

#include "model/registers.h"
#include "rules/mainview.h"
#include "rules/pollinghold.h"
#include "rules/statuswindowrules.h"
#include "ui/micomversionpage.h"

class QButtonGroup;
class QMenu;
class QTableView;
class QTabWidget;
class QTimer;
class Workspace;

namespace ui {
class Choosers;
class StatusGridItems;
}  // namespace ui

class TStatusWindow : public QGroupBox, public rules::StatusPane {
  Q_OBJECT
 public:
  // The items and their interval are vund.dat's, the values the target's,
  // the kept sizes the settings'; the item editor asks through choosers.
  TStatusWindow(Workspace& ws, ui::Choosers& choosers, QWidget* parent = nullptr);
  ~TStatusWindow() override;

  QGroupBox* StatusWindowCont = nullptr;
  QButtonGroup* StatusWindowContGroup = nullptr;
  QTabWidget* StatusPage = nullptr;
  QTableView* StatusGrid = nullptr;
  TMicomVersionPage* sGridMiconVer = nullptr;
  QTimer* StatusTimer = nullptr;

  // ---- Polling ----
  // Off clears the flag only; on sets it and starts the timer.
  void SetStatusPolling(bool on) override;
  bool IsPolling() const { return state_.Polling(); }
  int StatusWindowChoice() const override;
  // Sets the radio group without polling on or off.
  void SetStatusWindowChoice(int index);
  // The poll interval (GetRefreshTime at start-up); 0 or less never polls.
  void SetRefreshInterval(int ms);
  // Interval from vund.dat, then polling on (the end of start-up).
  void StartStatusPolling() override;
  // Polling off and the timer stopped (the close); true when it was on.
  bool StopStatusPolling() override;
  // Reads every value of the file with polling held off.
  bool ReadRegisterValues(RegKind kind) override;

  // ---- What the main window shares ----
  void SetHexDisplay(bool hex);
  // Kept sizes from the settings (GetStatusGridSizes).
  void SetGridSizes(int nameWidth, int valueWidth, int rowHeight);
  // The edit-window colour (name cells and the Micom Ver page).
  void SetEditWindowColor(int color);
  // The register copy buffer that Paste takes (not owned).
  void SetCopyBuffer(const ST_REGISTER* buffer) { copyBuffer_ = buffer; }
  void SetPopupMenu(QMenu* menu);
  // True while another target operation runs: a tick is then put off.
  void SetBusyProbe(std::function<bool()> busy) { busy_ = std::move(busy); }

  // ---- Seams for tests ----
  void SetRefreshReader(rules::RefreshReader reader) { reader_ = std::move(reader); }

  // ---- Grid ----
  // The text of a cell (row 0 and column 0 are the hidden fixed ones).
  std::string CellText(int row, int col) const;
  void BuildStatusRows();
  void ShowStatusValues();

 public slots:
  void StatusTimerTimer();
  void StatusWindowContClick(int index);
  void StatusPageChange(int index);
  void mnuSatsuItemInsertClick();
  void mnuStatusItemDeleteClick();
  // tag 0 adds a new item, tag 1 edits the current one.
  void mnuStatusItemAddClick(int tag);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  int CurrentRow() const;
  void ItemsEdited(bool afterDelete = false);
  void RebuildRows(bool afterDelete);
  void StatusGridMouseUp();
  // Row heights and column widths as kept; rows at least a line tall, the
  // value column at least as wide as its widest text, and the name column
  // giving way where that would push the value column out of the pane.
  void ApplySizes();
  int ShownValueWidth() const;
  int ShownNameWidth() const;
  int ShownRowHeight() const;

  Workspace& ws_;
  rules::StatusWindowState state_;
  ui::StatusGridItems* items_ = nullptr;
  rules::RefreshReader reader_;
  rules::ItemEditor editor_;
  std::function<bool()> busy_;
  const ST_REGISTER* copyBuffer_ = nullptr;
  bool hex_ = false;
  int editColor_ = 0xFFFFFF;
  int keptName_ = 0, keptValue_ = 0, keptRow_ = 0;
  bool dragging_ = false;  // a column or row border is being dragged
  bool fitName_ = true;    // the kept widths are the settings', not a drag's
};
