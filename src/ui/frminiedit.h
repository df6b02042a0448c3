// The parameter editor: a short list of typed parameters, each row entered
// and checked by its input method; and the COM port dialog built on it.
#pragma once
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "model/iniproperty.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QWidget;
namespace platform {
class Ui;
}
namespace ui {
class Choosers;
}

class TfrmIniEdit : public QDialog {
  Q_OBJECT
 public:
  // items: the caller's rows, not owned; on OK their Value fields hold the
  // accepted values. The file, folder and colour rows ask through ui and
  // choosers.
  TfrmIniEdit(QWidget* owner, std::vector<STEditItem>* items, ui::Choosers& choosers, platform::Ui& ui);

  QLabel* txtPath = nullptr;
  QTableWidget* ValueListEditor1 = nullptr;
  QWidget* Panel1 = nullptr;
  QPushButton* Button1 = nullptr;  // OK
  QPushButton* Button2 = nullptr;  // CANCEL

  // What row's cell holds, and typing into it.
  std::string CellText(int row) const;
  void SetCellText(int row, const std::string& text);
  // The ellipsis button of a file, folder or colour row.
  void ValueListEditor1EditButtonClick(int row);

  // Modal result 1 checks every row first and stays open on the first
  // failure; any other result closes without checking.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  QWidget* MakeEditor(int row, const TIniProperty& p);

  std::string filePath_;
  TIniFileManager list_;
  std::vector<STEditItem>* items_;
  ui::Choosers& choosers_;
  platform::Ui& ui_;
  bool shown_ = false;
};

namespace ui {

// Shows the parameter editor modally on rows; true when the user confirmed
// (rows then hold the accepted values).
bool ShowIniEdit(std::vector<STEditItem>& rows, Choosers& choosers, platform::Ui& ui);

}  // namespace ui
