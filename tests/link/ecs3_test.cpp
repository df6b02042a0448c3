#include "link/ecs3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "fake_link.h"

using fake_link::Bytes;
using fake_link::FakeLink;
using fake_link::Frame;
using fake_link::LinkSettings;

namespace {

using fake_link::Hex;

Bytes Ok(const Bytes& data) { return Frame(0x50, data, true); }
Bytes Err(uint8_t number) { return Frame(0x60, {number}, true); }

using Ecs3Test = fake_link::EcsTest<TEcs3>;

const Bytes kRead3At1000 = {0xF0, 0x00, 0x0B, 0x02, 0x00, 0x00, 0x10, 0x00, 0x00, 0x03, 0x10};

TEST_F(Ecs3Test, MemoryFramesAndUnpacking) {
  AnswerAlways(Ok({0x12, 0x34, 0xAB, 0xCD, 0x00, 0x01}));
  uint32_t words[3] = {};
  ASSERT_EQ(ecs->ReadMemory(0x1000, 2, 3, words), 0);
  EXPECT_EQ(link.written.back(), kRead3At1000);
  EXPECT_EQ(words[0], 0x1234u);
  EXPECT_EQ(words[1], 0xABCDu);
  EXPECT_EQ(words[2], 0x0001u);
  EXPECT_EQ(ecs->GetLastMessage(), "");

  AnswerAlways(Ok({0x80, 0x7F}));
  uint32_t bytes[2] = {};
  ASSERT_EQ(ecs->ReadMemory(0x12345678, 1, 2, bytes), 0);
  EXPECT_EQ(Hex(link.written.back()), " F0 00 0B 01 12 34 56 78 00 02 12");
  EXPECT_EQ(bytes[0], 0x80u);
  EXPECT_EQ(bytes[1], 0x7Fu);

  AnswerAlways(Ok({}));
  const uint32_t word = 0x1234;
  ASSERT_EQ(ecs->WriteMemory(0x1000, 2, 1, &word), 0);
  EXPECT_EQ(Hex(link.written.back()), " F1 00 0B 02 00 00 10 00 12 34 54");
  const uint32_t low[2] = {0x1FF, 0x02};  // only the low byte travels with width 1
  ASSERT_EQ(ecs->WriteMemory(0x20, 1, 2, low), 0);
  EXPECT_EQ(Hex(link.written.back()), " F1 00 0B 01 00 00 00 20 FF 02 1E");
}

TEST_F(Ecs3Test, DeviceFrames) {
  AnswerAlways(Ok({0x11, 0x22, 0x33}));
  uint32_t bytes[3] = {};
  ASSERT_EQ(ecs->ReadDevice(0x100, 1, 3, bytes), 0);
  EXPECT_EQ(Hex(link.written.back()), " F2 00 0F 01 00 00 00 00 00 00 01 00 00 03 06");
  EXPECT_EQ(bytes[2], 0x33u);

  AnswerAlways(Ok({}));
  const uint32_t data[3] = {0xAA, 0xBB, 0xCC};
  ASSERT_EQ(ecs->WriteDevice(0x100, 1, 3, data), 0);
  // No count field: the length (count + 13) says it all.
  EXPECT_EQ(Hex(link.written.back()), " F3 00 10 01 00 00 00 00 00 00 01 00 AA BB CC 36");
}

TEST_F(Ecs3Test, SlowReplyCompletesWhileNoGapExceedsTheTimeOut) {
  const Bytes reply = Ok({0x12, 0x34});
  link.onWrite = [&](FakeLink& l, const Bytes&) {
    // Every gap 299 ms against a 300 ms time-out: 1.2 s in all.
    for (size_t i = 0; i < reply.size(); ++i) l.Deliver({reply[i]}, 299 * (i + 1));
  };
  uint32_t word = 0;
  ASSERT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0);
  EXPECT_EQ(word, 0x1234u);
  EXPECT_EQ(link.written.size(), 1u);

  // One gap of 301 ms is a time-out, even though the rest came quickly.
  link.written.clear();
  link.onWrite = [&](FakeLink& l, const Bytes&) {
    l.Deliver({reply[0], reply[1]}, 0);
    l.Deliver(Bytes(reply.begin() + 2, reply.end()), 301);
  };
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x90);
}

