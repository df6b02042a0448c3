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

class TfrmIniEdit : public QDialog {
  Q_OBJECT
 public:
  // items: the caller's rows, not owned; on OK their Value fields hold the
  // accepted values.
  TfrmIniEdit(QWidget* owner, std::vector<STEditItem>* items);

  QLabel* txtPath = nullptr;
  QTableWidget* ValueListEditor1 = nullptr;
  QWidget* Panel1 = nullptr;
  QPushButton* Button1 = nullptr;  // OK
  QPushButton* Button2 = nullptr;  // CANCEL

  int RowCount() const;
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
  bool shown_ = false;
};

namespace ui {

// Shows the parameter editor modally on rows; true when the user confirmed
// (rows then hold the accepted values).
bool ShowIniEdit(std::vector<STEditItem>& rows);
// Tests answer the editor in its place; an empty function restores it.
void SetIniEditHandler(std::function<bool(std::vector<STEditItem>&)> handler);

// The COM port and baud rate choice; on OK the settings take it (the file is
// not written here) and the result is true.
bool ShowComPortDialog();

}  // namespace ui
