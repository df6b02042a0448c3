#include "script/builtin_dispatch.h"

#include "script/modules.h"
#include "script/scripthost.h"
#include "script/vmcode.h"

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

void WindowBuiltin(int id, TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ScriptWindow& window = env.Window();
  switch (id) {
    case 1058: {  // winGetPos(x&, y&)
      int left = 0, top = 0;
      window.GetPos(left, top);
      SetInteger(args[0], left);
      SetInteger(args[1], top);
      break;
    }
    case 1059: window.SetPos(args[0].ival, args[1].ival); break;
    case 1060: {  // winGetSize(w&, h&)
      int width = 0, height = 0;
      window.GetSize(width, height);
      SetInteger(args[0], width);
      SetInteger(args[1], height);
      break;
    }
    case 1061: window.SetSize(args[0].ival, args[1].ival); break;
    case 1062:  // winGetText(str&)
      if (TStackData* cell = Target(args[0])) {
        cell->kind = dtString;
        cell->sval = window.GetText();
      }
      break;
    case 1063: window.SetText(args[0].sval); break;
    case 1064: SetInteger(args[0], window.GetProgress()); break;
    case 1065: window.SetProgress(args[0].ival); break;
    case 1066: window.SetColor(args[0].ival); break;
    case 1067: window.SetTextColor(args[0].ival); break;
    case 1068:  // winSaveScreenAsFile(path)
      if (result) {
        std::string reason;
        const bool saved = window.SaveOutput(args[0].sval, reason);
        result->a = pcInteger;
        result->b = saved ? 0 : 1;
        // The script sees 1; the program's log says which file and why.
        if (!saved) env.RunOnMainThread([&] { env.Host().AddMessage(args[0].sval + ": " + reason); });
      }
      break;
    default: break;
  }
}

}  // namespace

void DispatchBuiltin(int id, TStackData* args, vmcode_t* result, ScriptEnv& env) {
  if (id >= 2000) {
    const BuiltinModuleCall bus = env.Host().BusModule();
    (bus ? bus : &CallBusBuiltin)(id, args, result, env);
  } else if (id >= kWindowBuiltinFirst && id <= kWindowBuiltinLast) {
    WindowBuiltin(id, args, result, env);
  } else if (id >= 1000) {
    const BuiltinModuleCall system = env.Host().SystemModule();
    (system ? system : &CallSystemBuiltin)(id, args, result, env);
  }
}
