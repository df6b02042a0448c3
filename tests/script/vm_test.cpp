#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "script/jcompiler.h"
#include "script/jexecutable.h"
#include "script/lexer.h"
#include "script/vmvalues.h"
#include "scripthost_recording.h"
#include "vmasm.h"

namespace {

struct RunResult {
  int exit = -1;
  TStackData value;
  std::string error;
  std::string output;
  std::vector<RecordingScriptWindow::Piece> pieces;
};

RunResult RunMain(const std::function<void(VmAsm&, TJExecutable&)>& build, int frameCells = 0,
                  int globals = 0, const TIniData* ini = nullptr) {
  RecordingScriptHost host;
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  exe.AllocGlobals(globals);
  exe.SetIniData(ini);
  VmAsm m(exe, "main", 0, frameCells);
  build(m, exe);
  exe.SetEntry(m.Done());
  RunResult r;
  r.exit = exe.RunHere();
  r.value = exe.GetReturnValue();
  r.error = exe.GetErrorText();
  r.pieces = host.window->Pieces();
  r.output = host.window->Output();
  return r;
}

// A literal of the script language.
struct Lit {
  Lit(int v) : kind(dtInteger), i(v) {}
  Lit(double v) : kind(dtFloating), f(v) {}
  Lit(const char* v) : kind(dtString), s(v) {}
  void Push(VmAsm& m) const {
    if (kind == dtInteger) m.Int(i);
    else if (kind == dtFloating) m.Float(f);
    else m.Str(s);
  }
  int kind;
  int i = 0;
  double f = 0;
  std::string s;
};

RunResult Binary(const Lit& l, int op, const Lit& r, int a = 0) {
  return RunMain([&](VmAsm& m, TJExecutable&) {
    l.Push(m);
    r.Push(m);
    m.Emit(op, a);
    m.Emit(opReturn);
  });
}

RunResult Unary(int op, const Lit& v) {
  return RunMain([&](VmAsm& m, TJExecutable&) {
    v.Push(m);
    m.Emit(op);
    m.Emit(opReturn);
  });
}

::testing::AssertionResult IsInt(const RunResult& r, int expected) {
  if (r.exit != 0) return ::testing::AssertionFailure() << "run failed: " << r.error;
  if (r.value.kind != dtInteger || r.value.ival != expected)
    return ::testing::AssertionFailure() << "kind " << int(r.value.kind) << " ival " << r.value.ival;
  return ::testing::AssertionSuccess();
}
::testing::AssertionResult IsFloat(const RunResult& r, double expected) {
  if (r.exit != 0) return ::testing::AssertionFailure() << "run failed: " << r.error;
  if (r.value.kind != dtFloating || r.value.fval != expected)
    return ::testing::AssertionFailure() << "kind " << int(r.value.kind) << " fval " << r.value.fval;
  return ::testing::AssertionSuccess();
}
::testing::AssertionResult IsStr(const RunResult& r, const std::string& expected) {
  if (r.exit != 0) return ::testing::AssertionFailure() << "run failed: " << r.error;
  if (r.value.kind != dtString || r.value.sval != expected)
    return ::testing::AssertionFailure() << "kind " << int(r.value.kind) << " sval '" << r.value.sval << "'";
  return ::testing::AssertionSuccess();
}
::testing::AssertionResult Fails(const RunResult& r, const std::string& message) {
  const std::string text = "RUNTIME ERROR: " + message;
  if (r.exit != 1) return ::testing::AssertionFailure() << "exit " << r.exit;
  if (r.error != text) return ::testing::AssertionFailure() << "error '" << r.error << "'";
  if (r.pieces.empty() || r.pieces.back().text != text || r.pieces.back().color != kScriptErrorColor)
    return ::testing::AssertionFailure() << "error not printed in red";
  return ::testing::AssertionSuccess();
}

TEST(VmOperators, AddConcatenatesAcrossKinds) {
  EXPECT_TRUE(IsInt(Binary(2147483647, opAdd, 1), -2147483647 - 1));
  EXPECT_TRUE(IsFloat(Binary(1, opAdd, 0.5), 1.5));
  EXPECT_TRUE(IsStr(Binary("ab", opAdd, 1), "ab1"));
  EXPECT_TRUE(IsStr(Binary(1, opAdd, "ab"), "1ab"));
  EXPECT_TRUE(IsStr(Binary(1.5, opAdd, "x"), "1.5x"));
  EXPECT_TRUE(IsStr(Binary(2.0, opAdd, ""), "2"));
  EXPECT_TRUE(IsStr(Binary("a", opAdd, "b"), "ab"));
}

TEST(VmOperators, SubMulDivModFollowTheTypeRules) {
  EXPECT_TRUE(IsStr(Binary("ab", opMul, 3), "ababab"));
  EXPECT_TRUE(IsStr(Binary("ab", opMul, 0), ""));
  EXPECT_TRUE(IsStr(Binary("ab", opMul, -2), ""));
  EXPECT_TRUE(Fails(Binary(3, opMul, "ab"), "関数 main で不正な乗算"));
  EXPECT_TRUE(Fails(Binary("a", opSub, 1), "関数 main で不正な減算"));
  EXPECT_TRUE(IsFloat(Binary(5, opSub, 0.5), 4.5));
  EXPECT_TRUE(IsInt(Binary(7, opDiv, 2), 3));
  EXPECT_TRUE(IsInt(Binary(-7, opDiv, 2), -3));
  EXPECT_TRUE(IsFloat(Binary(7, opDiv, 2.0), 3.5));
  EXPECT_TRUE(Fails(Binary(1, opDiv, 0), "関数 main で 0 による除算"));
  EXPECT_TRUE(Fails(Binary(1.0, opDiv, 0.0), "関数 main で 0 による除算"));
  EXPECT_TRUE(Fails(Binary("x", opDiv, 1), "関数 main で不正な除算"));
  EXPECT_TRUE(IsInt(Binary(7, opMod, 2.9), 1));
  EXPECT_TRUE(IsInt(Binary(-7, opMod, 2), -1));
  EXPECT_TRUE(Fails(Binary(5, opMod, 0.5), "関数 main で 0 による剰余算"));
  EXPECT_TRUE(Fails(Binary(5, opMod, "2"), "関数 main で不正な剰余算"));
  // Overflowing quotients stay defined.
  EXPECT_TRUE(IsInt(Binary(-2147483647 - 1, opDiv, -1), -2147483647 - 1));
  EXPECT_TRUE(IsInt(Binary(-2147483647 - 1, opMod, -1), 0));
  EXPECT_TRUE(IsInt(Binary(7, opMod, 1e30), 7 % 2147483647));
}

TEST(VmOperators, BitShiftNegAndNot) {
  EXPECT_TRUE(IsInt(Binary(1, opShl, 33), 2));
  EXPECT_TRUE(IsInt(Binary(-8, opShr, 1), -4));
  EXPECT_TRUE(IsInt(Binary(6, opBitAnd, 3), 2));
  EXPECT_TRUE(IsInt(Binary(6, opBitOr, 3), 7));
  EXPECT_TRUE(IsInt(Binary(6, opBitXor, 3), 5));
  EXPECT_TRUE(Fails(Binary(1.0, opBitAnd, 1), "関数 main で不正な論理積"));
  EXPECT_TRUE(Fails(Binary(1, opShr, "1"), "関数 main で不正な右シフト"));
  EXPECT_TRUE(IsStr(Unary(opNeg, "abc"), "cba"));
  EXPECT_TRUE(IsInt(Unary(opNeg, -2147483647 - 1), -2147483647 - 1));
  EXPECT_TRUE(IsInt(Unary(opBitNot, 0), -1));
  EXPECT_TRUE(Fails(Unary(opBitNot, 1.0), "関数 main で整数以外のビット反転"));
  EXPECT_TRUE(IsInt(Unary(opNot, 0), 1));
  EXPECT_TRUE(IsInt(Unary(opNot, 5), 0));
  EXPECT_TRUE(Fails(Unary(opNot, ""), "関数 main で整数以外の論理反転"));
}

TEST(VmOperators, CompareNumbersStringsAndMixed) {
  EXPECT_TRUE(IsInt(Binary(10, opCompare, "10", 42), 1));
  EXPECT_TRUE(IsInt(Binary("abc", opCompare, "abd", 44), 1));
  EXPECT_TRUE(IsInt(Binary("ab", opCompare, "abc", 44), 1));
  EXPECT_TRUE(IsInt(Binary("B", opCompare, "a", 44), 1));
  EXPECT_TRUE(IsInt(Binary("\x82\xa0", opCompare, "a", 46), 1));  // bytes compare unsigned
  EXPECT_TRUE(IsInt(Binary(1, opCompare, 1.5, 44), 1));
  EXPECT_TRUE(IsInt(Binary(2, opCompare, 2, 45), 1));
  EXPECT_TRUE(IsInt(Binary(2, opCompare, 2, 43), 0));
  EXPECT_TRUE(IsInt(Binary(3.0, opCompare, 2, 47), 1));
}

// Truth: only the integer 0 is false. The value-keeping jumps leave 1 or 0
// only when they jump, as a || b and a && b compile.
TEST(VmControl, ConditionsAndShortCircuitValues) {
  auto logical = [](const Lit& a, int jumpOp, const Lit& b) {
    return RunMain([&](VmAsm& m, TJExecutable&) {
      a.Push(m);
      vmcode_t* j = m.Emit(jumpOp, 0, 1);
      b.Push(m);
      m.ToNext(j);
      m.Emit(opReturn);
    });
  };
  EXPECT_TRUE(IsInt(logical(0, opJumpTrue, 5), 5));
  EXPECT_TRUE(IsInt(logical(2, opJumpTrue, "x"), 1));
  EXPECT_TRUE(IsStr(logical(1, opJumpFalse, "x"), "x"));
  EXPECT_TRUE(IsInt(logical(0, opJumpFalse, "x"), 0));
  EXPECT_TRUE(IsInt(logical(0.0, opJumpFalse, 7), 7));  // 0.0 is true
  EXPECT_TRUE(IsInt(logical("", opJumpFalse, 7), 7));   // so is ''

  // if (cond) { return 1 } return 2, without the value flag.
  auto branch = [](const Lit& cond) {
    return RunMain([&](VmAsm& m, TJExecutable&) {
      cond.Push(m);
      vmcode_t* j = m.Emit(opJumpFalse, 0, 0);
      m.Int(1);
      m.Emit(opReturn);
      m.ToNext(j);
      m.Int(2);
      m.Emit(opReturn);
    });
  };
  EXPECT_TRUE(IsInt(branch(0), 2));
  EXPECT_TRUE(IsInt(branch(0.0), 1));
}

// func fact(n) { if (n < 2) { return 1; } return n * fact(n - 1); }
TEST(VmCalls, RecursionLeavesOneCellWhereTheArgumentsWere) {
  RunResult r = RunMain([](VmAsm& m, TJExecutable& exe) {
    VmAsm f(exe, "fact", 1, 1);
    f.Ref(0, vkFrameVar);
    f.Int(2);
    f.Emit(opCompare, 44);
    vmcode_t* j = f.Emit(opJumpFalse);
    f.Int(1);
    f.Emit(opReturn);
    f.ToNext(j);
    f.Ref(0, vkFrameVar);
    f.Ref(0, vkFrameVar);
    f.Int(1);
    f.Emit(opSub);
    f.Call(f.Func());
    f.Emit(opMul);
    f.Emit(opReturn);
    funcdata* fact = f.Done();
    // 100 + fact(10): the 100 below the call must survive it.
    m.Int(100);
    m.Int(10);
    m.Call(fact);
    m.Emit(opAdd);
    m.Emit(opReturn);
  });
  EXPECT_TRUE(IsInt(r, 100 + 3628800));
}

// func set(p&) { p[2] = 'x'; return p[1]; } with an array and an element.
TEST(VmCalls, ReferenceParametersReachTheCallersCells) {
  RunResult r = RunMain(
      [](VmAsm& m, TJExecutable& exe) {
        VmAsm f(exe, "set", 1, 1);
        f.ByRef(0);
        f.Int(2);
        f.RefAlt(0, vkRefParam);
        f.Str("x");
        f.Emit(opAssign);
        f.Emit(opPop);
        f.Int(1);
        f.Ref(0, vkRefParam);
        f.Emit(opReturn);
        funcdata* set = f.Done();
        // var a[4]; a[1] = 7; r = set(a); return a[2] + r;  (frame: a 0..3)
        m.Int(1);
        m.RefAlt(0, vkFrameArray, 4);
        m.Int(7);
        m.Emit(opAssign);
        m.Emit(opPop);
        m.Int(0);
        m.RefAlt(0, vkFrameArray, 4);
        m.Call(set);
        m.Int(2);
        m.Ref(0, vkFrameArray, 4);
        m.Emit(opAdd);  // 7 + 'x' -> '7x'
        m.Emit(opReturn);
      },
      4);
  EXPECT_TRUE(IsStr(r, "7x"));
}

TEST(VmCalls, IndexesOutsideTheArrayEndTheRun) {
  auto index = [](const Lit& i, int kind) {
    return RunMain(
        [&](VmAsm& m, TJExecutable&) {
          i.Push(m);
          m.Ref(0, kind, 3);
          m.Emit(opReturn);
        },
        3, 3);
  };
  EXPECT_TRUE(IsInt(index(2, vkFrameArray), 0));
  EXPECT_TRUE(Fails(index("1", vkFrameArray), "func name=main: "));
  EXPECT_EQ(1, index(3, vkFrameArray).exit);
  EXPECT_EQ(1, index(-1, vkGlobalArray).exit);

  // Through a reference to element 1 of a 3-cell array only 2 cells are left.
  RunResult r = RunMain(
      [](VmAsm& m, TJExecutable& exe) {
        VmAsm f(exe, "peek", 1, 1);
        f.ByRef(0);
        f.Int(2);
        f.Ref(0, vkRefParam);
        f.Emit(opReturn);
        funcdata* peek = f.Done();
        m.Int(1);
        m.RefAlt(0, vkFrameArray, 3);
        m.Call(peek);
        m.Emit(opReturn);
      },
      3);
  EXPECT_EQ(1, r.exit);
  EXPECT_NE(std::string::npos, r.error.find("peek"));
}

TEST(VmCalls, UnboundedRecursionIsAStackOverflow) {
  // func f() { var a[1000]; return f(); }
  RunResult withLocals = RunMain([](VmAsm& m, TJExecutable& exe) {
    VmAsm f(exe, "f", 0, 1000);
    f.Call(f.Func());
    f.Emit(opReturn);
    m.Call(f.Done());
    m.Emit(opReturn);
  });
  EXPECT_TRUE(Fails(withLocals, "stack overflow"));
  // A function without cells still cannot nest without end.
  RunResult bare = RunMain([](VmAsm& m, TJExecutable& exe) {
    VmAsm f(exe, "f");
    f.Call(f.Func());
    f.Emit(opReturn);
    m.Call(f.Done());
    m.Emit(opReturn);
  });
  EXPECT_TRUE(Fails(bare, "stack overflow"));
  // Pushing past the top of the stack.
  RunResult pushes = RunMain([](VmAsm& m, TJExecutable&) {
    vmcode_t* head = m.Int(1);
    m.Emit(opJump)->target = head;
  });
  EXPECT_TRUE(Fails(pushes, "stack overflow"));
}

TEST(VmKeywords, TypeofLengthAndConversions) {
  EXPECT_TRUE(IsInt(Unary(opTypeof, 1.5), dtFloating));
  EXPECT_TRUE(IsInt(Unary(opTypeof, "s"), dtString));
  EXPECT_TRUE(IsInt(Unary(opStrLength, "\x93\xfa\x96\x7b"), 4));  // two double-byte characters
  EXPECT_TRUE(IsInt(Unary(opStrLength, 12), 0));
  EXPECT_TRUE(IsStr(Unary(opToString, -12), "-12"));
  EXPECT_TRUE(IsStr(Unary(opToString, 100.0), "100"));
  EXPECT_TRUE(IsInt(Unary(opToInteger, "12"), 12));
  EXPECT_TRUE(IsInt(Unary(opToInteger, " 7"), 7));
  EXPECT_TRUE(IsInt(Unary(opToInteger, "-0x10"), -16));
  EXPECT_TRUE(Fails(Unary(opToInteger, "1.5"), "関数 main で不正な integer キャスト"));
  EXPECT_TRUE(Fails(Unary(opToInteger, "99999999999"), "関数 main で不正な integer キャスト"));
  EXPECT_TRUE(IsInt(Unary(opToInteger, 2.9), 2));
  EXPECT_TRUE(IsInt(Unary(opToInteger, -2.9), -2));
  EXPECT_TRUE(IsFloat(Unary(opToFloating, "2.5e1"), 25.0));
  EXPECT_TRUE(IsFloat(Unary(opToFloating, 3), 3.0));
  EXPECT_TRUE(Fails(Unary(opToFloating, "2,5"), "関数 main で不正な floating キャスト"));
  EXPECT_TRUE(Fails(Unary(opToFloating, "nan"), "関数 main で不正な floating キャスト"));

  TIniData ini{{"Port", "COM3"}};
  auto param = [&](const Lit& key) {
    return RunMain(
        [&](VmAsm& m, TJExecutable&) {
          key.Push(m);
          m.Emit(opSysGetParam);
          m.Emit(opReturn);
        },
        0, 0, &ini);
  };
  EXPECT_TRUE(IsStr(param("Port"), "COM3"));
  EXPECT_TRUE(IsStr(param("port"), ""));
  EXPECT_TRUE(IsStr(param(5), ""));
}

TEST(VmValues, FloatingTextIsTheGeneralFifteenDigitForm) {
  EXPECT_EQ("100", FloatingText(100.0));
  EXPECT_EQ("1.5", FloatingText(1.5));
  EXPECT_EQ("-0.25", FloatingText(-0.25));
  EXPECT_EQ("0.3", FloatingText(0.1 + 0.2));
  EXPECT_EQ("0.0001", FloatingText(0.0001));
  EXPECT_EQ("1E-5", FloatingText(0.00001));
  EXPECT_EQ("1.5E-7", FloatingText(1.5e-7));
  EXPECT_EQ("123456789012345", FloatingText(123456789012345.0));
  EXPECT_EQ("1E15", FloatingText(1e15));
  EXPECT_EQ("-1.25E100", FloatingText(-1.25e100));
  EXPECT_EQ("0", FloatingText(0.0));
}

TEST(VmPrint, PrintWritesEachLineAndEvaluatesToItsText) {
  RunResult r = RunMain([](VmAsm& m, TJExecutable&) {
    m.Str("a");
    m.Int(1);
    m.Float(2.5);
    m.Emit(opPrint, 3);
    m.Str("");
    m.Emit(opPop);
    m.Str("x\ny\n");
    m.Emit(opPrint, 1);
    m.Str("");
    m.Emit(opReturn);
  });
  ASSERT_TRUE(IsStr(r, "x\ny\n"));
  ASSERT_EQ(4u, r.pieces.size());
  EXPECT_EQ("a12.500000", r.pieces[0].text);
  EXPECT_EQ("x\n", r.pieces[1].text);
  EXPECT_EQ("y\n", r.pieces[2].text);
  EXPECT_EQ("", r.pieces[3].text);  // the tail is written even when empty
  EXPECT_EQ(-1, r.pieces[0].color);
}

RunResult Printf(const std::vector<Lit>& args) {
  return RunMain([&](VmAsm& m, TJExecutable&) {
    for (const Lit& a : args) a.Push(m);
    m.Emit(opStrPrintf, static_cast<int>(args.size()));
    m.Str("");
    m.Emit(opReturn);
  });
}

TEST(VmPrint, StrPrintfConversions) {
  EXPECT_TRUE(IsStr(Printf({"%d-%s", 5, "x"}), "5-x"));
  EXPECT_TRUE(IsStr(Printf({"[%5.1f]", 2.25}), "[  2.2]"));
  EXPECT_TRUE(IsStr(Printf({"[%-8s]", "ab"}), "[ab      ]"));
  EXPECT_TRUE(IsStr(Printf({"%04X", 255}), "00FF"));
  EXPECT_TRUE(IsStr(Printf({"%x", -1}), "ffffffff"));
  EXPECT_TRUE(IsStr(Printf({"100%%"}), "100%%"));
  EXPECT_TRUE(IsStr(Printf({"%%%d", 3}), "%3"));
  EXPECT_TRUE(IsStr(Printf({"%d%%", 3}), "3%%"));
  EXPECT_TRUE(IsStr(Printf({"%d"}), "%d"));
  EXPECT_TRUE(IsStr(Printf({"ab%", 1}), "ab"));
  EXPECT_TRUE(IsStr(Printf({"%e", 1500.0}), "1.500000e+03"));
  // The named field is read whatever the kind: a fresh integer cell's string is empty.
  EXPECT_TRUE(IsStr(Printf({"%s|%d", 5, 7}), "|7"));
  // Length letters, '*' and %n cannot reach printf with the wrong argument.
  EXPECT_TRUE(IsStr(Printf({"%ld %lld %hd", 1, 2, 3}), "1 2 3"));
  EXPECT_TRUE(IsStr(Printf({"%*d", 4}), "4"));
  EXPECT_TRUE(IsStr(Printf({"%nd", 4}), "4"));
  EXPECT_EQ(4096u, Printf({"%99999999999d", 1}).value.sval.size());
}

TEST(VmErrors, ErrorEndsTheRunAtOnceAndPrintsInRed) {
  // main calls f, which divides by zero; nothing after the error runs.
  RunResult r = RunMain([](VmAsm& m, TJExecutable& exe) {
    VmAsm f(exe, "f");
    f.Int(1);
    f.Int(0);
    f.Emit(opDiv);
    f.Str("after");
    f.Emit(opPrint, 1);
    f.Emit(opReturn);
    m.Call(f.Done());
    m.Str("after main");
    m.Emit(opPrint, 1);
    m.Emit(opReturn);
  });
  EXPECT_TRUE(Fails(r, "関数 f で 0 による除算"));
  EXPECT_EQ(1u, r.pieces.size());
}

}  // namespace

