#include "platform/text.h"

#include <gtest/gtest.h>

using platform::Cp932ToUtf8;
using platform::Utf8ToCp932;

TEST(Text, Cp932RoundTripKeepsBackslashAndTilde) {
  // Kana, kanji, full-width forms, NEC and IBM extensions, half-width kana.
  const std::string utf8 = u8"a\\b~ ソ表 あアｱ ～－∥ ①Ⅰ ⅰ ファイル %s に書き込めません";
  const std::string cp932 = Utf8ToCp932(utf8);
  EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
  // A narrow literal is already CP932 in the program.
  EXPECT_EQ(cp932, "a\\b~ ソ表 あアｱ ～－∥ ①Ⅰ ⅰ ファイル %s に書き込めません");
  // The backslash is 0x5C both ways, never the yen sign, also as a trail byte.
  EXPECT_EQ(Cp932ToUtf8("\x83\x5C"), u8"ソ");
}

TEST(Text, EachUnconvertibleCharacterBecomesOneQuestionMark) {
  // Kept out of the assertion: its text could not be shown in CP932.
  const std::string noCp932Form = u8"a😀bäc";
  EXPECT_EQ(Utf8ToCp932(noCp932Form), "a?b?c");
  EXPECT_EQ(Utf8ToCp932("a\xE3\x81"), "a?");        // cut short at the end
  EXPECT_EQ(Utf8ToCp932("a\xFF" "b\x80" "c"), "a?b?c");
  EXPECT_EQ(Cp932ToUtf8("a\x82"), "a?");            // lone lead byte at the end
  EXPECT_EQ(Cp932ToUtf8("a\x81 b"), "a? b");        // a blank is no trail byte
  EXPECT_EQ(Cp932ToUtf8("\x85\x40x\xA0" "y"), "?x?y");  // undefined pair, undefined byte
}
