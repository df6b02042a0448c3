// The Qt implementation of platform::Ui.
#pragma once
#include <QMessageBox>
#include <QPointer>

#include "platform/ui.h"
#include "ui/choosers.h"

class QCoreApplication;
class QTranslator;
class QWidget;

namespace ui {

class QtUi : public platform::Ui {
 public:
  int MessageBox(const std::string& caption, const std::string& text, int flags) override;
  bool OpenFileDialog(const platform::FileDialogOptions& options, std::string& path) override;
  bool SaveFileDialog(const platform::FileDialogOptions& options, std::string& path) override;
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& text,
                char passwordChar) override;
  bool ShowComPortDialog(int& comPort, int& baudRate) override;
  void ScreenSize(int& width, int& height) override;

  // The window an input box belongs to while no window is active.
  void SetMainWindow(QWidget* window) { mainWindow_ = window; }

  // The widget that modal boxes belong to: the modal dialog in front, else the
  // window whose command is running (DialogOwnerScope), else the active window.
  QWidget* ActiveOwner() const;

 private:
  friend class DialogOwnerScope;
  QtChoosers choosers_{this};
  QPointer<QWidget> mainWindow_;
  QPointer<QWidget> commandOwner_;
};

// The buttons and icon of Windows message-box flags, and the Windows button
// identifier of a Qt button (closing the box counts as Cancel).
QMessageBox::StandardButtons ButtonsForFlags(int flags);
QMessageBox::Icon IconForFlags(int flags);
int ResultForButton(QMessageBox::StandardButton button, int flags);
// A box whose buttons are all answers (Yes and No; Abort, Retry and Ignore):
// only a button ends it, never Esc or the window's close button.
bool OnlyButtonsAnswer(int flags);
// The width a box needs for its caption in the title bar beside the window
// manager's buttons, measured with the box's font.
int CaptionRoom(const QString& caption, const QFont& font);
// Centres a window with the given client size on its screen's area for
// windows, fitted into that area frame and all. Before the window manager has
// framed it, the frame of another window of the program stands for its own.
// A window of fixed size is fixed at the size it gets.
void PlaceCentred(QWidget& window, int clientWidth, int clientHeight);
// "Desc|*.a;*.b|All|*.*" to Qt's "Desc (*.a *.b);;All (*.*)".
QString QtFilter(const std::string& filter);

// Qt's own texts (the file, colour and font dialogs, the buttons of message
// boxes) in Japanese when japanese is set: the translator installed on app
// and owned by it, or null when English is wanted or the translations are
// not installed (package qt6-translations-l10n).
QTranslator* LoadQtTranslations(QCoreApplication& app, bool japanese);

// The widget that the boxes of ui belong to: its ActiveOwner when ui is the
// Qt one, else the modal dialog in front or the active window.
QWidget* ActiveOwner(const platform::Ui* ui);

// While it lives, the boxes and dialogs that a command of owner opens through
// ui belong to owner, so they stay above it and give the focus back to it,
// not to the main window.
class DialogOwnerScope {
 public:
  DialogOwnerScope(platform::Ui& ui, QWidget* owner);
  ~DialogOwnerScope();
  DialogOwnerScope(const DialogOwnerScope&) = delete;
  DialogOwnerScope& operator=(const DialogOwnerScope&) = delete;

 private:
  QtUi* ui_;
  QPointer<QWidget> previous_;
};

}  // namespace ui
