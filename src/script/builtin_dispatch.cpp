#include "script/builtin_dispatch.h"

#include <atomic>

#include "script/scripthost.h"
#include "script/vmcode.h"

namespace {

std::atomic<BuiltinModuleCall> g_systemModule{nullptr};
std::atomic<BuiltinModuleCall> g_busModule{nullptr};

// The referenced cell of a by-reference argument, or null when the argument
// is no reference.
TStackData* Target(TStackData& arg) { return arg.kind == dtReference ? arg.ref : nullptr; }

void SetInteger(TStackData& arg, int value) {
  if (TStackData* cell = Target(arg)) {
    cell->kind = dtInteger;
    cell->ival = value;
  }
}

void WindowBuiltin(int id, TStackData* args, vmcode_t* result, ScriptWindow& window) {
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
        bool saved = window.SaveOutput(args[0].sval);
        result->a = pcInteger;
        result->b = saved ? 0 : 1;
      }
      break;
    default: break;
  }
}

}  // namespace

void SetSystemBuiltinModule(BuiltinModuleCall call) { g_systemModule.store(call); }
void SetBusBuiltinModule(BuiltinModuleCall call) { g_busModule.store(call); }
BuiltinModuleCall GetSystemBuiltinModule() { return g_systemModule.load(); }
BuiltinModuleCall GetBusBuiltinModule() { return g_busModule.load(); }

void DispatchBuiltin(int id, TStackData* args, vmcode_t* result, ScriptEnv& env) {
  if (id >= 2000) {
    if (BuiltinModuleCall bus = g_busModule.load()) bus(id, args, result, env);
  } else if (id >= kWindowBuiltinFirst && id <= kWindowBuiltinLast) {
    WindowBuiltin(id, args, result, env.Window());
  } else if (id >= 1000) {
    if (BuiltinModuleCall system = g_systemModule.load()) system(id, args, result, env);
  }
}
