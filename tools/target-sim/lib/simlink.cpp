#include "simlink.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

SimLink::SimLink(SimTarget& target, platform::Clock& clock) : target_(target), clock_(clock) {}

bool SimLink::Open(uint8_t port, uint8_t baud, uint8_t dataBitReduction, uint8_t parity, uint8_t stopBits,
                   uint8_t flowMode) {
  (void)port, (void)dataBitReduction, (void)parity, (void)stopBits, (void)flowMode;
  DropAll();
  open_ = true;
  serial_ = true;
  hostBaud_ = baud;
  return true;
}

bool SimLink::OpenUsb(uint16_t vendorId, uint16_t productId, uint8_t inEndPoint, uint8_t outEndPoint) {
  (void)vendorId, (void)productId, (void)inEndPoint, (void)outEndPoint;
  DropAll();
  open_ = true;
  serial_ = false;
  return true;
}

bool SimLink::Close() {
  // Whatever is still on its way is lost with the port.
  DropAll();
  open_ = false;
  return true;
}

void SimLink::DropAll() {
  queue_.clear();
  headOffset_ = 0;
}

bool SimLink::Write(const uint8_t* buffer, uint32_t length) {
  if (!open_ || failWrites_) return false;
  const uint64_t now = clock_.NowUs();
  const int hostRate = serial_ ? hostBaud_ : SimTarget::kNoRate;
  std::vector<SimChunk> chunks = target_.Receive(buffer, length, now, hostRate);
  // The target answers one thing at a time: a reply starts once the previous
  // one has gone out.
  uint64_t at = std::max(now, lineFreeUs_);
  for (SimChunk& c : chunks) {
    at += c.delayUs;
    if (serial_ && c.baudIndex != hostBaud_) SimGarble(c.bytes);
    queue_.push_back({at, std::move(c.bytes)});
  }
  lineFreeUs_ = at;
  return true;
}

size_t SimLink::ArrivedBytes(uint64_t nowUs) const {
  size_t n = 0;
  for (const Arrival& a : queue_) {
    if (a.atUs > nowUs) break;
    n += a.bytes.size();
  }
  return n - headOffset_;
}

bool SimLink::Read(uint8_t* buffer, uint32_t maximum, uint32_t& received) {
  if (!open_) return false;
  const uint64_t now = clock_.NowUs();
  uint32_t got = 0;
  while (got < maximum && !queue_.empty() && queue_.front().atUs <= now) {
    Arrival& a = queue_.front();
    const size_t n = std::min<size_t>(maximum - got, a.bytes.size() - headOffset_);
    std::memcpy(buffer + got, a.bytes.data() + headOffset_, n);
    got += static_cast<uint32_t>(n);
    headOffset_ += n;
    if (headOffset_ == a.bytes.size()) {
      queue_.pop_front();
      headOffset_ = 0;
    }
  }
  if (got > 0) received = got;
  return true;
}

void SimLink::Purge() {
  // Bytes still on the wire are not in the queue yet and survive.
  const uint64_t now = clock_.NowUs();
  while (!queue_.empty() && queue_.front().atUs <= now) queue_.pop_front();
  headOffset_ = 0;
}

bool SimLink::WaitForData(uint32_t timeoutMs) {
  if (!open_) return false;
  const uint64_t now = clock_.NowUs();
  if (ArrivedBytes(now) > 0) return true;
  const uint64_t deadline = now + uint64_t(timeoutMs) * 1000;
  const bool comes = !queue_.empty() && queue_.front().atUs <= deadline;
  const uint64_t until = comes ? queue_.front().atUs : deadline;
  if (auto* virtualClock = dynamic_cast<platform::VirtualClock*>(&clock_)) {
    virtualClock->AdvanceUs(until - now);
  } else {
    std::this_thread::sleep_for(std::chrono::microseconds(until - now));
  }
  return comes;
}
