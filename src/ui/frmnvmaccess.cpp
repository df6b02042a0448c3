#include "ui/frmnvmaccess.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/ui.h"
#include "ui/textconv.h"

namespace {

QString Hex(uint32_t value) { return ui::ToQt(platform::Format("0x%X", value)); }

// Only a system language of English (9) gets the English prompts here.
bool English(const platform::Ui& ui) { return ui.GetLanguageId() == 9; }

}  // namespace

TfrmNVMAccess::TfrmNVMAccess(QWidget* owner, const platform::Ui& ui, const VundData& vund, int* index)
    : QDialog(owner), ui_(ui), index_(index), mode_(1) {
  CreateComponents();
  vund.GetNVMImageSettings(nvmList_);
}

TfrmNVMAccess::TfrmNVMAccess(QWidget* owner, const platform::Ui& ui, const std::string& name, int type, uint32_t start,
                             uint32_t end, bool write)
    : QDialog(owner),
      ui_(ui),
      deviceName_(name),
      deviceType_(type),
      startAddr_(start),
      endAddr_(end),
      mode_(0),
      write_(write) {
  CreateComponents();
}

void TfrmNVMAccess::CreateComponents() {
  setObjectName(QStringLiteral("frmNVMAccess"));
  setWindowTitle(QStringLiteral("NVMAccess"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

  GroupBox1 = new QGroupBox(QStringLiteral("NVM Access Setting"), this);
  labelMessage = new QLabel(ui::ToQt("以下の設定で読み込みます"), GroupBox1);
  labelMessage->setObjectName(QStringLiteral("labelMessage"));
  cBoxDeviceName = new QComboBox(GroupBox1);
  cBoxDeviceName->setObjectName(QStringLiteral("cBoxDeviceName"));
  cBoxDeviceName->setMinimumWidth(180);
  edtDeviceType = new QLineEdit(GroupBox1);
  edtStartAddr = new QLineEdit(GroupBox1);
  edtEndAddr = new QLineEdit(GroupBox1);
  edtDeviceType->setObjectName(QStringLiteral("edtDeviceType"));
  edtStartAddr->setObjectName(QStringLiteral("edtStartAddr"));
  edtEndAddr->setObjectName(QStringLiteral("edtEndAddr"));
  for (QLineEdit* e : {edtDeviceType, edtStartAddr, edtEndAddr}) e->setReadOnly(true);
  btnOk = new QPushButton(QStringLiteral("OK"), GroupBox1);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("CANCEL"), GroupBox1);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Device"), GroupBox1), 0, 0);
  grid->addWidget(cBoxDeviceName, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Device Type"), GroupBox1), 1, 0);
  grid->addWidget(edtDeviceType, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("Start"), GroupBox1), 2, 0);
  grid->addWidget(edtStartAddr, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("End"), GroupBox1), 3, 0);
  grid->addWidget(edtEndAddr, 3, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* inner = new QVBoxLayout(GroupBox1);
  inner->addWidget(labelMessage);
  inner->addLayout(grid);
  inner->addLayout(buttons);
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(GroupBox1);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  initTimer = new QTimer(this);
  initTimer->setSingleShot(true);
  initTimer->setInterval(10);
  connect(initTimer, &QTimer::timeout, this, &TfrmNVMAccess::initTimerTimer);
  connect(cBoxDeviceName, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
          &TfrmNVMAccess::cBoxDeviceNameChange);
  connect(btnOk, &QPushButton::clicked, this, &TfrmNVMAccess::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmNVMAccess::btnCancelClick);
}

void TfrmNVMAccess::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  initTimer->start();
}

void TfrmNVMAccess::initTimerTimer() {
  initTimer->stop();
  if (filled_) return;
  filled_ = true;
  const QSignalBlocker block(cBoxDeviceName);
  cBoxDeviceName->clear();
  if (mode_ == 1) {
    labelMessage->setText(English(ui_) ? QStringLiteral("Select target NVM")
                                       : ui::ToQt("ターゲットとするNVMを選択して下さい"));
    for (const stNVMImageSetting& device : nvmList_) cBoxDeviceName->addItem(ui::ToQt(device.Name));
    if (!nvmList_.empty()) {
      cBoxDeviceName->setCurrentIndex(0);
      ShowDevice(nvmList_[0].DeviceType, nvmList_[0].BackupStart, nvmList_[0].BackupEnd);
    }
  } else {
    if (English(ui_))
      labelMessage->setText(write_ ? QStringLiteral("Write NVM image as follows")
                                   : QStringLiteral("Compare NVM image as follows"));
    else
      labelMessage->setText(ui::ToQt(write_ ? "以下の設定でNVM dataを書き込みます" : "以下の設定でNVM dataを比較します"));
    cBoxDeviceName->addItem(ui::ToQt(deviceName_));
    cBoxDeviceName->setCurrentIndex(0);
    ShowDevice(deviceType_, startAddr_, endAddr_);
  }
}

void TfrmNVMAccess::ShowDevice(int type, uint32_t start, uint32_t end) {
  edtDeviceType->setText(Hex(static_cast<uint32_t>(type)));
  edtStartAddr->setText(Hex(start));
  edtEndAddr->setText(Hex(end));
}

void TfrmNVMAccess::cBoxDeviceNameChange(int index) {
  // The confirmed device is fixed; only the select mode follows the choice.
  if (mode_ != 1 || index < 0 || static_cast<size_t>(index) >= nvmList_.size()) return;
  const stNVMImageSetting& device = nvmList_[static_cast<size_t>(index)];
  ShowDevice(device.DeviceType, device.BackupStart, device.BackupEnd);
}

void TfrmNVMAccess::btnOkClick() {
  if (mode_ == 1 && index_) *index_ = cBoxDeviceName->currentIndex();
  done(1);
}

void TfrmNVMAccess::btnCancelClick() { done(2); }

int SelectTargetNvm(QWidget* owner, const platform::Ui& ui, const VundData& vund, int& index) {
  TfrmNVMAccess dlg(owner, ui, vund, &index);
  const int result = dlg.exec();
  return result == 1 ? 1 : 2;
}

int ConfirmNvmAccess(QWidget* owner, const platform::Ui& ui, const std::string& name, int type, uint32_t start,
                     uint32_t end, bool write) {
  TfrmNVMAccess dlg(owner, ui, name, type, start, end, write);
  const int result = dlg.exec();
  return result == 1 ? 1 : 2;
}
