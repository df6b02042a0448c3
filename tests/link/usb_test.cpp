#include <libusb.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "link/usbadapter.h"
#include "link/usbcomcontrol.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A scripted adapter: the device or a pipe fails to open; data arrives in transfers; writes complete,
// come up short, time out or fail; it can be unplugged. It counts misuse: a call on a device or pipe that
// is not open or has the wrong direction, a pipe closed after its device is gone, a close during a read.
class FakeUsbAdapter : public TUsbAdapter {
 public:
  int writeTakes = INT_MAX;  // bytes a write takes at most; -1: the pipe fails
  int openFails = 0, pipeFails = 0;  // libusb's error code for the open of the device, of a pipe

  void Arrive(Bytes transfer) { Locked([&] { transfers_.push_back(std::move(transfer)); }); }
  // Every read fails from now on and the check reports the pipes gone.
  void Unplug() { Locked([&] { unplugged_ = true; }); }
  // True once every transfer was handed out and the reader came back for more,
  // so the bytes handed out are queued.
  bool WaitUntilDelivered() {
    std::unique_lock<std::mutex> g(m_);
    return cv_.wait_for(g, std::chrono::seconds(10), [&] { return transfers_.empty() && readCalls_ > lastTakenBy_; });
  }
  // How many reads came in the next timeoutMs, waiting no longer once there were enough.
  uint64_t ReadCallsWithin(int timeoutMs, uint64_t enough) {
    std::unique_lock<std::mutex> g(m_);
    const uint64_t from = readCalls_;
    cv_.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return readCalls_ - from >= enough; });
    return readCalls_ - from;
  }

  int BulkUsb_Open_mask(int, int, int, uint16_t, uint16_t, int) override {
    return Locked([&] { return openDevice = openFails ? -1 : 7; });
  }
  int BulkUsb_OpenPipe_Overlapped(int device, int, uint8_t endpoint) override {
    std::lock_guard<std::mutex> g(m_);
    misuse += device != openDevice;
    if (pipeFails) return -1;
    openPipes_[100 + endpoint] = endpoint;  // odd endpoints are IN
    return 100 + endpoint;
  }
  int BulkUsb_Check(int device) override {
    return Locked([&] { return misuse += device != openDevice, unplugged_ ? kPipesGone : 0; });
  }
  void BulkUsb_Close(int device) override {
    std::lock_guard<std::mutex> g(m_);
    misuse += device != openDevice || activeReads > 0;
    openDevice = -1;
    openPipes_.clear();
  }
  bool PipeIsIn(int pipe) override { return Locked([&] { return IsIn(pipe); }); }
  int LastOpenError() override { return openFails ? openFails : pipeFails; }
  void ClosePipe(int pipe) override {
    Locked([&] { misuse += !openPipes_.erase(pipe) || activeReads > 0 || unplugged_; });
  }
  int ReadPipe(int pipe, uint8_t* buffer, uint32_t maximum, uint32_t timeoutMs) override {
    std::unique_lock<std::mutex> g(m_);
    const uint64_t call = ++readCalls_;
    cv_.notify_all();
    misuse += !openPipes_.count(pipe) || !IsIn(pipe);
    if (unplugged_) return -1;
    ++activeReads;
    // Idle reads wait a little only, so that Close does not wait long.
    cv_.wait_for(g, std::chrono::milliseconds(std::min<uint32_t>(timeoutMs, 5)),
                 [&] { return !transfers_.empty() || unplugged_; });
    --activeReads;
    if (unplugged_) return -1;
    if (transfers_.empty()) return 0;
    const Bytes t = std::move(transfers_.front());
    transfers_.pop_front();
    lastTakenBy_ = call;
    const size_t n = std::min<size_t>(t.size(), maximum);
    std::copy_n(t.begin(), n, buffer);
    return static_cast<int>(n);
  }
  int WritePipe(int pipe, const uint8_t* data, uint32_t length, uint32_t) override {
    std::lock_guard<std::mutex> g(m_);
    misuse += !openPipes_.count(pipe) || IsIn(pipe);
    if (unplugged_ || writeTakes < 0) return -1;
    const uint32_t n = std::min<uint32_t>(length, writeTakes);
    written.insert(written.end(), data, data + n);
    return static_cast<int>(n);
  }

  // Records, read on the test's thread or after Close.
  Bytes written;
  int misuse = 0, activeReads = 0, openDevice = -1;

 private:
  // Runs fn under the lock and wakes every waiter.
  template <typename F>
  auto Locked(F fn) -> decltype(fn()) {
    std::lock_guard<std::mutex> g(m_);
    cv_.notify_all();
    return fn();
  }
  bool IsIn(int pipe) const {
    auto it = openPipes_.find(pipe);
    return it != openPipes_.end() && it->second % 2 == 1;
  }

  std::mutex m_;
  std::condition_variable cv_;
  std::deque<Bytes> transfers_;
  bool unplugged_ = false;
  uint64_t readCalls_ = 0, lastTakenBy_ = 0;  // the read call that took the latest transfer
  std::map<int, uint8_t> openPipes_;
};

