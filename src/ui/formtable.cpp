#include "ui/formtable.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "link/workspace.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "rules/tabrowflow.h"
#include "rules/textfit.h"
#include "rules/valuecolumnwidth.h"
#include "ui/application.h"
#include "ui/multirowtabbar.h"
#include "ui/qtui.h"
#include "ui/textconv.h"

namespace ui {

// The grid's cells asked of the table model when they are drawn: nothing is
// kept per cell, so a long table costs no more than a short one.
class TableGridItems : public QAbstractTableModel {
 public:
  TableGridItems(const rules::TableGridModel& model, QObject* parent) : QAbstractTableModel(parent), model_(model) {}

  // The table on the tab changed: new counts.
  void Rebuild() {
    beginResetModel();
    entries_ = model_.Entries();
    fields_ = model_.Fields();
    endResetModel();
  }
  void ValuesChanged() {
    if (entries_ > 0 && fields_ > 0)
      emit dataChanged(index(0, 0), index(fields_ - 1, entries_ - 1), {Qt::DisplayRole});
  }

  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : fields_; }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : entries_; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return QVariant();
    if (role == Qt::DisplayRole) return ToQt(model_.ValueText(index.column(), index.row()));
    if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    return ToQt(orientation == Qt::Horizontal ? model_.EntryCaption(section) : model_.FieldCaption(section));
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
  }

 private:
  const rules::TableGridModel& model_;
  int entries_ = 0;
  int fields_ = 0;
};

}  // namespace ui

namespace {
constexpr int kFormWidth = 758;
constexpr int kFormHeight = 640;
}  // namespace

TFormTable::TFormTable(QWidget* owner, Workspace& ws)
    : QMainWindow(owner), ws_(ws), model_(ws.UserTables, ws.TargetControl, ws.ui) {
  setObjectName(QStringLiteral("FormTable"));
  setWindowTitle(QStringLiteral("Table Window"));
  CreateComponents();
  resize(kFormWidth, kFormHeight);
}

TFormTable::~TFormTable() = default;

void TFormTable::CreateComponents() {
  N1 = menuBar()->addMenu(ui::ToQt("編集(&E)"));
  mnuReload = N1->addAction(ui::ToQt("データの再読み込み(&R)"));
  mnuReload->setObjectName(QStringLiteral("mnuReload"));
  mnuReload->setShortcut(QKeySequence(Qt::Key_F5));
  connect(mnuReload, &QAction::triggered, this, [this] { ReloadTable(); });
  V1 = menuBar()->addMenu(ui::ToQt("表示(&V)"));
  mnuChangeHexDec = V1->addAction(ui::ToQt("10進/16進表示の切り替え(&H)"));
  mnuChangeHexDec->setObjectName(QStringLiteral("mnuChangeHexDec"));
  mnuChangeHexDec->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F6));
  connect(mnuChangeHexDec, &QAction::triggered, this, [this] { mnuChangeHexDecClick(); });

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  StatusBar1 = new QStatusBar(central);
  StatusBar1->setSizeGripEnabled(false);
  layout->addWidget(StatusBar1);

  TableTab = new ui::MultiRowTabBar(central);
  TableTab->setObjectName(QStringLiteral("TableTab"));
  connect(TableTab, &ui::MultiRowTabBar::currentChanged, this, [this](int index) {
    if (index >= 0) TableTabChange(index);
  });
  layout->addWidget(TableTab);

  TableGrid = new QTableView(central);
  TableGrid->setObjectName(QStringLiteral("TableGrid"));
  items_ = new ui::TableGridItems(model_, TableGrid);
  TableGrid->setModel(items_);
  TableGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TableGrid->setSelectionMode(QAbstractItemView::ContiguousSelection);
  TableGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
  TableGrid->setWordWrap(false);
  // The entry numbers and field names are headers, so no cell edit can land on them.
  TableGrid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  TableGrid->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  TableGrid->horizontalHeader()->setMinimumSectionSize(1);
  TableGrid->verticalHeader()->setMinimumSectionSize(1);
  TableGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  TableGrid->installEventFilter(this);
  connect(TableGrid, &QTableView::doubleClicked, this, [this](const QModelIndex&) { EditTableCell(); });
  connect(TableGrid->horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int column, int, int newSize) { TableGridColumnResized(column, newSize); });
  connect(TableGrid->verticalHeader(), &QHeaderView::sectionResized, this,
          [this](int row, int, int newSize) { TableGridRowResized(row, newSize); });
  layout->addWidget(TableGrid, 1);

  auto* Panel1 = new QWidget(central);
  auto* panelLayout = new QHBoxLayout(Panel1);
  panelLayout->setContentsMargins(2, 2, 2, 2);
  sTextInfo = new QLabel(Panel1);
  sTextInfo->setFixedWidth(232);
  sTextInfo->setAlignment(Qt::AlignCenter);
  panelLayout->addWidget(sTextInfo);
  pTablePBar = new QProgressBar(Panel1);
  pTablePBar->setObjectName(QStringLiteral("pTablePBar"));
  pTablePBar->setTextVisible(false);
  pTablePBar->setRange(0, 1);  // idle and empty; 0 to 0 would be Qt's busy bar
  panelLayout->addWidget(pTablePBar, 1);
  layout->addWidget(Panel1);

  setCentralWidget(central);

  initTimer = new QTimer(this);
  initTimer->setSingleShot(true);
  initTimer->setInterval(10);
  connect(initTimer, &QTimer::timeout, this, [this] { initTimerTimer(); });
}

