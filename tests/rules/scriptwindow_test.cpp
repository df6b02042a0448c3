// The rules of the script window.
#include <gtest/gtest.h>

#include "rules/scriptwindowrules.h"

namespace {

TEST(ScriptOutputTest, SystemColoursBecomeTheirUsualValues) {
  EXPECT_EQ(ui::ResolveScriptColor(0x0000FF), 0x0000FF);
  EXPECT_EQ(ui::ResolveScriptColor(0x80000005), 0xFFFFFF);  // window background
  EXPECT_EQ(ui::ResolveScriptColor(0x800000FF), 0);
}

}  // namespace
