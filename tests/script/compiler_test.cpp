// The compiler's limits and its start-up arguments. The language itself
// (compile errors, expressions, statements, run-time errors) is tested by the
// script files of cases/.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/jcompiler.h"
#include "script/jexecutable.h"
#include "script/lexer.h"
#include "script/registry.h"

namespace {

std::string Error(const std::vector<std::string>& lines) {
  TJMemoryManager registry;
  TJCompiler compiler;
  TStringListSource source(&lines);
  EXPECT_FALSE(compiler.CompileInto(source, registry, {"1"}));
  return compiler.GetErrorMessage();
}

TEST(CompilerTest, HostileNestingIsRefusedNotACrash) {
  std::string assigns, blocks;
  for (int i = 0; i < 100000; ++i) assigns += "n=", blocks += "begin {";
  for (const std::string& body : {"return " + std::string(100000, '(') + "1" + std::string(100000, ')') + ";",
                                  "return " + std::string(100000, '-') + "1;", assigns + "1;"})
    EXPECT_EQ(Error({"func main(a&, n) { " + body + " }"}), "ERROR! line=1 : 式が複雑すぎます");
  EXPECT_EQ(Error({"func main(a&, n) { " + blocks}), "ERROR! line=1 : ブロックの入れ子が深すぎます");
}

// Arguments are written into the start-up code as literals: quotes,
// backslashes, a double-byte character ending in '\' and control bytes arrive
// unchanged.
TEST(CompilerTest, ArgumentsReachTheScriptUnchanged) {
  const std::string odd = "C:\\dir \"x\" \x95\x5C;\x01\xFF";
  const std::vector<std::string> lines{"func main(args&, n) { return args[1]; }"};
  TJCompiler compiler;
  TJExecutable exe(4000);
  TStringListSource source(&lines);
  ASSERT_TRUE(compiler.Compile(source, exe, {"1", odd})) << compiler.GetErrorMessage();
  ASSERT_EQ(exe.RunHere(), 0) << exe.GetErrorText();
  EXPECT_EQ(exe.GetReturnValue().sval, odd);
}

}  // namespace
