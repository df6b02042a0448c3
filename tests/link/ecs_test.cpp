// ECS3 and ECS2 on a scripted layer on virtual time. Against the simulated
// target they run under the target control's tests and, over a real port, the
// end-to-end tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/busphysicallayer.h"
#include "link/ecs2.h"
#include "link/ecs3.h"
#include "model/linksettings.h"
#include "platform/clock.h"
#include "platform/convert.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A reply frame: head ("P" or "`"), the length field (2 bytes when wide), data, checksum.
Bytes Frame(uint8_t head, const Bytes& data, bool wide) {
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

// Frames as the last messages show them: " F0 00 0B ...".
std::string Hex(const Bytes& bytes) {
  std::string s;
  for (uint8_t b : bytes) s += platform::Format(" %02X", b);
  return s;
}

// Records every frame written and delivers reply bytes at chosen virtual
// times; waiting advances the clock.
class FakeLink : public TBusPhysicalLayer {
 public:
  explicit FakeLink(platform::VirtualClock& clock) : clock_(clock) {}

  std::function<void(FakeLink&, const Bytes&)> onWrite;  // schedules the reply with Deliver
  // After each read has taken what was there (the reader may then be held up
  // before it looks at the clock).
  std::function<void(FakeLink&)> afterRead;

  void Deliver(const Bytes& bytes, uint64_t delayMs = 0) { pending_.emplace(clock_.NowUs() + delayMs * 1000, bytes); }

  bool Open(uint8_t, uint8_t baud, uint8_t, uint8_t, uint8_t, uint8_t) override { opens.push_back(baud); return open_ = true; }
  bool Close() override { ++closes; open_ = false; return true; }
  bool Read(uint8_t* buffer, uint32_t maximum, uint32_t& received) override {
    if (failRead) return false;
    Arrive();
    for (received = 0; received < maximum && !queue_.empty(); queue_.pop_front()) buffer[received++] = queue_.front();
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
  void Purge() override { ++purges; Arrive(); queue_.clear(); }
  bool WaitForData(uint32_t timeoutMs) override {
    if (!open_) return false;
    Arrive();
    if (!queue_.empty()) return true;
    const uint64_t next = pending_.empty() ? UINT64_MAX : pending_.begin()->first;
    const uint64_t deadline = clock_.NowUs() + uint64_t(timeoutMs) * 1000;
    clock_.AdvanceUs(std::min(next, deadline) - clock_.NowUs());
    Arrive();
    return next <= deadline;
  }
  bool IsSerial() const override { return serial; }

  std::vector<Bytes> written;
  std::vector<uint64_t> writeTimesMs;
  std::vector<int> opens;
  int closes = 0, purges = 0;
  bool failRead = false, failWrite = false, serial = true;

 private:
  void Arrive() {
    for (auto it = pending_.begin(); it != pending_.end() && it->first <= clock_.NowUs(); it = pending_.erase(it))
      queue_.insert(queue_.end(), it->second.begin(), it->second.end());
  }

  platform::VirtualClock& clock_;
  std::deque<uint8_t> queue_;
  std::multimap<uint64_t, Bytes> pending_;  // by arrival time (us)
  bool open_ = true;
};

class EcsTest : public ::testing::Test {
 protected:
  using S = TLinkSettings;
  void SetUp() override { Load({}); }
  // A fresh protocol object on the same layer, given the settings that differ from the defaults; records start again.
  void Load(std::initializer_list<std::pair<int S::*, int>> fields, bool ecs3 = true) {
    TLinkSettings s;
    for (const auto& [field, value] : fields) s.*field = value;
    wide = ecs3;
    ecs.reset(ecs3 ? static_cast<TEcs*>(new TEcs3(s, clock)) : new TEcs2(s, clock));
    ecs->SetBus(&link);
    link.written.clear(), link.writeTimesMs.clear(), link.opens.clear();
    link.closes = link.purges = 0;
    link.onWrite = nullptr;
  }
  Bytes Ok(const Bytes& data) const { return Frame(0x50, data, wide); }
  Bytes Err(uint8_t number) const { return Frame(0x60, {number}, wide); }
  void AnswerAlways(const Bytes& reply) { link.onWrite = [reply](FakeLink& l, const Bytes&) { l.Deliver(reply); }; }

  platform::VirtualClock clock;
  FakeLink link{clock};
  std::unique_ptr<TEcs> ecs;
  bool wide = true;
};

TEST_F(EcsTest, FramesOfEveryRequestAndTheValuesOfTheirReplies) {
  enum Op { kReadMem, kWriteMem, kReadDev, kWriteDev };
  struct Case {
    bool ecs3;
    Op op;
    uint32_t address;
    int widthOrDevice;
    Bytes replyData;
    std::vector<uint32_t> values;  // read back, or written
    const char* request;
  };
  const Case cases[] = {
      {true, kReadMem, 0x1000, 2, {0x12, 0x34, 0xAB, 0xCD, 0x00, 0x01}, {0x1234, 0xABCD, 1}, " F0 00 0B 02 00 00 10 00 00 03 10"},
      {true, kReadMem, 0x12345678, 1, {0x80, 0x7F}, {0x80, 0x7F}, " F0 00 0B 01 12 34 56 78 00 02 12"},
      {true, kWriteMem, 0x20, 1, {}, {0x1FF, 0x02}, " F1 00 0B 01 00 00 00 20 FF 02 1E"},  // only the low byte travels
      // No count field: the length (count + 13) says it all.
      {true, kWriteDev, 0x100, 1, {}, {0xAA, 0xBB, 0xCC}, " F3 00 10 01 00 00 00 00 00 00 01 00 AA BB CC 36"},
      {false, kReadMem, 0x1234, 2, {0x12, 0x34, 0xAB, 0xCD}, {0x1234, 0xABCD}, " F0 07 02 12 34 02 41"},
      {false, kWriteMem, 0x12345678, 2, {}, {0xBEEF}, " F1 08 02 56 78 BE EF 76"},  // the low 16 address bits
      {false, kWriteDev, 0x100, 1, {}, {0xAA, 0xBB, 0xCC}, " F3 0F 01 00 00 00 00 00 00 01 00 AA BB CC 35"},
  };
  for (const Case& c : cases) {
    Load({}, c.ecs3);
    AnswerAlways(Ok(c.replyData));
    std::vector<uint32_t> values = c.values;
    if (c.op == kReadMem || c.op == kReadDev) std::fill(values.begin(), values.end(), 0);
    const int n = static_cast<int>(values.size());
    const uint8_t device = static_cast<uint8_t>(c.widthOrDevice);
    const int status = c.op == kReadMem    ? ecs->ReadMemory(c.address, c.widthOrDevice, n, values.data())
                       : c.op == kWriteMem ? ecs->WriteMemory(c.address, c.widthOrDevice, n, values.data())
                       : c.op == kReadDev  ? ecs->ReadDevice(c.address, device, n, values.data())
                                           : ecs->WriteDevice(c.address, device, n, values.data());
    EXPECT_EQ(status, 0) << c.request;
    ASSERT_EQ(link.written.size(), 1u) << c.request;
    EXPECT_EQ(Hex(link.written[0]), c.request);
    EXPECT_EQ(values, c.values) << c.request;
  }
}

TEST_F(EcsTest, FailedRepliesAreRetriedAfterTheWaitReportBothFramesAndNeverWriteTheValues) {
  enum { kOk = -1, kBadHead = -2, kBadSum = -3 };
  const struct {
    bool ecs3;
    int number;    // the target's error number, or one of the kinds above
    Bytes data;    // of a "P" reply for one word
    int status;
    std::string text;
  } cases[] = {
      {true, 0, {}, 1, "Error\n"},
      {true, 0x21, {}, 0x21, "No ID Error !\n"},
      {true, 0x77, {}, 0x77, "Other Error!\n"},
      {false, 0x62, {}, 0x62, "Other Error!\n"},  // a UART entry of ECS3 only
      {true, kBadHead, {0x00, 0x01}, 0x92, "Communication error Target->Vund !\n"},
      {false, kBadSum, {0x00, 0x01}, 0x99, "Check Sum Error  Target->Vund !\n"},
      // Two words where one was asked, none, an odd byte count: nothing is unpacked at all.
      {true, kOk, {0x12, 0x34, 0x56, 0x78}, 0x94, "Receive Data Size Error !\n"},
      {false, kOk, {0x01, 0x02, 0x03}, 0x94, "Receive Data Size Error !\n"},
  };
  for (const auto& c : cases) {
    Load({{&S::ErrorRetry, 1}, {&S::ErrorRetryWait, 50}}, c.ecs3);
    Bytes bad = c.number >= 0 ? Err(static_cast<uint8_t>(c.number)) : Ok(c.data);
    if (c.number == kBadHead) bad[0] = 0x41;
    if (c.number == kBadSum) bad.back() ^= 0xFF;
    AnswerAlways(bad);
    uint32_t words[2] = {0xA, 0xB};
    EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, words), c.status) << c.text;
    ASSERT_EQ(link.written.size(), 2u) << c.text;  // Error_Retry 1: two attempts, one send each
    EXPECT_EQ(link.writeTimesMs[1] - link.writeTimesMs[0], 50u);
    EXPECT_EQ(ecs->GetLastMessage(), c.text + "Send Data\n" + Hex(link.written[0]) + "\nRecieve Data\n" + Hex(bad));
    EXPECT_EQ(words[0], 0xAu) << c.text;
    EXPECT_EQ(words[1], 0xBu) << c.text;
  }
}

