// A one-line input box with a caption and a prompt. It has no close box: it
// closes only with OK, CANCEL, Enter or Esc.
#pragma once
#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

class TFormMyInputDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TFormMyInputDlg(QWidget* owner);

  QLabel* Label1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

// Shows the input box modally: the text typed when confirmed (modal result
// 1), otherwise defaultText. passwordChar 0 shows the text as typed.
std::string MyInputBox(const std::string& caption, const std::string& prompt, const std::string& defaultText,
                       char passwordChar = 0);
// The same, telling whether it was confirmed (text then holds the answer);
// the box belongs to owner.
bool MyInputQuery(const std::string& caption, const std::string& prompt, std::string& text, char passwordChar,
                  QWidget* owner);
