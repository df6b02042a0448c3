#include "ui/qtscripthost.h"

#include <algorithm>

#include <QCloseEvent>
#include <QObject>
#include <QProgressDialog>

#include "platform/mainwindowservices.h"
#include "ui/frmscriptdialog.h"
#include "ui/frmscriptwindow.h"
#include "ui/qtguithread.h"
#include "ui/textconv.h"

namespace ui {

QtScriptWindow::QtScriptWindow(std::function<bool()> closeCheck) : form_(std::make_unique<TfrmScriptWindow>()) {
  form_->SetCloseCheck(std::move(closeCheck));
}

QtScriptWindow::~QtScriptWindow() = default;

void QtScriptWindow::Show() { form_->show(); }

// The program closing the window asks nothing: the script is being ended anyway.
void QtScriptWindow::Close() { form_->hide(); }

void QtScriptWindow::Print(const std::string& text) { form_->Print(text); }

void QtScriptWindow::PrintColored(const std::string& text, int color) { form_->PrintColored(text, color); }

void QtScriptWindow::Flush() { form_->Flush(); }

void QtScriptWindow::Ended() { form_->FlushSoon(); }

bool QtScriptWindow::SaveOutput(const std::string& fileName, std::string& reason) {
  return form_->SaveOutput(fileName, &reason);
}

void QtScriptWindow::GetPos(int& left, int& top) {
  left = form_->Left();
  top = form_->Top();
}

void QtScriptWindow::SetPos(int left, int top) {
  form_->SetLeft(left);
  form_->SetTop(top);
}

void QtScriptWindow::GetSize(int& width, int& height) {
  width = form_->WindowWidth();
  height = form_->WindowHeight();
}

void QtScriptWindow::SetSize(int width, int height) {
  form_->SetWindowWidth(width);
  form_->SetWindowHeight(height);
}

std::string QtScriptWindow::GetText() { return form_->TitleText(); }
void QtScriptWindow::SetText(const std::string& text) { form_->SetTitleText(text); }
void QtScriptWindow::SetColor(int color) { form_->SetTitleColor(static_cast<uint32_t>(color)); }
int QtScriptWindow::GetProgress() { return form_->Progress(); }
void QtScriptWindow::SetProgress(int position) { form_->SetProgress(position); }
void QtScriptWindow::SetTextColor(int color) { form_->SetTextColor(static_cast<uint32_t>(color)); }

namespace {

// The copy's progress: stopping the script is the way to end the copy, so
// neither the window's close (Alt+F4) nor Esc takes the window away from it.
class CopyProgress : public QProgressDialog {
 public:
  CopyProgress() : QProgressDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {}
  void reject() override {}

 protected:
  void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

}  // namespace

QtScriptHost::QtScriptHost(platform::MainWindowServices& services)
    : services_(services), mainThread_(std::make_unique<QObject>()) {}

QtScriptHost::~QtScriptHost() = default;

std::unique_ptr<ScriptWindow> QtScriptHost::CreateScriptWindow() {
  return std::make_unique<QtScriptWindow>(closeCheck_);
}

void QtScriptHost::AddMessage(const std::string& line) { services_.AddMessage(line); }

void QtScriptHost::ShowProgress(const std::string& caption, int done, int total) {
  QMetaObject::invokeMethod(
      mainThread_.get(),
      [this, caption, done, total] {
        if (!progress_) {
          progress_ = std::make_unique<CopyProgress>();
          progress_->setCancelButton(nullptr);
          progress_->setAutoReset(false);
          progress_->setAutoClose(false);
          progress_->setMinimumDuration(0);
          progress_->setLabelText(QStringLiteral("%1 / %2").arg(total).arg(total));
          // A window of fixed size offers no maximize button.
          progress_->setFixedSize(std::max(320, progress_->sizeHint().width()), progress_->sizeHint().height());
        }
        progress_->setWindowTitle(ToQt(caption));
        progress_->setMaximum(std::max(total, 1));
        progress_->setValue(std::min(done, std::max(total, 1)));
        progress_->setLabelText(QStringLiteral("%1 / %2").arg(done).arg(total));
        progress_->show();
      },
      Qt::QueuedConnection);
}

void QtScriptHost::CloseProgress() {
  QMetaObject::invokeMethod(mainThread_.get(), [this] { progress_.reset(); }, Qt::QueuedConnection);
}

std::unique_ptr<platform::GuiThread> QtScriptHost::CreateGuiThread() { return std::make_unique<QtGuiThread>(inCall_); }

bool QtScriptHost::AnyInCall() const { return inCall_->load() > 0; }

int QtScriptHost::InputDialog(const std::string& prompt, int option, ScriptInputValue& value) {
  TfrmIoDialog dlg(nullptr, option, rules::kIoInput, prompt);
  dlg.SetString(value.text);
  dlg.SetInteger(value.integer);
  dlg.SetDouble(value.floating);
  dlg.SetBlank(value.blank);
  const int result = Exec(dlg);
  if (result == kScriptDlgOk) {
    value.text = dlg.GetString();
    value.integer = dlg.GetInteger();
    value.floating = dlg.GetDouble();
  }
  return result;
}

int QtScriptHost::MessageDialog(const std::string& prompt, int option) {
  TfrmIoDialog dlg(nullptr, option, rules::kIoMessage, prompt);
  return Exec(dlg);
}

int QtScriptHost::SelectDialog(const std::string& prompt, const std::vector<std::string>& items, int& index) {
  TfrmIoDialog dlg(nullptr, 0, rules::kIoSelect, prompt);
  dlg.SetList(items, index);
  const int result = Exec(dlg);
  if (result == kScriptDlgOk) index = dlg.GetSelectedIndex();
  return result;
}

int QtScriptHost::Exec(TfrmIoDialog& dialog) {
  open_.push_back(&dialog);
  const int result = dialog.exec();
  open_.pop_back();
  return result;
}

void QtScriptHost::RejectDialogs() {
  for (TfrmIoDialog* dialog : open_) dialog->done(kScriptDlgCancel);
}

}  // namespace ui