TEST_F(Ecs3Test, AReplyThatCameWhileTheReaderWasHeldUpIsNotATimeOut) {
  // The read finds nothing; the reply arrives and the time-out passes before
  // the reader looks at the clock.
  bool heldUp = false;
  link.afterRead = [&](FakeLink& l) {
    if (heldUp) return;
    heldUp = true;
    l.Deliver(Ok({0x12, 0x34}));
    clock.AdvanceMs(400);
  };
  uint32_t word = 0;
  ASSERT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0);
  EXPECT_EQ(word, 0x1234u);
  EXPECT_EQ(link.written.size(), 1u);
}

TEST_F(Ecs3Test, SilentTargetCostsOneSendAndOneTimeOut) {
  const uint64_t start = clock.NowMs();
  uint32_t words[3] = {7, 7, 7};
  EXPECT_EQ(ecs->ReadMemory(0x1000, 2, 3, words), 0x90);
  EXPECT_EQ(link.written.size(), 1u);
  EXPECT_EQ(clock.NowMs() - start, 300u);
  EXPECT_EQ(ecs->GetLastMessage(), "Receive Time Out !\nSend Data\n" + Hex(kRead3At1000));
  EXPECT_EQ(words[0], 7u);
  // The wait sleeps on the layer instead of polling it.
  EXPECT_LE(link.reads, 3);
}

TEST_F(Ecs3Test, TimeOutsAreResentButNotRetried) {
  Load({300, 2, 3, 10});
  uint32_t word = 0;
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x90);
  EXPECT_EQ(link.written.size(), 3u);
  EXPECT_EQ(link.purges, 3);

  // A reply to the last resend completes the exchange.
  link.written.clear();
  link.onWrite = [](FakeLink& l, const Bytes&) {
    if (l.written.size() == 3) l.Reply(Ok({0x00, 0x05}));
  };
  ASSERT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0);
  EXPECT_EQ(word, 5u);
}

TEST_F(Ecs3Test, ErrorRepliesGiveTheTargetsNumber) {
  AnswerAlways(Err(0));
  uint32_t word = 0;
  EXPECT_EQ(ecs->ReadMemory(0x1000, 2, 3, &word), 1);
  EXPECT_EQ(ecs->GetLastMessage(), "Error\nSend Data\n" + Hex(kRead3At1000) + "\nRecieve Data\n 60 00 05 00 65");

  AnswerAlways(Err(0x21));
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x21);
  EXPECT_EQ(ecs->GetLastMessage().substr(0, 14), "No ID Error !\n");
  AnswerAlways(Err(0x62));
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x62);
  EXPECT_EQ(ecs->GetLastMessage().substr(0, 28), "Framing Error (UART Error)!\n");
  AnswerAlways(Err(0x77));
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x77);
  EXPECT_EQ(ecs->GetLastMessage().substr(0, 13), "Other Error!\n");

  Bytes bad = Ok({0x00, 0x01});
  bad[0] = 0x41;
  AnswerAlways(bad);
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x92);
  EXPECT_EQ(ecs->GetLastMessage().substr(0, 35), "Communication error Target->Vund !\n");
}

TEST_F(Ecs3Test, ChecksumFaultsAreRetriedWithFreshSendsAndReportBothFrames) {
  Load({300, 1, 2, 50});
  Bytes bad = Ok({0x12, 0x34});
  bad.back() ^= 0xFF;
  AnswerAlways(bad);
  uint32_t word = 0xEEEE;
  EXPECT_EQ(ecs->ReadMemory(0x1000, 2, 1, &word), 0x99);
  ASSERT_EQ(link.written.size(), 3u);  // Error_Retry 2: three attempts, one send each
  EXPECT_EQ(link.writeTimesMs[1] - link.writeTimesMs[0], 50u);
  EXPECT_EQ(link.writeTimesMs[2] - link.writeTimesMs[1], 50u);
  EXPECT_EQ(ecs->GetLastMessage(), "Check Sum Error  Target->Vund !\nSend Data\n" + Hex(link.written[0]) +
                                       "\nRecieve Data\n" + Hex(bad));
  EXPECT_EQ(word, 0xEEEEu);

  // A good reply on the second attempt clears the message.
  link.written.clear();
  link.onWrite = [&](FakeLink& l, const Bytes&) { l.Reply(l.written.size() == 1 ? bad : Ok({0x12, 0x34})); };
  ASSERT_EQ(ecs->ReadMemory(0x1000, 2, 1, &word), 0);
  EXPECT_EQ(word, 0x1234u);
  EXPECT_EQ(ecs->GetLastMessage(), "");
}

