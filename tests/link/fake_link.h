// A scripted physical layer on virtual time: records every frame written and
// delivers reply bytes at chosen virtual times. Waiting advances the clock, so
// time-outs cost nothing.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "link/busphysicallayer.h"
#include "platform/clock.h"

namespace fake_link {

using Bytes = std::vector<uint8_t>;

// A reply frame: head ("P" or "`"), the length field (2 bytes when wide),
// data, checksum.
inline Bytes Frame(uint8_t head, const Bytes& data, bool wide) {
  Bytes f{head};
  const size_t length = data.size() + (wide ? 4 : 3);
  if (wide) f.push_back(static_cast<uint8_t>(length >> 8));
  f.push_back(static_cast<uint8_t>(length));
  f.insert(f.end(), data.begin(), data.end());
  uint32_t sum = 0;
  for (uint8_t b : f) sum += b;
  f.push_back(static_cast<uint8_t>(sum));
  return f;
}

class FakeLink : public TBusPhysicalLayer {
 public:
  explicit FakeLink(platform::VirtualClock& clock) : clock_(clock) {}

  // Called with each frame written; schedule the reply with Deliver.
  std::function<void(FakeLink&, const Bytes&)> onWrite;
  // Called after each read has taken what was there (the reader may then be
  // held up before it looks at the clock).
  std::function<void(FakeLink&)> afterRead;

  // Bytes that arrive delayMs after now.
  void Deliver(const Bytes& bytes, uint64_t delayMs = 0) {
    pending_.push_back({clock_.NowUs() + delayMs * 1000, bytes});
  }
  void Reply(const Bytes& bytes) { Deliver(bytes); }

  bool Open(uint8_t port, uint8_t baud, uint8_t, uint8_t, uint8_t, uint8_t) override {
    opens.push_back(baud);
    openPorts.push_back(port);
    if (failOpen) return false;
    open_ = true;
    return true;
  }
  bool Close() override {
    ++closes;
    open_ = false;
    return true;
  }
  bool Read(uint8_t* buffer, uint32_t maximum, uint32_t& received) override {
    ++reads;
    if (failRead) return false;
    Arrive();
    uint32_t n = 0;
    while (n < maximum && !queue_.empty()) {
      buffer[n++] = queue_.front();
      queue_.pop_front();
    }
    received = n;
    if (afterRead) afterRead(*this);
    return true;
  }
  bool Write(const uint8_t* buffer, uint32_t length) override {
    if (failWrite) return false;
    written.emplace_back(buffer, buffer + length);
    writeTimesMs.push_back(clock_.NowMs());
    if (onWrite) onWrite(*this, written.back());
    return true;
  }
  void Purge() override {
    ++purges;
    Arrive();
    queue_.clear();
  }
  bool WaitForData(uint32_t timeoutMs) override {
    ++waits;
    if (!open_) return false;
    Arrive();
    if (!queue_.empty()) return true;
    const uint64_t deadline = clock_.NowUs() + uint64_t(timeoutMs) * 1000;
    uint64_t next = UINT64_MAX;
    for (const auto& p : pending_) next = std::min(next, p.atUs);
    if (next <= deadline) {
      if (next > clock_.NowUs()) clock_.AdvanceUs(next - clock_.NowUs());
      Arrive();
      return true;
    }
    clock_.AdvanceUs(deadline - clock_.NowUs());
    return false;
  }
  bool IsSerial() const override { return serial; }

  size_t Queued() {
    Arrive();
    return queue_.size();
  }

  std::vector<Bytes> written;
  std::vector<uint64_t> writeTimesMs;
  std::vector<int> opens;
  std::vector<int> openPorts;
  int closes = 0;
  int purges = 0;
  int reads = 0;
  int waits = 0;
  bool failOpen = false;
  bool failRead = false;
  bool failWrite = false;
  bool serial = true;

 private:
  struct Pending {
    uint64_t atUs;
    Bytes bytes;
  };
  void Arrive() {
    const uint64_t now = clock_.NowUs();
    for (auto it = pending_.begin(); it != pending_.end();) {
      if (it->atUs <= now) {
        queue_.insert(queue_.end(), it->bytes.begin(), it->bytes.end());
        it = pending_.erase(it);
      } else {
        ++it;
      }
    }
  }

  platform::VirtualClock& clock_;
  std::deque<uint8_t> queue_;
  std::deque<Pending> pending_;
  bool open_ = true;
};

}  // namespace fake_link

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/linksettings.h"
#include "platform/convert.h"

namespace fake_link {

// The values the protocols take, in the order tests most often give them.
struct LinkSettings {
  int timeOut = 300;
  int timeOutRetry = 0;
  int errorRetry = 0;
  int errorRetryWait = 0;
  int baudSupport = 0x840;
  int baudId = 0;
  int maxEcs = 64;
  int maxEcs3 = 256;
  int comPort = 0;
  int baudRate = 6;
};

inline TLinkSettings ToLinkSettings(const LinkSettings& s) {
  TLinkSettings t;
  t.TimeOutTime = s.timeOut;
  t.TimeOutRetry = s.timeOutRetry;
  t.ErrorRetry = s.errorRetry;
  t.ErrorRetryWait = s.errorRetryWait;
  t.BaudRateSupport = s.baudSupport;
  t.BaudRateSupportID = s.baudId;
  t.MaxECSDataLength = s.maxEcs;
  t.MaxECS3DataLength = s.maxEcs3;
  t.ComPort = s.comPort;
  t.BaudRate = s.baudRate;
  return t;
}

// Frames as the protocols' last messages show them: " F0 00 0B ...".
inline std::string Hex(const Bytes& bytes) {
  std::string s;
  for (uint8_t b : bytes) s += platform::Format(" %02X", b);
  return s;
}

// A protocol of type Ecs on a FakeLink and a virtual clock, with the default
// settings.
template <class Ecs>
class EcsTest : public ::testing::Test {
 protected:
  void SetUp() override { Load(LinkSettings{}); }
  void Load(const LinkSettings& s) {
    ecs = std::make_unique<Ecs>(ToLinkSettings(s), clock);
    ecs->SetBus(&link);
  }
  void AnswerAlways(const Bytes& reply) {
    link.onWrite = [reply](FakeLink& l, const Bytes&) { l.Reply(reply); };
  }

  platform::VirtualClock clock;
  FakeLink link{clock};
  std::unique_ptr<Ecs> ecs;
};

}  // namespace fake_link
