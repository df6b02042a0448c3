// ECS2 and ECS3 replies: the input is what the target sends back. Byte 0
// picks the protocol and the operations' sizes; then each reply is a length
// byte and that many bytes, handed over after each frame the host writes.
#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "link/busphysicallayer.h"
#include "link/ecs2.h"
#include "link/ecs3.h"
#include "model/linksettings.h"
#include "platform/clock.h"

namespace {

class ReplyLink : public TBusPhysicalLayer {
 public:
  ReplyLink(platform::VirtualClock& clock, const uint8_t* data, size_t size)
      : clock_(clock), data_(data), size_(size) {}
  bool Open(uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, uint8_t) override { return true; }
  bool Close() override { return true; }
  bool Read(uint8_t* buffer, uint32_t maximum, uint32_t& received) override {
    for (received = 0; received < maximum && !queue_.empty(); queue_.pop_front()) buffer[received++] = queue_.front();
    return true;
  }
  bool Write(const uint8_t*, uint32_t) override {
    if (at_ >= size_) return true;  // silence from here on
    const size_t length = data_[at_++];
    const size_t n = std::min(length, size_ - at_);
    queue_.insert(queue_.end(), data_ + at_, data_ + at_ + n);
    at_ += n;
    return true;
  }
  void Purge() override {}
  bool WaitForData(uint32_t timeoutMs) override {
    if (!queue_.empty()) return true;
    clock_.AdvanceUs(uint64_t(timeoutMs) * 1000);
    return false;
  }
  bool Exhausted() const { return at_ >= size_ && queue_.empty(); }

 private:
  platform::VirtualClock& clock_;
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
  std::deque<uint8_t> queue_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  platform::VirtualClock clock;
  ReplyLink link(clock, data + 1, size - 1);
  TLinkSettings settings;
  settings.TimeOutTime = 30;
  settings.TimeOutRetry = settings.ErrorRetry = settings.ErrorRetryWait = 1;
  settings.BaudRateSupport = 0x1840;
  settings.BaudRateSupportID = 0x0F00;
  std::unique_ptr<TEcs> ecs(mode & 1 ? static_cast<TEcs*>(new TEcs3(settings, clock)) : new TEcs2(settings, clock));
  ecs->SetBus(&link);

  const int width = (mode & 2) ? 2 : 1;
  const int count = 1 + (mode >> 2) % 8 * 37;  // 1 to 260: within and past a frame
  // Exactly the count: a reply that writes past it shows under ASan.
  std::vector<uint32_t> values(static_cast<size_t>(count), 0xA5A5A5A5);
  std::string text;
  for (int round = 0; round < 4 && !link.Exhausted(); ++round) {
    ecs->ReadMemory(0x1000, width, count, values.data());
    ecs->WriteMemory(0x1000, width, std::min(count, ecs->GetMaxWordCount()), values.data());
    ecs->ReadDevice(0x20, 1, std::min(count, ecs->GetMaxByteCount()), values.data());
    ecs->WriteDevice(0x20, 1, std::min(count, ecs->GetMaxByteCount()), values.data());
    ecs->GetLastMessage();
    ecs->ReadRawText(text);
    ecs->SendRawText("F0 00 0B 02 00 00 10 00 00 01 0E");
    if (mode & 0x80) {
      ecs->FindBaudRate();
      ecs->RaiseBaudRate();
      ecs->SendBaudRate();
    }
  }
  return 0;
}