TEST_F(EcsTest, AReplyThatCameWhileTheReaderWasHeldUpIsNoTimeOutButAGapLongerThanTheTimeOutIs) {
  // The read finds nothing; the reply arrives and the time-out passes before
  // the reader looks at the clock.
  const Bytes reply = Ok({0x12, 0x34});
  bool heldUp = false;
  link.afterRead = [&](FakeLink& l) {
    if (heldUp) return;
    heldUp = true;
    l.Deliver(reply);
    clock.AdvanceMs(400);
  };
  uint32_t word = 0;
  ASSERT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0);
  EXPECT_EQ(word, 0x1234u);
  EXPECT_EQ(link.written.size(), 1u);  // no resend

  // One gap of 301 ms is a time-out, even though the rest came quickly.
  link.onWrite = [&](FakeLink& l, const Bytes&) {
    l.Deliver({reply[0], reply[1]}, 0);
    l.Deliver(Bytes(reply.begin() + 2, reply.end()), 301);
  };
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x90);
}

TEST_F(EcsTest, AnOverlongReplyStopsAtOnce) {
  // ECS3 replies hold at most 265 bytes, ECS2 ones 70.
  for (bool ecs3 : {true, false}) {
    Load({{&S::TimeOutRetry, 2}, {&S::ErrorRetry, 2}}, ecs3);
    AnswerAlways(Bytes(ecs3 ? 266 : 71, 0x50));
    std::vector<uint32_t> values(300, 9);
    EXPECT_EQ(ecs->ReadDevice(0, 1, ecs3 ? 2 : 56, values.data()), 0x93);
    EXPECT_EQ(link.written.size(), 1u);
    EXPECT_EQ(values[0], 9u);
    const std::string msg = ecs->GetLastMessage();
    EXPECT_EQ(msg.substr(0, 24), "Receive Data Too Long !\n");
    if (ecs3) {
      EXPECT_EQ(msg.size(), msg.find("\nRecieve Data\n") + 14 + 260 * 3);  // at most 260 bytes shown
    }
  }
}

