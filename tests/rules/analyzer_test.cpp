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

// The send box at the window's default width and narrowed past its buttons.
TEST(AnalyzerSendBoxTest, TheLineReachesTenPixelsBeforeSendAndTheChecksumBoxSitsUnderIt) {
  rules::AnalyzerSendBoxSizes sizes;
  sizes.width = 578;
  sizes.contentTop = 18;
  sizes.editHeight = 24;
  sizes.buttonWidth = 75;
  sizes.buttonHeight = 26;
  sizes.checkWidth = 110;
  sizes.checkHeight = 20;
  rules::AnalyzerSendBox box = rules::LayoutAnalyzerSendBox(sizes);
  EXPECT_EQ(box.clear.x, 578 - 75 - 20);
  EXPECT_EQ(box.send.x, box.clear.x - 75 - 5);
  EXPECT_EQ(box.edit.x, 8);
  EXPECT_EQ(box.edit.x + box.edit.w, box.send.x - 10);
  // Below the line, inside the box, clear of the buttons.
  EXPECT_EQ(box.checksum.x, 8);
  EXPECT_GE(box.checksum.y, box.edit.y + box.edit.h);
  EXPECT_GE(box.checksum.y, box.send.y + box.send.h);
  EXPECT_LE(box.checksum.y + box.checksum.h, rules::kAnalyzerSendBoxHeight);
  EXPECT_GE(box.edit.y, sizes.contentTop);

  sizes.width = 150;
  box = rules::LayoutAnalyzerSendBox(sizes);
  EXPECT_EQ(box.edit.w, 0);
  EXPECT_EQ(box.send.x, 150 - 75 - 20 - 75 - 5);
}
