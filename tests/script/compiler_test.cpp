#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/convert.h"
#include "script/jcompiler.h"
#include "script/jexecutable.h"
#include "script/lexer.h"
#include "script/registry.h"
#include "script/vmcode.h"

namespace {

// A small stand-in for the module tables.
std::vector<TPreludeModule> TestModules() {
  TPreludeModule sys;
  sys.rows = {{"__sys_sleep", 1002, "sysSleep(msec)"},
              {"__sys_get_globalvalue", 1007, "sysGetGlobalValue(strKey,value&)"}};
  sys.declText = "var sysINTEGER,sysFLOATING;";
  sys.initText = "sysINTEGER=0;sysFLOATING=1;";
  TPreludeModule bus;
  bus.rows = {{"__bus_readreg", 2006, "busReadReg(regNo,data&)"}};
  bus.declText = "var iicPT_NONE;";
  bus.initText = "iicPT_NONE=0;";
  return {sys, bus};
}

struct Compiled {
  TJMemoryManager registry;
  TJCompiler compiler;
  bool ok = false;
  std::map<std::string, funcdata*> funcs;  // reachable from __startup by calls
};

std::unique_ptr<Compiled> Compile(const std::vector<std::string>& lines,
                                  const std::vector<std::string>& args = {"1"}) {
  auto c = std::make_unique<Compiled>();
  c->compiler.SetPreludeModules(TestModules());
  TStringListSource source(&lines);
  c->ok = c->compiler.CompileInto(source, c->registry, args);
  if (c->ok) {
    std::vector<funcdata*> todo{c->compiler.GetEntry()};
    while (!todo.empty()) {
      funcdata* f = todo.back();
      todo.pop_back();
      if (!c->funcs.emplace(f->name, f).second) continue;
      for (vmcode_t* code = f->entry; code; code = code->next)
        if (code->op == opCall) todo.push_back(code->callee);
    }
  }
  return c;
}

std::string Error(const std::vector<std::string>& lines) {
  auto c = Compile(lines);
  EXPECT_FALSE(c->ok);
  return c->compiler.GetErrorMessage();
}

// One line per instruction; jump targets as "@index" into the same list.
std::vector<std::string> Dis(const funcdata* f) {
  static const char* names[] = {"PushRef", "PushRefAlt", "PushConst", "Pop", "Assign", "Add", "Sub",
                                "Mul", "Div", "Mod", "Neg", "Compare", "Not", "BitAnd", "BitOr",
                                "BitXor", "BitNot", "Shl", "Shr", "Return", "Jump", "JumpFalse",
                                "JumpTrue", "Call", "Print", "StrPrintf", "Label", "Typeof",
                                "StrLength", "ToString", "ToInteger", "ToFloating", "SysGetParam"};
  std::map<const vmcode_t*, int> index;
  int i = 0;
  for (const vmcode_t* c = f->entry; c; c = c->next) index[c] = i++;
  std::vector<std::string> out;
  for (const vmcode_t* c = f->entry; c; c = c->next) {
    if (c->op < 0 || c->op > opLastVmOp) {
      out.push_back(platform::Format("Builtin %d", c->op));
      continue;
    }
    std::string s = names[c->op];
    switch (c->op) {
      case opPushRef:
      case opPushRefAlt:
        s += platform::Format(" %d %d", c->a, c->b);
        if (c->b == vkFrameArray || c->b == vkGlobalArray) s += platform::Format(" [%d]", c->cells);
        break;
      case opPushConst:
        if (c->a == pcInteger) s += platform::Format(" %d", c->b);
        if (c->a == pcFloating) s += platform::Format(" %g", c->fval);
        if (c->a == pcString) s += " '" + c->sval + "'";
        break;
      case opCompare:
      case opPrint:
      case opStrPrintf:
        s += platform::Format(" %d", c->a);
        break;
      case opJump:
      case opJumpFalse:
      case opJumpTrue:
        s += platform::Format(" @%d", c->target ? index.at(c->target) : -1);
        if (c->op != opJump) s += platform::Format(" %d", c->b);
        break;
      case opCall:
        s += " " + c->callee->name;
        break;
    }
    out.push_back(s);
  }
  return out;
}

using Code = std::vector<std::string>;

// main with a body; the function list of "main".
Code Main(const std::string& body) {
  auto c = Compile({"func main(args&, n) {", body, "}"});
  EXPECT_TRUE(c->ok) << c->compiler.GetErrorMessage();
  if (!c->ok) return {};
  return Dis(c->funcs.at("main"));
}

TEST(CompilerTest, AssignmentsChainAndTakeReferences) {
  EXPECT_EQ(Main("var a, b; a = b = 3;"),
            (Code{"PushRefAlt 2 1", "PushRefAlt 3 1", "PushConst 3", "Assign", "Assign", "Pop",
                  "PushConst 0", "Return"}));
  EXPECT_EQ(Main("var x[4]; x[n] = x;"),
            (Code{"PushRef 1 1", "PushRefAlt 2 2 [4]", "PushConst 0", "PushRef 2 2 [4]", "Assign",
                  "Pop", "PushConst 0", "Return"}));
  EXPECT_EQ(Main("args[1] = 2;"),
            (Code{"PushConst 1", "PushRefAlt 0 4", "PushConst 2", "Assign", "Pop", "PushConst 0", "Return"}));
}

TEST(CompilerTest, PrecedenceAndAssociativity) {
  EXPECT_EQ(Main("return 1 + 2 & 3;"),
            (Code{"PushConst 1", "PushConst 2", "Add", "PushConst 3", "BitAnd", "Return", "PushConst 0", "Return"}));
  EXPECT_EQ(Main("return 1 < 2 == 1;"),
            (Code{"PushConst 1", "PushConst 2", "Compare 44", "PushConst 1", "Compare 42", "Return",
                  "PushConst 0", "Return"}));
  EXPECT_EQ(Main("return -n * n - 7 % 2 << 1;"),
            (Code{"PushRef 1 1", "Neg", "PushRef 1 1", "Mul", "PushConst 7", "PushConst 2", "Mod", "Sub",
                  "PushConst 1", "Shl", "Return", "PushConst 0", "Return"}));
  EXPECT_EQ(Main("return !n && ~n;"),
            (Code{"PushRef 1 1", "Not", "JumpFalse @5 1", "PushRef 1 1", "BitNot", "Return", "PushConst 0",
                  "Return"}));
  EXPECT_EQ(Main("return strLength \"ab\" + 1;"),
            (Code{"PushConst 'ab'", "StrLength", "PushConst 1", "Add", "Return", "PushConst 0", "Return"}));
  EXPECT_EQ(Main("return string(1.5) != typeof integer floating sysGetParam \"k\";"),
            (Code{"PushConst 1.5", "ToString", "PushConst 'k'", "SysGetParam", "ToFloating", "ToInteger",
                  "Typeof", "Compare 43", "Return", "PushConst 0", "Return"}));
  // Short circuit: the value-keeping jumps.
  EXPECT_EQ(Main("return n || 2 || 3;"),
            (Code{"PushRef 1 1", "JumpTrue @3 1", "PushConst 2", "JumpTrue @5 1", "PushConst 3",
                  "Return", "PushConst 0", "Return"}));
}

TEST(CompilerTest, PrintAndStrPrintfLeaveAResultRecord) {
  EXPECT_EQ(Main("print(\"a\", 1); return strPrintf(\"%d\", 2);"),
            (Code{"PushConst 'a'", "PushConst 1", "Print 2", "PushConst ''", "Pop", "PushConst '%d'",
                  "PushConst 2", "StrPrintf 2", "PushConst ''", "Return", "PushConst 0", "Return"}));
  // A missing closing parenthesis before ';' is accepted.
  EXPECT_EQ(Main("print(\"a\";"), (Code{"PushConst 'a'", "Print 1", "PushConst ''", "Pop", "PushConst 0", "Return"}));
}

TEST(CompilerTest, ControlFlowAndLabels) {
  EXPECT_EQ(Main("while n { if n == 3 { break; } else { continue; } n = n - 1; }\nreturn 0;"),
            (Code{"PushRef 1 1", "JumpFalse @16 0", "PushRef 1 1", "PushConst 3", "Compare 42",
                  "JumpFalse @8 0", "Jump @16", "Jump @9", "Jump @0", "PushRefAlt 1 1", "PushRef 1 1",
                  "PushConst 1", "Sub", "Assign", "Pop", "Jump @0", "PushConst 0", "Return", "PushConst 0",
                  "Return"}));
  // The loop's end label and the if's label sit together and both go to the return.
  EXPECT_EQ(Main("if n { while n { } }"),
            (Code{"PushRef 1 1", "JumpFalse @5 0", "PushRef 1 1", "JumpFalse @5 0", "Jump @2",
                  "PushConst 0", "Return"}));
}

TEST(CompilerTest, CallsAndParameters) {
  auto c = Compile({"var g[3];",
                    "func f(a, b&) { var a; a = b; return f(a, b); }",
                    "func main(args&, n) { var l[2]; f(1, l); f(2, l[1]); f(3, g[2]); return f(4, args); }"});
  ASSERT_TRUE(c->ok) << c->compiler.GetErrorMessage();
  funcdata* f = c->funcs.at("f");
  EXPECT_EQ(f->paramCount, 2);
  EXPECT_EQ(f->byValue[0], 1);
  EXPECT_EQ(f->byValue[1], 0);
  EXPECT_EQ(f->frameCells, 3);  // the local a has its own cell
  EXPECT_EQ(Dis(f), (Code{"PushRefAlt 2 1", "PushConst 0", "PushRef 1 4", "Assign", "Pop", "PushRef 2 1",
                          "PushConst 0", "PushRefAlt 1 4", "Call f", "Return", "PushConst 0", "Return"}));
  EXPECT_EQ(Dis(c->funcs.at("main")),
            (Code{"PushConst 1", "PushConst 0", "PushRefAlt 2 2 [2]", "Call f", "Pop",
                  "PushConst 2", "PushConst 1", "PushRefAlt 2 2 [2]", "Call f", "Pop",
                  "PushConst 3", "PushConst 2", "PushRefAlt 3 18 [3]", "Call f", "Pop",
                  "PushConst 4", "PushConst 0", "PushRefAlt 0 4", "Call f", "Return",
                  "PushConst 0", "Return"}));
  EXPECT_EQ(c->funcs.at("main")->frameCells, 4);
  EXPECT_EQ(c->compiler.GetGlobalCount(), 3 + 3);  // the prelude's three constants first
}

TEST(CompilerTest, StartupRunsPreludeAndTopLevelStatementsThenMain) {
  auto c = Compile({"var g;", "g = 5;", "func main(args&, n) { return g; }"}, {"1", "a", "b"});
  ASSERT_TRUE(c->ok) << c->compiler.GetErrorMessage();
  EXPECT_EQ(c->compiler.GetEntry()->name, "__startup");
  EXPECT_EQ(c->compiler.GetEntry()->frameCells, 4);
  EXPECT_EQ(Dis(c->compiler.GetEntry()),
            (Code{// bus initialisers, system initialisers, the user's g = 5
                  "PushRefAlt 0 17", "PushConst 0", "Assign", "Pop",
                  "PushRefAlt 1 17", "PushConst 0", "Assign", "Pop",
                  "PushRefAlt 2 17", "PushConst 1", "Assign", "Pop",
                  "PushRefAlt 3 17", "PushConst 5", "Assign", "Pop",
                  // ArgCount = 3 and the three texts
                  "PushRefAlt 3 1", "PushConst 3", "Assign", "Pop",
                  "PushConst 0", "PushRefAlt 0 2 [3]", "PushConst '1'", "Assign", "Pop",
                  "PushConst 1", "PushRefAlt 0 2 [3]", "PushConst 'a'", "Assign", "Pop",
                  "PushConst 2", "PushRefAlt 0 2 [3]", "PushConst 'b'", "Assign", "Pop",
                  "PushConst 0", "PushRefAlt 0 2 [3]", "PushRef 3 1", "Call main", "Return",
                  "PushConst 0", "Return"}));
  // Prelude and start-up instructions carry no source line; the user's do.
  for (const vmcode_t* code = c->compiler.GetEntry()->entry; code; code = code->next) EXPECT_EQ(code->line, 0);
  EXPECT_EQ(c->funcs.at("main")->entry->line, 3);
}

TEST(CompilerTest, ArgumentsReachTheScriptUnchanged) {
  const std::string odd = "C:\\dir \"x\" \x95\x5C;\x01\xFF";
  auto c = Compile({"func main(args&, n) { return 0; }"}, {odd});
  ASSERT_TRUE(c->ok) << c->compiler.GetErrorMessage();
  bool found = false;
  for (const vmcode_t* code = c->compiler.GetEntry()->entry; code; code = code->next)
    if (code->op == opPushConst && code->a == pcString) found = found || code->sval == odd;
  EXPECT_TRUE(found);
}

TEST(CompilerTest, PreludeWrappersCallTheBuiltin) {
  auto c = Compile({"func main(args&, n) { var v; sysGetGlobalValue(\"k\", v); busReadReg(sysFLOATING, v);",
                    "return sysSleep(iicPT_NONE); }"});
  ASSERT_TRUE(c->ok) << c->compiler.GetErrorMessage();
  funcdata* get = c->funcs.at("sysGetGlobalValue");
  EXPECT_EQ(get->paramCount, 2);
  EXPECT_EQ(get->byValue[1], 0);
  EXPECT_EQ(Dis(get), (Code{"Builtin 1007", "PushConst 0", "Return"}));
  EXPECT_EQ(Dis(c->funcs.at("busReadReg")), (Code{"Builtin 2006", "PushConst 0", "Return"}));
  EXPECT_EQ(Dis(c->funcs.at("sysSleep")), (Code{"Builtin 1002", "PushConst 0", "Return"}));
}

TEST(CompilerTest, MainMustExistWithTwoParameters) {
  EXPECT_EQ(Error({"func f(a, b) { return 0; }"}), "ERROR! line=0 : main 関数が定義されていません");
  EXPECT_EQ(Error({"var main;"}), "ERROR! line=0 : main 関数が定義されていません");
  EXPECT_EQ(Error({"func main(a) { return 0; }"}),
            "ERROR! line=0 : main 関数には２つの引数(ArgString&, ArgCount)が必須です");
  EXPECT_EQ(Error({}), "ERROR! line=0 : main 関数が定義されていません");
}

TEST(CompilerTest, CompileErrors) {
  const struct {
    std::vector<std::string> lines;
    const char* message;
  } cases[] = {
      {{"func main(a&, n) {", "  (n) = 1;", "}"}, "ERROR! line=2 : 非左辺値への代入"},
      {{"func main(a&, n) { n + 1 = 2; }"}, "ERROR! line=1 : 非左辺値への代入"},
      {{"func main(a&, n) { n = (1; }"}, "ERROR! line=1 : ) がありません"},
      {{"func main(a&, n) { a[1; }"}, "ERROR! line=1 : ] がありません"},
      {{"func main(a&, n) { n = ; }"}, "ERROR! line=1 : 式に不正な要素が含まれています"},
      {{"func main(a&, n) { print 1; }"}, "ERROR! line=1 : ( がありません"},
      {{"func f(x) { return 0; }", "func main(a&, n) { f(1, 2); }"},
       "ERROR! line=2 : 関数呼び出しが ) で終結していません"},
      {{"func f(x, y) { return 0; }", "func main(a&, n) { f(1); }"},
       "ERROR! line=2 : 関数呼び出しにおける引数の個数が間違っています"},
      {{"func f(x) { return 0; }", "func main(a&, n) { f(); }"},
       "ERROR! line=2 : 式に不正な要素が含まれています"},
      {{"func f(x&) { return 0; }", "func main(a&, n) { f(1); }"},
       "ERROR! line=2 : f の呼び出し:第1引数は参照渡しでなければならない"},
      {{"func f() { return 0; }", "func main(a&, n) { f; }"}, "ERROR! line=2 : 関数呼び出しに ( がありません"},
      {{"func main(a&, n) { g(); }", "func g() { return 0; }"}, "ERROR! line=1 : 式に不正な要素が含まれています"},
      {{"x = 1;"}, "ERROR! line=1 : 関数定義ではありません"},
      {{"var f;", "func f() { }"}, "ERROR! line=2 : 識別子 f は関数名として認められません"},
      {{"func while() { }"}, "ERROR! line=1 : 識別子 while は関数名として認められません"},
      {{"func 1() { }"}, "ERROR! line=1 : 関数名は識別子でなければなりません"},
      {{"func f { }"}, "ERROR! line=1 :  ( が必要です"},
      {{"func f(1) { }"}, "ERROR! line=1 : 仮引数名が識別子ではありません"},
      {{"func f(a, a) { }"}, "ERROR! line=1 : a の重複宣言"},
      {{"func f(a b) { }"}, "ERROR! line=1 : 仮引数宣言部が ) で終わっていません"},
      {{"func f(a,b,c,d,e,f1,g,h,i,j,k) { }"}, "ERROR! line=1 : 仮引数が多すぎます"},
      {{"func f() return 0;"}, "ERROR! line=1 : ブロックの先頭に '{' がない"},
      {{"func f() { else { } }"}, "ERROR! line=1 : 無効な else 文です"},
      {{"func f() { break; }"}, "ERROR! line=1 : この文脈で break 文は使えません"},
      {{"func f() { if 1 { continue; } }"}, "ERROR! line=1 : この文脈で continue 文は使えません"},
      {{"func f() { 1 }"}, "ERROR! line=1 : 式文が ; で終了していません"},
      {{"func f() { if 1 ; }"}, "ERROR! line=1 : if 文のテスト式の後に '{' がありません"},
      {{"func f() { while 1 ; }"}, "ERROR! line=1 : while 文のテスト式の後に '{' がありません"},
      {{"func f() { return 1 }"}, "ERROR! line=1 : return 文が ; で終わっていません"},
      {{"func f() { return; }"}, "ERROR! line=1 : 式に不正な要素が含まれています"},
      {{"func f() { if 1 { } else if 1 { } }"}, "ERROR! line=1 : ブロックの先頭に '{' がない"},
      {{"var 1;"}, "ERROR! line=1 : 変数宣言には識別子が必要"},
      {{"var a[b];"}, "ERROR! line=1 : 配列の宣言が間違っています"},
      {{"var a[1;"}, "ERROR! line=1 : 配列宣言に ] がありません"},
      {{"var a, a;"}, "ERROR! line=1 : 識別子 a の宣言が重複しています"},
      {{"var a b;"}, "ERROR! line=1 : 変数宣言文が ; で終結していません"},
      {{"var if;"}, "ERROR! line=1 : 識別子 if の宣言が重複しています"},
      {{"func f() {", "  return 0;"}, "ERROR! line=3 : ブロックが '}' で終結していません"},
      {{"var a;", "a = 1"}, "ERROR! line=3 : 式文が ; で終了していません"},
      {{"func f() { return \"x; }"}, "ERROR! line=1 : string error"},
      {{"func f() { return 1 $ 2; }"}, "ERROR! line=1 : unknown symbol"},
      {{"func f() { return 99999999999; }"}, "ERROR! line=1 : '99999999999' is not a valid integer value"},
      // Internal built-in names belong to the prelude's wrappers.
      {{"func main(a&, n) { var x; __sys_sleep; x = 1; }"}, "ERROR! line=1 : 式に不正な要素が含まれています"},
      {{"var a[5000000];"}, "ERROR! line=1 : 配列の宣言が間違っています"},
      // A top-level statement is compiled in __startup but reported at its own line.
      {{"var g;", "", "g = ;", "func main(a&, n) { return 0; }"}, "ERROR! line=3 : 式に不正な要素が含まれています"},
      {{"var g;", "g = 1;", "g =", " (1;", "func main(a&, n) { return 0; }"}, "ERROR! line=4 : ) がありません"},
  };
  for (const auto& c : cases) EXPECT_EQ(Error(c.lines), c.message) << c.lines[0];
}

TEST(CompilerTest, ScopesShadowKeywordsAndParameters) {
  auto c = Compile({"func main(args&, n) { var n; begin { var if; if = 2; } if n { } return n; }"});
  ASSERT_TRUE(c->ok) << c->compiler.GetErrorMessage();
  EXPECT_EQ(Dis(c->funcs.at("main")),
            (Code{"PushRefAlt 3 1", "PushConst 2", "Assign", "Pop", "PushRef 2 1", "JumpFalse @6 0",
                  "PushRef 2 1", "Return", "PushConst 0", "Return"}));
  EXPECT_EQ(c->funcs.at("main")->frameCells, 4);
}

TEST(CompilerTest, HostileNestingIsRefusedNotACrash) {
  std::string parens = "func main(a&, n) { return " + std::string(100000, '(') + "1" +
                       std::string(100000, ')') + "; }";
  EXPECT_EQ(Error({parens}), "ERROR! line=1 : 式が複雑すぎます");
  std::string negs = "func main(a&, n) { return " + std::string(100000, '-') + "1; }";
  EXPECT_EQ(Error({negs}), "ERROR! line=1 : 式が複雑すぎます");
  std::string assigns = "func main(a&, n) { ";
  for (int i = 0; i < 100000; ++i) assigns += "n=";
  EXPECT_EQ(Error({assigns + "1; }"}), "ERROR! line=1 : 式が複雑すぎます");
  std::string blocks = "func main(a&, n) { ";
  for (int i = 0; i < 100000; ++i) blocks += "begin {";
  EXPECT_EQ(Error({blocks}), "ERROR! line=1 : ブロックの入れ子が深すぎます");
  // Reasonable nesting still compiles.
  EXPECT_TRUE(Compile({"func main(a&, n) { return " + std::string(100, '(') + "1" + std::string(100, ')') +
                       "; }"})->ok);
}

TEST(CompilerTest, FailedCompilationLeavesEverythingWithTheRegistry) {
  TJMemoryManager registry;
  TJCompiler compiler;
  compiler.SetPreludeModules(TestModules());
  std::vector<std::string> lines{"var g[2];", "func f(a) { var x; x = a + 1; return x; }",
                                 "func main(a&, n) { f(1) }"};
  TStringListSource source(&lines);
  EXPECT_FALSE(compiler.CompileInto(source, registry, {"1"}));
  EXPECT_EQ(compiler.GetEntry(), nullptr);
  EXPECT_GT(registry.InstructionCount(), 10u);
  EXPECT_EQ(registry.FuncCount(), 3u + 2u);  // three wrappers, f and main
  EXPECT_EQ(compiler.GetErrorLine(), 3);
  // The compiler can be used again; the label instructions were freed, nothing leaks.
  std::vector<std::string> good{"func main(a&, n) { while 0 { } return 0; }"};
  TStringListSource goodSource(&good);
  TJMemoryManager second;
  EXPECT_TRUE(compiler.CompileInto(goodSource, second, {}));
  for (const vmcode_t* code = compiler.GetEntry()->entry; code; code = code->next) EXPECT_NE(code->op, opLabel);
}

}  // namespace