TEST_F(EcsTest, CountsBeyondAFrameAreRefusedUnsent) {
  std::vector<uint32_t> values(300, 0);
  EXPECT_EQ(ecs->ReadMemory(0, 2, 131, values.data()), 0x91);
  EXPECT_EQ(ecs->WriteDevice(0, 1, 262, values.data()), 0x91);
  EXPECT_EQ(ecs->ReadDevice(0, 1, -1, values.data()), 0x91);
  EXPECT_TRUE(link.written.empty());
  EXPECT_FALSE(ecs->GetLastMessage().empty());
  Load({}, false);  // counts go in one byte, a reply carries at most 67 data bytes
  EXPECT_EQ(ecs->ReadMemory(0, 2, 34, values.data()), 0x91);
  EXPECT_EQ(ecs->WriteDevice(0, 1, 300, values.data()), 0x91);
  EXPECT_TRUE(link.written.empty());
}

TEST_F(EcsTest, FrameLengthsFromVundDatAreClamped) {
  const struct {
    bool ecs3;
    int maxEcs, maxEcs3, words, bytes;
  } cases[] = {
      {true, 64, 256, 128, 256}, {true, 64, 0, 128, 256},      {true, 64, -5, 128, 256},  // 0: no vund.dat
      {true, 64, 4000, 130, 261}, {true, 64, 101, 50, 101},     {false, 64, 256, 32, 56},
      {false, 600, 9000, 33, 56}, {false, 0, 256, 32, 56},      {false, 10, 256, 5, 56},
  };
  for (const auto& c : cases) {
    Load({{&S::MaxECSDataLength, c.maxEcs}, {&S::MaxECS3DataLength, c.maxEcs3}}, c.ecs3);
    EXPECT_EQ(ecs->GetMaxWordCount(), c.words) << c.ecs3 << " " << c.maxEcs << " " << c.maxEcs3;
    EXPECT_EQ(ecs->GetMaxByteCount(), c.bytes) << c.ecs3 << " " << c.maxEcs << " " << c.maxEcs3;
  }
}

