// A TTargetControl wired to the simulated target in-process on virtual time,
// with vund.dat and Vund2.ini written into a fresh program folder.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "link/targetcontrol.h"
#include "model/registers.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "platform/clock.h"
#include "simlink.h"
#include "simtarget.h"
#include "support/recording_services.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace tc_test {

// One request as the target received it.
struct Request {
  uint8_t command = 0;  // 0xF0 read memory ... 0xF3 write device
  uint32_t address = 0;
  int count = 0;  // units asked for (reads) or carried (writes)
  std::vector<uint8_t> data;
};

inline uint32_t BigEndian(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | b[at + i];
  return v;
}

inline Request Parse(const std::vector<uint8_t>& f, SimProtocol protocol) {
  Request r;
  r.command = f[0];
  const bool ecs3 = protocol == SimProtocol::Ecs3;
  const int lengthBytes = ecs3 ? 2 : 1;
  const size_t length = BigEndian(f, 1, lengthBytes);
  const size_t head = 1 + lengthBytes;  // command and length
  const size_t memAddr = ecs3 ? 4 : 2;
  const int countBytes = ecs3 ? 2 : 1;
  switch (r.command) {
    case 0xF0:
      r.address = BigEndian(f, head + 1, static_cast<int>(memAddr));
      r.count = static_cast<int>(BigEndian(f, head + 1 + memAddr, countBytes));
      break;
    case 0xF1: {
      r.address = BigEndian(f, head + 1, static_cast<int>(memAddr));
      const size_t start = head + 1 + memAddr;
      r.data.assign(f.begin() + start, f.begin() + (length - 1));
      r.count = static_cast<int>(f[head] == 2 ? r.data.size() / 2 : r.data.size());
      break;
    }
    case 0xF2:
      r.address = BigEndian(f, head + 5, 4);
      r.count = static_cast<int>(BigEndian(f, head + 9, countBytes));
      break;
    case 0xF3: {
      r.address = BigEndian(f, head + 5, 4);
      r.data.assign(f.begin() + head + 9, f.begin() + (length - 1));
      r.count = static_cast<int>(r.data.size());
      break;
    }
    default:
      break;
  }
  return r;
}

// "F0 1,2" style summary of requests, for readable expectations.
inline std::string Summary(const std::vector<Request>& requests) {
  std::string s;
  for (const Request& r : requests) {
    char line[48];
    std::snprintf(line, sizeof line, "%s%02X %X,%d", s.empty() ? "" : " ", r.command, r.address, r.count);
    s += line;
  }
  return s;
}

struct SimSetup {
  SimProtocol protocol = SimProtocol::Ecs3;
  int dataLength = 4;  // MaxECS3DataLength / MaxECSDataLength
  std::string extraVund;
  std::string extraIni;
  int ecsType = -1;   // -1: the one of the protocol
  int linkType = 0;   // BusPhysicalLayer
};

class TargetControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SRegisters = Registers();
    HRegisters = Registers();
  }
  void TearDown() override {
    SRegisters = Registers();
    HRegisters = Registers();
    ResetVundData();
  }

  // Writes the files, loads them and connects to a fresh simulated target.
  void Start(const SimSetup& setup = SimSetup()) {
    protocol_ = setup.protocol;
    WriteFiles(setup);
    target = std::make_unique<SimTarget>(setup.protocol);
    auto layer = std::make_unique<SimLink>(*target, clock);
    link = layer.get();
    ASSERT_TRUE(tc.ConnectWith(std::move(layer), clock, CurrentLinkSettings()));
  }

  void WriteFiles(const SimSetup& setup) {
    const int ecsType = setup.ecsType >= 0 ? setup.ecsType : setup.protocol == SimProtocol::Ecs3 ? 2 : 0;
    dir.Write("vund.dat",
              "[Common]\r\nCommandTimeOutTime=2000\r\nTimeOutTime=300\r\nTimeOut_Retry=0\r\nError_Retry=0\r\n"
              "Error_RetryWait=0\r\n[EcsSettings]\r\nMaxECS3DataLength=" +
                  std::to_string(setup.dataLength) + "\r\nMaxECSDataLength=" + std::to_string(setup.dataLength) +
                  "\r\n" + setup.extraVund);
    dir.Write("Vund2.ini", "[Bus]\r\nBusPhysicalLayer=" + std::to_string(setup.linkType) + "\r\nComPort=0\r\nBaudRate=6\r\nECSType=" +
                               std::to_string(ecsType) + "\r\n" + setup.extraIni);
    ASSERT_TRUE(LoadVundData());
    ASSERT_TRUE(LoadSettings());
  }

  std::vector<Request> Requests() const {
    std::vector<Request> out;
    for (const SimFrame& f : target->Frames()) out.push_back(Parse(f.bytes, protocol_));
    return out;
  }
  std::string Sent() const { return Summary(Requests()); }

  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi ui;
  testing_support::RecordingServices services;
  platform::VirtualClock clock;
  std::unique_ptr<SimTarget> target;
  SimLink* link = nullptr;  // owned by tc
  SimProtocol protocol_ = SimProtocol::Ecs3;
  TTargetControl tc;  // last: goes first, before the target it talks to
};

}  // namespace tc_test