// ---------------------------------------------------------------------------
// Compiled scripts with the real prelude.


namespace {

struct ScriptRun {
  bool compiled = false;
  std::string compileError;
  RunResult run;
  int progress = 0;  // of the window, which goes with the executable
};

ScriptRun RunSource(RecordingScriptHost& host, const std::vector<std::string>& lines,
                    const TIniData* ini = nullptr) {
  ScriptRun r;
  TJCompiler compiler;
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  TStringListSource source(&lines);
  r.compiled = compiler.Compile(source, exe, {"1"});
  r.compileError = compiler.GetErrorMessage();
  if (!r.compiled) return r;
  exe.SetIniData(ini);
  r.run.exit = exe.RunHere();
  r.run.value = exe.GetReturnValue();
  r.run.error = exe.GetErrorText();
  r.run.pieces = host.window->Pieces();
  r.run.output = host.window->Output();
  r.progress = host.window->progress;
  return r;
}

TEST(VmScripts, WindowBuiltinsThroughThePrelude) {
  RecordingScriptHost host;
  ScriptRun r = RunSource(host, {"func main(a&, n) {", "  var x, y, t;", "  x = \"was text\";",
                                 "  winSetPos(30, 40); winGetPos(x, y);", "  winSetText(\"T\"); winGetText(t);",
                                 "  winSetProgress(55);", "  return strPrintf(\"%d,%d,%s,%d\", x, y, t, typeof x);",
                                 "}"});
  ASSERT_TRUE(r.compiled) << r.compileError;
  EXPECT_TRUE(IsStr(r.run, "30,40,T,0"));
  EXPECT_EQ(55, r.progress);
}

TEST(VmScripts, ParametersAndPrintedLines) {
  RecordingScriptHost host;
  TIniData ini{{"Count", "3"}};
  ScriptRun r = RunSource(host,
                          {"func main(a&, n) {", "  var i, k;", "  k = integer sysGetParam \"Count\";",
                           "  while (i < k) { print(\"line \", i, \"\\n\"); i = i + 1; }",
                           "  return sysGetParam \"Missing\";", "}"},
                          &ini);
  ASSERT_TRUE(r.compiled) << r.compileError;
  EXPECT_TRUE(IsStr(r.run, ""));
  EXPECT_EQ("line 0\nline 1\nline 2\n", r.run.output);
}

TEST(VmScripts, RuntimeErrorNamesTheFunction) {
  RecordingScriptHost host;
  ScriptRun r = RunSource(host, {"func half(v) { return v / 0; }", "func main(a&, n) { return half(4); }"});
  ASSERT_TRUE(r.compiled) << r.compileError;
  EXPECT_TRUE(Fails(r.run, "関数 half で 0 による除算"));
}

// An internal built-in name written in a user's own function must not run
// the built-in on that function's frame.
TEST(VmScripts, InternalBuiltinNameInUserCodeIsRefused) {
  RecordingScriptHost host;
  ScriptRun r = RunSource(host, {"func f() { __sys_win_getpos; }", "func main(a&, n) { f(); return 0; }"});
  if (r.compiled) {
    EXPECT_EQ(1, r.run.exit);
  }
}

}  // namespace
