#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/jcompiler.h"
#include "script/jexecutable.h"
#include "script/lexer.h"
#include "script/registry.h"
#include "script/sysbuiltins.h"
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

std::string Error(const std::vector<std::string>& lines) {
  TJMemoryManager registry;
  TJCompiler compiler;
  compiler.SetPreludeModules(TestModules());
  TStringListSource source(&lines);
  EXPECT_FALSE(compiler.CompileInto(source, registry, {"1"}));
  return compiler.GetErrorMessage();
}

TEST(CompilerTest, CompileErrors) {
  const struct {
    std::vector<std::string> lines;
    const char* message;
  } cases[] = {
      {{}, "ERROR! line=0 : main 関数が定義されていません"},
      {{"func f(a, b) { return 0; }"}, "ERROR! line=0 : main 関数が定義されていません"},
      {{"var main;"}, "ERROR! line=0 : main 関数が定義されていません"},
      {{"func main(a) { return 0; }"}, "ERROR! line=0 : main 関数には２つの引数(ArgString&, ArgCount)が必須です"},
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
      {{"func sysSleep(x) { return 0; }"}, "ERROR! line=1 : 識別子 sysSleep は関数名として認められません"},
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
  for (const auto& c : cases) EXPECT_EQ(Error(c.lines), c.message) << ::testing::PrintToString(c.lines);
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
// Compiled scripts with the real prelude run on the machine.

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
  // Arguments are written into the start-up code as literals: quotes, backslashes,
  // a double-byte character ending in '\' and control bytes arrive unchanged.
  const std::string odd = "C:\\dir \"x\" \x95\x5C;\x01\xFF";
  EXPECT_EQ(RunText("return args[0];", {}, {odd}), odd);
}

// One script per row; each expression is chosen so that another grouping,
// order, scope or jump target gives another text.
TEST(ScriptRunTest, ExpressionsStatementsAndCalls) {
  const std::vector<std::string> fns{
      "var g[3];",
      "func fill(a&, k) { var i; while i < k { a[i] = i * i; i = i + 1; } return a[k - 1]; }",
      "func fact(k) { if k <= 1 { return 1; } return k * fact(k - 1); }",
      "func inc(v&) { v = v + 1; return v; }",
      "func pass(v&) { return inc(v); }",
      "func own(a) { var a; return a; }"};
  const struct {
    const char* body;
    const char* result;
  } rows[] = {
      // Precedence and associativity.
      {"return \"\" + (2 + 1 & 1) + (1 < 2 == 1) + (7 - 2 - 1) + (16 / 4 / 2) + (-n * n - 7 % 2 << 1);", "1142-4"},
      {"return (!0 && ~0) + \":\" + (strLength \"ab\" + \"cd\") + \":\" + (integer floating \"2.5\" + 1) +"
       " string(1.5) + typeof 1.5;",
       "-1:2cd:31.51"},
      // Assignments chain from the right; an array's bare name is its element 0.
      {"var a, b, x[4]; a = b = 3; x[0] = 7; x[n] = x; return \"\" + a + b + x[1];", "337"},
      // Short circuit: 1 or 0 when it jumps, the right side's value otherwise. Only
      // the integer 0 is false.
      {"var x; return \"\" + (0 || 5) + (2 || (x = 9)) + (1 && \"x\") + (0 && (x = 9)) + x + (n || 2 || 3) +"
       " (0.0 || 5) + (\"\" && 7) + (1 << 33);",
       "51x001172"},
      // print and strPrintf are values; a missing ')' before ';' is accepted.
      {"var s; s = print(\"a\", 1, 2.5); print(\"b\"; return s + strPrintf(\"|%d-%s\", 5, \"x\");",
       "a12.500000|5-x"},
      // A number shown with %s is its own text, never what an earlier string left in the cell.
      {"var s; s = \"secret\" + \"x\"; return strPrintf(\"[%s]\", 5);", "[5]"},
      // A built-in given a number where it reads text sees the number's text.
      {"var s; s = \"secretx\" + \"5\"; return \"\" + strSearch(\"ab5\", 0, 5);", "2"},
      // continue skips the rest of the body, break leaves, else runs otherwise.
      {"var i, s; while i < 6 { i = i + 1; if i == 2 { continue; } if i == 5 { break; } else { s = s + i; } }"
       " return \"\" + s + \":\" + i;",
       "8:5"},
      // The end of the loop and the end of the if are the same place.
      {"var k; if n { while k < 3 { k = k + 1; } } return \"\" + k;", "3"},
      // Locals hide parameters and keywords, the latter in their block only.
      {"var n; begin { var if; if = 5; n = n + if; } if n { } return \"\" + n + own(7);", "50"},
      // References to a whole array, an element, a global element, a variable, and passed on;
      // recursion leaves the cells below the call as they were.
      {"var arr[4], i, s, u; s = fill(arr, 4); inc(arr[2]); inc(u); pass(g[2]); pass(u);"
       " while 1 { if i == 4 { break; } s = s + \",\" + arr[i]; i = i + 1; }"
       " return s + \":\" + u + g[2] + \":\" + fact(10);",
       "9,0,1,5,9:21:3628800"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.body);
    EXPECT_EQ(RunText(row.body, fns), row.result);
  }
}

// Wrappers and constants need no declaration; results and reference arguments
// come back; global values outlive the run (the last row reads the one before).
TEST(ScriptRunTest, BuiltinsThroughThePrelude) {
  ClearGlobalValues();
  const struct {
    const char* body;
    const char* result;
  } rows[] = {
      {"sysSleep(0); return \"\" + (iicREG_8BIT_QN4718 * 100 + iicPT_3BYTE) + \":\" +"
       " (com8BIT + comPT_NO + comSB_1 + comFC_NO + btnYES_NO + dlgERROR);",
       "1014:67"},
      // The window built-ins write through their reference parameters; a text cell becomes an integer.
      {"var x, y, p, t; x = \"text\"; winSetPos(30, 40); winGetPos(x, y); winSetProgress(55); winGetProgress(p);"
       " winSetText(\"T\"); winGetText(t); return strPrintf(\"%d,%d,%d,%s,%d\", x, y, p, t, typeof x);",
       "30,40,55,T,0"},
      {"var v[3], got; v[0] = \"x\"; if (strScanf(\"V=12 I=0.5\", \"V=%d I=%lf\", v, 2) != 0) { return 1; }"
       " if (sysGetGlobalValue(\"run\", got) != -1) { return 2; } sysSetGlobalValue(\"run\", 1.5);"
       " return \"\" + typeof(v[0]) + v[0] + \":\" + v[1] + \":\" + sysGetSystemInfo(sysSCRIPT_VER);",
       "012:0.5:1.0.2"},
      {"var got; if (sysGetGlobalValue(\"run\", got) != 0) { return 1; } return \"\" + typeof(got) + got;", "11.5"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.body);
    EXPECT_EQ(RunText(row.body), row.result);
  }
}

TEST(ScriptRunTest, MainResultIsTheReturnedCell) {
  RunResult ok = RunScript({"func main(a&, n) { var x; return x; }"});
  EXPECT_EQ(ok.exitCode, 0);
  EXPECT_EQ(ok.value.kind, dtInteger);
  EXPECT_EQ(ok.value.ival, 0);
  RunResult off = RunScript({"func main(a&, n) { }"});  // runs off its end: integer 0
  EXPECT_EQ(off.value.ival, 0);
  RunResult none = RunScript({"func main(a, n) { return n + a; }"}, {});
  EXPECT_EQ(none.exitCode, 0) << none.runtimeError;
  EXPECT_EQ(none.value.ival, 0);
  // Reasonable nesting still compiles.
  EXPECT_EQ(RunText("return \"\" + " + std::string(100, '(') + "1" + std::string(100, ')') + ";"), "1");
}

// Indexes outside an array and unbounded recursion end the run before any
// stray read or write.
TEST(ScriptRunTest, RuntimeErrors) {
  const std::vector<std::string> fns{"var g[3];",
                                     "func fill(a&, k) { var i; while i < k { a[i] = i; i = i + 1; } return 0; }",
                                     "func peek(p&) { return p[2]; }",
                                     "func deep() { var big[1000]; return deep(); }",
                                     "func bare() { return bare(); }"};
  const struct {
    const char* body;
    const char* error;
  } rows[] = {
      {"var a[3]; return a[\"1\"];", "func name=main: "},
      {"var a[3]; return a[3];", "関数 main で配列の範囲外を参照 (添字 3)"},
      {"return g[-1];", "関数 main で配列の範囲外を参照 (添字 -1)"},
      // A reference to element 1 of a 3-cell array reaches 2 cells only.
      {"var a[3]; return peek(a[1]);", "関数 peek で配列の範囲外を参照 (添字 2)"},
      {"var a[2], guard; fill(a, 3); return guard;", "関数 fill で配列の範囲外を参照 (添字 2)"},
      {"return deep();", "stack overflow"},
      {"return bare();", "stack overflow"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.body);
    std::vector<std::string> lines = fns;
    lines.push_back(std::string("func main(args&, n) { ") + row.body + " }");
    RunResult r = RunScript(lines);
    ASSERT_TRUE(r.compiled) << r.compileError;
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.runtimeError, std::string("RUNTIME ERROR: ") + row.error);
  }
}

}  // namespace
