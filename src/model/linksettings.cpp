#include "model/linksettings.h"

#include <exception>

#include "model/systemfunc.h"
#include "platform/inifile.h"
#include "platform/mainwindowservices.h"
#include "platform/ui.h"

bool ProgramLinkSettings::ChooseComPort() {
  int comPort = settings_.GetComPort(), baudRate = settings_.GetBaudRate();
  if (!ui_.ShowComPortDialog(comPort, baudRate)) return false;
  settings_.SetComPort(comPort);
  settings_.SetBaudRate(baudRate);
  return true;
}

void ProgramLinkSettings::KeepComPort() {
  // The link itself is fine even when the settings file cannot be written.
  try {
    settings_.SaveSettings();
  } catch (const std::exception& e) {
    services_.AddMessage(e.what());
  }
}

std::string ComPortDevicePath(int portIndex) {
  const platform::IniFile ini(SettingsFilePath());
  return ini.ReadString("Ports", "COM" + std::to_string(portIndex + 1), "/dev/ttyS" + std::to_string(portIndex));
}

TLinkSettings CurrentLinkSettings(SystemSettings& settings, const VundData& vund) {
  TLinkSettings s;
  s.BusPhysicalLayer = settings.GetBusPhysicalLayer();
  s.ComPort = settings.GetComPort();
  s.DevicePath = ComPortDevicePath(s.ComPort);
  s.BaudRate = settings.GetBaudRate();
  s.EcsType = settings.GetEcsType();
  settings.GetUsbParams(s.VenderID, s.ProductCode, s.InEndPoint, s.OutEndPoint);
  s.TimeOutTime = vund.GetTimeOutTime();
  s.TimeOutRetry = vund.GetTimeOutRetry();
  s.ErrorRetry = vund.GetErrorRetry();
  s.ErrorRetryWait = vund.GetErrorRetryWait();
  s.CommandTimeOutTime = vund.GetCommandTimeOutTime();
  s.BaudRateSupport = vund.GetBaudRateSupport();
  s.BaudRateSupportID = vund.GetBaudRateSupportID();
  s.MaxECSDataLength = vund.GetMaxEcsDataLength();
  s.MaxECS3DataLength = vund.GetMaxEcs3DataLength();
  for (int i = 0; i < vund.GetMemCommandCount(); ++i) s.MemCommandList.push_back(vund.GetMemCommandEntry(i));
  for (int i = 0; i < vund.GetSwitchCommandCount(); ++i) s.SwitchCommandList.push_back(vund.GetSwitchCommandEntry(i));
  vund.GetMicomInfoLists(s.MicomVerList, s.MicomChkSumList);
  return s;
}
