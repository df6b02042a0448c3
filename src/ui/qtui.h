// The Qt implementation of platform::Ui.
#pragma once
#include <QMessageBox>

#include "platform/ui.h"

class QWidget;

namespace ui {

class QtUi : public platform::Ui {
 public:
  int MessageBox(const std::string& caption, const std::string& text, int flags) override;
  bool OpenFileDialog(const platform::FileDialogOptions& options, std::string& path) override;
  bool SaveFileDialog(const platform::FileDialogOptions& options, std::string& path) override;
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& text,
                char passwordChar) override;
  bool ShowComPortDialog() override;
  void ScreenSize(int& width, int& height) override;
};

// The buttons and icon of Windows message-box flags, and the Windows button
// identifier of a Qt button (closing the box counts as Cancel).
QMessageBox::StandardButtons ButtonsForFlags(int flags);
QMessageBox::Icon IconForFlags(int flags);
int ResultForButton(QMessageBox::StandardButton button, int flags);
// "Desc|*.a;*.b|All|*.*" to Qt's "Desc (*.a *.b);;All (*.*)".
QString QtFilter(const std::string& filter);

// The widget that modal boxes belong to.
QWidget* ActiveOwner();

}  // namespace ui