// ---------------------------------------------------------------------------
// Compiled scripts run on the machine.

namespace {

struct RunResult {
  bool compiled = false;
  std::string compileError;
  int exitCode = -1;
  TStackData value;
  std::string runtimeError;
};

RunResult RunScript(const std::vector<std::string>& lines, const std::vector<std::string>& args = {"1"}) {
  RunResult r;
  TJCompiler compiler;
  compiler.SetPreludeModules(TestModules());
  TJExecutable exe(4000);
  TStringListSource source(&lines);
  r.compiled = compiler.Compile(source, exe, args);
  r.compileError = compiler.GetErrorMessage();
  if (!r.compiled) return r;
  r.exitCode = exe.RunHere();
  r.value = exe.GetReturnValue();
  r.runtimeError = exe.GetErrorText();
  return r;
}

std::string RunText(const std::string& mainBody, const std::vector<std::string>& before = {},
                    const std::vector<std::string>& args = {"1"}) {
  std::vector<std::string> lines = before;
  lines.push_back("func main(args&, n) {");
  lines.push_back(mainBody);
  lines.push_back("}");
  RunResult r = RunScript(lines, args);
  EXPECT_TRUE(r.compiled) << r.compileError;
  EXPECT_EQ(r.exitCode, 0) << r.runtimeError;
  return r.value.kind == dtString ? r.value.sval : "(kind " + std::to_string(r.value.kind) + ")";
}

TEST(ScriptRunTest, ArgumentsGlobalsAndStartupOrder) {
  EXPECT_EQ(RunText("return string(n) + \":\" + args[0] + args[1] + args[2] + \":\" + g;",
                    {"var g;", "g = 5 + sysFLOATING;"}, {"1", "a", "b"}),
            "3:1ab:6");
  // Constants may be assigned; top-level statements see the prelude's values first.
  EXPECT_EQ(RunText("return \"\" + sysINTEGER + h;", {"var h;", "sysINTEGER = 7;", "h = sysINTEGER * 2;"}),
            "714");
}

TEST(ScriptRunTest, ExpressionsAndShortCircuit) {
  EXPECT_EQ(RunText("var a, b, x; a = b = 3; return \"\" + a + b + (0 || 5) + (2 || (x = 9)) + (1 && \"x\")"
                    " + (0 && (x = 9)) + x + (1 + 2 & 3) + (-n * 2) + (1 << 33) + (!0 && 4);"),
            "3351x003-224");
  EXPECT_EQ(RunText("var s; s = print(\"a\", 1, 2.5); return s + strPrintf(\"|%d-%s\", 5, \"x\");"),
            "a12.500000|5-x");
}

TEST(ScriptRunTest, ReferencesLoopsAndRecursion) {
  const std::vector<std::string> fns{
      "func fill(a&, k) { var i; while i < k { a[i] = i * i; i = i + 1; } return 0; }",
      "func fact(k) { if k <= 1 { return 1; } return k * fact(k - 1); }",
      "func inc(v&) { v = v + 1; return v; }"};
  EXPECT_EQ(RunText("var arr[4], i, s, u; fill(arr, 4); inc(arr[2]); inc(u);"
                    " while 1 { if i == 4 { break; } s = s + \",\" + arr[i]; i = i + 1; }"
                    " return s + \":\" + fact(10) + \":\" + u;",
                    fns),
            "0,0,1,5,9:3628800:1");
  // Indexing past the array through a reference is a run-time error, not a stray write.
  RunResult r = RunScript({fns[0], "func main(args&, n) { var a[2], guard; fill(a, 3); return guard; }"});
  ASSERT_TRUE(r.compiled) << r.compileError;
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.runtimeError.find("RUNTIME ERROR: "), std::string::npos);
}

