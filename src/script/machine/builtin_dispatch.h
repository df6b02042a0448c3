// Where built-in calls leave the virtual machine. A wrapper function of the
// prelude holds one instruction whose operation number is a built-in id; the
// machine hands the call here, on the script thread or, for the ids that touch
// windows, ports, open files or the target, on the main thread. The module
// tables (script/builtins/modules.cpp) answer.
#pragma once

struct TStackData;
struct vmcode_t;
class ScriptEnv;

// One built-in of a module table.
//  args:   the wrapper's parameter cells in prototype order; a by-reference
//          parameter's cell is a reference (kind 3) whose ref is the caller's
//          variable (or array element, with refCells cells from there on).
//  result: the result record, the opPushConst that the wrapper returns: set
//          a = 1 (pcInteger) and b, or a = 3 (pcString) and sval. Left alone it
//          returns what it held last (integer 0 until first written).
//  env:    the calling script: printing, its window, the dialogs, stop.
// A handler reports failure through its result, never by throwing.
using BuiltinHandler = void (*)(TStackData* args, vmcode_t* result, ScriptEnv& env);

// A module's dispatcher: runs the handler of the row for id, nothing for an id
// without one.
using BuiltinModuleCall = void (*)(int id, TStackData* args, vmcode_t* result, ScriptEnv& env);

// True for the built-ins that must run on the main thread, as their module
// table's rows say: the dialogs, serial open and close, the open-file list,
// ports and measurement, the script-window built-ins and every bus built-in.
bool IsMainThreadBuiltin(int id);

// Carries out one built-in call on the calling thread (the machine has already
// moved to the main thread when IsMainThreadBuiltin(id)): ids 2000 and above
// to the bus module, the script-window built-ins to their own handlers, other
// ids from 1000 to the system module (the script host's, or the program's
// own); ids below 1000 do nothing.
void DispatchBuiltin(int id, TStackData* args, vmcode_t* result, ScriptEnv& env);
