// Built-ins called from a compiled script on its own thread (compiler_test runs
// the others on the test's thread).
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "script/jcompiler.h"
#include "script/jexecutable.h"
#include "script/lexer.h"
#include "scripthost_recording.h"
#include "support/temp_dir.h"

namespace {

// A serial exchange from a script thread, with open and close on the main
// thread: the port slots are shared by both.
TEST(BuiltinScripts, SerialExchangeAcrossTheScriptAndMainThreads) {
  int master = -1, slave = -1;
  char name[128];
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  testing_support::TempDir dir;
  testing_support::ScopedHome home(dir.Path());
  dir.Write("Vund2.ini", std::string("[Ports]\r\nCOM3=") + name + "\r\n");
  // The far end answers "go" with "OK" and collects what follows.
  std::string heard;
  std::thread far([&] {
    char buf[16];
    size_t got = 0;
    while (got < 2) {
      const ssize_t n = read(master, buf + got, 2 - got);
      if (n <= 0) return;
      got += static_cast<size_t>(n);
    }
    if (write(master, "OK\r\n", 4) != 4) return;
    while (heard.size() < 3) {
      const ssize_t n = read(master, buf, sizeof buf);
      if (n <= 0) return;
      heard.append(buf, static_cast<size_t>(n));
    }
    (void)!write(master, "!", 1);  // heard: the script may close (a close drops unsent output)
  });

  RecordingScriptHost host(true);
  const std::vector<std::string> lines{
      "func main(args&, n) {",
      "  var d[1], s; d[0] = \"\\r\\n\";",
      "  if (comOpen(2, 115200, com8BIT, comPT_NO, comSB_1, comFC_NO) != 2) { return 1; }",
      "  comWrite(2, \"go\");",
      "  if (comReadTo(2, s, d, 1, 5000) != 0 || s != \"OK\\r\\n\") { return 2; }",
      "  comWrite(2, \"bye\");",
      "  if (comReadChar(2, s, 5000) != 0 || s != \"!\") { return 3; }",
      "  comClose(2);",
      "  return comIsOpen(2);",
      "}"};
  {
    TJCompiler compiler;
    TJExecutable exe(4000, &host);
    TStringListSource source(&lines);
    ASSERT_TRUE(compiler.Compile(source, exe, {"1"})) << compiler.GetErrorMessage();
    exe.Continue();
    EXPECT_TRUE(host.gui->PumpUntil([&] { return exe.IsTerminated(); }));
    EXPECT_TRUE(exe.WaitDone()) << exe.GetErrorText();
    EXPECT_EQ(exe.GetReturnValue().ival, 0);
  }
  close(slave);
  far.join();
  close(master);
  EXPECT_EQ(heard, "bye");
}

}  // namespace