void TFormTable::ShowTable() {
  // Placed when the main window is framed, whose frame stands for its own.
  if (!placed_) {
    placed_ = true;
    ui::PlaceCentred(*this, kFormWidth, kFormHeight);
  }
  show();
  raise();
  activateWindow();
}

void TFormTable::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!event->spontaneous()) initTimer->start();
}

void TFormTable::initTimerTimer() {
  initTimer->stop();
  if (firstStart_) {
    if (!ws_.ui.IsJapanese()) {
      N1->setTitle(QStringLiteral("Edit(&E)"));
      mnuReload->setText(QStringLiteral("Reload data(&R)"));
      V1->setTitle(QStringLiteral("View(&V)"));
      mnuChangeHexDec->setText(QStringLiteral("Hex <-> Decimal(&C)"));
    }
    {
      const QSignalBlocker block(TableTab);
      while (TableTab->count() > 0) TableTab->removeTab(0);
      for (int i = 0; i < model_.TableCount(); ++i) TableTab->addTab(ui::ToQt(model_.TableName(i)));
      TableTab->setCurrentIndex(model_.CurrentTable());
    }
    ws_.settings.GetTableGridSizes(valWidth_, nameHeight_, nameWidth_);
    firstStart_ = false;
    TableGrid->setFocus();
  }
  BuildGrid();
  ReadTableData();
  ShowValues();
}

void TFormTable::TableTabChange(int index) {
  model_.SetCurrentTable(index);
  BuildGrid();
  ReadTableData();
  ShowValues();
}

void TFormTable::BuildGrid() {
  building_ = true;
  TableGrid->verticalHeader()->setFixedWidth(nameWidth_);
  // Sizes before the sections exist, so they are made at their size at once.
  SetFieldHeight();
  SetEntryWidth();
  items_->Rebuild();
  // Enter edits at once: the first field of the first entry is current.
  if (items_->rowCount(QModelIndex()) > 0 && items_->columnCount(QModelIndex()) > 0)
    TableGrid->setCurrentIndex(items_->index(0, 0));
  building_ = false;
}

void TFormTable::SetEntryWidth() {
  const QFontMetrics metrics(TableGrid->font());
  const int width =
      rules::ValueColumnWidth(valWidth_, model_.LargestFields(), "?", rules::kValueCellPadding,
                              [&metrics](const std::string& t) { return metrics.horizontalAdvance(ui::ToQt(t)); });
  const bool wasBuilding = building_;
  building_ = true;
  TableGrid->horizontalHeader()->setDefaultSectionSize(width);
  building_ = wasBuilding;
}

int TFormTable::ShownFieldHeight() const {
  const int line = std::max(QFontMetrics(TableGrid->font()).height(),
                            QFontMetrics(TableGrid->verticalHeader()->font()).height());
  return rules::FittedRowHeight(nameHeight_, line);
}

void TFormTable::SetFieldHeight() {
  const bool wasBuilding = building_;
  building_ = true;
  TableGrid->verticalHeader()->setDefaultSectionSize(ShownFieldHeight());
  building_ = wasBuilding;
}

void TFormTable::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    SetFieldHeight();
    SetEntryWidth();
  }
}

void TFormTable::ReadTableData() {
  model_.EnsureRead([this](int max, int position) { SetProgress(max, position); });
}

void TFormTable::SetProgress(int max, int position) {
  pTablePBar->setRange(0, std::max(max, 1));
  pTablePBar->setValue(position);
}

void TFormTable::ShowValues() {
  items_->ValuesChanged();
  TableGrid->viewport()->update();
}

void TFormTable::EditTableCell() {
  const QModelIndex current = TableGrid->currentIndex();
  if (!current.isValid()) return;
  // Its boxes belong to this window, which keeps the focus after them.
  ui::DialogOwnerScope owner(ws_.ui, this);
  try {
    if (model_.EditField(current.column(), current.row())) ShowValues();
  } catch (const platform::EConvertError& e) {
    ui::VundApplication::ShowException(ws_.ui, e);
  }
}

void TFormTable::ReloadTable() {
  model_.Reload([this](int max, int position) { SetProgress(max, position); });
  ShowValues();
}

void TFormTable::mnuChangeHexDecClick() {
  model_.ToggleHexadecimal();
  ShowValues();
}

bool TFormTable::eventFilter(QObject* watched, QEvent* event) {
  if (watched == TableGrid && event->type() == QEvent::KeyPress) {
    const auto* press = static_cast<QKeyEvent*>(event);
    const int key = press->key();
    // Ctrl+Tab and Ctrl+Shift+Tab go from table to table, as on the main
    // window's tabs, not from cell to cell.
    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && press->modifiers().testFlag(Qt::ControlModifier)) {
      TableTab->setCurrentIndex(rules::StepTab(TableTab->currentIndex(), TableTab->count(), key == Qt::Key_Backtab));
      return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      EditTableCell();
      return true;
    }
    // Normally the menu's shortcut takes F5 first.
    if (key == Qt::Key_F5) {
      ReloadTable();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// A drag of the first entry column or the first field row sets the size of
// all of them and is kept in the settings.
void TFormTable::TableGridColumnResized(int column, int newSize) {
  if (building_ || column != 0 || newSize == valWidth_) return;
  valWidth_ = newSize;
  ws_.settings.SetTableGridSizes(valWidth_, nameHeight_);
  SetEntryWidth();
}

void TFormTable::TableGridRowResized(int row, int newSize) {
  // No row is shown lower than a line; the height dragged is kept all the same.
  if (building_ || row != 0 || newSize == ShownFieldHeight()) return;
  nameHeight_ = newSize;
  ws_.settings.SetTableGridSizes(valWidth_, nameHeight_);
  SetFieldHeight();
}
