#include "model/linksettings.h"

#include <exception>

#include "model/systemfunc.h"
#include "platform/inifile.h"
#include "platform/mainwindowservices.h"
#include "platform/ui.h"

namespace {

class ProgramSettings : public TLinkSettingsSource {
 public:
  TLinkSettings GetLinkSettings() override { return CurrentLinkSettings(); }
  bool ChooseComPort() override { return platform::GetUi().ShowComPortDialog(); }
  void KeepComPort() override {
    // The link itself is fine even when the settings file cannot be written.
    try {
      SaveSettings();
    } catch (const std::exception& e) {
      platform::MainServices().AddMessage(e.what());
    }
  }
};

}  // namespace

std::string ComPortDevicePath(int portIndex) {
  const platform::IniFile ini(SettingsFilePath());
  return ini.ReadString("Ports", "COM" + std::to_string(portIndex + 1), "/dev/ttyS" + std::to_string(portIndex));
}

TLinkSettings CurrentLinkSettings() {
  TLinkSettings s;
  s.BusPhysicalLayer = GetBusPhysicalLayer();
  s.ComPort = GetComPort();
  s.DevicePath = ComPortDevicePath(s.ComPort);
  s.BaudRate = GetBaudRate();
  s.EcsType = GetEcsType();
  GetUsbParams(s.VenderID, s.ProductCode, s.InEndPoint, s.OutEndPoint);
  s.TimeOutTime = GetTimeOutTime();
  s.TimeOutRetry = GetTimeOutRetry();
  s.ErrorRetry = GetErrorRetry();
  s.ErrorRetryWait = GetErrorRetryWait();
  s.CommandTimeOutTime = GetCommandTimeOutTime();
  s.BaudRateSupport = GetBaudRateSupport();
  s.BaudRateSupportID = GetBaudRateSupportID();
  s.MaxECSDataLength = GetMaxEcsDataLength();
  s.MaxECS3DataLength = GetMaxEcs3DataLength();
  for (int i = 0; i < GetMemCommandCount(); ++i) s.MemCommandList.push_back(GetMemCommandEntry(i));
  for (int i = 0; i < GetSwitchCommandCount(); ++i) s.SwitchCommandList.push_back(GetSwitchCommandEntry(i));
  GetMicomInfoLists(s.MicomVerList, s.MicomChkSumList);
  return s;
}

TLinkSettingsSource& ProgramLinkSettings() {
  static ProgramSettings settings;
  return settings;
}
