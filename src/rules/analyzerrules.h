// The analyzer terminal without a display: a typed frame of hexadecimal byte
// values goes to the target as it is (with an additive checksum on request)
// and every received byte sequence comes back as a log line.
#pragma once
#include <functional>
#include <string>

class TTargetControl;
namespace platform {
class Ui;
}

namespace rules {

class AnalyzerTerminal {
 public:
  // The frame buffer of the protocol.
  static constexpr int kMaxFrameBytes = 300;
  using LogLine = std::function<void(const std::string&)>;

  // ui shows the refusals.
  AnalyzerTerminal(TTargetControl& target, platform::Ui& ui, LogLine log);

  // Trims the command in place and sends it. A command that is empty sends
  // nothing; one that is not a frame of hexadecimal bytes, or is too long,
  // is refused with a message. True when the frame was handed to the link
  // (the caller then starts polling for replies).
  bool SendCommand(std::string& command, bool addChecksum);
  // One poll for received bytes: logs "Rx >" and them when any arrived.
  void ReadReceived();

  // The words of text as bytes; false with the first word that is not a
  // hexadecimal byte (1 or 2 digits) otherwise.
  static bool ParseBytes(const std::string& text, std::string& badWord, int& count);
  // text followed by " %02X" of the sum of its bytes modulo 256. Every word
  // must be a hexadecimal byte.
  static std::string AddChecksum(const std::string& text);

 private:
  TTargetControl& target_;
  platform::Ui& ui_;
  LogLine log_;
};

// Where the controls of the analyzer's "Send Command" box go. The command
// line, SEND and CLEAR share the first row, right-aligned buttons with the
// line reaching 10 px before SEND; the checksum box sits on the row under the
// line, so it takes nothing from it.
struct AnalyzerRect {
  int x = 0, y = 0, w = 0, h = 0;
};
struct AnalyzerSendBox {
  AnalyzerRect edit, send, clear, checksum;
};
struct AnalyzerSendBoxSizes {
  int width = 0;         // the box's (the window's client) width
  int contentTop = 0;    // the first line under the box's title
  int editLeft = 8;
  int editHeight = 0;
  int buttonWidth = 0;   // SEND and CLEAR, each
  int buttonHeight = 0;
  int checkWidth = 0;
  int checkHeight = 0;
};
constexpr int kAnalyzerSendBoxHeight = 72;
AnalyzerSendBox LayoutAnalyzerSendBox(const AnalyzerSendBoxSizes& sizes);

}  // namespace rules
