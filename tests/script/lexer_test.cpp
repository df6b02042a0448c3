#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/lexer.h"
#include "script/vmcode.h"

namespace {

std::vector<int> ReadAll(TScriptSource& source) {
  std::vector<int> out;
  for (int i = 0; i < 100; ++i) {
    int c = source.GetChar();
    out.push_back(c);
    if (c == -1) break;
  }
  return out;
}

// Lexes text (lines split at \n) and returns the kinds up to the end, or
// "error:<text>" in place of a malformed token.
struct Lexed {
  std::vector<std::int32_t> kinds;
  std::vector<TToken> tokens;
  std::string error;
};

Lexed Lex(const std::vector<std::string>& lines) {
  TStringListSource source(&lines);
  TLex lex(&source, nullptr);
  Lexed out;
  for (int i = 0; i < 1000; ++i) {
    const TToken* t = lex.GetToken();
    if (!t) {
      out.error = lex.GetErrorText();
      break;
    }
    if (t->kind == tkEof) break;
    out.kinds.push_back(t->kind);
    out.tokens.push_back(*t);
  }
  return out;
}

TEST(StringListSourceTest, LinesEndWithNewlineThenTheEndForEver) {
  std::vector<std::string> empty;
  TStringListSource none(&empty);
  EXPECT_FALSE(none.IsReady());
  EXPECT_EQ(none.GetChar(), -1);
  TStringListSource null(nullptr);
  EXPECT_FALSE(null.IsReady());
  EXPECT_EQ(null.GetChar(), -1);

  std::vector<std::string> lines{"ab", "", "\xFF" "c"};
  TStringListSource source(&lines);
  EXPECT_TRUE(source.IsReady());
  EXPECT_EQ(ReadAll(source), (std::vector<int>{'a', 'b', 10, 10, -1}));  // 0xFF reads as -1
  EXPECT_EQ(ReadAll(source), (std::vector<int>{'c', 10, -1}));
  EXPECT_EQ(source.GetChar(), -1);
}

TEST(LexStreamerTest, PushBackHoldsFiveAndRawReadsDoNotCountLines) {
  std::vector<std::string> lines{"a", "b", "c"};
  TStringListSource source(&lines);
  TLexStreamer s(&source);
  EXPECT_EQ(s.GetLine(), 1);
  EXPECT_EQ(s.GetChar(), 'a');
  EXPECT_EQ(s.GetCharRaw(), 10);
  EXPECT_EQ(s.GetLine(), 1);
  EXPECT_EQ(s.GetChar(), 'b');
  EXPECT_EQ(s.GetChar(), 10);
  EXPECT_EQ(s.GetLine(), 2);
  for (int c = 1; c <= 6; ++c) s.UngetChar(c);  // the sixth is dropped
  for (int c = 5; c >= 1; --c) EXPECT_EQ(s.GetChar(), c);
  EXPECT_EQ(s.GetLine(), 2);
  s.SkipBlanks();
  EXPECT_EQ(s.GetChar(), 'c');
}

TEST(LexTest, OperatorsCommentsAndUnknownSymbols) {
  EXPECT_EQ(Lex({"a/b"}).kinds, (std::vector<std::int32_t>{tkUndeclared, tkSlash, tkUndeclared}));
  Lexed comment = Lex({"a//b;", "c // last"});
  EXPECT_EQ(comment.kinds, (std::vector<std::int32_t>{tkUndeclared, tkUndeclared}));
  EXPECT_EQ(comment.tokens[1].name, "c");
  EXPECT_EQ(Lex({"<<="}).kinds, (std::vector<std::int32_t>{tkShl, tkAssign}));
  EXPECT_EQ(Lex({"=!"}).kinds, (std::vector<std::int32_t>{tkAssign, tkBang}));
  EXPECT_EQ(Lex({"! != % & && ( ) * + , - ; < <= > >= >> == [ ] ^ { | || } ~"}).kinds,
            (std::vector<std::int32_t>{tkBang, tkNe, tkPercent, tkAmp, tkAndAnd, tkLParen, tkRParen,
                                       tkStar, tkPlus, tkComma, tkMinus, tkSemicolon, tkLt, tkLe, tkGt,
                                       tkGe, tkShr, tkEq, tkLBracket, tkRBracket, tkCaret, tkLBrace,
                                       tkPipe, tkOrOr, tkRBrace, tkTilde}));
  EXPECT_EQ(Lex({".5"}).error, "unknown symbol");
  EXPECT_EQ(Lex({"a $"}).error, "unknown symbol");
  // A Japanese character outside a string or comment is not a name.
  EXPECT_EQ(Lex({"\x82\xA0"}).error, "unknown symbol");
  EXPECT_TRUE(Lex({"// \x82\x5C comment", "x"}).error.empty());
  // A source byte 0xFF ends the input.
  EXPECT_EQ(Lex({"a \xFF b"}).kinds, (std::vector<std::int32_t>{tkUndeclared}));
}

// The values of number literals: cases/keywords.jsc.
TEST(LexTest, NumberLiterals) {
  // No exponent form: 1.5e3 is 1.5 and a name.
  EXPECT_EQ(Lex({"1.5e3"}).kinds, (std::vector<std::int32_t>{tkFloating, tkUndeclared}));
  EXPECT_EQ(Lex({"0x"}).error, "'0X' is not a valid integer value");
  EXPECT_EQ(Lex({"2147483648"}).error, "'2147483648' is not a valid integer value");
  EXPECT_EQ(Lex({"0x123456789"}).error, "'0X123456789' is not a valid integer value");
}

TEST(LexTest, StringLiterals) {
  Lexed s = Lex({"\"A\\x41\\x4g\" \"\\q\" \"a\\tb\\n\\r\\\\\""});
  ASSERT_TRUE(s.error.empty()) << s.error;
  EXPECT_EQ(s.tokens[0].kind, tkString);
  EXPECT_EQ(s.tokens[0].text, std::string("AA\x04g"));
  EXPECT_EQ(s.tokens[1].text, "q");
  EXPECT_EQ(s.tokens[2].text, "a\tb\n\r\\");
  // An escaped quote is kept and also ends the literal.
  Lexed q = Lex({"\"say \\\" x"});
  EXPECT_EQ(q.tokens[0].text, "say \"");
  EXPECT_EQ(q.tokens[1].name, "x");
  // Second bytes 0x5C ('\') and 0x22-free: a double-byte character is copied whole.
  Lexed w = Lex({"\"\x95\x5C\x94\x5C\""});
  ASSERT_TRUE(w.error.empty()) << w.error;
  EXPECT_EQ(w.tokens[0].text, "\x95\x5C\x94\x5C");
  EXPECT_EQ(Lex({"\"open"}).error, "string error");
  EXPECT_EQ(Lex({"\"\\x\""}).error, "string error");
}

TEST(LexTest, StringAcrossLinesDoesNotCountTheLine) {
  std::vector<std::string> lines{"\"a", "b\"", "x y"};
  TStringListSource source(&lines);
  TLex lex(&source, nullptr);
  ASSERT_NE(lex.GetToken(), nullptr);
  EXPECT_EQ(lex.CurrentToken().text, "a\nb");
  ASSERT_NE(lex.GetToken(), nullptr);
  EXPECT_EQ(lex.CurrentToken().name, "x");
  EXPECT_EQ(lex.GetLine(), 2);  // one less than the real line 3
}

TEST(LexTest, PushedBackTokenAndReadToSemicolon) {
  std::vector<std::string> lines{"x = \"a;b\" // c;d", ";y;", "z"};
  TStringListSource source(&lines);
  TLex lex(&source, nullptr);
  ASSERT_NE(lex.GetToken(), nullptr);
  lex.UngetToken();
  ASSERT_NE(lex.GetToken(), nullptr);
  EXPECT_EQ(lex.CurrentToken().name, "x");
  std::string rest;
  EXPECT_TRUE(lex.ReadToSemicolon(rest));
  EXPECT_EQ(rest, " = \"a;b\" // c;d\n;");
  EXPECT_TRUE(lex.ReadToSemicolon(rest));
  EXPECT_EQ(rest, "y;");
  EXPECT_FALSE(lex.ReadToSemicolon(rest));  // the end of the input stops it
  EXPECT_EQ(rest, "\nz\n");
  ASSERT_NE(lex.GetToken(), nullptr);
  EXPECT_EQ(lex.CurrentToken().kind, tkEof);
  ASSERT_NE(lex.GetToken(), nullptr);
  EXPECT_EQ(lex.CurrentToken().kind, tkEof);
}

}  // namespace
