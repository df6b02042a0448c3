#include <libusb.h>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "link/fake_usb_adapter.h"
#include "link/usbadapter.h"
#include "link/usbcomcontrol.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Calls = std::vector<std::string>;

struct UsbTest : ::testing::Test {
  std::shared_ptr<FakeUsbAdapter> adapter = std::make_shared<FakeUsbAdapter>();
  TUsbComControl usb{adapter};
};

}  // namespace

TEST_F(UsbTest, AReplyInThreeTransfersIsReadBackInOrder) {
  ASSERT_TRUE(usb.OpenUsb(0x1234, 0x5678, 1, 0));
  EXPECT_FALSE(usb.IsSerial());
  uint8_t buf[300];
  uint32_t received = 0;
  EXPECT_TRUE(usb.Read(buf, sizeof buf, received));
  EXPECT_EQ(received, 0u);  // nothing queued: left as preset

  Bytes reply(300);
  for (size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<uint8_t>(i * 13);
  adapter->Arrive(Bytes(reply.begin(), reply.begin() + 100));
  adapter->Arrive(Bytes(reply.begin() + 100, reply.begin() + 200));
  adapter->Arrive(Bytes(reply.begin() + 200, reply.end()));
  ASSERT_TRUE(adapter->WaitUntilDelivered());
  EXPECT_TRUE(usb.WaitForData(0));
  EXPECT_TRUE(usb.Read(buf, 300, received));
  EXPECT_EQ(received, 300u);
  EXPECT_EQ(Bytes(buf, buf + 300), reply);

  // Purge drops what was not read.
  adapter->Arrive({1, 2, 3});
  ASSERT_TRUE(adapter->WaitUntilDelivered());
  usb.Purge();
  received = 0;
  EXPECT_TRUE(usb.Read(buf, 300, received));
  EXPECT_EQ(received, 0u);

  EXPECT_TRUE(usb.Close());
  EXPECT_EQ(adapter->Calls(), (Calls{"open 12 4660 22136", "pipe 1", "pipe 0", "check", "closepipe 101",
                                     "closepipe 100", "close"}));
  EXPECT_EQ(adapter->Misuse(), 0);
}

TEST_F(UsbTest, WaitForDataWakesOnArrival) {
  EXPECT_FALSE(usb.WaitForData(10000));  // closed: at once
  ASSERT_TRUE(usb.OpenUsb(1, 2, 1, 0));
  EXPECT_FALSE(usb.WaitForData(5));
  std::thread target([&] { adapter->Arrive({0x50}); });
  EXPECT_TRUE(usb.WaitForData(10000));
  target.join();
}

TEST_F(UsbTest, CloseOnAnUnpluggedAdapterLeavesThePipesAlone) {
  ASSERT_TRUE(usb.OpenUsb(1, 2, 1, 0));
  adapter->Unplug();
  EXPECT_TRUE(usb.Close());
  EXPECT_FALSE(usb.IsOpen());
  EXPECT_EQ(adapter->Calls(), (Calls{"open 12 1 2", "pipe 1", "pipe 0", "check", "close"}));
  EXPECT_EQ(adapter->ActiveReads(), 0);  // no read outlives Close
  EXPECT_EQ(adapter->Misuse(), 0);
  uint8_t b = 0;
  EXPECT_FALSE(usb.Write(&b, 1));
  EXPECT_EQ(usb.LastError(), TUsbComControl::kErrWrite);
}

TEST_F(UsbTest, OpenUsbOnAnOpenObjectClosesItFirst) {
  ASSERT_TRUE(usb.OpenUsb(1, 2, 1, 0));
  ASSERT_TRUE(usb.OpenUsb(3, 4, 3, 2));
  EXPECT_EQ(adapter->Calls(), (Calls{"open 12 1 2", "pipe 1", "pipe 0", "check", "closepipe 101", "closepipe 100",
                                     "close", "open 12 3 4", "pipe 3", "pipe 2"}));
  adapter->Arrive({9});
  ASSERT_TRUE(adapter->WaitUntilDelivered());
  uint8_t b = 0;
  uint32_t received = 0;
  EXPECT_TRUE(usb.Read(&b, 1, received));
  EXPECT_EQ(b, 9);
  EXPECT_EQ(adapter->Misuse(), 0);
}

TEST_F(UsbTest, OpenFailures) {
  adapter->deviceHandle = -1;
  EXPECT_FALSE(usb.OpenUsb(1, 2, 1, 0));
  EXPECT_EQ(usb.LastError(), TUsbComControl::kErrOpen);
  EXPECT_FALSE(usb.IsOpen());

  // A pipe that does not open: the device stays open until Close, which
  // closes only what did open.
  adapter->deviceHandle = 7;
  adapter->pipeHandles[0] = -1;
  EXPECT_FALSE(usb.OpenUsb(1, 2, 1, 0));
  EXPECT_EQ(usb.LastError(), TUsbComControl::kErrOpen);
  EXPECT_TRUE(usb.Close());
  EXPECT_EQ(adapter->Calls(),
            (Calls{"open 12 1 2", "open 12 1 2", "pipe 1", "pipe 0", "check", "closepipe 101", "close"}));
  EXPECT_EQ(adapter->Misuse(), 0);

  // Endpoints the wrong way round: refused before any transfer, which would
  // send the read buffer out and take it back as received.
  adapter->pipeHandles.clear();
  EXPECT_FALSE(usb.OpenUsb(1, 2, 0, 1));
  EXPECT_EQ(usb.LastError(), TUsbComControl::kErrInEndPoint);
  EXPECT_FALSE(usb.OpenUsb(1, 2, 1, 3));
  EXPECT_EQ(usb.LastError(), TUsbComControl::kErrOutEndPoint);
  EXPECT_TRUE(usb.Close());
  EXPECT_TRUE(adapter->Written().empty());
  EXPECT_EQ(adapter->Misuse(), 0);
}

TEST_F(UsbTest, AWriteIsTrueOnlyWhenEveryByteWentOut) {
  ASSERT_TRUE(usb.OpenUsb(1, 2, 1, 0));
  const Bytes frame{0xF1, 0x00, 0x08, 0x02, 0x00, 0x00, 0x10, 0x00};
  EXPECT_TRUE(usb.Write(frame.data(), uint32_t(frame.size())));
  EXPECT_EQ(adapter->Written(), frame);
  EXPECT_EQ(adapter->LastWriteTimeout(), 1000u);
  for (auto mode : {FakeUsbAdapter::WriteMode::Short, FakeUsbAdapter::WriteMode::TimedOut,
                    FakeUsbAdapter::WriteMode::Failed}) {
    adapter->writeMode = mode;
    EXPECT_FALSE(usb.Write(frame.data(), uint32_t(frame.size())));
    EXPECT_EQ(usb.LastError(), TUsbComControl::kErrWrite);
  }
}

TEST(UsbEndpoints, ANumberIsTheIndexInInterfaceZerosList) {
  libusb_endpoint_descriptor ep1[2] = {};
  ep1[0].bEndpointAddress = 0x83;
  libusb_endpoint_descriptor ep0[2] = {};
  ep0[0].bEndpointAddress = 0x02;  // OUT first, as the usual two-pipe adapters have it
  ep0[1].bEndpointAddress = 0x81;
  libusb_interface_descriptor alt1{};
  alt1.bInterfaceNumber = 1;
  alt1.bNumEndpoints = 1;
  alt1.endpoint = ep1;
  libusb_interface_descriptor alt0[2] = {};
  alt0[0].bInterfaceNumber = 0;
  alt0[0].bNumEndpoints = 2;
  alt0[0].endpoint = ep0;
  alt0[1].bInterfaceNumber = 0;  // a second alternate setting does not count
  alt0[1].bAlternateSetting = 1;
  libusb_interface itfs[2] = {{&alt1, 1}, {alt0, 2}};
  libusb_config_descriptor config{};
  config.bNumInterfaces = 2;
  config.interface = itfs;

  const std::vector<uint8_t> endpoints = EndpointsOfInterface0(config);
  EXPECT_EQ(endpoints, (std::vector<uint8_t>{0x02, 0x81}));
  EXPECT_EQ(EndpointAddressOfNumber(endpoints, 1), 0x81);  // default IN 1
  EXPECT_EQ(EndpointAddressOfNumber(endpoints, 0), 0x02);  // default OUT 0
  EXPECT_EQ(EndpointAddressOfNumber(endpoints, 2), -1);
  EXPECT_EQ(EndpointAddressOfNumber(endpoints, -1), -1);

  config.bNumInterfaces = 1;  // only interface 1
  EXPECT_TRUE(EndpointsOfInterface0(config).empty());
}

TEST(UsbLibusb, NoAdapterMeansOpenFailsWithError4) {
  TUsbComControl usb;
  EXPECT_FALSE(usb.OpenUsb(0xFFFE, 0xFFFE, 1, 0));
  EXPECT_EQ(usb.LastError(), TUsbComControl::kErrOpen);
  EXPECT_TRUE(usb.Close());
}
