#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "script/jexecutable.h"
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

RunResult RunMain(const std::function<void(VmAsm&, TJExecutable&)>& build, const TIniData* ini = nullptr) {
  RecordingScriptHost host;
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  exe.SetIniData(ini);
  VmAsm m(exe, "main");
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

// The run ended normally with a value of the literal's kind and value.
::testing::AssertionResult Is(const RunResult& r, const Lit& expected) {
  if (r.exit != 0) return ::testing::AssertionFailure() << "run failed: " << r.error;
  const TStackData& v = r.value;
  const bool same = v.kind == expected.kind && (v.kind == dtInteger    ? v.ival == expected.i
                                                : v.kind == dtFloating ? v.fval == expected.f
                                                                       : v.sval == expected.s);
  if (!same)
    return ::testing::AssertionFailure() << "kind " << int(v.kind) << " ival " << v.ival << " fval " << v.fval
                                         << " sval '" << v.sval << "'";
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
  EXPECT_TRUE(Is(Binary(2147483647, opAdd, 1), -2147483647 - 1));
  EXPECT_TRUE(Is(Binary(1, opAdd, 0.5), 1.5));
  EXPECT_TRUE(Is(Binary("ab", opAdd, 1), "ab1"));
  EXPECT_TRUE(Is(Binary(1, opAdd, "ab"), "1ab"));
  EXPECT_TRUE(Is(Binary(1.5, opAdd, "x"), "1.5x"));
}

TEST(VmOperators, SubMulDivModFollowTheTypeRules) {
  EXPECT_TRUE(Is(Binary("ab", opMul, 3), "ababab"));
  EXPECT_TRUE(Is(Binary("ab", opMul, -2), ""));
  EXPECT_TRUE(Fails(Binary(3, opMul, "ab"), "関数 main で不正な乗算"));
  EXPECT_TRUE(Fails(Binary("a", opSub, 1), "関数 main で不正な減算"));
  EXPECT_TRUE(Is(Binary(5, opSub, 0.5), 4.5));
  EXPECT_TRUE(Is(Binary(-7, opDiv, 2), -3));
  EXPECT_TRUE(Is(Binary(7, opDiv, 2.0), 3.5));
  EXPECT_TRUE(Fails(Binary(1, opDiv, 0), "関数 main で 0 による除算"));
  EXPECT_TRUE(Fails(Binary(1.0, opDiv, 0.0), "関数 main で 0 による除算"));
  EXPECT_TRUE(Fails(Binary("x", opDiv, 1), "関数 main で不正な除算"));
  EXPECT_TRUE(Is(Binary(7, opMod, 2.9), 1));
  EXPECT_TRUE(Is(Binary(-7, opMod, 2), -1));
  EXPECT_TRUE(Fails(Binary(5, opMod, 0.5), "関数 main で 0 による剰余算"));
  EXPECT_TRUE(Fails(Binary(5, opMod, "2"), "関数 main で不正な剰余算"));
  // Overflowing quotients stay defined.
  EXPECT_TRUE(Is(Binary(-2147483647 - 1, opDiv, -1), -2147483647 - 1));
  EXPECT_TRUE(Is(Binary(-2147483647 - 1, opMod, -1), 0));
  EXPECT_TRUE(Is(Binary(7, opMod, 1e30), 7 % 2147483647));
}

TEST(VmOperators, BitShiftNegAndNot) {
  EXPECT_TRUE(Is(Binary(1, opShl, 33), 2));
  EXPECT_TRUE(Is(Binary(-8, opShr, 1), -4));
  EXPECT_TRUE(Is(Binary(6, opBitAnd, 3), 2));
  EXPECT_TRUE(Is(Binary(6, opBitOr, 3), 7));
  EXPECT_TRUE(Is(Binary(6, opBitXor, 3), 5));
  EXPECT_TRUE(Fails(Binary(1.0, opBitAnd, 1), "関数 main で不正な論理積"));
  EXPECT_TRUE(Fails(Binary(1, opShr, "1"), "関数 main で不正な右シフト"));
  EXPECT_TRUE(Is(Unary(opNeg, "abc"), "cba"));
  EXPECT_TRUE(Is(Unary(opNeg, -2147483647 - 1), -2147483647 - 1));
  EXPECT_TRUE(Is(Unary(opBitNot, 0), -1));
  EXPECT_TRUE(Fails(Unary(opBitNot, 1.0), "関数 main で整数以外のビット反転"));
  EXPECT_TRUE(Is(Unary(opNot, 0), 1));
  EXPECT_TRUE(Is(Unary(opNot, 5), 0));
  EXPECT_TRUE(Fails(Unary(opNot, ""), "関数 main で整数以外の論理反転"));
}

TEST(VmOperators, CompareNumbersStringsAndMixed) {
  EXPECT_TRUE(Is(Binary(10, opCompare, "10", 42), 1));
  EXPECT_TRUE(Is(Binary("ab", opCompare, "abc", 44), 1));
  EXPECT_TRUE(Is(Binary("B", opCompare, "a", 44), 1));
  EXPECT_TRUE(Is(Binary("\x82\xa0", opCompare, "a", 46), 1));  // bytes compare unsigned
  EXPECT_TRUE(Is(Binary(1, opCompare, 1.5, 44), 1));
  EXPECT_TRUE(Is(Binary(2, opCompare, 2, 45), 1));
  EXPECT_TRUE(Is(Binary(2, opCompare, 2, 43), 0));
  EXPECT_TRUE(Is(Binary(3.0, opCompare, 2, 47), 1));
}

// Compiled code cannot do this (run-time errors in compiler_test cover the rest).
TEST(VmCalls, PushingPastTheTopOfTheStackIsAnOverflow) {
  RunResult pushes = RunMain([](VmAsm& m, TJExecutable&) {
    vmcode_t* head = m.Int(1);
    m.Emit(opJump)->target = head;
  });
  EXPECT_TRUE(Fails(pushes, "stack overflow"));
}

TEST(VmKeywords, TypeofLengthAndConversions) {
  EXPECT_TRUE(Is(Unary(opTypeof, 1.5), dtFloating));
  EXPECT_TRUE(Is(Unary(opTypeof, "s"), dtString));
  EXPECT_TRUE(Is(Unary(opStrLength, "\x93\xfa\x96\x7b"), 4));  // two double-byte characters
  EXPECT_TRUE(Is(Unary(opStrLength, 12), 0));
  EXPECT_TRUE(Is(Unary(opToString, -12), "-12"));
  EXPECT_TRUE(Is(Unary(opToString, 100.0), "100"));
  EXPECT_TRUE(Is(Unary(opToInteger, " 7"), 7));
  EXPECT_TRUE(Is(Unary(opToInteger, "-0x10"), -16));
  EXPECT_TRUE(Fails(Unary(opToInteger, "1.5"), "関数 main で不正な integer キャスト"));
  EXPECT_TRUE(Fails(Unary(opToInteger, "99999999999"), "関数 main で不正な integer キャスト"));
  EXPECT_TRUE(Is(Unary(opToInteger, -2.9), -2));
  EXPECT_TRUE(Is(Unary(opToFloating, "2.5e1"), 25.0));
  EXPECT_TRUE(Is(Unary(opToFloating, 3), 3.0));
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
        &ini);
  };
  EXPECT_TRUE(Is(param("Port"), "COM3"));
  EXPECT_TRUE(Is(param("port"), ""));
  EXPECT_TRUE(Is(param(5), ""));
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
  ASSERT_TRUE(Is(r, "x\ny\n"));
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
  EXPECT_TRUE(Is(Printf({"%d-%s", 5, "x"}), "5-x"));
  EXPECT_TRUE(Is(Printf({"[%5.1f]", 2.25}), "[  2.2]"));
  EXPECT_TRUE(Is(Printf({"[%-8s]", "ab"}), "[ab      ]"));
  EXPECT_TRUE(Is(Printf({"%04X", 255}), "00FF"));
  EXPECT_TRUE(Is(Printf({"%x", -1}), "ffffffff"));
  EXPECT_TRUE(Is(Printf({"100%%"}), "100%%"));
  EXPECT_TRUE(Is(Printf({"%%%d", 3}), "%3"));
  EXPECT_TRUE(Is(Printf({"%d%%", 3}), "3%%"));
  EXPECT_TRUE(Is(Printf({"ab%", 1}), "ab"));
  EXPECT_TRUE(Is(Printf({"%e", 1500.0}), "1.500000e+03"));
  // A value of another kind is converted, never read from a stale field.
  EXPECT_TRUE(Is(Printf({"%s|%d|%d|%.1f|%s", 5, 7.9, "12", 3, 2.5}), "5|7|12|3.0|2.5"));
  // Length letters, '*' and %n cannot reach printf with the wrong argument.
  EXPECT_TRUE(Is(Printf({"%ld %lld %hd", 1, 2, 3}), "1 2 3"));
  EXPECT_TRUE(Is(Printf({"%*d", 4}), "4"));
  EXPECT_TRUE(Is(Printf({"%nd", 4}), "4"));
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
  // A built-in call from a line of the user's source (not a prelude wrapper) is refused.
  RunResult builtin = RunMain([](VmAsm& m, TJExecutable&) {
    m.line = 3;
    m.Emit(1002);
  });
  EXPECT_TRUE(Fails(builtin, "関数 main で不正な命令"));
}

}  // namespace
