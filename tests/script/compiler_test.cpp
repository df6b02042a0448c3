// What the language cases (cases/) cannot show of the lexer and the
// compiler: the lexer's error texts and token stream, the compiler's limits
// and its start-up arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/compiler/jcompiler.h"
#include "script/compiler/lexer.h"
#include "script/machine/jexecutable.h"
#include "script/machine/registry.h"
#include "script/machine/vmcode.h"

namespace {

// The kinds (names for names, texts for strings) up to the end, and the error
// text in place of a malformed token.
std::string Lex(const std::vector<std::string>& lines) {
  TStringListSource source(&lines);
  TLex lex(&source, nullptr);
  std::string out;
  for (int i = 0; i < 1000; ++i) {
    const TToken* t = lex.GetToken();
    if (!t) return out + "error:" + lex.GetErrorText();
    if (t->kind == tkEof) break;
    out += (t->kind == tkUndeclared ? t->name : t->kind == tkString ? "\"" + t->text + "\"" : std::to_string(t->kind)) + " ";
  }
  return out;
}

TEST(LexTest, ByteFFEndsTheInputAndAFullPushBackDropsTheRest) {
  EXPECT_EQ(Lex({"a \xFF b"}), "a ");
  std::vector<std::string> lines{"ab"};
  TStringListSource source(&lines);
  TLexStreamer s(&source);
  for (int c = 1; c <= 6; ++c) s.UngetChar(c);  // the sixth is dropped
  for (int c = 5; c >= 1; --c) EXPECT_EQ(s.GetChar(), c);
}

TEST(LexTest, CommentsNamesStringsAndErrors) {
  EXPECT_EQ(Lex({"a//b;", "c // last", "<<="}), "a c " + std::to_string(tkShl) + " " + std::to_string(tkAssign) + " ");
  EXPECT_EQ(Lex({"1.5e3"}), std::to_string(tkFloating) + " e3 ");  // no exponent form
  EXPECT_EQ(Lex({"\"A\\x41\\x4g\" \"\\q\" \"a\\tb\\n\\r\\\\\""}), "\"AA\x04g\" \"q\" \"a\tb\n\r\\\" ");
  // An escaped quote is kept and also ends the literal; a double-byte
  // character with a second byte '\' is copied whole.
  EXPECT_EQ(Lex({"\"say \\\" x \"\x95\x5C\x94\x5C\""}), "\"say \"\" x \"\x95\x5C\x94\x5C\" ");
  EXPECT_EQ(Lex({"// \x82\x5C comment", "x"}), "x ");
  const std::pair<std::vector<std::string>, std::string> errors[] = {
      {{"\x82\xA0"}, "unknown symbol"},  // a Japanese character outside a string or comment
      {{"2147483648"}, "'2147483648' は有効な整数値ではありません"},
      {{"0x123456789"}, "'0X123456789' は有効な整数値ではありません"},
      {{"\"\\x\""}, "string error"},
  };
  for (const auto& e : errors) EXPECT_NE(Lex(e.first).find("error:" + e.second), std::string::npos) << e.first[0];
}

// Line and column after each token: the column of the last character taken
// in its line (a pushed-back one included), 0 after a newline; a newline in
// a string counts no line but starts the column again.
TEST(LexTest, LinesAndColumnsCountWhatWasTakenFromTheSource) {
  const std::vector<std::string> lines{"ab  cd", "  \"x", "y\" 12;"};
  TStringListSource source(&lines);
  TLex lex(&source, nullptr);
  std::string out = std::to_string(lex.GetLine()) + ":" + std::to_string(lex.GetColumn());
  for (const TToken* t; (t = lex.GetToken()) && t->kind != tkEof;)
    out += " " + std::to_string(lex.GetLine()) + ":" + std::to_string(lex.GetColumn());
  EXPECT_EQ(out, "1:0 1:3 2:0 2:2 2:6 2:6");
}

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

// The error's line and column beside the message, also for a top-level
// statement, which is compiled inside the start-up function.
TEST(CompilerTest, AnErrorKeepsItsLineAndColumn) {
  const std::vector<std::pair<std::vector<std::string>, std::pair<int, int>>> cases = {
      {{"func main(a&, n) {", "  var x;", "  x = 1 @ 2;", "}"}, {3, 9}},
      {{"var g;", "   g = (1 + ;", "func main(a&, n) { return 0; }"}, {2, 13}},
  };
  for (const auto& c : cases) {
    TJMemoryManager registry;
    TJCompiler compiler;
    TStringListSource source(&c.first);
    EXPECT_FALSE(compiler.CompileInto(source, registry, {"1"}));
    EXPECT_EQ(compiler.GetErrorMessage().rfind("ERROR! line=" + std::to_string(c.second.first) + " : ", 0), 0u) << compiler.GetErrorMessage();
    EXPECT_EQ(std::make_pair(compiler.GetErrorLine(), compiler.GetErrorColumn()), c.second) << c.first[1];
  }
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
