#include "ui/application.h"

#include <fcntl.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <clocale>
#include <csignal>
#include <exception>

#include "platform/convert.h"
#include "platform/ui.h"

namespace ui {

VundApplication::VundApplication(int& argc, char** argv, platform::Ui& ui) : QApplication(argc, argv), ui_(ui) {
  // Qt sets the locale from the environment; numbers in files and on screen
  // always use the C conventions.
  std::setlocale(LC_NUMERIC, "C");
}

void VundApplication::ShowException(platform::Ui& ui, const std::exception& e) {
  ShowException(ui, platform::MessageOf(e, ui.IsJapanese()));
}

void VundApplication::ShowException(platform::Ui& ui, const char* what) {
  ui.MessageBox("Vund2", what ? what : "", 0x10);
}

namespace {

int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
  const char byte = 1;
  // Only async-signal-safe work here: the main loop does the rest.
  [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &byte, 1);
}

}  // namespace

void VundApplication::CloseOnTerminationSignals(QWidget* window) {
  if (g_signalPipe[0] < 0 && pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
  QPointer<QWidget> target(window);
  connect(notifier, &QSocketNotifier::activated, this, [target] {
    char buf[16];
    while (read(g_signalPipe[0], buf, sizeof buf) > 0) {
    }
    if (target) target->close();
  });
  struct sigaction sa {};
  sa.sa_handler = OnTerminationSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
}

bool VundApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowException(ui_, e);
  } catch (...) {
    ShowException(ui_, nullptr);
  }
  return false;
}

}  // namespace ui
