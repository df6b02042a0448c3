#include "script/jcompiler_prelude.h"
#include "script/modules.h"

std::vector<TPreludeModule> GetBuiltinPreludeModules() {
  std::vector<TPreludeModule> modules(2);
  TPreludeModule& sys = modules[0];
  for (int i = 0, n = GetSystemBuiltinCount(); i < n; ++i)
    sys.rows.push_back({GetSystemBuiltinName(i), GetSystemBuiltinId(i), GetSystemBuiltinPrototype(i)});
  sys.declText = GetSystemDeclText();
  sys.initText = GetSystemInitText();
  TPreludeModule& bus = modules[1];
  for (int i = 0, n = GetBusBuiltinCount(); i < n; ++i)
    bus.rows.push_back({GetBusBuiltinName(i), GetBusBuiltinId(i), GetBusBuiltinPrototype(i)});
  bus.declText = GetBusDeclText();
  bus.initText = GetBusInitText();
  return modules;
}
