// The analyzer's terminal: frames it refuses to send.
#include <gtest/gtest.h>

#include "rules/analyzerrules.h"
#include "support/simtarget_fixture.h"

namespace {

class AnalyzerTest : public ui_sim::SimTargetTest {
 protected:
  rules::AnalyzerTerminal terminal{tc, ui, [](const std::string&) {}};
};

TEST_F(AnalyzerTest, FramesThatAreNotHexadecimalBytesOrTooLongAreRefused) {
  for (const char* bad : {"F0 XY 03", "F0 0x03", "F0 123"}) {
    std::string command = bad;
    ui.ExpectMessage(0x10, platform::kIdOk, "is not a hexadecimal byte (00 to FF). Nothing was sent.");
    EXPECT_FALSE(terminal.SendCommand(command, true)) << bad;
  }
  std::string command;
  for (int i = 0; i < rules::AnalyzerTerminal::kMaxFrameBytes; ++i) command += "01 ";
  ui.ExpectMessage(0x10, platform::kIdOk, "The frame has 301 bytes; at most 300 can be sent.");
  EXPECT_FALSE(terminal.SendCommand(command, true));
  EXPECT_TRUE(link->written.empty());
  // Without the checksum the same 300 bytes fit.
  EXPECT_TRUE(terminal.SendCommand(command, false));
  ASSERT_EQ(link->written.size(), 1u);
  EXPECT_EQ(link->written[0].size(), 300u);
}

}  // namespace