TEST_F(Ecs3Test, ReplyOfTheWrongSizeNeverWritesPastWhatWasAsked) {
  uint32_t guard[3] = {0xA, 0xB, 0xC};
  // Two words where one was asked: nothing is unpacked at all.
  AnswerAlways(Ok({0x12, 0x34, 0x56, 0x78}));
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, guard), 0x94);
  EXPECT_EQ(guard[0], 0xAu);
  EXPECT_EQ(guard[1], 0xBu);
  EXPECT_EQ(ecs->GetLastMessage(), "Receive Data Size Error !\nSend Data\n" + Hex(link.written.back()) +
                                       "\nRecieve Data\n" + Hex(Ok({0x12, 0x34, 0x56, 0x78})));
  // Too short, and an odd byte count for words.
  AnswerAlways(Ok({0x01, 0x02}));
  EXPECT_EQ(ecs->ReadDevice(0, 1, 3, guard), 0x94);
  AnswerAlways(Ok({0x01, 0x02, 0x03}));
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, guard), 0x94);
  EXPECT_EQ(guard[0], 0xAu);

  // Like any bad reply it is retried.
  Load({300, 0, 1, 0});
  link.written.clear();
  link.onWrite = [](FakeLink& l, const Bytes&) { l.Reply(l.written.size() == 1 ? Ok({1, 2, 3, 4}) : Ok({1, 2})); };
  ASSERT_EQ(ecs->ReadMemory(0x10, 2, 1, guard), 0);
  EXPECT_EQ(guard[0], 0x0102u);
  EXPECT_EQ(guard[1], 0xBu);
}

TEST_F(Ecs3Test, OverlongReplyStopsAtOnceWithAReport) {
  Load({300, 2, 2, 0});
  AnswerAlways(Bytes(266, 0x50));
  uint32_t word = 9;
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x93);
  EXPECT_EQ(link.written.size(), 1u);
  EXPECT_EQ(word, 9u);
  const std::string msg = ecs->GetLastMessage();
  EXPECT_EQ(msg.substr(0, 24), "Receive Data Too Long !\n");
  // The received part is shown, at most 260 bytes of it.
  EXPECT_EQ(msg.size(), msg.find("\nRecieve Data\n") + 14 + 260 * 3);
}

TEST_F(Ecs3Test, LinkFailuresAreReportedInTheLastMessage) {
  TEcs3 unbound(TLinkSettings(), clock);
  uint32_t word = 0;
  EXPECT_EQ(unbound.ReadMemory(0x10, 2, 1, &word), 0x91);
  EXPECT_EQ(unbound.GetLastMessage(), "Comport error !");

  link.failWrite = true;
  EXPECT_EQ(ecs->WriteMemory(0x10, 2, 1, &word), 0x91);
  EXPECT_EQ(ecs->GetLastMessage(), "Comport error !( Send error )");
  link.failWrite = false;
  link.failRead = true;
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x91);
  EXPECT_EQ(ecs->GetLastMessage(), "Comport error !( Read error )");
}

TEST_F(Ecs3Test, CountsBeyondAFrameAreRefusedUnsent) {
  std::vector<uint32_t> values(300, 0);
  EXPECT_EQ(ecs->ReadMemory(0, 2, 131, values.data()), 0x91);
  EXPECT_EQ(ecs->WriteDevice(0, 1, 262, values.data()), 0x91);
  EXPECT_EQ(ecs->ReadDevice(0, 1, -1, values.data()), 0x91);
  EXPECT_TRUE(link.written.empty());
  EXPECT_FALSE(ecs->GetLastMessage().empty());

  // The largest frames go: 130 words, 261 bytes.
  AnswerAlways(Ok(Bytes(260, 0x5A)));
  EXPECT_EQ(ecs->ReadMemory(0, 2, 130, values.data()), 0);
  EXPECT_EQ(values[129], 0x5A5Au);
  AnswerAlways(Ok({}));
  EXPECT_EQ(ecs->WriteDevice(0, 1, 261, values.data()), 0);
  EXPECT_EQ(link.written.back().size(), 274u);
}

