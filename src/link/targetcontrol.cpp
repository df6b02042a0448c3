// Target control: the link's life, error reports, register access and the
// line-rate pass-throughs.
#include "link/targetcontrol.h"

#include <algorithm>
#include <vector>

#include "link/busphysicallayer.h"
#include "link/ecs.h"
#include "link/targetcontrol_internal.h"
#include "model/registers.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/mainwindowservices.h"
#include "platform/ui.h"

bool ComparePairBySecond(const RegisterSnapshotItem& a, const RegisterSnapshotItem& b) { return a.ID < b.ID; }

namespace {

constexpr uint32_t kNotRead = static_cast<uint32_t>(REG_VALUE_UNKNOWN);

// Walks ascending IDs in runs of consecutive IDs of at most maxWords words.
// readRun(start, n) reads and stores one run and returns false to stop. With
// overlapFull, a run cut short by the word limit is followed by a run that
// starts again at its last ID (the status poll's walk; never with a limit of
// one word, which would make no progress).
template <class ReadRun>
void WalkRuns(const std::vector<uint32_t>& ids, int maxWords, bool overlapFull, ReadRun readRun) {
  size_t i = 0;
  while (i < ids.size()) {
    const uint32_t start = ids[i];
    int n = 1;
    size_t j = i + 1;
    while (j < ids.size() && n < maxWords && ids[j] == start + static_cast<uint32_t>(n)) {
      ++n;
      ++j;
    }
    if (!readRun(start, n)) return;
    const bool cutByLimit = j < ids.size() && ids[j] == start + static_cast<uint32_t>(n);
    i = (overlapFull && cutByLimit && maxWords > 1) ? j - 1 : j;
  }
}

}  // namespace

namespace targetcontrol_detail {

std::string NotConnectedText(const platform::Ui& ui) {
  return ui.IsJapanese() ? "ターゲットに接続されていません" : "Not connected to the target";
}

}  // namespace targetcontrol_detail

TTargetControl::TTargetControl(platform::Ui& ui, platform::MainWindowServices& services, Registers& sRegs,
                               Registers& hRegs)
    : ui_(ui), services_(services), sRegs_(sRegs), hRegs_(hRegs) {}

TTargetControl::~TTargetControl() {
  DropLink();
  protocol_.reset();
}

bool TTargetControl::IsConnected() const { return bus_ && protocol_; }

bool TTargetControl::IsLinkWorking() const {
  return IsConnected() && !bus_->HasFailed() && !protocol_->LastExchangeFailed();
}

void TTargetControl::DropLink() {
  // The protocol must never hold a layer that is gone.
  if (protocol_) protocol_->SetBus(nullptr);
  if (bus_) {
    bus_->Close();
    bus_.reset();
  }
}

bool TTargetControl::CheckLink(bool quietly) {
  if (IsConnected()) return true;
  if (!quietly || !noLinkNoticeGiven_) {
    services_.AddMessage(targetcontrol_detail::NotConnectedText(ui_));
    if (quietly) noLinkNoticeGiven_ = true;
  }
  return false;
}

int TTargetControl::MaxWords() { return std::max(1, protocol_->GetMaxWordCount()); }

void TTargetControl::ReportError(int status, bool toLog) {
  std::string text = protocol_ ? protocol_->GetLastMessage() : targetcontrol_detail::NotConnectedText(ui_);
  // A failure without a text of its own must still say what happened.
  if (text.empty()) text = platform::Format("Communication error ! (0x%02X)", status & 0xFF);
  if (toLog) {
    services_.AddMessageLines(text);
  } else {
    ui_.ShowMessageBoxJE("ERROR", text, "ERROR", text, 0x10);
  }
}

bool TTargetControl::ReadRegisters(uint32_t address, int count, uint32_t out[]) {
  lastReadStatus_ = 0;
  std::fill(out, out + count, kNotRead);
  int status = protocol_->ReadMemory(address, 2, count, out);
  if (status == kEcsOk) return true;
  // A dead link is not worth a word-by-word retry: stop and say so.
  if (status == kEcsTimeOut || status == kEcsLinkError) {
    lastReadStatus_ = status;
    ReportError(status, true);
    return false;
  }
  // The target refused the block (a hole or a write-only register inside):
  // take the words one by one so every readable one gets its value.
  for (int k = 0; k < count; ++k) {
    status = protocol_->ReadMemory(address + static_cast<uint32_t>(k), 2, 1, out + k);
    if (status == kEcsOk) continue;
    // A word without a reply ends the read without a line of its own; the
    // walk stops on the status.
    if (status == kEcsTimeOut) {
      lastReadStatus_ = status;
      return false;
    }
    if (status == kEcsLinkError) {
      lastReadStatus_ = status;
      ReportError(status, true);
      return false;
    }
    out[k] = kNotRead;
    ReportError(status, true);
  }
  return true;
}

