// The table window: one tab per user table, a grid of its entries (across)
// and fields (down), read from the target the first time a tab is shown.
// Made once at start-up and shown modelessly from the main window.
#pragma once
#include <QMainWindow>

#include "model/tables.h"
#include "rules/tablegridmodel.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QStatusBar;
class QTableView;
class QTimer;
class Workspace;

namespace ui {
class MultiRowTabBar;
class TableGridItems;
}  // namespace ui

class TFormTable : public QMainWindow {
  Q_OBJECT
 public:
  // The tables, the target, the questions and the kept sizes are the
  // workspace's.
  TFormTable(QWidget* owner, Workspace& ws);
  ~TFormTable() override;

  // The main window's Edit menu: shows (or raises) the window.
  void ShowTable();

  // ---- Handlers ----
  void initTimerTimer();
  void TableTabChange(int index);
  void EditTableCell();
  void ReloadTable();
  void mnuChangeHexDecClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateComponents();
  void BuildGrid();
  void ReadTableData();
  void ShowValues();
  void TableGridColumnResized(int column, int newSize);
  // Every entry column takes the kept width, or the widest value text's.
  void SetEntryWidth();
  // Every field row takes the kept height, or a line's in the font in use.
  void SetFieldHeight();
  int ShownFieldHeight() const;
  void TableGridRowResized(int row, int newSize);
  void SetProgress(int max, int position);

  Workspace& ws_;
  rules::TableGridModel model_;
  QMenu* N1 = nullptr;
  QAction* mnuReload = nullptr;
  QMenu* V1 = nullptr;
  QAction* mnuChangeHexDec = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  ui::MultiRowTabBar* TableTab = nullptr;
  QTableView* TableGrid = nullptr;
  ui::TableGridItems* items_ = nullptr;
  QLabel* sTextInfo = nullptr;
  QProgressBar* pTablePBar = nullptr;
  QTimer* initTimer = nullptr;

  bool firstStart_ = true;
  bool building_ = false;
  bool placed_ = false;  // centred on the screen at its first showing
  int valWidth_ = 30;
  int nameHeight_ = 20;
  int nameWidth_ = 100;
};
