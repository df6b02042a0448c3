// The protocols over a real serial port: TComPort on a pseudo-terminal served
// by the simulated target, with short time-outs.
#include <gtest/gtest.h>

#include <memory>

#include "fake_link.h"
#include "link/comport.h"
#include "link/ecs2.h"
#include "link/ecs3.h"
#include "simptyserver.h"
#include "simtarget.h"

using fake_link::LinkSettings;

namespace {

class EcsPtyTest : public ::testing::Test {
 protected:
  void Start(SimProtocol protocol, const LinkSettings& settings) {
    target = std::make_unique<SimTarget>(protocol);
    server = std::make_unique<SimPtyServer>(*target);
    std::string error;
    ASSERT_TRUE(server->Start(&error)) << error;
    port.SetDevicePath(server->SlavePath());
    ASSERT_TRUE(port.Open(0, 6, 0, 0, 0, 0));
    if (protocol == SimProtocol::Ecs3)
      ecs = std::make_unique<TEcs3>(fake_link::ToLinkSettings(settings));
    else
      ecs = std::make_unique<TEcs2>(fake_link::ToLinkSettings(settings));
    ecs->SetBus(&port);
  }
  void TearDown() override {
    port.Close();
    if (server) server->Stop();
  }

  std::unique_ptr<SimTarget> target;
  std::unique_ptr<SimPtyServer> server;
  TComPort port;
  std::unique_ptr<TEcs> ecs;
};

TEST_F(EcsPtyTest, Ecs3ReadsAndWritesWordsAndReportsErrors) {
  Start(SimProtocol::Ecs3, {200, 0, 0, 0});
  target->SetRegister(0x1000, 0x1234);
  target->SetRegister(0x1001, 0xABCD);
  target->SetRegister(0x1002, 0x0042);
  uint32_t words[3] = {};
  ASSERT_EQ(ecs->ReadMemory(0x1000, 2, 3, words), 0) << ecs->GetLastMessage();
  EXPECT_EQ(target->Frames().back().bytes,
            (SimBytes{0xF0, 0x00, 0x0B, 0x02, 0x00, 0x00, 0x10, 0x00, 0x00, 0x03, 0x10}));
  EXPECT_EQ(words[1], 0xABCDu);

  const uint32_t value = 0x5A5A;
  ASSERT_EQ(ecs->WriteMemory(0x2000, 2, 1, &value), 0);
  EXPECT_EQ(target->Register(0x2000), 0x5A5A);

  target->AddFault(SimFault::Error(0));
  EXPECT_EQ(ecs->ReadMemory(0x1000, 2, 1, words), 1);
  EXPECT_EQ(ecs->GetLastMessage().substr(0, 6), "Error\n");
}

TEST_F(EcsPtyTest, Ecs3SilenceSlowRepliesAndChecksumRetries) {
  Start(SimProtocol::Ecs3, {200, 0, 2, 10});
  target->SetRegister(0x10, 0x0102);
  uint32_t word = 0;

  target->AddFault(SimFault::Silence());
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x90);
  EXPECT_EQ(target->FrameCount(), 1u);
  EXPECT_EQ(ecs->GetLastMessage(), "Receive Time Out !\nSend Data\n F0 00 0B 02 00 00 00 10 00 01 0E");

  // Gaps of 50 ms against a 200 ms time-out.
  target->ClearFrames();
  target->AddFault(SimFault::Split(2, 50));
  ASSERT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0) << ecs->GetLastMessage();
  EXPECT_EQ(word, 0x0102u);
  EXPECT_EQ(target->FrameCount(), 1u);

  target->ClearFrames();
  target->AddFault(SimFault::BadChecksum(), 3);
  EXPECT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0x99);
  EXPECT_EQ(target->FrameCount(), 3u);
  EXPECT_NE(ecs->GetLastMessage().find("\nRecieve Data\n 50 00 06 01 02"), std::string::npos);
}

TEST_F(EcsPtyTest, Ecs3RaisesTheLineRate) {
  Start(SimProtocol::Ecs3, {200, 0, 0, 0, 0x0240, 0x0F00});
  target->SetBaudRegister(0x0F00);
  target->SetRegister(0x10, 0x7777);
  EXPECT_EQ(ecs->RaiseBaudRate(), 0);
  EXPECT_EQ(ecs->GetBaudIndex(), 9);
  EXPECT_EQ(target->BaudIndex(), 9);
  uint32_t word = 0;
  ASSERT_EQ(ecs->ReadMemory(0x10, 2, 1, &word), 0) << ecs->GetLastMessage();
  EXPECT_EQ(word, 0x7777u);
}

TEST_F(EcsPtyTest, Ecs2DeviceBlocksAndErrors) {
  Start(SimProtocol::Ecs2, {200, 0, 0, 0});
  target->AddNvmDevice(1, 0x100, 0x1FF);
  const uint32_t data[3] = {0xAA, 0xBB, 0xCC};
  ASSERT_EQ(ecs->WriteDevice(0x100, 1, 3, data), 0) << ecs->GetLastMessage();
  EXPECT_EQ(target->Frames().back().bytes.size(), 15u);
  uint32_t back[3] = {};
  ASSERT_EQ(ecs->ReadDevice(0x100, 1, 3, back), 0);
  EXPECT_EQ(back[2], 0xCCu);
  EXPECT_EQ(ecs->ReadDevice(0x1FF, 1, 2, back), 0x22);
  EXPECT_EQ(ecs->GetLastMessage().substr(0, 17), "Boundary Error !\n");

  target->AddFault(SimFault::Silence());
  EXPECT_EQ(ecs->ReadDevice(0x100, 1, 1, back), 0x90);
  EXPECT_EQ(ecs->GetLastMessage().substr(0, 19), "Receive Time Out !\n");
}

}  // namespace