bool TTargetControl::ReadRegisterTable(bool hReg) {
  if (!CheckLink()) return false;
  Registers& regs = hReg ? hRegs_ : sRegs_;
  std::vector<uint32_t> ids;
  ids.reserve(regs.GetValueMap().size());
  for (const auto& entry : regs.GetValueMap()) ids.push_back(entry.first);

  platform::MainWindowServices& ui = services_;
  const int total = static_cast<int>(ids.size());
  ui.SetProgressMax(total);
  ui.SetProgressPosition(0);
  lastReadStatus_ = 0;
  const int maxWords = MaxWords();
  std::vector<uint32_t> buffer(static_cast<size_t>(maxWords));
  int position = 0;
  WalkRuns(ids, maxWords, false, [&](uint32_t start, int n) {
    ReadRegisters(start, n, buffer.data());
    if (lastReadStatus_ != 0) return false;  // that run's values stay as they were
    for (int k = 0; k < n; ++k) regs.SetValue(start + static_cast<uint32_t>(k), static_cast<int>(buffer[k]));
    position += n;
    ui.SetProgressPosition(position);
    return true;
  });
  ui.SetProgressPosition(total);
  ui.SetProgressPosition(0);
  return lastReadStatus_ == 0;
}

bool TTargetControl::ReadRefreshRegisters(std::map<int, int>& values) {
  if (!CheckLink()) return false;
  std::vector<uint32_t> ids;
  ids.reserve(values.size());
  for (const auto& entry : values) ids.push_back(static_cast<uint32_t>(entry.first));

  lastReadStatus_ = 0;
  const int maxWords = MaxWords();
  std::vector<uint32_t> buffer(static_cast<size_t>(maxWords));
  WalkRuns(ids, maxWords, true, [&](uint32_t start, int n) {
    ReadRegisters(start, n, buffer.data());
    if (lastReadStatus_ != 0) return false;
    for (int k = 0; k < n; ++k) {
      auto it = values.find(static_cast<int>(start + static_cast<uint32_t>(k)));
      if (it != values.end()) it->second = static_cast<int>(buffer[k]);
    }
    return true;
  });
  return lastReadStatus_ == 0;
}

bool TTargetControl::ReadMemory(uint32_t address, int width, int count, uint32_t out[]) {
  if (!CheckLink()) return false;
  if (count < 1 || !out) return false;
  int status = protocol_->ReadMemory(address, width, count, out);
  if (status == kEcsOk) return true;
  ReportError(status, true);
  return false;
}

bool TTargetControl::WriteMemory(uint32_t address, int width, int count, const uint32_t in[]) {
  if (!CheckLink()) return false;
  if (count < 1 || !in) return false;
  int status = protocol_->WriteMemory(address, width, count, in);
  if (status == kEcsOk) return true;
  ReportError(status, true);
  return false;
}

bool TTargetControl::ReadRegister(uint32_t address, uint32_t& value) {
  if (!CheckLink(true)) return false;
  uint32_t word = 0;
  if (protocol_->ReadMemory(address, 2, 1, &word) != kEcsOk) return false;
  value = word;
  return true;
}

bool TTargetControl::WriteRegister(uint32_t address, uint32_t value) {
  if (!CheckLink(true)) return false;
  return protocol_->WriteMemory(address, 2, 1, &value) == kEcsOk;
}

int TTargetControl::FindBaudRate() { return CheckLink(true) ? protocol_->FindBaudRate() : -1; }

int TTargetControl::RaiseBaudRate() { return CheckLink(true) ? protocol_->RaiseBaudRate() : -1; }

int TTargetControl::SendBaudRate() { return CheckLink(true) ? protocol_->SendBaudRate() : -1; }

int TTargetControl::TellStartRate(int index) { return IsLinkWorking() ? protocol_->TellStartRate(index) : -1; }

int TTargetControl::GetBaudIndex() { return protocol_ ? protocol_->GetBaudIndex() : 0; }

int TTargetControl::GetProtocolTimeout() const { return protocol_ ? protocol_->GetTimeOut() : 0; }

void TTargetControl::SetProtocolTimeout(int ms) {
  if (protocol_) protocol_->SetTimeOut(ms);
}

int TTargetControl::SendRawText(const std::string& text) {
  if (!CheckLink()) return kEcsLinkError;
  return protocol_->SendRawText(text);
}

int TTargetControl::ReadRawText(std::string& text) {
  text.clear();
  // Polled by the analyzer's timer: say it once, not twice a second.
  if (!CheckLink(true)) return kEcsLinkError;
  return protocol_->ReadRawText(text);
}
