#include "model/stringutility.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

namespace {

using Steps = std::vector<std::pair<std::string, int>>;

// Each call's result and the position it leaves; GetWord when no delimiters
// are given.
Steps Tokens(const std::string& text, int pos, const char* delimiters, int calls) {
  Steps out;
  for (int i = 0; i < calls; ++i) {
    std::string t = delimiters ? GetToken(text, pos, delimiters) : GetWord(text, pos);
    out.emplace_back(t, pos);
  }
  return out;
}
Steps Words(const std::string& text, int pos, int calls) { return Tokens(text, pos, nullptr, calls); }

}  // namespace

TEST(GetToken, KeepsEmptyFieldsStopsPastTheEndAndTakesAnyPosition) {
  EXPECT_EQ(Tokens("a,,b", 1, ",", 5), (Steps{{"a", 3}, {"", 4}, {"b", 6}, {"", 6}, {"", 6}}));
  EXPECT_EQ(Tokens("x;", 1, ",;", 4), (Steps{{"x", 3}, {"", 4}, {"", 4}, {"", 4}}));
  EXPECT_EQ(Tokens("", 1, ",", 2), (Steps{{"", 2}, {"", 2}}));
  EXPECT_EQ(Tokens(",a", 1, ",", 2), (Steps{{"", 2}, {"a", 4}}));
  EXPECT_EQ(Tokens("ab,c", 0, ",", 1), (Steps{{"ab", 4}}));
  EXPECT_EQ(Tokens("ab,c", 2, ",", 1), (Steps{{"b", 4}}));
  EXPECT_EQ(Tokens("ab,c", 1, "", 1), (Steps{{"", 1}}));
  EXPECT_EQ(Tokens("ab,c", INT_MAX, ",", 1), (Steps{{"", INT_MAX}}));
  // Bytes are compared as they are: a blank is a delimiter only when named.
  EXPECT_EQ(Tokens("a b\tc", 1, "\t", 2), (Steps{{"a b", 5}, {"c", 7}}));
}

TEST(GetWord, SkipsRunsOfBlanksAndTabsOnly) {
  EXPECT_EQ(Words("  ab\tcd ", 1, 3), (Steps{{"ab", 6}, {"cd", 9}, {"", 9}}));
  EXPECT_EQ(Words("abc", 1, 3), (Steps{{"abc", 5}, {"", 5}, {"", 5}}));
  EXPECT_EQ(Words(" \t  \t", 1, 1), (Steps{{"", 1}}));
  EXPECT_EQ(Words("", 1, 1), (Steps{{"", 1}}));
  EXPECT_EQ(Words("ab", 3, 1), (Steps{{"", 3}}));
  EXPECT_EQ(Words("ab cd", -3, 1), (Steps{{"ab", 4}}));
  // Line ends and other bytes belong to words; a double-byte character is whole.
  EXPECT_EQ(Words("a\r\nb\x0b" "c 日本", 1, 3), (Steps{{"a\r\nb\x0b" "c", 8}, {"日本", 13}, {"", 13}}));
}