struct UsbTest : ::testing::Test {
  void TearDown() override {
    EXPECT_TRUE(usb.Close());
    EXPECT_EQ(adapter->openDevice, -1);
    EXPECT_EQ(adapter->activeReads, 0);  // no read outlives Close
    EXPECT_EQ(adapter->misuse, 0);
  }

  std::shared_ptr<FakeUsbAdapter> adapter = std::make_shared<FakeUsbAdapter>();
  TUsbComControl usb{adapter};
};

TEST_F(UsbTest, AReplyInThreeTransfersIsReadBackInOrderAndPurgeDropsWhatWasNotRead) {
  ASSERT_TRUE(usb.OpenUsb(0x1234, 0x5678, 1, 0));
  uint8_t buf[300];
  uint32_t received = 0;
  Bytes reply(300);
  for (size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<uint8_t>(i * 13);
  for (size_t at = 0; at < 300; at += 100) adapter->Arrive(Bytes(reply.begin() + at, reply.begin() + at + 100));
  ASSERT_TRUE(adapter->WaitUntilDelivered());
  EXPECT_TRUE(usb.WaitForData(0));
  EXPECT_TRUE(usb.Read(buf, 300, received));
  EXPECT_EQ(Bytes(buf, buf + received), reply);

  adapter->Arrive({1, 2, 3});
  ASSERT_TRUE(adapter->WaitUntilDelivered());
  usb.Purge();
  received = 0;
  EXPECT_TRUE(usb.Read(buf, 300, received));
  EXPECT_EQ(received, 0u);
  EXPECT_FALSE(usb.WaitForData(5));
  std::thread target([&] { adapter->Arrive({0x50}); });
  EXPECT_TRUE(usb.WaitForData(10000));  // woken by the arrival
  target.join();
}

TEST_F(UsbTest, AnUnpluggedAdapterPausesItsReadsAndOpenOnAnOpenObjectClosesItFirst) {
  ASSERT_TRUE(usb.OpenUsb(1, 2, 1, 0));
  ASSERT_TRUE(usb.OpenUsb(3, 4, 3, 2));
  adapter->Unplug();
  EXPECT_LT(adapter->ReadCallsWithin(250, 50), 50u);  // failing reads pause, they do not spin
  EXPECT_TRUE(usb.Close());
  EXPECT_FALSE(usb.IsOpen());
  uint8_t b = 0;
  EXPECT_FALSE(usb.Write(&b, 1));
  EXPECT_EQ(usb.LastError(), TUsbComControl::kErrWrite);
}

TEST_F(UsbTest, AnOpenThatFailsNamesTheIdsAndTheReasonForTheLog) {
  // Endpoints the wrong way round are refused before a read could send its buffer out as data.
  const struct { int openFails, pipeFails; uint8_t in, out; int error; const char* reason; } cases[] = {
      {LIBUSB_ERROR_NO_DEVICE, 0, 1, 0, TUsbComControl::kErrOpen, "No such device (it may have been disconnected)"},
      {LIBUSB_ERROR_ACCESS, 0, 1, 0, TUsbComControl::kErrOpen, "Access denied (insufficient permissions)"},
      {LIBUSB_ERROR_BUSY, 0, 1, 0, TUsbComControl::kErrOpen, "Resource busy"},
      {0, LIBUSB_ERROR_NOT_FOUND, 5, 0, TUsbComControl::kErrOpen, "INEndPoint 5: Entity not found"},
      {0, 0, 0, 1, TUsbComControl::kErrInEndPoint, "INEndPoint 0 is not an IN endpoint"},
      {0, 0, 1, 3, TUsbComControl::kErrOutEndPoint, "OutEndPoint 3 is not an OUT endpoint"}};
  for (const auto& c : cases) {
    adapter->openFails = c.openFails, adapter->pipeFails = c.pipeFails;
    EXPECT_FALSE(usb.OpenUsb(0x547, 0x1002, c.in, c.out));
    EXPECT_EQ(usb.LastError(), c.error);
    EXPECT_EQ(usb.OpenFailure(false), std::string("USB 0547:1002: ") + c.reason);
  }
  EXPECT_EQ(usb.OpenFailure(true), "USB 0547:1002: OutEndPoint 3 は OUT エンドポイントではありません");
  EXPECT_TRUE(adapter->written.empty());
  adapter->pipeFails = 0;
  EXPECT_TRUE(usb.OpenUsb(0x547, 0x1002, 1, 0) && usb.OpenFailure(false).empty());
  TUsbComControl real;  // libusb itself, where no adapter is plugged in
  EXPECT_FALSE(real.OpenUsb(0xFFFF, 0xFFFE, 1, 0));
  EXPECT_EQ(real.OpenFailure(false), "USB FFFF:FFFE: No such device (it may have been disconnected)");
}

TEST_F(UsbTest, AWriteIsTrueOnlyWhenEveryByteWentOut) {
  ASSERT_TRUE(usb.OpenUsb(1, 2, 1, 0));
  const Bytes frame{0xF1, 0x00, 0x08, 0x02, 0x00, 0x00, 0x10, 0x00};
  EXPECT_TRUE(usb.Write(frame.data(), uint32_t(frame.size())));
  EXPECT_EQ(adapter->written, frame);
  for (int takes : {4, 0, -1}) {  // short, timed out, failed
    adapter->writeTakes = takes;
    EXPECT_FALSE(usb.Write(frame.data(), uint32_t(frame.size())));
    EXPECT_EQ(usb.LastError(), TUsbComControl::kErrWrite);
  }
}

TEST(UsbEndpoints, ANumberIsTheIndexInInterfaceZerosList) {
  libusb_endpoint_descriptor ep1[1] = {}, ep0[2] = {};
  ep1[0].bEndpointAddress = 0x83;
  ep0[0].bEndpointAddress = 0x02;  // OUT first, as the usual two-pipe adapters have it
  ep0[1].bEndpointAddress = 0x81;
  libusb_interface_descriptor alt1{}, alt0{};
  alt1.bInterfaceNumber = 1;
  alt1.bNumEndpoints = 1;
  alt1.endpoint = ep1;
  alt0.bNumEndpoints = 2;
  alt0.endpoint = ep0;
  libusb_interface itfs[2] = {{&alt1, 1}, {&alt0, 1}};
  libusb_config_descriptor config{};
  config.bNumInterfaces = 2;
  config.interface = itfs;
  const Bytes endpoints = EndpointsOfInterface0(config);
  EXPECT_EQ(endpoints, (Bytes{0x02, 0x81}));
  EXPECT_EQ(EndpointAddressOfNumber(endpoints, 1), 0x81);  // default IN 1
  EXPECT_EQ(EndpointAddressOfNumber(endpoints, 0), 0x02);  // default OUT 0
  EXPECT_EQ(EndpointAddressOfNumber(endpoints, 2), -1);
}

}  // namespace
