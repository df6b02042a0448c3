// The script serial ports over pseudo-terminals: the test plays the far end
// on each master side.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "builtins_env.h"
#include "script/modules.h"
#include "script/sysserial.h"
#include "support/temp_dir.h"

namespace {

using namespace builtins_test;

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
    CloseAllComPorts();
    for (int fd : {master_, slave_, master7_, slave7_})
      if (fd >= 0) close(fd);
  }

  int Call(int id, Args& a) {
    vmcode_t r = ResultRecord();
    CallSystemBuiltin(id, a.Cells(), &r, env_);
    return r.b;
  }
  int OpenPort(int no) {
    Args a;
    a.Int(no).Int(9600).Int(0).Int(0).Int(0).Int(0);
    return Call(1014, a);
  }
  void Send(const std::string& bytes) { ASSERT_EQ(write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
  std::string Receive(size_t count, int fd = -1) {
    std::string got;
    while (got.size() < count) {
      struct pollfd p {fd < 0 ? master_ : fd, POLLIN, 0};
      if (poll(&p, 1, 2000) <= 0) break;
      char buf[256];
      const ssize_t n = read(p.fd, buf, sizeof buf);
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
  Args badRate;
  badRate.Int(0).Int(9601).Int(0).Int(0).Int(0).Int(0);
  EXPECT_EQ(Call(1014, badRate), -1);
  EXPECT_EQ(OpenPort(8), -1);
  Args isOpen0, isOpen8, close8, clear0;
  isOpen0.Int(0);
  isOpen8.Int(8);
  close8.Int(8);
  clear0.Int(0);
  EXPECT_EQ(Call(1022, isOpen0), 0);
  EXPECT_EQ(Call(1022, isOpen8), 0);
  EXPECT_EQ(Call(1015, close8), -1);
  EXPECT_EQ(Call(1024, clear0), -1);  // empty slot

  EXPECT_EQ(OpenPort(0), 0);
  EXPECT_EQ(Call(1022, isOpen0), 1);
  EXPECT_EQ(OpenPort(0), 0);  // closes the old port first, so the exclusive open succeeds
  EXPECT_EQ(Call(1022, isOpen0), 1);
  Args stillBadRate = badRate;
  EXPECT_EQ(Call(1014, stillBadRate), -1);
  EXPECT_EQ(Call(1022, isOpen0), 1);  // a refused rate leaves the slot alone

  EXPECT_EQ(OpenPort(1), -1);  // no such device: the slot holds a closed port
  Args isOpen1;
  isOpen1.Int(1);
  EXPECT_EQ(Call(1022, isOpen1), 0);
  Args close0;
  close0.Int(0);
  EXPECT_EQ(Call(1015, close0), 0);
  EXPECT_EQ(Call(1015, close0), 0);
  EXPECT_EQ(Call(1022, isOpen0), 0);
}

TEST_F(ScriptSerialTest, ReadToStopsAtTheDelimiterAndReadAllTakesTheRest) {
  ASSERT_EQ(OpenPort(0), 0);
  TStackData buff, delimiters[2];
  delimiters[0].sval = "\r\n";
  delimiters[1].sval = "NG";
  Send("OK\r\nrest");
  Args readTo;
  readTo.Int(0).Ref(&buff).Ref(delimiters, 2).Int(2).Int(2000);
  EXPECT_EQ(Call(1018, readTo), 0);
  EXPECT_EQ(buff.kind, dtString);
  EXPECT_EQ(buff.sval, "OK\r\n");

  TStackData all;
  all.sval = "untouched";
  Args readAll;
  readAll.Int(0).Ref(&all);
  for (int i = 0; i < 200 && all.sval == "untouched"; ++i) {
    EXPECT_EQ(Call(1016, readAll), 0);
    if (all.sval == "untouched") std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(all.sval, "rest");

  // Nothing comes: -1 with what arrived (nothing) in buff.
  Args quiet;
  quiet.Int(0).Ref(&buff).Ref(delimiters, 2).Int(2).Int(20);
  EXPECT_EQ(Call(1018, quiet), -1);
  EXPECT_EQ(buff.sval, "");
  // More delimiters asked for than the array holds: only the array is read.
  Send("xNG");
  Args tooMany;
  tooMany.Int(0).Ref(&buff).Ref(delimiters, 2).Int(1000).Int(2000);
  EXPECT_EQ(Call(1018, tooMany), 0);
  EXPECT_EQ(buff.sval, "xNG");
}

TEST_F(ScriptSerialTest, ReadFromToDropsWhatComesBeforeTheHeader) {
  ASSERT_EQ(OpenPort(0), 0);
  TStackData buff, headers[2], delimiters[1];
  headers[0].sval = "$HDR";
  headers[1].sval = "#";
  delimiters[0].sval = "\r\n";
  Send("noise$HDR12\r\n");
  Args a;
  a.Int(0).Ref(&buff).Ref(headers, 2).Int(2).Ref(delimiters, 1).Int(1).Int(2000);
  EXPECT_EQ(Call(1019, a), 0);
  EXPECT_EQ(buff.sval, "$HDR12\r\n");

  // A delimiter inside the header ends the read with the next byte.
  headers[0].sval = "AB\r\n";
  Send("xAB\r\nC");
  EXPECT_EQ(Call(1019, a), 0);
  EXPECT_EQ(buff.sval, "AB\r\nC");
}

TEST_F(ScriptSerialTest, WriteWithEchoBackWaitsForEachByte) {
  ASSERT_EQ(OpenPort(0), 0);
  // The far end answers each byte with "?" then, for check 1, the byte itself.
  std::thread far([this] {
    std::string got;
    while (got.size() < 4) {
      const std::string b = Receive(1);
      if (b.empty()) return;
      got += b;
      const std::string reply = got.size() <= 2 ? std::string("?") : "?" + b;
      if (write(master_, reply.data(), reply.size()) < 0) return;
    }
  });
  Args anyEcho;
  anyEcho.Int(0).Str("ab").Int(0).Int(0).Int(2000);
  EXPECT_EQ(Call(1021, anyEcho), 0);
  Args sameEcho;
  sameEcho.Int(0).Str("cd").Int(1).Int(1).Int(2000);
  EXPECT_EQ(Call(1021, sameEcho), 0);
  far.join();
  Args empty;
  empty.Int(0).Str("").Int(1).Int(0).Int(10);
  EXPECT_EQ(Call(1021, empty), 0);
  Args noEcho;
  noEcho.Int(0).Str("z").Int(1).Int(0).Int(20);
  EXPECT_EQ(Call(1021, noEcho), -1);
}

TEST_F(ScriptSerialTest, WriteAndReadCharAndCloseAll) {
  ASSERT_EQ(OpenPort(0), 0);
  ASSERT_EQ(OpenPort(7), 7);
  Args write0;
  write0.Int(0).Str("AT\r");
  EXPECT_EQ(Call(1020, write0), 0);
  EXPECT_EQ(Receive(3), "AT\r");
  Send(std::string("\0", 1));
  TStackData c;
  Args readChar;
  readChar.Int(0).Ref(&c).Int(2000);
  EXPECT_EQ(Call(1017, readChar), 0);
  EXPECT_EQ(c.kind, dtString);
  EXPECT_EQ(c.sval, "");
  Args closeAll, isOpen7;
  isOpen7.Int(7);
  EXPECT_EQ(Call(1023, closeAll), 0);
  EXPECT_EQ(Call(1022, isOpen7), 0);
  EXPECT_EQ(Call(1017, readChar), -1);
}

TEST_F(ScriptSerialTest, ModemCheckEchoesTheCheckBytes) {
  ASSERT_EQ(OpenPort(0), 0);
  Send("UUU");
  Args ok;
  ok.Int(0).Int(0x155).Int(3).Int(2000);  // only the low 8 bits are compared
  EXPECT_EQ(Call(1025, ok), 0);
  EXPECT_EQ(Receive(3), "UUU");
  EXPECT_EQ(env_.output, "MODEM check start.\r\nMODEM check OK, echo = 55, count = 3\n");

  env_.output.clear();
  Send("UA");
  EXPECT_EQ(Call(1025, ok), -1);
  EXPECT_EQ(env_.output, "MODEM check start.\r\nERROR:check NG(count=1, recv=0x41)\r\n");
  env_.output.clear();
  Args quiet;
  quiet.Int(0).Int(0x55).Int(1).Int(10);
  EXPECT_EQ(Call(1025, quiet), -1);
  EXPECT_EQ(env_.output, "MODEM check start.\r\nERROR:timeout(count=0)\r\n");
}

TEST_F(ScriptSerialTest, AStopEndsALongRead) {
  ASSERT_EQ(OpenPort(0), 0);
  env_.stop = true;
  TStackData c;
  Args readChar;
  readChar.Int(0).Ref(&c).Int(600000);
  EXPECT_EQ(Call(1017, readChar), -1);
}

}  // namespace
