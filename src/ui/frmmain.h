// The main window: status bar, status window, register tabs with their grid,
// message log and progress, the menus; the start-up and close of the program.
// The grid, the status window and the register commands are their own
// classes; the window builds them in, hands them its settings and sends its
// menus and keys to them (frmmain_*.cpp).
#pragma once
#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/systemfunc.h"
#include "platform/mainwindowservices.h"
#include "rules/busystate.h"
#include "rules/mainlifecycle.h"
#include "rules/pollinghold.h"
#include "rules/registercommands.h"
#include "ui/choosers.h"

class QAction;
class QButtonGroup;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QStatusBar;
class QTabBar;
class QTableView;
class QTabWidget;
class QTimer;
class TMicomVersionPage;
class TRegisterGrid;
class TRegisterTabControl;
class TStatusWindow;
class Workspace;
namespace ui {
class ScriptRunner;
class WmCloseFilter;
}

class TFrmMain : public QMainWindow,
                 public platform::MainWindowServices,
                 public ui::PollingSwitch,
                 private ui::MainWindowSteps,
                 private ui::RegisterCommandHost {
  Q_OBJECT
 public:
  // Works on ws; sets itself as the workspace's main-window services. The
  // colour, font and folder dialogs and the desktop are choosers (null: Qt's).
  explicit TFrmMain(Workspace& ws, ui::Choosers* choosers = nullptr);
  ~TFrmMain() override;

  // ---- Message log and progress (the services the rest of the program calls) ----
  void AddMessage(const std::string& line) override;
  // One line per "\n"-separated piece; pending events are processed between them.
  void AddMessageLines(const std::string& text) override;
  // Sets the progress text and lets the window repaint.
  void SetProgressMessage(const std::string& text) override;
  void SetProgressMax(int max) override;
  void SetProgressPosition(int position) override;
  // Repaints and runs timers, without user input.
  void ProcessMessages() override;

  // ---- Frame ----
  void ShowComStatus() override;
  void UpdateCaption() override;
  void ApplySettings() override;
  // The stored frame rectangle and splitters, kept inside the screen's area.
  void PlaceWindow();
  void ApplyColours();
  void ApplyFonts();
  void ApplyEnglishCaptions();
  void BuildCommandMenu() override;

  // ---- Grid and tabs (frmmain_grid.cpp) ----
  void BuildTabStrip() override;
  // Search from the current cell down and on (Next) or up and back (Prev);
  // the match, or where the search gave up, becomes the current pair.
  void FindNextRegister(const std::string& text, int mode);
  void FindPrevRegister(const std::string& text, int mode);

  // ---- Status polling (the status window's, frmmain_status.cpp) ----
  void SetStatusPolling(bool on) override;
  bool IsPolling() const;
  // The Start (0) / Stop (1) choice of the status window.
  int StatusWindowChoice() const override;
  void SetStatusWindowChoice(int index);
  // Reads every value of the S Reg (0) or H Reg (1) file with polling held off.
  bool ReadRegisterValues(int kind) override;

  // Long operations hold polling off with ui::PollingHold(*this).

  // Marks a target operation started from the window: false (do nothing)
  // while another one runs; a close asked meanwhile runs when it ends.
  class TargetOperation {
   public:
    explicit TargetOperation(TFrmMain& window);
    ~TargetOperation();
    TargetOperation(const TargetOperation&) = delete;
    TargetOperation& operator=(const TargetOperation&) = delete;
    explicit operator bool() const { return started_; }

   private:
    TFrmMain& window_;
    bool started_;
  };
  bool Busy() const { return busy_.Busy(); }

  // How start-up connects; by default the settings' link through the
  // target control's Connect. Tests and the sample run put the simulated
  // target in its place.
  void SetTargetConnector(std::function<bool()> connector) { connector_ = std::move(connector); }

  // Start-up after the window is shown (the initTimer's work, with the first
  // command-line argument), for callers that do not wait for the timer.
  void RunStartupNow(const std::string& firstArgument);
  bool StartupDone() const { return startupDone_; }

  // A menu item by its name ("mnuExit", "FileF1", ...); null when unknown.
  QAction* MenuAction(const std::string& name) const;
  // The Tag of a menu item.
  static int Tag(const QObject* item);

  const std::string& SRegFileName() const { return sRegFileName_; }
  const std::string& HRegFileName() const { return hRegFileName_; }
  int MemCommandCount() const { return memCommandCount_; }
  std::vector<std::string>& SearchHistory() { return searchHistory_; }
  int EditWindowColor() const { return backColor_; }
  int MessageWindowColor() const { return msgBackColor_; }
  int SelRegBackColor() const { return selRegBackColor_; }

  // ---- Form components ----
  QStatusBar* MainStatusBar = nullptr;
  QLabel* MainStatusPanels[3] = {};
  QSplitter* Splitter1 = nullptr;
  TStatusWindow* GroupBox1 = nullptr;  // the status window
  QGroupBox* StatusWindowCont = nullptr;
  QButtonGroup* StatusWindowContGroup = nullptr;
  QTabWidget* StatusPage = nullptr;
  QTableView* StatusGrid = nullptr;
  TMicomVersionPage* sGridMiconVer = nullptr;
  QWidget* GroupBox2 = nullptr;
  QSplitter* Splitter2 = nullptr;
  TRegisterTabControl* S_HRegTab = nullptr;  // strip, grid and its status bar
  QTabBar* S_HRegTabBar = nullptr;
  TRegisterGrid* RegisterGrid = nullptr;
  QStatusBar* RegisterStatus = nullptr;
  QLabel* RegisterStatusPanels[2] = {};
  QPlainTextEdit* VundMemo = nullptr;
  QWidget* Panel1 = nullptr;
  QLabel* ProgressMsg = nullptr;
  QProgressBar* MainP_Bar = nullptr;
  QMenu* RegPopUpMenu = nullptr;
  QMenu* StatusPopUpMenu = nullptr;
  QMenu* TabPopUpMenu = nullptr;
  QMenu* mnuCommand = nullptr;
  QTimer* initTimer = nullptr;
  QTimer* StatusTimer = nullptr;

  // ---- Menu handlers ----
 public slots:
  // File
  void mnuReadNVMClick();
  void mnuNVMWriteClick();
  void mnuNVMRead_With_VerifyClick();
  void mnuReadNVM_No_VerifyClick();
  void mnuWriteNVM_WithVerifyClick();
  void mnuWriteNVM_WithoutVerifyClick();
  void mnuNVMCompClick();
  void mnuSregFileSelClick();
  void mnuSaveAsSregClick();
  void mnuSregOverWriteClick();
  void mnuSregSaveClick();
  void mnuSHregWriteClick();
  void mnuExitClick();
  // Edit
  void mnuEditSregClick();
  void mnuHregEditClick();
  void mnuTableEditClick();
  void mnuDataReloadClick();
  void CommandClick();
  // Search, View
  void mnuSearchClick();
  void mnuHexDeciClick();
  void mnuMessageClearClick();
  // Tool
  void mnuScriptRunClick();
  void mnuAnalyzerClick();
  void mnuComPortClick();
  void mnuColorClick();
  void mnuFontClick();
  void mnuMainWindowColorClick();
  void mnuEditWindowFontClick();
  // Help
  void mnuVundHelpClick();
  // Popups
  void mnuRegCopyClick();
  void mnuRegPasteClick();
  void mnuRegDeleteClick();
  void mnuRegNewClick();
  void mnuRegPropertyClick();
  void mnuSatsuItemInsertClick();
  void mnuStatusItemDeleteClick();
  void mnuStatusItemAddClick();
  void mnuTabNameChangeClick();
  void mnuNewTabAddClick();
  void mnuDeleteTabClick();

 signals:
  // The edit-window colour or font changed (the table window follows them).
  void EditWindowColorChanged(int color);
  void EditWindowFontChanged();
  // The Edit menu's table command: the table window is to show (or raise).
  void TableWindowRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The menu item whose own shortcut a key is where it clashes with a menu
  // title's mnemonic (Alt+S, Alt+H); null for any other key.
  QAction* ItemShortcutFor(const QKeyEvent* key) const;
  void CreateComponents();
  void CreateMenus();
  // PlaceWindow again once the window manager has framed the window.
  void PlaceWhenFramed();
  // The register command keys of the grid (Delete, Insert, F3, F5, letters,
  // Ctrl+C / Ctrl+V); true when the key ran a command.
  bool RegisterGridKeyDown(QKeyEvent* event);
  void FindRegister(const std::string& text, int mode, bool forward);
  using Handler = void (TFrmMain::*)();
  QAction* AddItem(QMenu* menu, const char* name, Handler handler, int tag = 0);
  QMenu* AddSubMenu(QMenu* parent, const char* name, Handler handler = nullptr);
  void FormShow();
  void initTimerTimer();

  // ---- Steps of start-up and close ----
  void ForceEnglish() override;
  void LoadSettings() override;
  void LoadDataFiles() override;
  void SelectFirstValueCell() override;
  bool Connect() override;
  int FindBaudRate() override;
  void RaiseBaudRate() override;
  int LinkBaudIndex() const override;
  void TakeSnapshot() override;
  void ShowRegisterTab(int tab) override;
  void StartStatusPolling() override;
  bool StopStatusPolling() override;
  int SaveRegisterFileIfChanged(int kind) override;
  void SendBaudRate() override;
  void SaveRefreshList() override;
  void SaveWindowSettings() override;
  void ReleaseResources() override;

  // ---- What the register commands need ----
  int ShownFile() const override;
  void SetShownFile(int kind) override;
  int CurrentRegisterIndex() const override;
  int CurrentTab() const override;
  void RedrawRegisterValues() override;
  std::string RegFileName(int kind) const override;
  void SetRegFileName(int kind, const std::string& name) override;
  bool EditParameters(std::vector<STEditItem>& rows) override;

  void ApplyEditWindowColor(int color);
  void ApplySelRegBackColor(int color);
  void ApplyMessageWindowColors();
  void ApplyEditFont(const std::string& name, TFontStyles style, int size);
  void ApplyMessageFont();

  Workspace& ws_;
  ui::QtChoosers qtChoosers_;
  ui::Choosers* choosers_;
  TStatusWindow* status_ = nullptr;
  TRegisterTabControl* tabs_ = nullptr;
  std::unique_ptr<ui::ScriptRunner> scriptRunner_;
  std::unique_ptr<ui::WmCloseFilter> closeFilter_;
  ui::RegisterCommands regCommands_{ws_, *this, this};
  int memCommandCount_ = 0;
  // A bare name lies in the program folder; a file from elsewhere is held by
  // its whole path.
  std::string sRegFileName_, hRegFileName_;
  std::vector<std::string> searchHistory_;  // most recent first
  std::string lastSearchText_;
  int lastSearchMode_ = 0;

  // Colours (0x00BBGGRR) and fonts as stored; a font name that is not
  // installed is drawn with a stand-in but kept as it was.
  int backColor_ = 0xC0C0C0, msgBackColor_ = 0, selRegBackColor_ = 0x808080;
  std::string fontName_, msgFontName_;
  TFontStyles fontStyle_ = 0, msgFontStyle_ = 0;
  int fontSize_ = 9, msgFontSize_ = 9, msgFontColor_ = 0xFF00;

  std::map<std::string, QAction*> actions_;
  std::function<bool()> connector_;
  ui::BusyState busy_;
  bool placePending_ = false;
  bool startupStarted_ = false;
  bool startupDone_ = false;
  bool closed_ = false;
};
