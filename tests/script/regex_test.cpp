#include <gtest/gtest.h>

#include <cmath>

#include "script/regexscan.h"

namespace {

std::vector<ScanValue> Scan(const std::string& text, const std::string& format, int* status = nullptr) {
  std::vector<ScanValue> values;
  TBregExp re;
  const int rc = re.Scanf({text}, format, [&](const ScanValue& v) { values.push_back(v); });
  if (status) *status = rc;
  return values;
}

TEST(RegexScan, MatchReportsWhereAndWhatAndWhyNot) {
  TBregExp re;
  int start = -1;
  std::string matched;
  EXPECT_EQ(re.Match("volt=12.5V", "[0-9.]+", 0, start, matched), bregMatched);
  EXPECT_EQ(start, 5);
  EXPECT_EQ(matched, "12.5");
  EXPECT_EQ(re.Match("ABC", "/b/i", 1, start, matched), bregMatched);
  EXPECT_EQ(matched, "B");
  EXPECT_EQ(re.Match("abc", "x", 0, start, matched), bregNotMatched);
  EXPECT_EQ(re.Message(), "x is not included in abc");
  EXPECT_EQ(re.Match("abc", "(a", 0, start, matched), bregPatternError);
  EXPECT_FALSE(re.Message().empty());
  EXPECT_EQ(re.Match("abc", "a", 1, start, matched), bregPatternError);  // no delimiters
  EXPECT_EQ(re.Match("abc", "/a/q", 1, start, matched), bregPatternError);
  EXPECT_EQ(re.Match("abc", std::string(1100, 'a'), 0, start, matched), bregPatternError);
}

TEST(RegexScan, ShiftJisTextIsMatchedByWholeCharacters) {
  TBregExp re;
  int start = -1;
  std::string matched;
  // "ア" is 0x83 0x41: its second byte is "A" and must not match on its own.
  EXPECT_EQ(re.Match("アA", "A", 0, start, matched), bregMatched);
  EXPECT_EQ(start, 2);
  EXPECT_EQ(re.Match("ア", "A", 0, start, matched), bregNotMatched);
  // "表" ends in a backslash byte: in a pattern it neither escapes nor breaks it.
  EXPECT_EQ(re.Match("一覧表示", "表示", 0, start, matched), bregMatched);
  EXPECT_EQ(start, 4);
  EXPECT_EQ(matched, "表示");
  // A quantifier after a double-byte character repeats the character.
  EXPECT_EQ(re.Match("xアアy", "xア+y", 0, start, matched), bregMatched);
  EXPECT_EQ(matched, "xアアy");
}

TEST(RegexScan, MatchLinesStopsAtTheFirstMatchOrError) {
  TBregExp re;
  int start = -1, line = -1;
  std::string matched;
  EXPECT_EQ(re.MatchLines({"a", "b1", "c2"}, "[0-9]", 0, start, matched, line), bregMatched);
  EXPECT_EQ(line, 1);
  EXPECT_EQ(re.MatchLines({}, "a", 0, start, matched, line), bregNotMatched);
  EXPECT_EQ(re.MatchLines({"a", "b"}, "(", 0, start, matched, line), bregPatternError);
}

TEST(RegexScan, PieceKinds) {
  EXPECT_EQ(ClassifyScanfPieces({"%d%n", "%c%n", "%s%n", "%lf%n", "%f%n", "%f items%n"}),
            (std::vector<int>{scanInteger, scanChar, scanString, scanDouble, scanFloat, scanString}));
}

TEST(RegexScan, ScanfConvertsTheMatchedPartPieceByPiece) {
  int status = -1;
  auto v = Scan("reply: a=1 b=2.5 end", "a=%d b=%lf", &status);
  ASSERT_EQ(status, bregMatched);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].kind, scanInteger);
  EXPECT_EQ(v[0].ival, 1);
  EXPECT_EQ(v[1].kind, scanDouble);
  EXPECT_EQ(v[1].fval, 2.5);

  v = Scan("t=0.1", "t=%f");
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].kind, scanFloat);
  EXPECT_EQ(v[0].fval, static_cast<double>(0.1f));

  v = Scan("t=1e300", "t=%f");
  ASSERT_EQ(v.size(), 1u);
  EXPECT_TRUE(std::isinf(v[0].fval));

  v = Scan("id=AB12 ok", "id=%s ok");
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].sval, "AB12");

  // A value must lie on one line with the text around it.
  Scan("a=\n1", "a=%d", &status);
  EXPECT_EQ(status, bregNotMatched);
  // A date-like format with the pattern delimiter in it.
  v = Scan("on 12/31", "%d/%d", &status);
  ASSERT_EQ(status, bregMatched);
  EXPECT_EQ(v[0].ival, 12);
  EXPECT_EQ(v[1].ival, 31);
}

TEST(RegexScan, ScanfNeverWritesAValueIntoStorageOfAnotherKind) {
  // The literal text after %s holds a "d": classified as an integer, still a string.
  auto v = Scan("name=bob and", "name=%s and");
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].kind, scanString);
  EXPECT_EQ(v[0].sval, "bob");
  // Widths and length modifiers of the script's format do not size the storage.
  v = Scan("code=ABCDEFGH", "code=%5c");
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].kind, scanChar);
  EXPECT_EQ(v[0].sval, "A");
  v = Scan("n=12345678901", "n=%ld");
  ASSERT_EQ(v.size(), 1u);
  EXPECT_TRUE(v[0].converted);
  v = Scan("n=-7", "n=%hhd");
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].kind, scanInteger);
  EXPECT_EQ(v[0].ival, -7);
  // A token that is no number converts nothing but still counts.
  v = Scan("v=abc", "v=%d");
  ASSERT_EQ(v.size(), 1u);
  EXPECT_FALSE(v[0].converted);
  v = Scan("v=1 w=2", "v=%*d w=%d");
  ASSERT_EQ(v.size(), 2u);
  EXPECT_FALSE(v[0].converted);
  EXPECT_EQ(v[1].ival, 2);
}

}  // namespace
