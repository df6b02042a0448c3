#include <gtest/gtest.h>

#include <cmath>

#include "platform/convert.h"
#include "script/builtins/regexscan.h"

namespace {

// "status start matched" of a match.
std::string Match(const std::string& text, const std::string& pattern, int mode = 0) {
  TBregExp re;
  int start = -1;
  std::string matched;
  const int status = re.Match(text, pattern, mode, start, matched);
  return status == bregMatched ? platform::Format("0 %d %s", start, matched.c_str()) : std::to_string(status);
}

// "status: piece piece ..." of a scan, each piece as kind=value, or kind- when it did not convert.
std::string Scan(const std::string& text, const std::string& format) {
  TBregExp re;
  std::string out;
  const int status = re.Scanf({text}, format, [&](const ScanValue& v) {
    out += " " + std::to_string(v.kind) + (!v.converted ? "-" : v.kind == scanInteger ? "=" + std::to_string(v.ival)
                                           : v.kind == scanChar || v.kind == scanString ? "=" + v.sval
                                           : platform::Format("=%g", v.fval));
  });
  return std::to_string(status) + ":" + out;
}

TEST(RegexScan, MatchReportsWhereAndWhatOnWholeShiftJisCharacters) {
  const char* const cases[][4] = {
      {"volt=12.5V", "[0-9.]+", "0", "0 5 12.5"},
      {"ABC", "/b/i", "1", "0 1 B"},
      {"abc", "x", "0", "1"},
      {"abc", "(a", "0", "2"},
      {"abc", "a", "1", "2"},  // no delimiters
      {"abc", "/a/q", "1", "2"},
      // "ア" is 0x83 0x41: its second byte is "A" and must not match on its own.
      {"アA", "A", "0", "0 2 A"},
      {"ア", "A", "0", "1"},
      // "表" ends in a backslash byte: in a pattern it neither escapes nor breaks it.
      {"一覧表示", "表示", "0", "0 4 表示"},
      // A quantifier after a double-byte character repeats the character.
      {"xアアy", "xア+y", "0", "0 0 xアアy"},
      // A backtracking search gives up after a million steps (a script cannot be stopped inside it).
      {"aaaaaaaaaaaaaaaaaaaa!", "(a+)+$", "0", "2"},
  };
  for (const auto& c : cases) EXPECT_EQ(Match(c[0], c[1], c[2][0] - '0'), c[3]) << c[0] << " " << c[1];
  EXPECT_EQ(Match("abc", std::string(1100, 'a')), "2");

  TBregExp re;
  int start = -1, line = -1;
  std::string matched;
  EXPECT_EQ(re.MatchLines({"a", "b1", "c2"}, "[0-9]", 0, start, matched, line), bregMatched);
  EXPECT_EQ(line, 1);
}

TEST(RegexScan, ScanfConvertsTheMatchedPartPieceByPieceIntoStorageOfItsOwnKind) {
  EXPECT_EQ(ClassifyScanfPieces({"%d%n", "%c%n", "%s%n", "%lf%n", "%f%n", "%f items%n"}),
            (std::vector<int>{scanInteger, scanChar, scanString, scanDouble, scanFloat, scanString}));
  const char* const cases[][3] = {
      {"reply: a=1 b=2.5 end", "a=%d b=%lf", "0: 0=1 3=2.5"},
      // No infinity or NaN: a value past the range, "inf" and "nan" convert nothing.
      {"t=1e300", "t=%f", "0: 4-"},
      {"t=3e38 u=-1e999 w=1e308", "t=%f u=%lf w=%lf", "0: 4=3e+38 3- 3=1e+308"},
      {"t=inf u=NAN w=-Infinity", "t=%lf u=%lf w=%f", "0: 3- 3- 4-"},
      {"id=AB12 ok", "id=%s ok", "0: 2=AB12"},
      {"a=\n1", "a=%d", "1:"},  // a value must lie on one line with the text around it
      {"on 12/31", "%d/%d", "0: 0=12 0=31"},  // the pattern delimiter in the format
      // The literal text after %s holds a "d": classified as an integer, still a string.
      {"name=bob and", "name=%s and", "0: 2=bob"},
      // Widths and length modifiers of the script's format do not size the storage.
      {"code=ABCDEFGH", "code=%5c", "0: 1=A"},
      {"id=ABCDEF", "id=%3s%s", "0: 2=ABC 2=DEF"},
      {"id=AB", "id=%20s", "0: 2=AB"},  // storage for the width, not the text
      {"n=-7", "n=%hhd", "0: 0=-7"},
      // A token that is no number converts nothing but still counts.
      {"v=abc", "v=%d", "0: 0-"},
      {"v=1 w=2", "v=%*d w=%d", "0: 0- 0=2"},
  };
  for (const auto& c : cases) EXPECT_EQ(Scan(c[0], c[1]), c[2]) << c[0];
  TBregExp re;
  re.Scanf({"t=0.1"}, "t=%f", [](const ScanValue& v) { EXPECT_EQ(v.fval, static_cast<double>(0.1f)); });
  re.Scanf({"n=12345678901"}, "n=%ld", [](const ScanValue& v) { EXPECT_TRUE(v.converted); });
}

}  // namespace
