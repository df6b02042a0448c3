// The search dialog: the text to look for among the register names, the
// texts searched before in this run, and whether the whole name must match.
#pragma once
#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
namespace platform {
class Ui;
}

// What the search dialog hands back; owned by the caller.
struct STSearcSetting {
  std::string SearchText;
  bool WholeWord = false;
};

class TFrmSearchDlg : public QDialog {
  Q_OBJECT
 public:
  // history and setting belong to the caller.
  // ui: the language of the captions.
  TFrmSearchDlg(QWidget* owner, const platform::Ui& ui, const std::vector<std::string>* history,
                STSearcSetting* setting);

  QLabel* LabelSearchStr = nullptr;
  QComboBox* SearchCBox = nullptr;
  QGroupBox* gBoxOption = nullptr;
  QCheckBox* cBoxWordSearch = nullptr;
  QPushButton* btnNextSearch = nullptr;
  QPushButton* btnCancel = nullptr;
  QTimer* initTimer = nullptr;

  void btnNextSearchClick();
  void btnCancelClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormShow();
  void initTimerTimer();

  const platform::Ui& ui_;
  STSearcSetting* setting_;
  const std::vector<std::string>* history_;
};
