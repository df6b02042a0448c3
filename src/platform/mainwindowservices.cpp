#include "platform/mainwindowservices.h"

namespace platform {
namespace {

class SilentServices : public MainWindowServices {
 public:
  void AddMessage(const std::string&) override {}
  void AddMessageLines(const std::string&) override {}
  void SetProgressMessage(const std::string&) override {}
  void SetProgressMax(int) override {}
  void SetProgressPosition(int) override {}
  void ProcessMessages() override {}
};

SilentServices g_silent;
MainWindowServices* g_services = &g_silent;

}  // namespace

MainWindowServices& MainServices() { return *g_services; }
void SetMainServices(MainWindowServices* services) { g_services = services ? services : &g_silent; }

}  // namespace platform