TEST(ScriptRunTest, MainResultAndRuntimeErrors) {
  RunResult ok = RunScript({"func main(a&, n) { var x; return x; }"});
  EXPECT_EQ(ok.exitCode, 0);
  EXPECT_EQ(ok.value.kind, dtInteger);
  EXPECT_EQ(ok.value.ival, 0);
  RunResult off = RunScript({"func main(a&, n) { }"});  // runs off its end: integer 0
  EXPECT_EQ(off.value.ival, 0);
  RunResult none = RunScript({"func main(a, n) { return n + a; }"}, {});
  EXPECT_EQ(none.exitCode, 0) << none.runtimeError;
  EXPECT_EQ(none.value.ival, 0);
  RunResult div = RunScript({"func main(a&, n) { return 1 / 0; }"});
  EXPECT_EQ(div.exitCode, 1);
  EXPECT_EQ(div.runtimeError, "RUNTIME ERROR: 関数 main で 0 による除算");
  RunResult deep = RunScript({"func f(k) { var big[1000]; return f(k); }", "func main(a&, n) { return f(1); }"});
  EXPECT_EQ(deep.exitCode, 1);
  EXPECT_EQ(deep.runtimeError, "RUNTIME ERROR: stack overflow");
}

}  // namespace

// ---------------------------------------------------------------------------
// The real module tables.

