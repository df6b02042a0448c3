#include "rules/analyzerrules.h"

#include <algorithm>
#include <utility>

#include "link/targetcontrol.h"
#include "model/stringutility.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/text.h"
#include "platform/ui.h"

namespace rules {

namespace {

bool HexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// One or two hex digits: anything longer would reach the line cut to its low byte.
bool HexByte(const std::string& word) {
  return !word.empty() && word.size() <= 2 && HexDigit(word[0]) && (word.size() == 1 || HexDigit(word[1]));
}

}  // namespace

AnalyzerTerminal::AnalyzerTerminal(TTargetControl& target, platform::Ui& ui, LogLine log)
    : target_(target), ui_(ui), log_(std::move(log)) {}

bool AnalyzerTerminal::ParseBytes(const std::string& text, std::string& badWord, int& count) {
  count = 0;
  int pos = 1;
  for (std::string word = GetWord(text, pos); !word.empty(); word = GetWord(text, pos)) {
    if (!HexByte(word)) {
      badWord = word;
      return false;
    }
    ++count;
  }
  return true;
}

std::string AnalyzerTerminal::AddChecksum(const std::string& text) {
  int sum = 0;
  int pos = 1;
  for (std::string word = GetWord(text, pos); !word.empty(); word = GetWord(text, pos))
    sum += platform::StrToInt("0x" + word) % 256;
  return text + platform::Format(" %02X", sum % 256);
}

bool AnalyzerTerminal::SendCommand(std::string& command, bool addChecksum) {
  command = platform::Trim(command);
  if (command.empty()) return false;

  std::string badWord;
  int count = 0;
  if (!ParseBytes(command, badWord, count)) {
    ui_.ShowMessageBoxJE(
        "ERROR",
        platform::Format("'%s' は 16 進数のバイト値 (00 から FF) ではありません。送信しませんでした。",
                         badWord.c_str()),
        "ERROR", platform::Format("'%s' is not a hexadecimal byte (00 to FF). Nothing was sent.", badWord.c_str()),
        0x10);
    return false;
  }
  if (addChecksum) ++count;
  if (count > kMaxFrameBytes) {
    ui_.ShowMessageBoxJE(
        "ERROR",
        platform::Format("送信データが %d バイトあります。送信できるのは %d バイトまでです。"
                         "送信しませんでした。",
                         count, kMaxFrameBytes),
        "ERROR",
        platform::Format("The frame has %d bytes; at most %d can be sent. Nothing was sent.", count, kMaxFrameBytes),
        0x10);
    return false;
  }

  const std::string frame = addChecksum ? AddChecksum(command) : command;
  // The log shows the frame even when the link failed to send it.
  target_.SendRawText(frame);
  log_("");
  log_("Tx > " + frame);
  return true;
}

void AnalyzerTerminal::ReadReceived() {
  std::string text;
  target_.ReadRawText(text);
  if (!text.empty()) log_("Rx >" + text);
}

AnalyzerSendBox LayoutAnalyzerSendBox(const AnalyzerSendBoxSizes& s) {
  AnalyzerSendBox box;
  box.clear = {s.width - s.buttonWidth - 20, 0, s.buttonWidth, s.buttonHeight};
  box.send = {box.clear.x - s.buttonWidth - 5, 0, s.buttonWidth, s.buttonHeight};
  // A window narrowed past the buttons leaves an empty line, never a negative width.
  box.edit = {s.editLeft, 0, std::max(0, box.send.x - s.editLeft - 10), s.editHeight};

  // The two rows spread evenly over what the title leaves of the box.
  const int rowHeight = std::max(s.editHeight, s.buttonHeight);
  const int free = std::max(0, kAnalyzerSendBoxHeight - s.contentTop - rowHeight - s.checkHeight);
  const int gap = free / 3;
  const int firstTop = s.contentTop + gap;
  box.edit.y = firstTop + (rowHeight - s.editHeight) / 2;
  box.send.y = box.clear.y = firstTop + (rowHeight - s.buttonHeight) / 2;
  box.checksum = {s.editLeft, firstTop + rowHeight + gap, s.checkWidth, s.checkHeight};
  return box;
}

}  // namespace rules
