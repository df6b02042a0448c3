#include "script/builtins/sysbuiltins.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

#include "platform/convert.h"
#include "platform/files.h"
#include "script/builtins/builtinargs.h"
#include "script/builtins/modulestate.h"
#include "script/builtins/regexscan.h"
#include "script/machine/vmvalues.h"
#include "script/scripthost.h"

using namespace builtin;

namespace {

const char* const kInfoTexts[] = {"1.0.2", "No Name", "No Name", "No Name", "No Name", "0", "0"};

}  // namespace

std::string SystemInfoText(int infoNo) {
  if (infoNo < 0 || infoNo >= static_cast<int>(sizeof kInfoTexts / sizeof kInfoTexts[0])) return std::string();
  return kInfoTexts[infoNo];
}

std::string TimeLocaleName() {
  for (const char* var : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) return v;
  }
  return std::string();
}

namespace {

// The forms are the desktop's own, which the system's locale data does not
// hold (it writes 12/07/2026 for English and years in kanji for Japanese),
// and they need no generated locales.
bool UsEnglish(const std::string& locale) {
  const std::string name = locale.substr(0, locale.find_first_of(".@"));
  return name == "en" || name == "en_US";
}

std::tm LocalTime(std::time_t when) {
  std::tm tm{};
  localtime_r(&when, &tm);
  return tm;
}

}  // namespace

