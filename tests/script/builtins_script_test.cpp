// Built-ins called from compiled scripts with the real prelude.
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "script/jcompiler.h"
#include "script/jexecutable.h"
#include "script/lexer.h"
#include "script/modules.h"
#include "script/sysbuiltins.h"
#include "scripthost_recording.h"
#include "support/temp_dir.h"

namespace {

struct ScriptRun {
  bool compiled = false;
  std::string error;
  int exitCode = -1;
  TStackData value;
  std::string output;
};

// Compiles "func main(args&, n) { body }" and runs it on this thread.
ScriptRun RunMain(const std::string& body, RecordingScriptHost& host) {
  ScriptRun r;
  const std::vector<std::string> lines{"func main(args&, n) {", body, "}"};
  TJCompiler compiler;
  TJExecutable exe(4000, &host);
  TStringListSource source(&lines);
  r.compiled = compiler.Compile(source, exe, {"1"});
  r.error = compiler.GetErrorMessage();
  if (!r.compiled) return r;
  r.exitCode = exe.RunHere();
  r.value = exe.GetReturnValue();
  if (r.exitCode) r.error = exe.GetErrorText();
  r.output = host.window->Output();
  return r;
}

::testing::AssertionResult Returns(const ScriptRun& r, int expected) {
  if (!r.compiled || r.exitCode != 0) return ::testing::AssertionFailure() << r.error;
  if (r.value.kind != dtInteger || r.value.ival != expected)
    return ::testing::AssertionFailure() << "kind " << int(r.value.kind) << " value " << r.value.ival << " "
                                         << r.value.sval;
  return ::testing::AssertionSuccess();
}

TEST(BuiltinScripts, PreludeWrappersAndConstantsNeedNoDeclaration) {
  RecordingScriptHost host;
  EXPECT_TRUE(Returns(RunMain("sysSleep(0); return iicREG_8BIT_QN4718 * 100 + iicPT_3BYTE;", host), 1014));
  EXPECT_TRUE(Returns(RunMain("return com8BIT + comPT_NO + comSB_1 + comFC_NO + btnYES_NO + dlgERROR;", host),
                      0x43));
  // Constants are plain globals: a script may change its own copy.
  EXPECT_TRUE(Returns(RunMain("fileAPPEND = 5; return fileAPPEND;", host), 5));
}

TEST(BuiltinScripts, ResultsAndReferenceArgumentsReachTheScript) {
  RecordingScriptHost host;
  ClearGlobalValues();
  ScriptRun r = RunMain(
      "var v[3], got; v[0] = \"x\";"
      "if (strScanf(\"V=12 I=0.5\", \"V=%d I=%lf\", v, 2) != 0) { return 1; }"
      "if (typeof(v[0]) != sysINTEGER || v[0] != 12 || v[1] != 0.5) { return 2; }"
      "if (sysGetGlobalValue(\"run\", got) != -1) { return 4; }"
      "sysSetGlobalValue(\"run\", 1.5);"
      "return sysGetSystemInfo(sysSCRIPT_VER);",
      host);
  ASSERT_TRUE(r.compiled && r.exitCode == 0) << r.error;
  EXPECT_EQ(r.value.kind, dtString);
  EXPECT_EQ(r.value.sval, "1.0.2");
  // The store outlives the run.
  EXPECT_TRUE(Returns(
      RunMain("var got; if (sysGetGlobalValue(\"run\", got) != 0) { return 1; } return typeof(got) * 10 + (got == 1.5);",
              host),
      11));
}

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
