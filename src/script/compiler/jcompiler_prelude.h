// The built-in module tables as the compiler sees them: each row's internal
// name, id and script prototype, and the module's constant declaration and
// initialisation texts.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct TPreludeRow {
  std::string name;       // internal name, e.g. "__sys_sleep"
  std::int32_t id = 0;    // built-in id, also the call instruction's operation
  std::string prototype;  // e.g. "sysSleep(msec)"
};

struct TPreludeModule {
  std::vector<TPreludeRow> rows;
  std::string declText;   // "var a,b,...;"
  std::string initText;   // "a=0;b=1;..."
};

// The system module, then the bus module, read from the built-in tables.
std::vector<TPreludeModule> GetBuiltinPreludeModules();
