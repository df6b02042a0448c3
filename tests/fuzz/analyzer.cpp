// The analyzer terminal's typed frames: each input line is a command, sent
// with and without a checksum to the simulated target, whose replies are
// then logged.
#include <string>

#include "fuzz_support.h"
#include "rules/analyzerrules.h"
#include "sim_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::QuietUi ui;
  fuzz::SimSession session(ui);
  size_t logged = 0;
  rules::AnalyzerTerminal terminal(session.tc, ui, [&](const std::string& line) { logged += line.size(); });
  bool checksum = false;
  int lines = 0;
  for (std::string line : fuzz::Lines(data, size)) {
    if (++lines > 16) break;
    std::string bad;
    int count = 0;
    if (rules::AnalyzerTerminal::ParseBytes(line, bad, count)) rules::AnalyzerTerminal::AddChecksum(line);
    if (terminal.SendCommand(line, checksum)) terminal.ReadReceived();
    checksum = !checksum;
  }
  return 0;
}
