// The script compiler with the real prelude of built-in wrappers: any input
// compiles or fails with a message, and everything it made goes with the
// registry.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "script/compiler/jcompiler.h"
#include "script/compiler/lexer.h"
#include "script/machine/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> lines = fuzz::Lines(data, size);
  TStringListSource source(&lines);
  TJMemoryManager registry;
  TJCompiler compiler;
  compiler.SetUserSource(true);
  if (compiler.CompileInto(source, registry, {"1", "arg"})) {
    if (!compiler.GetEntry()) fuzz::Fail("compiled without an entry");
  } else if (compiler.GetErrorMessage().empty()) {
    fuzz::Fail("failed without a message");
  }
  return 0;
}