TEST_F(Ecs3Test, FrameLengthsFromVundDatAreClamped) {
  EXPECT_EQ(ecs->GetMaxWordCount(), 128);
  EXPECT_EQ(ecs->GetMaxByteCount(), 256);
  Load({.maxEcs3 = 0});  // a missing vund.dat
  EXPECT_EQ(ecs->GetMaxWordCount(), 128);
  EXPECT_EQ(ecs->GetMaxByteCount(), 256);
  Load({.maxEcs3 = -5});
  EXPECT_EQ(ecs->GetMaxByteCount(), 256);
  Load({.maxEcs3 = 4000});
  EXPECT_EQ(ecs->GetMaxWordCount(), 130);
  EXPECT_EQ(ecs->GetMaxByteCount(), 261);
  Load({.maxEcs3 = 101});
  EXPECT_EQ(ecs->GetMaxWordCount(), 50);
  EXPECT_EQ(ecs->GetMaxByteCount(), 101);
}

TEST_F(Ecs3Test, NoTimeOutIsTheDefaultAndNegativeRetriesAndWaitsCountAsNone) {
  for (int timeOut : {0, -5}) {
    Load({timeOut});
    link.onWrite = [](FakeLink& l, const Bytes&) { l.Deliver(Ok({0x12, 0x34}), 250); };
    uint32_t word = 0;
    EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0) << timeOut;
    EXPECT_EQ(ecs->GetTimeOut(), 300);
  }
  link.written.clear();

  Load({300, -1, -4, -20});
  AnswerAlways(Err(0x41));
  const uint64_t start = clock.NowMs();
  uint32_t word = 0;
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x41);
  EXPECT_EQ(link.written.size(), 1u);
  EXPECT_EQ(clock.NowMs(), start);
  link.onWrite = nullptr;
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x90);
  EXPECT_EQ(link.written.size(), 2u);
}

TEST_F(Ecs3Test, TransactSendsOnlyWhatTheLengthFieldSays) {
  AnswerAlways(Ok({}));
  TEcsBuffer reply{};
  Bytes request = kRead3At1000;
  request.push_back(0xEE);  // beyond the frame: not sent
  EXPECT_EQ(ecs->Transact(request, reply), 0);
  EXPECT_EQ(link.written.back(), kRead3At1000);
  EXPECT_EQ(reply[0], 0x50);
  // A length field claiming more than the request holds is refused.
  EXPECT_EQ(ecs->Transact({0xF0, 0x00, 0x20, 0x00}, reply), 0x91);
  EXPECT_EQ(link.written.size(), 1u);

  TEcsBuffer tiny{};
  tiny[0] = 0x50;
  tiny[2] = 1;  // a length no reply can have
  EXPECT_EQ(ecs->CheckResponse(tiny), 0x92);
}

// ---- Baud rates ----

class Ecs3BaudTest : public Ecs3Test {
 protected:
  // The target acknowledges the indexes in accepted.
  void Accept(std::vector<int> accepted) {
    link.onWrite = [accepted](FakeLink& l, const Bytes& f) {
      if (std::find(accepted.begin(), accepted.end(), f[9]) != accepted.end()) l.Reply(Ok({}));
    };
  }
  std::vector<int> Told() {
    std::vector<int> told;
    for (const Bytes& f : link.written) told.push_back(f[9]);
    return told;
  }
};

TEST_F(Ecs3BaudTest, RaiseStepsThroughTheSupportedRates) {
  Load({.baudSupport = 0x0240, .baudId = 0x0F00, .comPort = 2});
  Accept({6, 9});
  EXPECT_EQ(ecs->RaiseBaudRate(), 0);
  EXPECT_EQ(Told(), (std::vector<int>{6, 9}));
  EXPECT_EQ(Hex(link.written[0]), " F1 00 0B 02 00 00 0F 00 00 06 13");
  EXPECT_EQ(link.opens, (std::vector<int>{6, 9}));
  EXPECT_EQ(link.openPorts, (std::vector<int>{2, 2}));
  EXPECT_EQ(link.closes, 2);
  EXPECT_EQ(ecs->GetBaudIndex(), 9);

  // A refused index keeps the current rate; the walk goes on.
  Load({.baudSupport = 0x1840, .baudId = 0x0F00});  // 6, 11, 12
  link.opens.clear();
  Accept({6, 12});
  EXPECT_EQ(ecs->RaiseBaudRate(), 0);
  EXPECT_EQ(link.opens, (std::vector<int>{6, 12}));
  EXPECT_EQ(ecs->GetBaudIndex(), 12);
}