std::string DateString(std::time_t when, const std::string& locale) {
  const std::tm tm = LocalTime(when);
  if (UsEnglish(locale)) return platform::Format("%d/%d/%02d", tm.tm_mon + 1, tm.tm_mday, tm.tm_year % 100);
  return platform::Format("%04d/%02d/%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

std::string TimeString(std::time_t when, const std::string& locale) {
  const std::tm tm = LocalTime(when);
  if (UsEnglish(locale))
    return platform::Format("%d:%02d:%02d %s", (tm.tm_hour + 11) % 12 + 1, tm.tm_min, tm.tm_sec,
                            tm.tm_hour < 12 ? "AM" : "PM");
  return platform::Format("%d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
}

std::string StrSubString(const std::string& s, std::int64_t start, std::int64_t n) {
  const std::int64_t len = static_cast<std::int64_t>(s.size());
  if (start >= len) return std::string();
  if (start + n > len) n = len - start;
  if (start < 0) start = 0;
  if (n <= 0) return std::string();
  if (start + n > len) n = len - start;
  return s.substr(static_cast<size_t>(start), static_cast<size_t>(n));
}

std::int32_t StrSearch(const std::string& s, std::int64_t start, const std::string& sub) {
  if (start < 0 || start > static_cast<std::int64_t>(s.size())) return -1;
  const size_t p = SjisFind(s, sub, static_cast<size_t>(start));
  return p == std::string::npos ? -1 : static_cast<std::int32_t>(p);
}

ScriptInputValue InitialInputValue(const TStackData& cell, int option) {
  ScriptInputValue value;
  switch (option) {
    case dtInteger:
      if (cell.kind == dtInteger) value.integer = cell.ival;
      else if (cell.kind == dtFloating) value.integer = TruncateToInteger(cell.fval);
      else value.blank = !(cell.kind == dtString && ParseIntegerText(cell.sval, value.integer));
      if (value.blank) value.integer = 0;
      break;
    case dtFloating:
      if (cell.kind == dtInteger) value.floating = cell.ival;
      else if (cell.kind == dtFloating) value.floating = cell.fval;
      else value.blank = !(cell.kind == dtString && ParseFloatingText(cell.sval, value.floating) &&
                           std::isfinite(value.floating));
      if (value.blank) value.floating = 0.0;
      break;
    default:
      AppendValueText(value.text, cell);
      break;
  }
  return value;
}

void ClearGlobalValues(TScriptModuleState& state) {
  std::lock_guard<std::mutex> hold(state.globalsLock);
  state.globals.clear();
}

void SetGlobalValue(TScriptModuleState& state, const std::string& key, const TStackData& value) {
  TStackData copy;
  // A reference would outlive the frame it points into: keep what it designates.
  const TStackData& v = value.kind == dtReference && value.ref ? *value.ref : value;
  copy.kind = v.kind == dtReference ? static_cast<std::uint8_t>(dtInteger) : v.kind;
  copy.ival = v.ival;
  copy.fval = v.fval;
  copy.sval = v.sval;
  std::lock_guard<std::mutex> hold(state.globalsLock);
  state.globals[key] = copy;
}

bool GetGlobalValue(TScriptModuleState& state, const std::string& key, TStackData& value) {
  std::lock_guard<std::mutex> hold(state.globalsLock);
  auto it = state.globals.find(key);
  if (it == state.globals.end()) return false;
  value.kind = it->second.kind;
  value.ival = it->second.ival;
  value.fval = it->second.fval;
  value.sval = it->second.sval;
  return true;
}

void BuiltinSysGetSystemInfo(TStackData* args, vmcode_t* result, ScriptEnv&) {
  ReturnStr(result, SystemInfoText(Int(args, 0)));
}

void BuiltinSysSleep(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  // A stop cuts the wait short; the machine stops before its next instruction.
  if (Int(args, 0) > 0) env.WaitFor(Int(args, 0));
  ReturnInt(result, 0);
}

void BuiltinSysGetDateString(TStackData*, vmcode_t* result, ScriptEnv&) {
  ReturnStr(result, DateString(std::time(nullptr), TimeLocaleName()));
}

void BuiltinSysGetTimeString(TStackData*, vmcode_t* result, ScriptEnv&) {
  ReturnStr(result, TimeString(std::time(nullptr), TimeLocaleName()));
}

void BuiltinSysClearGlobalValue(TStackData*, vmcode_t* result, ScriptEnv& env) {
  ClearGlobalValues(env.Host().ModuleState());
  ReturnInt(result, 0);
}

void BuiltinSysSetGlobalValue(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  SetGlobalValue(env.Host().ModuleState(), Str(args, 0), args[1]);
  ReturnInt(result, 0);
}

void BuiltinSysGetGlobalValue(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  TStackData* target = Ref(args, 1);
  TStackData value;
  if (!GetGlobalValue(env.Host().ModuleState(), Str(args, 0), value)) {
    ReturnInt(result, -1);
    return;
  }
  if (target) {
    target->kind = value.kind;
    target->ival = value.ival;
    target->fval = value.fval;
    target->sval = value.sval;
  }
  ReturnInt(result, 0);
}

void BuiltinStrSubString(TStackData* args, vmcode_t* result, ScriptEnv&) {
  if (args[0].kind != dtString) {
    ReturnStr(result, std::string());
    return;
  }
  ReturnStr(result, StrSubString(Str(args, 0), Int(args, 1), Int(args, 2)));
}

void BuiltinStrScanf(TStackData* args, vmcode_t* result, ScriptEnv&) {
  const std::int32_t n = Int(args, 3);
  std::int64_t stored = 0;
  auto store = [&](const ScanValue& v) {
    // Only the cells the array has; a count past them is still counted.
    if (stored < n && v.converted) {
      TStackData* cell = Ref(args, 2, stored);
      switch (v.kind) {
        case scanInteger: SetInt(cell, v.ival); break;
        case scanChar:
        case scanString: SetStr(cell, v.sval); break;
        default: SetFloat(cell, v.fval); break;
      }
    }
    ++stored;
  };
  TBregExp re;
  const int status = re.Scanf(std::vector<std::string>{Str(args, 0)}, Str(args, 1), store);
  ReturnInt(result, stored != n ? -1 : status);
}

void BuiltinStrSearch(TStackData* args, vmcode_t* result, ScriptEnv&) {
  if (args[0].kind != dtString) {
    ReturnInt(result, -1);
    return;
  }
  ReturnInt(result, StrSearch(Str(args, 0), Int(args, 1), Str(args, 2)));
}

void BuiltinSysInput(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  const int option = Int(args, 1);
  TStackData* target = Ref(args, 2);
  // Enter on the box keeps what the variable holds.
  ScriptInputValue value = target ? InitialInputValue(*target, option) : ScriptInputValue();
  if (env.Host().InputDialog(Str(args, 0), option, value) != kScriptDlgOk) {
    ReturnInt(result, 1);
    return;
  }
  switch (option) {
    case dtInteger: SetInt(target, value.integer); break;
    case dtFloating: SetFloat(target, value.floating); break;
    case dtString: SetStr(target, value.text); break;
    default: break;
  }
  ReturnInt(result, 0);
}

void BuiltinSysMessage(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().MessageDialog(Str(args, 0), Int(args, 1)) == kScriptDlgOk ? 0 : 1);
}

void BuiltinSysSelect(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  int index = 0;
  if (env.Host().SelectDialog(Str(args, 0), platform::SplitLines(Str(args, 1)), index) != kScriptDlgOk) {
    ReturnInt(result, 1);
    return;
  }
  SetInt(Ref(args, 2), index);
  ReturnInt(result, 0);
}

void BuiltinIoGetNumberOfInport(TStackData*, vmcode_t* result, ScriptEnv& env) {
  env.Print("ioGetNumberOfInport()\n");
  ReturnInt(result, 0);
}

void BuiltinIoGetNumberOfOutport(TStackData*, vmcode_t* result, ScriptEnv& env) {
  env.Print("ioGetNumberOfOutport()\n");
  ReturnInt(result, 0);
}

void BuiltinIoInport(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  env.Print(platform::Format("I/O inport: port=0x%X\n", static_cast<unsigned>(Int(args, 0))));
  SetInt(Ref(args, 1), 0);
  ReturnInt(result, 0);
}

void BuiltinIoOutport(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  env.Print(platform::Format("I/O outport: port=0x%X, data=0x%X\n", static_cast<unsigned>(Int(args, 0)),
                             static_cast<unsigned>(Int(args, 1))));
  ReturnInt(result, 0);
}

void BuiltinMeasGetNumberOf(TStackData*, vmcode_t* result, ScriptEnv& env) {
  env.Print("measGetNumberOf(item)\n");
  ReturnInt(result, 0);
}

void BuiltinMeasGetValue(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  env.Print(platform::Format("Measure: x=%d, y=%d, element=%d, param=%s\n", Int(args, 0), Int(args, 1),
                             Int(args, 2), Str(args, 3).c_str()));
  SetFloat(Ref(args, 4), 0.0);
  ReturnInt(result, 0);
}

void BuiltinStepGetNgStepNo(TStackData*, vmcode_t* result, ScriptEnv&) { ReturnInt(result, -1); }
void BuiltinStepGetItemCount(TStackData*, vmcode_t* result, ScriptEnv&) { ReturnInt(result, -1); }
void BuiltinStepGetItemStatus(TStackData*, vmcode_t* result, ScriptEnv&) { ReturnInt(result, -1); }
void BuiltinIdGetNumber(TStackData*, vmcode_t* result, ScriptEnv&) { ReturnStr(result, std::string()); }
void BuiltinLogSetFailureCode(TStackData*, vmcode_t* result, ScriptEnv&) { ReturnInt(result, -1); }
void BuiltinLogGetFailureCode(TStackData*, vmcode_t* result, ScriptEnv&) { ReturnInt(result, -1); }
