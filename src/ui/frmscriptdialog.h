// The one modal dialog that scripts open: input of a number or a text, a
// message with a choice of buttons, or a choice from a list. Made, shown
// modally and deleted on the main thread for each call.
#pragma once
#include <QDialog>
#include <string>
#include <vector>

#include "rules/scriptdialogrules.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTimer;

class TfrmIoDialog : public QDialog {
  Q_OBJECT
 public:
  // mode: 0 input, 1 message, 2 select; option: for input 0 integer,
  // 1 floating, 2 text; for a message the kind (low 4 bits) and the button
  // set (bits 4 to 7).
  TfrmIoDialog(QWidget* owner, int option, int mode, const std::string& prompt);

  QLabel* imgIcon = nullptr;
  QLineEdit* edtInput = nullptr;
  QPushButton* btnB1 = nullptr;
  QPushButton* btnB2 = nullptr;
  QPushButton* btnB3 = nullptr;
  QListWidget* lstSelect = nullptr;
  QTimer* Timer1 = nullptr;

  // The list's lines and the item selected (none when out of range).
  void SetList(const std::string& text, int index);
  void SetList(const std::vector<std::string>& items, int index);
  // The selected item when the list is shown, else -1.
  int GetSelectedIndex() const;

  // Initial values before showing, results afterwards.
  int GetInteger() const { return integer_; }
  double GetDouble() const { return floating_; }
  std::string GetString() const { return text_; }
  void SetInteger(int value) { integer_ = value; }
  void SetDouble(double value) { floating_ = value; }
  void SetString(const std::string& value) { text_ = value; }
  // The edit box opens empty rather than on the initial value.
  void SetBlank(bool blank) { blank_ = blank; }


  // Ends the dialog with a modal result; in input mode a confirmation
  // whose number does not convert beeps and keeps the dialog open.
  void done(int result) override;
  // Closing it any other way (Esc, the window manager) is result 2.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormShow();
  void Layout();
  void SetIcon(rules::IoIcon icon);

  std::string text_;
  int integer_ = 0;
  double floating_ = 0.0;
  int mode_ = 0;
  int option_ = 0;
  std::vector<std::string> promptLines_;
  int textLeft_ = 0;
  int textTop_ = 0;
  bool shown_ = false;
  bool blank_ = false;
};

// The sound of a message kind or a refused input (a message-box type).
void IoDialogBeep(int type);
