// The script serial ports over pseudo-terminals: the test plays the far end
// on each master side.
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "link/comport.h"
#include "script/builtins/modulestate.h"
#include "scripthost_recording.h"
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
    env_.host.ModuleState().ports.CloseAll();
    for (int fd : {master_, slave_, master7_, slave7_}) close(fd);
  }
  // Runs body as main's, on this thread, and gives what it printed; o(slot,
  // rate) opens a slot. The ports stay with the host between runs.
  std::string Run(const std::string& body) {
    TJExecutable exe(TJExecutable::kDefaultStackSize, &env_.host);
    CompileScript(exe, "func o(p, b) { return comOpen(p, b, 0, 0, 0, 0); }"
                       "func main(a&, n) { var s, d[2], h[2], i; " + body + " }");
    EXPECT_EQ(exe.RunHere(), 0) << exe.GetErrorText();
    return WindowText(env_.host.window);
  }
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
  // A refused rate leaves the slot alone; the old port closes first, so the
  // exclusive open succeeds again; a slot without a device holds a closed port.
  const char* const calls[][2] = {
      {"o(0, 9601)", "-1"}, {"o(8, 9600)", "-1"}, {"comIsOpen(8)", "0"}, {"comClose(8)", "-1"}, {"comClear(0)", "-1"},
      {"o(0, 9600)", "0"}, {"o(0, 9600)", "0"}, {"o(0, 9601)", "-1"}, {"comIsOpen(0)", "1"}, {"o(1, 9600)", "-1"},
      {"comIsOpen(1)", "0"}, {"comClose(0)", "0"}, {"comClose(0)", "0"}, {"comIsOpen(0)", "0"}};
  for (const auto& c : calls) EXPECT_EQ(Run(std::string("print(") + c[0] + ");"), c[1]) << c[0] << " #" << &c - calls;
}

// A port the target link (or anyone) holds is not opened a second time.
TEST_F(ScriptSerialTest, APortInUseIsRefusedAndTheLogSaysItIsBusy) {
  char device[128];
  ASSERT_EQ(ttyname_r(slave_, device, sizeof device), 0);
  TComPort link;
  link.SetDevicePath(device);
  ASSERT_TRUE(link.Open(0, 12, 0, 0, 0, 0));
  EXPECT_EQ(Run("print(o(0, 9600), comIsOpen(0));"), "-10");
  ASSERT_FALSE(env_.host.messages.empty());
  EXPECT_EQ(env_.host.messages.back(), std::string(device) + ": Device or resource busy");
  link.Close();
  EXPECT_EQ(Run("print(o(0, 9600));"), "0");
}

// ReadTo stops at a delimiter (only those the array holds), ReadAll takes the
// rest, ReadFromTo starts at a header; a delimiter inside the header ends the
// read with the next byte.
TEST_F(ScriptSerialTest, ReadToStopsAtTheDelimiterReadAllTakesTheRestAndReadFromToStartsAtTheHeader) {
  ASSERT_EQ(Run("print(o(0, 9600));"), "0");
  Send("OK\r\nrest");
  const std::string start = "d[0] = \"\\r\\n\"; d[1] = \"NG\"; h[0] = \"$HDR\"; h[1] = \"#\"; ";
  EXPECT_EQ(Run(start + "print(comReadTo(0, s, d, 2, 2000), typeof s, s == \"OK\\r\\n\", \" \"); s = \"\";"
                "while s == \"\" && i < 3000 { comReadAll(0, s); sysSleep(10); i = i + 1; }"
                "print(s, comReadTo(0, s, d, 2, 20), \"[\", s, \"]\");"),
            "021 rest-1[]");
  Send("xNG");
  EXPECT_EQ(Run(start + "print(comReadTo(0, s, d, 1000, 2000), s);"), "0xNG");
  Send("noise$HDR12\r\n");
  EXPECT_EQ(Run(start + "print(comReadFromTo(0, s, h, 2, d, 1, 2000), s == \"$HDR12\\r\\n\");"), "01");
  Send("xAB\r\nC");
  EXPECT_EQ(Run(start + "h[0] = \"AB\\r\\n\"; print(comReadFromTo(0, s, h, 2, d, 1, 2000), s == \"AB\\r\\nC\");"), "01");
}

// A zero byte reads as the empty string; the modem check echoes its check
// bytes; a stop ends a long read.
TEST_F(ScriptSerialTest, WriteReadCharCloseAllModemCheckAndStop) {
  EXPECT_EQ(Run("print(o(0, 9600), o(7, 9600), comWrite(0, \"AT\\r\"));"), "070");
  EXPECT_EQ(Receive(3), "AT\r");
  Send(std::string("\0", 1));
  EXPECT_EQ(Run("print(comReadChar(0, s, 2000), typeof s, strLength s, \" \", comCloseAll(), comIsOpen(7), "
                "comReadChar(0, s, 2000));"),
            "020 00-1");
  ASSERT_EQ(Run("print(o(0, 9600));"), "0");
  Send("UUU");
  EXPECT_EQ(Run("print(comModemCheck(0, 0x155, 3, 2000));"),  // the low 8 bits count
            "MODEM check start.\nMODEM check OK, echo = 55, count = 3\n0");
  EXPECT_EQ(Receive(3), "UUU");
  TStackData c;
  env_.exe.Stop();
  EXPECT_EQ(Call(env_, 1017, Args().Int(0).Ref(&c).Int(600000)), -1);  // comReadChar
}

}  // namespace
