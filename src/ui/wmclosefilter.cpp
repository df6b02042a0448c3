#include "ui/wmclosefilter.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>

namespace ui {

namespace {

uint32_t InternAtom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  if (!reply) return 0;
  const uint32_t atom = reply->atom;
  std::free(reply);
  return atom;
}

}  // namespace

WmCloseFilter::WmCloseFilter(QWidget& window, std::function<bool()> deferClose)
    : window_(window), deferClose_(std::move(deferClose)) {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->connection()) return;
  wmProtocols_ = InternAtom(x11->connection(), "WM_PROTOCOLS");
  wmDeleteWindow_ = InternAtom(x11->connection(), "WM_DELETE_WINDOW");
  if (!wmProtocols_ || !wmDeleteWindow_) return;
  app->installNativeEventFilter(this);
  installed_ = true;
}

WmCloseFilter::~WmCloseFilter() {
  if (installed_ && QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool WmCloseFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t" || !message) return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) return false;
  const auto* client = static_cast<const xcb_client_message_event_t*>(message);
  if (client->format != 32 || client->type != wmProtocols_ || client->data.data32[0] != wmDeleteWindow_) return false;
  // Only for the window itself, and only once it has an X window.
  if (!window_.testAttribute(Qt::WA_WState_Created) || client->window != window_.winId()) return false;
  return deferClose_ && deferClose_();
}

}  // namespace ui
