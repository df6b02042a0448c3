// The analyzer's terminal: the frame sent with its checksum and the log.
#include <gtest/gtest.h>

#include "rules/analyzerrules.h"
#include "support/simtarget_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

class AnalyzerTest : public ui_sim::SimTargetTest {
 protected:
  std::vector<std::string> log;
  ui::AnalyzerTerminal terminal{tc, ui, [this](const std::string& line) { log.push_back(line); }};
};

TEST_F(AnalyzerTest, SendsTheTrimmedFrameWithItsChecksumAndLogsIt) {
  std::string command = " \tF0 00 03 \r\n";
  EXPECT_TRUE(terminal.SendCommand(command, true));
  EXPECT_EQ(command, "F0 00 03");
  EXPECT_EQ(log, (std::vector<std::string>{"", "Tx > F0 00 03 F3"}));
  // The sum is taken modulo 256 and written with two digits; one digit and tabs will do.
  command = "1\tFF";
  EXPECT_TRUE(terminal.SendCommand(command, true));
  EXPECT_EQ(log.back(), "Tx > 1\tFF 00");
  command = "  \t ";
  EXPECT_FALSE(terminal.SendCommand(command, true));
  EXPECT_EQ(link->written, (std::vector<Bytes>{{0xF0, 0x00, 0x03, 0xF3}, {0x01, 0xFF, 0x00}}));
}

TEST_F(AnalyzerTest, FramesThatAreNotHexadecimalBytesOrTooLongAreRefused) {
  for (const char* bad : {"F0 XY 03", "F0 0x03", "F0 123"}) {
    std::string command = bad;
    ui.ExpectMessage(0x10, platform::kIdOk, "is not a hexadecimal byte (00 to FF). Nothing was sent.");
    EXPECT_FALSE(terminal.SendCommand(command, true)) << bad;
  }
  std::string command;
  for (int i = 0; i < ui::AnalyzerTerminal::kMaxFrameBytes; ++i) command += "01 ";
  ui.ExpectMessage(0x10, platform::kIdOk, "The frame has 301 bytes; at most 300 can be sent.");
  EXPECT_FALSE(terminal.SendCommand(command, true));
  EXPECT_TRUE(link->written.empty());
  EXPECT_TRUE(log.empty());
  // Without the checksum the same 300 bytes fit.
  EXPECT_TRUE(terminal.SendCommand(command, false));
  ASSERT_EQ(link->written.size(), 1u);
  EXPECT_EQ(link->written[0].size(), 300u);
}

}  // namespace
