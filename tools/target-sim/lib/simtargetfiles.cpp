// The sample files as a target would see them. vund.dat is read here with the
// ini reader rather than through VundData: that one is process-wide and bound
// to the program folder, and in tests it belongs to the host side.
#include <cstdint>
#include <map>

#include "model/registers.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/ui.h"
#include "simtarget.h"

namespace {

// A field's value placed under its mask, as the register word holds it.
uint16_t ShiftUnderMask(int value, uint32_t mask) {
  mask &= 0xFFFF;
  if (mask == 0) return 0;
  int shift = 0;
  while (!(mask & (1u << shift))) ++shift;
  return static_cast<uint16_t>((static_cast<uint32_t>(value) << shift) & mask);
}

}  // namespace

bool SimTarget::LoadVundData(const std::string& path) {
  if (!platform::FileExists(path)) return false;
  const platform::IniFile ini(path);
  const std::string ecs = "EcsSettings";
  const std::string micom = "MicomInfo";

  struct Device {
    int type;
    uint32_t start, end;
  };
  std::vector<Device> devices;
  if (!ini.ValueExists(ecs, "EEPDeviceType1")) {
    devices.push_back({ini.ReadInteger(ecs, "EEPDeviceType", 0), uint32_t(ini.ReadInteger(ecs, "EEPBackupStart", 0)),
                       uint32_t(ini.ReadInteger(ecs, "EEPBackupEnd", 0))});
  } else {
    for (int i = 1;; ++i) {
      const int type = ini.ReadInteger(ecs, platform::Format("EEPDeviceType%d", i), 0);
      const int start = ini.ReadInteger(ecs, platform::Format("EEPBackupStart%d", i), -1);
      const int end = ini.ReadInteger(ecs, platform::Format("EEPBackupEnd%d", i), -1);
      if (type == 0 || start == -1 || end == -1 || uint32_t(end) < uint32_t(start)) break;
      devices.push_back({type, uint32_t(start), uint32_t(end)});
    }
  }
  std::map<uint32_t, uint16_t> versions;
  for (int i = 1;; ++i) {
    const int ver = ini.ReadInteger(micom, platform::Format("VerID%d", i), 0);
    const int sum = ini.ReadInteger(micom, platform::Format("ChkSum%d", i), 0);
    if (ver == 0 || sum == 0) break;
    // Version 1.00i with a checksum that tells the items apart.
    versions[uint32_t(ver)] = static_cast<uint16_t>(0x1000 + i);
    versions[uint32_t(sum)] = static_cast<uint16_t>(0xC0DE + i);
  }
  const uint32_t baudRegister = uint32_t(ini.ReadInteger(ecs, "BaudRateSupportID", 0));

  for (const Device& d : devices) AddNvmDevice(static_cast<uint8_t>(d.type), d.start, d.end);
  for (const auto& v : versions) SetRegister(v.first, v.second);
  SetBaudRegister(baudRegister);
  return true;
}

bool SimTarget::LoadRegisterFile(const std::string& path, bool hLayout) {
  if (!platform::FileExists(path)) return false;
  // The file is the target's own: its errors go to stderr, and no program
  // settings take its name.
  platform::HeadlessUi ui;
  SystemSettings settings(ui);
  Registers file;
  if (!file.LoadFromFile(path, hLayout, ui, settings)) return false;
  // Several fields may share one word: their values are merged.
  std::map<uint32_t, uint16_t> words;
  for (int i = 0; i < file.GetRegisterCount(); ++i) {
    const ST_REGISTER* reg = file.GetRegister(static_cast<unsigned>(i));
    if (reg->ID == 0 || reg->LongName.empty() || reg->LongName[0] == '-' || reg->LongName[0] == '*') continue;
    words[reg->ID] |= ShiftUnderMask(reg->Min, reg->Mask);
  }
  for (const auto& w : words) SetRegister(w.first, w.second);
  return true;
}
