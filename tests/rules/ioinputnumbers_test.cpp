// What the script input box accepts as a number.
#include <gtest/gtest.h>

#include "rules/scriptdialogrules.h"

namespace {

TEST(IoInputNumbers, FloatingInputIsFiniteOrRefused) {
  double value = 7.0;
  for (const char* text : {"inf", "-INFINITY", "nan", "1e999", "-1e309"}) {
    EXPECT_FALSE(rules::ParseInputFloating(text, value)) << text;
    EXPECT_EQ(value, 7.0) << text;
  }
  EXPECT_TRUE(rules::ParseInputFloating(" 1e308 ", value));
  EXPECT_EQ(value, 1e308);
  EXPECT_TRUE(rules::ParseInputFloating("", value));
  EXPECT_EQ(value, 0.0);
}

}  // namespace
