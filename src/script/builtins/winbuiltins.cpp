#include "script/builtins/winbuiltins.h"

#include <string>

#include "script/scripthost.h"

namespace {

// The referenced cell of a by-reference argument, or null when the argument
// is no reference.
TStackData* Target(TStackData& arg) { return arg.kind == dtReference ? arg.ref : nullptr; }

void SetInteger(TStackData& arg, int value) {
  if (TStackData* cell = Target(arg)) {
    cell->kind = dtInteger;
    cell->ival = value;
  }
}

}  // namespace

void BuiltinWinGetPos(TStackData* args, vmcode_t*, ScriptEnv& env) {
  int left = 0, top = 0;
  env.Window().GetPos(left, top);
  SetInteger(args[0], left);
  SetInteger(args[1], top);
}

void BuiltinWinSetPos(TStackData* args, vmcode_t*, ScriptEnv& env) { env.Window().SetPos(args[0].ival, args[1].ival); }

void BuiltinWinGetSize(TStackData* args, vmcode_t*, ScriptEnv& env) {
  int width = 0, height = 0;
  env.Window().GetSize(width, height);
  SetInteger(args[0], width);
  SetInteger(args[1], height);
}

void BuiltinWinSetSize(TStackData* args, vmcode_t*, ScriptEnv& env) { env.Window().SetSize(args[0].ival, args[1].ival); }

void BuiltinWinGetText(TStackData* args, vmcode_t*, ScriptEnv& env) {
  if (TStackData* cell = Target(args[0])) {
    cell->kind = dtString;
    cell->sval = env.Window().GetText();
  }
}

void BuiltinWinSetText(TStackData* args, vmcode_t*, ScriptEnv& env) { env.Window().SetText(args[0].sval); }

void BuiltinWinGetProgress(TStackData* args, vmcode_t*, ScriptEnv& env) {
  SetInteger(args[0], env.Window().GetProgress());
}

void BuiltinWinSetProgress(TStackData* args, vmcode_t*, ScriptEnv& env) { env.Window().SetProgress(args[0].ival); }

void BuiltinWinSetColor(TStackData* args, vmcode_t*, ScriptEnv& env) { env.Window().SetColor(args[0].ival); }

void BuiltinWinSetTextColor(TStackData* args, vmcode_t*, ScriptEnv& env) {
  env.Window().SetTextColor(args[0].ival);
}

void BuiltinWinSaveScreenAsFile(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  if (!result) return;
  std::string reason;
  const bool saved = env.Window().SaveOutput(args[0].sval, reason);
  result->a = pcInteger;
  result->b = saved ? 0 : 1;
  // The script sees 1; the program's log says which file and why.
  if (!saved) env.RunOnMainThread([&] { env.Host().AddMessage(args[0].sval + ": " + reason); });
}
