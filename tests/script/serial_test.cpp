// The script serial ports over pseudo-terminals: the test plays the far end
// on each master side.
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "script/modulestate.h"
#include "script/sysserial.h"
#include "scripthost_recording.h"
#include "support/temp_dir.h"

namespace {

using namespace builtins_test;

enum : int { kOpen = 1014, kClose = 1015, kReadAll, kReadChar, kReadTo, kReadFromTo, kWrite, kEcho, kIsOpen,
             kCloseAll, kClear, kModem };

class ScriptSerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char first[128], last[128];
    ASSERT_EQ(openpty(&master_, &slave_, first, nullptr, nullptr), 0);
    ASSERT_EQ(openpty(&master7_, &slave7_, last, nullptr, nullptr), 0);
    dir_.Write("Vund2.ini", std::string("[Ports]\r\nCOM1=") + first + "\r\nCOM2=/nonexistent/tty\r\nCOM8=" + last +
                                "\r\n");
  }
  void TearDown() override {
    env_.host.ModuleState().ports.CloseAll();
    for (int fd : {master_, slave_, master7_, slave7_}) close(fd);
  }
  int C(int id, Args a) { return Call(env_, id, a); }
  int Open(int no, int baud = 9600) { return C(kOpen, Args().Int(no).Int(baud).Int(0).Int(0).Int(0).Int(0)); }
  void Send(const std::string& b) { ASSERT_EQ(write(master_, b.data(), b.size()), ssize_t(b.size())); }
  std::string Receive(size_t count) {
    std::string got;
    char buf[256];
    struct pollfd p {master_, POLLIN, 0};
    while (got.size() < count && poll(&p, 1, 2000) > 0) {
      const ssize_t n = read(master_, buf, std::min(sizeof buf, count - got.size()));
      if (n <= 0) break;
      got.append(buf, static_cast<size_t>(n));
    }
    return got;
  }

  testing_support::TempDir dir_;
  testing_support::ScopedHome home_{dir_.Path()};
  int master_ = -1, slave_ = -1, master7_ = -1, slave7_ = -1;
  TestEnv env_;
};

TEST_F(ScriptSerialTest, OpenRefusesBadSlotsAndRatesAndReopensAnOpenSlot) {
  EXPECT_EQ(Open(0, 9601), -1);
  EXPECT_EQ(Open(8), -1);
  EXPECT_EQ(C(kIsOpen, Args().Int(8)), 0);
  EXPECT_EQ(C(kClose, Args().Int(8)), -1);
  EXPECT_EQ(C(kClear, Args().Int(0)), -1);  // empty slot

  EXPECT_EQ(Open(0), 0);
  EXPECT_EQ(Open(0), 0);  // the old port closes first, so the exclusive open succeeds
  EXPECT_EQ(Open(0, 9601), -1);
  EXPECT_EQ(C(kIsOpen, Args().Int(0)), 1);  // a refused rate leaves the slot alone
  EXPECT_EQ(Open(1), -1);                   // no such device: the slot holds a closed port
  EXPECT_EQ(C(kIsOpen, Args().Int(1)), 0);
  EXPECT_EQ(C(kClose, Args().Int(0)), 0);
  EXPECT_EQ(C(kClose, Args().Int(0)), 0);
  EXPECT_EQ(C(kIsOpen, Args().Int(0)), 0);
}

