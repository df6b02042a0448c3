// System built-ins that are not ports, files or processes: information texts,
// sleeping, date and time, the global value store, substring and search, the
// script dialogs, and the station services this program does not have.
#pragma once
#include <cstdint>
#include <ctime>
#include <string>

#include "script/machine/vmcode.h"
#include "script/scripthost.h"

struct TScriptModuleState;

// The information text of sysGetSystemInfo; empty for an unknown number.
std::string SystemInfoText(int infoNo);
// The locale dates and times are written in: LC_ALL, LC_TIME or LANG, the
// first one set ("" when none is).
std::string TimeLocaleName();
// Local date in the locale's short form and time with seconds, as the desktop
// writes them: English (United States) 12/7/26 and 6:15:43 AM; Japanese, C,
// POSIX and locales without a form of their own here 2026/12/07 and 6:15:43.
std::string DateString(std::time_t when, const std::string& locale);
std::string TimeString(std::time_t when, const std::string& locale);

// n bytes of s from byte start (0-based); a negative start counts from the
// first byte. Empty when start is past the end or n is 0 or less.
std::string StrSubString(const std::string& s, std::int64_t start, std::int64_t n);
// Byte position of sub in s at or after start, never beginning on the second
// byte of a double-byte character; -1 when not found, for an empty sub, and
// for a start outside 0..length.
std::int32_t StrSearch(const std::string& s, std::int64_t start, const std::string& sub);

// What sysInput's dialog opens on: the variable's value in the option's kind
// (a number's text, a text's number as integer and floating convert it; a
// floating value under sysINTEGER truncated). A text that is no number opens
// an empty box.
ScriptInputValue InitialInputValue(const TStackData& cell, int option);

// The global value store of a script host, which outlives script runs.
void ClearGlobalValues(TScriptModuleState& state);
void SetGlobalValue(TScriptModuleState& state, const std::string& key, const TStackData& value);
// False (value untouched) when key is not stored.
bool GetGlobalValue(TScriptModuleState& state, const std::string& key, TStackData& value);

// Handlers (argument cells, result record, calling script).
void BuiltinSysGetSystemInfo(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinSysSleep(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinSysGetDateString(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinSysGetTimeString(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinSysClearGlobalValue(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinSysSetGlobalValue(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinSysGetGlobalValue(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinStrSubString(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinStrScanf(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinStrSearch(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinSysInput(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinSysMessage(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinSysSelect(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinIoGetNumberOfInport(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinIoGetNumberOfOutport(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinIoInport(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinIoOutport(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinMeasGetNumberOf(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinMeasGetValue(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinStepGetNgStepNo(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinStepGetItemCount(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinStepGetItemStatus(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinIdGetNumber(TStackData* args, vmcode_t* result, ScriptEnv& env);  // all three id built-ins
void BuiltinLogSetFailureCode(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinLogGetFailureCode(TStackData* args, vmcode_t* result, ScriptEnv& env);