TEST_F(EcsTest, ASilentTargetCostsTheResendsAndTheirTimeOutsAndZeroOrNegativeSettingsCountAsNone) {
  for (bool ecs3 : {true, false}) {
    Load({{&S::TimeOutTime, 200}, {&S::TimeOutRetry, 1}, {&S::ErrorRetry, 2}}, ecs3);
    const uint64_t start = clock.NowMs();
    uint32_t words[2] = {7, 7};
    EXPECT_EQ(ecs->ReadMemory(0x1234, 2, 2, words), 0x90);
    EXPECT_EQ(link.written.size(), 2u);
    EXPECT_EQ(link.purges, 2);
    EXPECT_EQ(clock.NowMs() - start, 400u);
    EXPECT_EQ(ecs->GetLastMessage(), "Receive Time Out !\nSend Data\n" + Hex(link.written[0]));
    EXPECT_EQ(words[0], 7u);
    // A reply to the last resend completes the exchange.
    link.onWrite = [&](FakeLink& l, const Bytes&) {
      if (l.written.size() == 4) l.Deliver(Ok({0x00, 0x05, 0x00, 0x06}));
    };
    ASSERT_EQ(ecs->ReadMemory(0x10, 2, 2, words), 0);
    EXPECT_EQ(words[1], 6u);
  }
  for (int timeOut : {0, -5}) {
    Load({{&S::TimeOutTime, timeOut}});
    link.onWrite = [this](FakeLink& l, const Bytes&) { l.Deliver(Ok({0x12, 0x34}), 250); };
    uint32_t word = 0;
    EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0) << timeOut;
    EXPECT_EQ(ecs->GetTimeOut(), 300);
  }
  Load({{&S::TimeOutRetry, -1}, {&S::ErrorRetry, -4}, {&S::ErrorRetryWait, -20}});
  AnswerAlways(Err(0x41));
  const uint64_t start = clock.NowMs();
  uint32_t word = 0;
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x41);
  EXPECT_EQ(link.written.size(), 1u);
  EXPECT_EQ(clock.NowMs(), start);
  link.onWrite = nullptr;
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x90);
  EXPECT_EQ(link.written.size(), 2u);
  Load({{&S::ErrorRetry, 1}, {&S::ErrorRetryWait, -20}});
  AnswerAlways(Err(0x41));
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x41);
  ASSERT_EQ(link.written.size(), 2u);
  EXPECT_EQ(link.writeTimesMs[1], link.writeTimesMs[0]);
}

TEST_F(EcsTest, LinkFailuresAreReportedInTheLastMessage) {
  uint32_t word = 0;
  for (bool ecs3 : {true, false}) {
    Load({}, ecs3);
    link.failWrite = true;
    EXPECT_EQ(ecs->WriteMemory(0x10, 2, 1, &word), 0x91);
    EXPECT_EQ(ecs->GetLastMessage(), "Comport error !( Send error )");
    link.failWrite = false;
    link.failRead = true;
    EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x91);
    EXPECT_EQ(ecs->GetLastMessage(), ecs3 ? "Comport error !( Read error )" : "Comport error !( Send error )");
    link.failRead = false;
  }
}

// ---- Baud rates ----

class EcsBaudTest : public EcsTest {
 protected:
  // The target acknowledges the indexes in accepted.
  void Accept(std::vector<int> accepted) {
    link.onWrite = [this, accepted](FakeLink& l, const Bytes& f) {
      if (std::find(accepted.begin(), accepted.end(), f[9]) != accepted.end()) l.Deliver(Ok({}));
    };
  }
};

// Sending the configured rate at close: the main window's close tests.
TEST_F(EcsBaudTest, RaiseStepsThroughTheSupportedRatesAndARefusedOneKeepsTheRate) {
  Load({{&S::BaudRateSupport, 0x1840}, {&S::BaudRateSupportID, 0x0F00}});  // 6, 11, 12
  Accept({6, 12});
  EXPECT_EQ(ecs->RaiseBaudRate(), 0);
  EXPECT_EQ(link.opens, (std::vector<int>{6, 12}));
  EXPECT_EQ(ecs->GetBaudIndex(), 12);
}