TEST_F(Ecs3BaudTest, OnlyTheFirstThirteenIndexesAreTried) {
  Load({.baudSupport = 0x7FFF, .baudId = 0x0F00});
  Accept({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14});
  EXPECT_EQ(ecs->RaiseBaudRate(), 0);
  EXPECT_EQ(link.written.size(), 13u);
  EXPECT_EQ(ecs->GetBaudIndex(), 12);
}

TEST_F(Ecs3BaudTest, FindTakesTheHighestAnsweringIndex) {
  Load({.baudSupport = 0x0A40, .baudId = 0x0F00});  // 6, 9, 11
  // The target answers only at 6 and 9.
  link.onWrite = [](FakeLink& l, const Bytes&) {
    if (l.opens.back() == 6 || l.opens.back() == 9) l.Reply(Ok({}));
  };
  const uint64_t start = clock.NowMs();
  EXPECT_EQ(ecs->FindBaudRate(), 0);
  EXPECT_EQ(link.opens, (std::vector<int>{6, 9, 11, 9}));
  EXPECT_EQ(ecs->GetBaudIndex(), 9);
  // 300 ms to settle after each of three switches, and the time-out at 11.
  EXPECT_EQ(clock.NowMs() - start, 1200u);
}

TEST_F(Ecs3BaudTest, FindWithoutAnswerReturnsToTheRateInUse) {
  Load({.baudSupport = 0x0240, .baudId = 0x0F00, .baudRate = 12});
  EXPECT_EQ(ecs->FindBaudRate(), -1);
  EXPECT_EQ(link.opens, (std::vector<int>{6, 9, 12}));
  EXPECT_EQ(ecs->GetBaudIndex(), 0);

  // After a switch the rate in use is the one switched to.
  Accept({6});
  EXPECT_EQ(ecs->RaiseBaudRate(), 0);
  link.opens.clear();
  link.onWrite = nullptr;
  EXPECT_EQ(ecs->FindBaudRate(), -1);
  EXPECT_EQ(link.opens, (std::vector<int>{6, 9, 6}));
}

TEST_F(Ecs3BaudTest, NoBaudRegisterOrUsbLinkLeavesTheLinkAlone) {
  Load({.baudSupport = 0x0240, .baudId = 0});
  EXPECT_EQ(ecs->FindBaudRate(), 0);
  EXPECT_EQ(ecs->RaiseBaudRate(), 0);
  EXPECT_EQ(ecs->SendBaudRate(), -1);
  Load({.baudSupport = 0x0240, .baudId = 0x0F00});
  link.serial = false;
  EXPECT_EQ(ecs->FindBaudRate(), 0);
  EXPECT_EQ(ecs->RaiseBaudRate(), 0);
  EXPECT_EQ(ecs->SendBaudRate(), 0);
  EXPECT_TRUE(link.written.empty());
  EXPECT_TRUE(link.opens.empty());
  EXPECT_EQ(link.closes, 0);
}

TEST_F(Ecs3BaudTest, SendTellsTheConfiguredIndexWithoutReopening) {
  Load({.baudSupport = 0x0240, .baudId = 0x0F00, .baudRate = 11});
  Accept({11});
  EXPECT_EQ(ecs->SendBaudRate(), 0);
  EXPECT_EQ(Told(), (std::vector<int>{11}));
  EXPECT_TRUE(link.opens.empty());
  link.onWrite = nullptr;
  EXPECT_EQ(ecs->SendBaudRate(), 0x90);
}

TEST_F(Ecs3BaudTest, FailedReopenEndsWithMinusOne) {
  Load({.baudSupport = 0x0240, .baudId = 0x0F00});
  Accept({6, 9});
  link.failOpen = true;
  EXPECT_EQ(ecs->RaiseBaudRate(), -1);
  EXPECT_EQ(ecs->GetLastMessage(), "Comport error !( Send error )");
  EXPECT_EQ(ecs->FindBaudRate(), -1);
  EXPECT_EQ(ecs->GetBaudIndex(), 0);
}

// ---- Raw frames ----

