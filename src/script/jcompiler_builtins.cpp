#include "script/jcompiler_prelude.h"

// Filled from the module tables once they are in.
std::vector<TPreludeModule> GetBuiltinPreludeModules() { return {}; }
