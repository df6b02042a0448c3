// The main window: status bar, status window, register tabs with their grid,
// message log and progress, the menus; the start-up and close of the program.
// The grid, the status window and the tool commands live in their own
// sources (frmmain_*.cpp) beside this frame.
#pragma once
#include <QMainWindow>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "model/registers.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/mainwindowservices.h"
#include "ui/busystate.h"
#include "ui/mainlifecycle.h"
#include "ui/pollinghold.h"

class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QRadioButton;
class QSplitter;
class QStatusBar;
class QTabBar;
class QTableWidget;
class QTabWidget;
class QTimer;

class TFrmMain : public QMainWindow,
                 public platform::MainWindowServices,
                 public ui::PollingSwitch,
                 private ui::MainWindowSteps {
  Q_OBJECT
 public:
  explicit TFrmMain(QWidget* parent = nullptr);
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
  void UpdateCaption();
  void ApplySettings() override;
  void ApplyColours();
  void ApplyFonts();
  void ApplyEnglishCaptions();
  void BuildCommandMenu() override;

  // ---- Grid and tabs (frmmain_grid.cpp) ----
  void BuildTabStrip() override;
  void BuildRegisterGrid(int tab);
  void ShowRegisterValues(int tab);
  // The register object shown in the grid (0 S Reg, 1 H Reg).
  Registers& ShownRegisters();
  void FindNextRegister(const std::string& text, int mode);
  void FindPrevRegister(const std::string& text, int mode);

  // ---- Status polling (frmmain_status.cpp) ----
  // Off only clears the flag (the timer's next tick ends polling); on sets it
  // and starts the status timer.
  void SetStatusPolling(bool on) override;
  bool IsPolling() const { return polling_; }
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

  // How start-up connects; by default the settings' link through
  // TargetControl.Connect(). Tests and the sample run put the simulated
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
  QGroupBox* GroupBox1 = nullptr;
  QGroupBox* StatusWindowCont = nullptr;
  QButtonGroup* StatusWindowContGroup = nullptr;
  QTabWidget* StatusPage = nullptr;
  QTableWidget* StatusGrid = nullptr;
  QTableWidget* sGridMiconVer = nullptr;
  QWidget* GroupBox2 = nullptr;
  QSplitter* Splitter2 = nullptr;
  QWidget* S_HRegTab = nullptr;  // the register tab control: strip, grid and its status bar
  QTabBar* S_HRegTabBar = nullptr;
  QTableWidget* RegisterGrid = nullptr;
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
  // Timers and the status window
  void StatusTimerTimer();
  void StatusWindowContClick(int index);

 signals:
  // The edit-window colour or font changed (the table window follows them).
  void EditWindowColorChanged(int color);
  void EditWindowFontChanged();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The menu item whose own shortcut a key is where it clashes with a menu
  // title's mnemonic (Alt+S, Alt+H); null for any other key.
  QAction* ItemShortcutFor(const QKeyEvent* key) const;
  void CreateComponents();
  void CreateMenus();
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
  void TakeSnapshot() override;
  void ShowRegisterTab(int tab) override;
  void StartStatusPolling() override;
  bool StopStatusPolling() override;
  int SaveRegisterFileIfChanged(int kind) override;
  void SendBaudRate() override;
  void SaveRefreshList() override;
  void SaveWindowSettings() override;
  void ReleaseResources() override;

  void ApplyEditWindowColor(int color);
  void ApplyMessageWindowColors();
  void ApplyEditFont(const std::string& name, TFontStyles style, int size);
  void ApplyMessageFont();

  // Kept sizes of the register grid and the status grid.
  int nameWidth_ = 0, valueWidth_ = 0, rowHeight_ = 0;
  int statusNameWidth_ = 0, statusValueWidth_ = 0, statusRowHeight_ = 0;
  int memCommandCount_ = 0;
  int columnPairs_ = 0;
  std::vector<int> cellMap_;  // grid cell -> register list index, or -1
  bool hexDisplay_ = false;
  int hShown_ = 0;  // 0 S Reg, 1 H Reg in the grid
  bool polling_ = false;
  bool statusListBuilt_ = false;
  int savedPollingChoice_ = 0;
  ST_REGISTER regCopyBuffer_;
  std::string sRegFileName_, hRegFileName_;  // relative to the program folder
  std::vector<RegSetting> statusItems_;
  std::map<int, int> statusValues_;
  std::vector<std::string> searchHistory_;  // most recent first
  std::string lastSearchText_;
  int lastSearchMode_ = 0;
  bool hValuesRead_ = false;
  std::vector<std::string> miconVerNames_, miconVerValues_;

  // Colours (0x00BBGGRR) and fonts as stored; a font name that is not
  // installed is drawn with a stand-in but kept as it was.
  int backColor_ = 0xC0C0C0, msgBackColor_ = 0, selRegBackColor_ = 0x808080;
  std::string fontName_, msgFontName_;
  TFontStyles fontStyle_ = 0, msgFontStyle_ = 0;
  int fontSize_ = 9, msgFontSize_ = 9, msgFontColor_ = 0xFF00;

  std::map<std::string, QAction*> actions_;
  std::function<bool()> connector_;
  ui::BusyState busy_;
  bool startupStarted_ = false;
  bool startupDone_ = false;
  bool closed_ = false;
};

// The one main window while it exists.
extern TFrmMain* FrmMain;