namespace {

TEST(BuiltinPreludeTest, ScriptsUseBuiltinsAndConstantsUndeclared) {
  TJCompiler compiler;
  TJExecutable exe(4000);
  std::vector<std::string> lines{
      "func main(args&, n) {",
      "  var s;",
      "  s = strSubString(\"abcdef\", 1, 3);",
      "  return s + \":\" + iicREG_8BIT_QN4718 + \":\" + iicPT_3BYTE + \":\" + sysSTRING + com8BIT + comFC_SOFT;",
      "}"};
  TStringListSource source(&lines);
  ASSERT_TRUE(compiler.Compile(source, exe, {"1"})) << compiler.GetErrorMessage();
  EXPECT_EQ(exe.RunHere(), 0) << exe.GetErrorText();
  EXPECT_EQ(exe.GetReturnValue().sval, "bcd:10:14:202");
}

TEST(BuiltinPreludeTest, EveryWrapperCompilesToItsBuiltin) {
  std::vector<TPreludeModule> modules = GetBuiltinPreludeModules();
  ASSERT_EQ(modules.size(), 2u);
  EXPECT_EQ(modules[0].rows.size(), 79u);
  EXPECT_EQ(modules[1].rows.size(), 13u);
  // A user function may not take a built-in's script name.
  auto c = std::make_unique<TJCompiler>();
  TJMemoryManager registry;
  std::vector<std::string> lines{"func sysSleep(x) { return 0; }"};
  TStringListSource source(&lines);
  EXPECT_FALSE(c->CompileInto(source, registry, {}));
  EXPECT_EQ(c->GetErrorMessage(), "ERROR! line=1 : 識別子 sysSleep は関数名として認められません");
}

}  // namespace
