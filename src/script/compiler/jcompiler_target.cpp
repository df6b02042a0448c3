#include "script/compiler/jcompiler.h"
#include "script/machine/jexecutable.h"

bool TJCompiler::Compile(TScriptSource& source, TJExecutable& target,
                         const std::vector<std::string>& arguments) {
  if (!CompileInto(source, target.GetMemoryManager(), arguments)) return false;
  target.AllocGlobals(GetGlobalCount());
  target.SetEntry(GetEntry());
  return true;
}
