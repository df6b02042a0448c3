#include "script/compiler/jcompiler_prelude.h"

#include <initializer_list>
#include <utility>

#include "script/builtins/modules.h"

std::vector<TPreludeModule> GetBuiltinPreludeModules() {
  std::vector<TPreludeModule> modules;
  for (const TBuiltinModule* module : {&SystemModule(), &BusModule()}) {
    TPreludeModule prelude;
    for (int i = 0, n = module->BuiltinCount(); i < n; ++i)
      prelude.rows.push_back({module->BuiltinName(i), module->BuiltinId(i), module->BuiltinPrototype(i)});
    prelude.declText = module->DeclText();
    prelude.initText = module->InitText();
    modules.push_back(std::move(prelude));
  }
  return modules;
}
