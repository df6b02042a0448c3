// A close that the window manager asks for while a target operation runs.
// The X platform of Qt holds such a request back with the user's input while
// the operation lets the window repaint, and drops it when it is finally
// handled while a dialog of the operation (a save dialog, a message box)
// blocks the window. This sees the request when the X event is handled and
// lets the window keep it for the end of the operation.
#pragma once
#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <functional>

class QWidget;

namespace ui {

class WmCloseFilter : public QAbstractNativeEventFilter {
 public:
  // deferClose: true when the close was kept for later (then the X event is
  // not handed on). Installs itself on the application when it runs on X.
  WmCloseFilter(QWidget& window, std::function<bool()> deferClose);
  ~WmCloseFilter() override;
  WmCloseFilter(const WmCloseFilter&) = delete;
  WmCloseFilter& operator=(const WmCloseFilter&) = delete;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  QWidget& window_;
  std::function<bool()> deferClose_;
  uint32_t wmProtocols_ = 0;
  uint32_t wmDeleteWindow_ = 0;
  bool installed_ = false;
};

}  // namespace ui
