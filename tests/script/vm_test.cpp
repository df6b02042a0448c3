// What only hand-made code can do to the machine; the language's operations
// are tested by the script files of cases/.
#include <gtest/gtest.h>

#include <string>

#include "script/jexecutable.h"
#include "scripthost_recording.h"
#include "vmasm.h"

namespace {

// The run ends with the error, printed in red.
void ExpectError(const std::function<void(VmAsm&)>& build, const std::string& message) {
  RecordingScriptHost host;
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  VmAsm m(exe, "main");
  build(m);
  exe.SetEntry(m.Done());
  EXPECT_EQ(exe.RunHere(), 1);
  EXPECT_EQ(exe.GetErrorText(), "RUNTIME ERROR: " + message);
  const std::vector<ScriptOutputLine> lines = host.window->Output().Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "RUNTIME ERROR: " + message);
  EXPECT_EQ(lines[0].color, kScriptErrorColor);
}

TEST(VmCode, PushingPastTheTopOfTheStackIsAnOverflow) {
  ExpectError(
      [](VmAsm& m) {
        vmcode_t* head = m.Int(1);
        m.Emit(opJump)->target = head;
      },
      "stack overflow");
}

// Only the prelude's wrappers may call a built-in.
TEST(VmCode, ABuiltinCallFromALineOfTheScriptIsRefused) {
  ExpectError(
      [](VmAsm& m) {
        m.line = 3;
        m.Emit(1002);
      },
      "関数 main で不正な命令");
}

}  // namespace