TEST_F(EcsBaudTest, FindTakesTheHighestAnsweringIndexOrReturnsToTheRateInUse) {
  Load({{&S::BaudRateSupport, 0x0A40}, {&S::BaudRateSupportID, 0x0F00}});  // 6, 9, 11
  // The target answers only at 6 and 9.
  link.onWrite = [this](FakeLink& l, const Bytes&) {
    if (l.opens.back() == 6 || l.opens.back() == 9) l.Deliver(Ok({}));
  };
  const uint64_t start = clock.NowMs();
  EXPECT_EQ(ecs->FindBaudRate(), 0);
  EXPECT_EQ(link.opens, (std::vector<int>{6, 9, 11, 9}));
  EXPECT_EQ(ecs->GetBaudIndex(), 9);
  // 300 ms to settle after each of three switches, and the time-out at 11.
  EXPECT_EQ(clock.NowMs() - start, 1200u);

  Load({{&S::BaudRate, 12}, {&S::BaudRateSupport, 0x0240}, {&S::BaudRateSupportID, 0x0F00}});
  EXPECT_EQ(ecs->FindBaudRate(), -1);
  EXPECT_EQ(link.opens, (std::vector<int>{6, 9, 12}));
  EXPECT_EQ(ecs->GetBaudIndex(), 0);
}

TEST_F(EcsBaudTest, NoBaudRegisterAUsbLinkOrEcs2LeaveTheLinkAlone) {
  const struct {
    bool ecs3, serial;
    int baudId, send, index;
  } cases[] = {{true, true, 0, -1, 0}, {true, false, 0x0F00, 0, 0}, {false, true, 0x0F00, 0, 0}, {false, true, 0, 0, 9}};
  for (const auto& c : cases) {
    Load({{&S::BaudRate, 9}, {&S::BaudRateSupport, 0x0240}, {&S::BaudRateSupportID, c.baudId}}, c.ecs3);
    link.serial = c.serial;
    EXPECT_EQ(ecs->FindBaudRate(), 0);
    EXPECT_EQ(ecs->RaiseBaudRate(), 0);
    EXPECT_EQ(ecs->SendBaudRate(), c.send);
    EXPECT_EQ(ecs->GetBaudIndex(), c.index);
    EXPECT_TRUE(link.written.empty());
    EXPECT_TRUE(link.opens.empty());
    EXPECT_EQ(link.closes, 0);
  }
}

// ---- Raw frames ----

TEST_F(EcsTest, RawTextIsSentAsHexBytesOfAtMost300) {
  EXPECT_EQ(ecs->SendRawText(" \t f0 0 B\t\t2  ff\r\n"), 0);
  EXPECT_EQ(link.written.back(), (Bytes{0xF0, 0x00, 0x0B, 0x02, 0xFF}));
  EXPECT_THROW(ecs->SendRawText("F0 ZZ"), platform::EConvertError);
  std::string text;
  for (int i = 0; i < 301; ++i) text += "AA ";
  EXPECT_EQ(ecs->SendRawText(text), 0x91);
  EXPECT_EQ(link.written.size(), 1u);
  EXPECT_EQ(ecs->GetLastMessage(), "Send Data Too Long ! (300 bytes at most)");
  text.resize(300 * 3);
  EXPECT_EQ(ecs->SendRawText(text), 0);
  EXPECT_EQ(link.written.back().size(), 300u);
}

TEST_F(EcsTest, RawTextCollectsUntilTheLineIsQuiet) {
  link.Deliver({0x50, 0x00});
  link.Deliver({0x04}, 99);
  link.Deliver({0x54}, 198);
  link.Deliver({0x99}, 299);  // after 100 quiet ms: the next call's
  std::string text;
  EXPECT_EQ(ecs->ReadRawText(text), 0);
  EXPECT_EQ(text, " 50 00 04 54");
  EXPECT_EQ(ecs->ReadRawText(text), 0);
  EXPECT_EQ(text, " 99");
  EXPECT_EQ(ecs->ReadRawText(text), 0);
  EXPECT_EQ(text, "");
  // More than the buffer holds: the rest waits for the next call.
  link.Deliver(Bytes(350, 0x11));
  EXPECT_EQ(ecs->ReadRawText(text), 0);
  EXPECT_EQ(text.size(), 300u * 3);
  EXPECT_EQ(ecs->ReadRawText(text), 0);
  EXPECT_EQ(text.size(), 50u * 3);
}

}  // namespace
