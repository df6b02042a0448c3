// What the link to the target is handed: the line, the adapter, the
// protocol and its timing. The caller builds it from the settings store,
// Vund2.ini's [Ports] and vund.dat, so that the link itself reads no file.
#pragma once
#include <string>
#include <vector>

#include "model/linkkinds.h"
#include "model/vunddata.h"

class SystemSettings;
namespace platform {
class MainWindowServices;
class Ui;
}  // namespace platform

struct TLinkSettings {
  // Vund2.ini
  BusLayer BusPhysicalLayer = BusLayer::Serial;
  int ComPort = 0;           // port index, 0 = COM1
  std::string DevicePath;    // the device of that port
  int BaudRate = 6;          // baud index
  EcsProtocol EcsType = EcsProtocol::Ecs3;
  int VenderID = 0;
  int ProductCode = 0;
  int InEndPoint = 1;
  int OutEndPoint = 0;
  // vund.dat
  int TimeOutTime = 300;  // ms; 0 or less: the default
  int TimeOutRetry = 0;
  int ErrorRetry = 0;
  int ErrorRetryWait = 0;  // ms
  int CommandTimeOutTime = 3000;
  int BaudRateSupport = 0x840;
  int BaudRateSupportID = 0;
  int MaxECSDataLength = 64;    // 0 or less: the default
  int MaxECS3DataLength = 256;  // 0 or less: the default
  std::vector<RegSetting> MemCommandList;
  std::vector<RegSetting> SwitchCommandList;
  std::vector<RegSetting> MicomVerList;
  std::vector<RegSetting> MicomChkSumList;
};

// The device path of port index n: key COM<n+1> of section [Ports] in
// Vund2.ini, default /dev/ttyS<n>. Read from the file at each call.
std::string ComPortDevicePath(int portIndex);

// The settings as the settings store and vund.dat hold them now.
TLinkSettings CurrentLinkSettings(SystemSettings& settings, const VundData& vund);

// Where connecting gets its settings, and who is asked for another serial
// port when the one set does not open.
class TLinkSettingsSource {
 public:
  virtual ~TLinkSettingsSource() = default;
  virtual TLinkSettings GetLinkSettings() = 0;
  // Offers another port; true when the user chose one (the settings then name it).
  virtual bool ChooseComPort() = 0;
  // The port so chosen opened: keep it for the next run.
  virtual void KeepComPort() = 0;
};

// The program's: CurrentLinkSettings, the COM port dialog, and the settings
// file written (a failed write goes to the message log).
class ProgramLinkSettings : public TLinkSettingsSource {
 public:
  ProgramLinkSettings(SystemSettings& settings, const VundData& vund, platform::Ui& ui,
                      platform::MainWindowServices& services)
      : settings_(settings), vund_(vund), ui_(ui), services_(services) {}
  TLinkSettings GetLinkSettings() override { return CurrentLinkSettings(settings_, vund_); }
  bool ChooseComPort() override;
  void KeepComPort() override;

 private:
  SystemSettings& settings_;
  const VundData& vund_;
  platform::Ui& ui_;
  platform::MainWindowServices& services_;
};
