// MainWindowServices that remember what they were given.
#pragma once
#include <string>
#include <vector>

#include "platform/mainwindowservices.h"

namespace testing_support {

class RecordingServices : public platform::MainWindowServices {
 public:
  void AddMessage(const std::string& line) override { lines.push_back(line); }
  void AddMessageLines(const std::string& text) override {
    for (size_t start = 0, nl = 0; nl != std::string::npos; start = nl + 1)
      lines.push_back(text.substr(start, (nl = text.find('\n', start)) - start));
  }
  void SetProgressMessage(const std::string& text) override { progressText = text; }
  void SetProgressMax(int max) override { progressMax = max; }
  void SetProgressPosition(int position) override { progressPositions.push_back(position); }
  void ProcessMessages() override {}

  // The log as one text, lines joined with "\n".
  std::string Log() const {
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
  }

  std::vector<std::string> lines;
  std::string progressText;
  std::vector<int> progressPositions;
  int progressMax = 0;
};

}  // namespace testing_support
