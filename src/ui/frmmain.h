// The main window: status bar, status window, register tabs with their grid,
// message log and progress, the menus. Its behaviour is the main controller's
// (rules/maincontroller.h), which it serves as the view; its menus, popups
// and grid keys are built (CreateMenus) from the command table of
// rules/maincommands.h. The grid and the status window are classes of their
// own.
#pragma once
#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/systemfunc.h"
#include "rules/maincontroller.h"
#include "ui/choosers.h"
#include "ui/transferdialogs.h"

class QAction;
class QKeyEvent;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QTimer;
class TRegisterTabControl;
class TStatusWindow;
class Workspace;
namespace ui {
class MessageLog;
class StatusPanel;
class ScriptRunner;
class WmCloseFilter;
}  // namespace ui

namespace ui {

// The main window's widgets.
struct MainWindowParts {
  StatusPanel* comStatus = nullptr;  // the first panel of the status bar
  QSplitter* splitter1 = nullptr;  // status window | register tabs and log
  QSplitter* splitter2 = nullptr;  // register tabs | message log
  TStatusWindow* status = nullptr;
  TRegisterTabControl* tabs = nullptr;
  QPlainTextEdit* memo = nullptr;
  QLabel* progressText = nullptr;
  QProgressBar* progressBar = nullptr;
  QMenu* commandMenu = nullptr;
  QTimer* initTimer = nullptr;
};

// Colours (0x00BBGGRR) and fonts as stored; a font name that is not
// installed is drawn with a stand-in but kept as it was.
struct MainWindowLook {
  int backColor = 0xC0C0C0, msgBackColor = 0, selRegBackColor = 0x808080;
  std::string fontName, msgFontName;
  TFontStyles fontStyle = 0, msgFontStyle = 0;
  int fontSize = 9, msgFontSize = 9, msgFontColor = 0xFF00;
};

// The search dialog's history (most recent first) and the last search.
struct MainWindowSearch {
  std::vector<std::string> history;
  std::string text;
  int mode = 0;
};

}  // namespace ui

class TFrmMain : public QMainWindow, private rules::MainView {
  Q_OBJECT
 public:
  // Works on ws; its message log becomes the workspace's main-window
  // services. The colour, font and folder dialogs and the desktop are
  // choosers (null: Qt's).
  explicit TFrmMain(Workspace& ws, ui::Choosers* choosers = nullptr);
  ~TFrmMain() override;

  rules::MainController& Controller() { return *controller_; }
  // Start-up at once, for callers that do not wait for the window's timer.
  void RunStartupNow(const std::string& firstArgument);
  // A menu item by its name ("mnuExit", "FileF1", ...); null when unknown.
  QAction* MenuAction(const std::string& name) const;

 signals:
  // The edit-window colour or font changed (the table window follows them).
  void EditWindowColorChanged(int color);
  void EditWindowFontChanged();
  // The Edit menu's table command: the table window is to show (or raise).
  void TableWindowRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // ---- The view of the main controller ----
  void ApplySettings() override;
  void StoreWindowSettings() override;
  void SetCaption(const std::string& text) override;
  void SetComStatus(const std::string& text) override;
  void BuildCommandMenu(const std::vector<rules::CommandMenuItem>& items) override;
  void CloseSoon() override;
  void ReleaseResources() override;
  rules::RegisterPane& Registers() override;
  rules::StatusPane& Status() override;
  bool EditParameters(std::vector<STEditItem>& rows) override;
  rules::NvmDialogs& NvmWindows() override { return transferWindows_; }
  rules::RegSnapshotDialogs& SnapshotWindows() override { return transferWindows_; }

  // ---- Built once ----
  void CreateComponents();
  // The menus and popups from the command table, and the grid's keys.
  void CreateMenus();
  // Runs row under its flags with tag (the row's own, or a grid key's letter).
  void RunCommand(const rules::MainCommandRow& row, int tag);
  std::function<void(int tag)> CommandAction(rules::CommandId id);
  // The register grid's command keys; true when the key ran a command.
  bool RunGridKey(const QKeyEvent& event);

  // ---- The dialogs of the menus ----
  void ChooseColor(int tag);
  void ChooseFont(int tag);
  void SearchRegister();
  void OpenHelp();

  Workspace& ws_;
  ui::QtChoosers qtChoosers_;
  ui::Choosers& choosers_;
  ui::MainWindowParts parts_;
  ui::MainWindowLook look_;
  ui::MainWindowSearch search_;
  std::unique_ptr<ui::MessageLog> log_;
  ui::QtTransferWindows transferWindows_;
  std::unique_ptr<rules::MainController> controller_;
  std::unique_ptr<ui::ScriptRunner> scriptRunner_;
  std::unique_ptr<ui::WmCloseFilter> closeFilter_;
  std::map<std::string, QAction*> actions_;
  // Placed again once the window manager has framed the window.
  bool placePending_ = false;
};
