#include "platform/convert.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>

using platform::EConvertError;
using platform::TryStrToInt;
using testing::ThrowsMessage;

TEST(Convert, IntegersDecimalOrHexErrorsWithTheClassLibraryMessagesAndFormatWithoutLengthLimit) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  };
  const Case cases[] = {
      {" 12 ", true, 12},         {"-17", true, -17},           {"0X1f", true, 31},
      {"0xFFFFFFFF", true, -1},   {"0x0000000001", true, 1},    {"-2147483648", true, INT_MIN},
      {"2147483648", false, 0},   {"99999999999999999999", false, 0}, {"0x100000000", false, 0},
      {"0x", false, 0},           {"", false, 0},               {"1 2", false, 0},
  };
  for (const Case& c : cases) {
    int v = 12345;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
    EXPECT_EQ(v, c.ok ? c.value : 12345) << c.text;  // untouched on failure
  }
  EXPECT_EQ(platform::StrToIntDef("junk", 7), 7);
  EXPECT_THAT([] { platform::StrToInt("12x"); }, ThrowsMessage<EConvertError>("'12x' is not a valid integer value"));
  EXPECT_STREQ(platform::MessageOf(EConvertError("x", "エックス"), true), "エックス");  // in the Japanese UI
  EXPECT_DOUBLE_EQ(platform::StrToFloat(" -2e3 "), -2000.0);
  EXPECT_THAT([] { platform::StrToFloat("1,5"); },
              ThrowsMessage<EConvertError>("'1,5' is not a valid floating point value"));
  const std::string longText(1000, 'x');
  EXPECT_EQ(platform::Format("[%s]%s", longText.c_str(), "表"), "[" + longText + "]表");
}
