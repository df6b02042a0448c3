// The script-window built-ins (winGetPos .. winSaveScreenAsFile): they work on
// the calling script's own window, whichever system module the host gives.
#pragma once

#include "script/machine/vmcode.h"

class ScriptEnv;

// Handlers (argument cells, result record, calling script).
void BuiltinWinGetPos(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinWinSetPos(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinWinGetSize(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinWinSetSize(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinWinGetText(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinWinSetText(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinWinGetProgress(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinWinSetProgress(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinWinSetColor(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinWinSetTextColor(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinWinSaveScreenAsFile(TStackData* args, vmcode_t* result, ScriptEnv& env);
