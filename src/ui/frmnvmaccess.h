// The NVM device dialog: choose one of vund.dat's NVM devices (select mode),
// or confirm the device an image file names before it is written or compared
// (confirm mode).
#pragma once
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "model/vunddata.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
namespace platform {
class Ui;
}

class TfrmNVMAccess : public QDialog {
  Q_OBJECT
 public:
  // Select mode: OK stores the chosen index of vund.dat's device list in
  // *index. ui: the language of the prompts.
  TfrmNVMAccess(QWidget* owner, const platform::Ui& ui, const VundData& vund, int* index);
  // Confirm mode for the given device; write picks the wording.
  TfrmNVMAccess(QWidget* owner, const platform::Ui& ui, const std::string& name, int type, uint32_t start, uint32_t end,
                bool write);

  QGroupBox* GroupBox1 = nullptr;
  QLabel* labelMessage = nullptr;
  QComboBox* cBoxDeviceName = nullptr;
  QLineEdit* edtDeviceType = nullptr;
  QLineEdit* edtStartAddr = nullptr;
  QLineEdit* edtEndAddr = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
  QTimer* initTimer = nullptr;

  // Fills the dialog once it is shown (runs from initTimer).
  void initTimerTimer();
  void cBoxDeviceNameChange(int index);
  void btnOkClick();
  void btnCancelClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CreateComponents();
  void ShowDevice(int type, uint32_t start, uint32_t end);

  const platform::Ui& ui_;
  std::vector<stNVMImageSetting> nvmList_;
  int* index_ = nullptr;
  std::string deviceName_;
  int deviceType_ = 0;
  uint32_t startAddr_ = 0;
  uint32_t endAddr_ = 0;
  uint8_t mode_ = 1;  // 1 select a device, 0 confirm the given one
  bool write_ = false;
  bool filled_ = false;
};

// Modal result 1 (OK, index set) or 2 (Cancel).
int SelectTargetNvm(QWidget* owner, const platform::Ui& ui, const VundData& vund, int& index);
int ConfirmNvmAccess(QWidget* owner, const platform::Ui& ui, const std::string& name, int type, uint32_t start,
                     uint32_t end, bool write);