TEST_F(Ecs3Test, RawTextIsSentAsHexBytes) {
  EXPECT_EQ(ecs->SendRawText(" \t f0 0 B\t\t2  ff\r\n"), 0);
  EXPECT_EQ(link.written.back(), (Bytes{0xF0, 0x00, 0x0B, 0x02, 0xFF}));
  EXPECT_GE(link.purges, 1);
  EXPECT_THROW(ecs->SendRawText("F0 ZZ"), platform::EConvertError);
  EXPECT_EQ(link.written.size(), 1u);

  std::string text;
  for (int i = 0; i < 301; ++i) text += "AA ";
  EXPECT_EQ(ecs->SendRawText(text), 0x91);
  EXPECT_EQ(link.written.size(), 1u);
  EXPECT_EQ(ecs->GetLastMessage(), "Send Data Too Long ! (300 bytes at most)");
  text.resize(300 * 3);
  EXPECT_EQ(ecs->SendRawText(text), 0);
  EXPECT_EQ(link.written.back().size(), 300u);
}

TEST_F(Ecs3Test, RawTextCollectsUntilTheLineIsQuiet) {
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
  EXPECT_EQ(link.Queued(), 50u);

  link.failRead = true;
  EXPECT_EQ(ecs->ReadRawText(text), 0x91);
  EXPECT_EQ(ecs->GetLastMessage(), "Comport error !( Send error )");
}

}  // namespace

// ---- Against the simulated target on virtual time ----

#include "simlink.h"
#include "simtarget.h"

namespace {

class Ecs3SimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    target.SetBaudRegister(0x0F00);
    ecs = std::make_unique<TEcs3>(fake_link::ToLinkSettings({300, 0, 0, 0, 0x0240, 0x0F00}), clock);
    ecs->SetBus(&link);
  }

  platform::VirtualClock clock;
  SimTarget target{SimProtocol::Ecs3};
  SimLink link{target, clock};
  std::unique_ptr<TEcs3> ecs;
};

TEST_F(Ecs3SimTest, RaiseEndsAtTheLastAcknowledgedRate) {
  EXPECT_EQ(ecs->RaiseBaudRate(), 0);
  EXPECT_EQ(ecs->GetBaudIndex(), 9);
  EXPECT_EQ(link.HostBaudIndex(), 9);
  EXPECT_EQ(target.BaudIndex(), 9);
  uint32_t word = 0;
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0) << ecs->GetLastMessage();
}

TEST_F(Ecs3SimTest, FindFollowsTheTargetOrGoesBack) {
  target.SetBaudIndex(9);
  EXPECT_EQ(ecs->FindBaudRate(), 0);
  EXPECT_EQ(ecs->GetBaudIndex(), 9);
  EXPECT_EQ(link.HostBaudIndex(), 9);

  // A target at a rate the host may not use: back to where the search began.
  target.SetBaudIndex(11);
  EXPECT_EQ(ecs->FindBaudRate(), -1);
  EXPECT_EQ(link.HostBaudIndex(), 9);
  EXPECT_EQ(ecs->GetBaudIndex(), 9);
}

TEST_F(Ecs3SimTest, FullBlocksAndReplyFaults) {
  target.AddNvmDevice(2, 0, 0xFFFF, 0x00);
  std::vector<uint32_t> block(ecs->GetMaxByteCount(), 0);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint32_t>(i * 7);
  ASSERT_EQ(ecs->WriteDevice(0x100, 2, static_cast<int>(block.size()), block.data()), 0) << ecs->GetLastMessage();
  std::vector<uint32_t> back(block.size() + 1, 0xEE);
  ASSERT_EQ(ecs->ReadDevice(0x100, 2, static_cast<int>(block.size()), back.data()), 0);
  for (size_t i = 0; i < block.size(); ++i) EXPECT_EQ(back[i], block[i] & 0xFF);
  EXPECT_EQ(back.back(), 0xEEu);

  // A reply with a byte too many for a short last chunk leaves the rest alone.
  uint32_t two[3] = {1, 2, 3};
  target.AddFault(SimFault::TooLong(1));
  EXPECT_EQ(ecs->ReadDevice(0x100, 2, 2, two), 0x94);
  EXPECT_EQ(two[0], 1u);
  EXPECT_EQ(two[2], 3u);
  target.AddFault(SimFault::TooShort(1));
  EXPECT_EQ(ecs->ReadDevice(0x100, 2, 2, two), 0x94);
  target.AddFault(SimFault::Late(250));
  EXPECT_EQ(ecs->ReadDevice(0x100, 2, 2, two), 0) << ecs->GetLastMessage();
  target.AddFault(SimFault::Late(350));
  EXPECT_EQ(ecs->ReadDevice(0x100, 2, 2, two), 0x90);
}

}  // namespace
