// The bus module: register, raw command, IIC and adjust-mode built-ins. The
// module knows no link: each built-in calls its hook, or prints a trace line
// and answers a fixed default when the hook is empty. The host installs the
// register read and write hooks.
#pragma once
#include <cstdint>
#include <string>

#include "script/vmcode.h"

class ScriptEnv;

struct TBusHooks {
  int (*busIsAvailable)() = nullptr;
  int (*iicIsAvailable)() = nullptr;
  std::string (*busGetBusFileName)() = nullptr;
  int (*busEnterAdjustMode)() = nullptr;
  int (*busExitAdjustMode)() = nullptr;
  int (*busReadReg)(int regNo, int* value) = nullptr;     // 0 = success
  int (*busWriteReg)(int regNo, int value) = nullptr;     // 0 = success
  int (*busSave)(int saveNo) = nullptr;
  int (*ecs)(int* cmmd, int cmmdLen, int* ans, int ansLen, int inv) = nullptr;
  int (*iicTurnBInt)(int sw) = nullptr;
  int (*iicRead)(int line, int type, uint16_t slave, int sub, uint8_t* data, int n) = nullptr;  // 0 = success
  int (*iicWrite)(int line, int type, uint16_t slave, int sub, uint8_t* data, int n) = nullptr;
};

void SetBusReadRegHook(int (*hook)(int regNo, int* value));
void SetBusWriteRegHook(int (*hook)(int regNo, int value));
// Every slot at once (a host with more than registers to offer; tests).
void SetBusHooks(const TBusHooks& hooks);
TBusHooks GetBusHooks();

// The host's register hooks: one 16-bit register through the target control
// object, main thread only; 0 on success, 1 on failure.
int ScriptReadRegister(int regNo, int* value);
int ScriptWriteRegister(int regNo, int value);
// Installs the two as the bus module's register hooks.
void InstallTargetRegisterHooks();

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
