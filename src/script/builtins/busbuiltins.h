// The bus module: register, raw command, IIC and adjust-mode built-ins. The
// module knows no link: each built-in calls its hook, or prints a trace line
// and answers a fixed default when the hook is empty. The host installs the
// register read and write hooks.
#pragma once
#include <cstdint>
#include <string>

#include "script/machine/vmcode.h"
#include "script/scripthost.h"

class ScriptEnv;
class TTargetControl;

// The register hooks of the program: one 16-bit register through the target
// control object; 0 on success, 1 on failure.
void InstallTargetRegisterHooks(TBusHooks& hooks, TTargetControl& target);

void BuiltinBusIsAvailable(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinIicIsAvailable(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinBusGetBusFileName(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinBusEnterAdjustMode(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinBusExitAdjustMode(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinBusReadReg(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinBusWriteReg(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinBusSave(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinEcsSendCommand(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinEcsSendCommandStr(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinIicTurnBInt(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinIicRead(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinIicWrite(TStackData* args, vmcode_t* result, ScriptEnv& env);