TEST_F(ScriptSerialTest, ReadToStopsAtTheDelimiterReadAllTakesTheRestAndReadFromToStartsAtTheHeader) {
  ASSERT_EQ(Open(0), 0);
  TStackData buff, all, delimiters[2];
  delimiters[0].sval = "\r\n";
  delimiters[1].sval = "NG";
  Send("OK\r\nrest");
  EXPECT_EQ(C(kReadTo, Args().Int(0).Ref(&buff).Ref(delimiters, 2).Int(2).Int(2000)), 0);
  EXPECT_EQ(buff.kind, dtString);
  EXPECT_EQ(buff.sval, "OK\r\n");
  all.sval = "untouched";
  for (int i = 0; i < 3000 && all.sval == "untouched"; ++i) {
    EXPECT_EQ(C(kReadAll, Args().Int(0).Ref(&all)), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(all.sval == "untouched" ? 10 : 0));
  }
  EXPECT_EQ(all.sval, "rest");
  // Nothing comes: -1 with what arrived (nothing) in buff.
  EXPECT_EQ(C(kReadTo, Args().Int(0).Ref(&buff).Ref(delimiters, 2).Int(2).Int(20)), -1);
  EXPECT_EQ(buff.sval, "");
  // More delimiters asked for than the array holds: only the array is read.
  Send("xNG");
  EXPECT_EQ(C(kReadTo, Args().Int(0).Ref(&buff).Ref(delimiters, 2).Int(1000).Int(2000)), 0);
  EXPECT_EQ(buff.sval, "xNG");

  // ReadFromTo drops what comes before the header.
  TStackData headers[2];
  headers[0].sval = "$HDR";
  headers[1].sval = "#";
  const Args a = Args().Int(0).Ref(&buff).Ref(headers, 2).Int(2).Ref(delimiters, 1).Int(1).Int(2000);
  Send("noise$HDR12\r\n");
  EXPECT_EQ(C(kReadFromTo, a), 0);
  EXPECT_EQ(buff.sval, "$HDR12\r\n");
  // A delimiter inside the header ends the read with the next byte.
  headers[0].sval = "AB\r\n";
  Send("xAB\r\nC");
  EXPECT_EQ(C(kReadFromTo, a), 0);
  EXPECT_EQ(buff.sval, "AB\r\nC");
}

TEST_F(ScriptSerialTest, WriteWithEchoBackWaitsForEachByte) {
  ASSERT_EQ(Open(0), 0);
  // The far end answers each byte with "?" and, from the third on, the byte itself.
  std::thread far([this] {
    for (int i = 0; i < 4; ++i) {
      const std::string b = Receive(1);
      const std::string reply = i < 2 ? std::string("?") : "?" + b;
      if (b.empty() || write(master_, reply.data(), reply.size()) < 0) return;
    }
  });
  EXPECT_EQ(C(kEcho, Args().Int(0).Str("ab").Int(0).Int(0).Int(2000)), 0);
  EXPECT_EQ(C(kEcho, Args().Int(0).Str("cd").Int(1).Int(1).Int(2000)), 0);
  far.join();
  EXPECT_EQ(C(kEcho, Args().Int(0).Str("").Int(1).Int(0).Int(10)), 0);
  EXPECT_EQ(C(kEcho, Args().Int(0).Str("z").Int(1).Int(0).Int(20)), -1);
}

TEST_F(ScriptSerialTest, WriteReadCharCloseAllStopAndModemCheck) {
  ASSERT_EQ(Open(0), 0);
  ASSERT_EQ(Open(7), 7);
  EXPECT_EQ(C(kWrite, Args().Int(0).Str("AT\r")), 0);
  EXPECT_EQ(Receive(3), "AT\r");
  Send(std::string("\0", 1));
  TStackData c;
  EXPECT_EQ(C(kReadChar, Args().Int(0).Ref(&c).Int(2000)), 0);
  EXPECT_EQ(c.kind, dtString);
  EXPECT_EQ(c.sval, "");
  EXPECT_EQ(C(kCloseAll, Args()), 0);
  EXPECT_EQ(C(kIsOpen, Args().Int(7)), 0);
  EXPECT_EQ(C(kReadChar, Args().Int(0).Ref(&c).Int(2000)), -1);

  // The modem check echoes the check bytes.
  ASSERT_EQ(Open(0), 0);
  Send("UUU");
  EXPECT_EQ(C(kModem, Args().Int(0).Int(0x155).Int(3).Int(2000)), 0);  // the low 8 bits count
  EXPECT_EQ(Receive(3), "UUU");
  Send("UA");
  EXPECT_EQ(C(kModem, Args().Int(0).Int(0x55).Int(3).Int(2000)), -1);
  EXPECT_EQ(C(kModem, Args().Int(0).Int(0x55).Int(1).Int(10)), -1);
  EXPECT_EQ(env_.Output(),
            "MODEM check start.\nMODEM check OK, echo = 55, count = 3\nMODEM check start.\n"
            "ERROR:check NG(count=1, recv=0x41)\nMODEM check start.\nERROR:timeout(count=0)\n");
  env_.exe.Stop();  // a stop ends a long read
  EXPECT_EQ(C(kReadChar, Args().Int(0).Ref(&c).Int(600000)), -1);
}

}  // namespace
