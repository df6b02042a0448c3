#include "script/builtins/busbuiltins.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "link/targetcontrol.h"
#include "platform/convert.h"
#include "script/builtins/builtinargs.h"
#include "script/scripthost.h"

using namespace builtin;

namespace {

// A length a hook may be given for by-reference argument i: within the cells
// the script's array has (a longer one would have the hook's data read from
// or written past it).
bool LengthFits(TStackData* args, int i, int32_t n) { return n >= 0 && n <= RefCells(args, i); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Calls the ecs hook and copies its answer into the script's array.
int SendEcs(const TBusHooks& hooks, std::vector<int>& cmmd, TStackData* args, int ansArg, int32_t ansLen, int inv) {
  std::vector<int> ans(static_cast<size_t>(ansLen), 0);
  const int rc = hooks.ecs(cmmd.data(), static_cast<int>(cmmd.size()), ans.data(), ansLen, inv);
  for (int32_t k = 0; k < ansLen; ++k) SetInt(Ref(args, ansArg, k), ans[static_cast<size_t>(k)]);
  return rc;
}

}  // namespace

void InstallTargetRegisterHooks(TBusHooks& hooks, TTargetControl& target) {
  hooks.busReadReg = [&target](int regNo, int* value) {
    uint32_t v = 0;
    if (!target.ReadRegister(static_cast<uint32_t>(regNo), v)) return 1;
    if (value) *value = static_cast<int>(v);
    return 0;
  };
  hooks.busWriteReg = [&target](int regNo, int value) {
    return target.WriteRegister(static_cast<uint32_t>(regNo), static_cast<uint32_t>(value)) ? 0 : 1;
  };
}

void BuiltinBusIsAvailable(TStackData*, vmcode_t* result, ScriptEnv& env) {
  const TBusHooks& h = env.Host().BusHooks();
  if (h.busIsAvailable) return ReturnInt(result, h.busIsAvailable());
  env.Print("busIsAvailable()\n");
  ReturnInt(result, 0);
}

void BuiltinIicIsAvailable(TStackData*, vmcode_t* result, ScriptEnv& env) {
  const TBusHooks& h = env.Host().BusHooks();
  if (h.iicIsAvailable) return ReturnInt(result, h.iicIsAvailable());
  env.Print("iicIsAvailable()\n");
  ReturnInt(result, 0);
}

void BuiltinBusGetBusFileName(TStackData*, vmcode_t* result, ScriptEnv& env) {
  const TBusHooks& h = env.Host().BusHooks();
  if (h.busGetBusFileName) return ReturnStr(result, h.busGetBusFileName());
  env.Print("busGetBusFileName()\n");
  ReturnStr(result, std::string());
}

void BuiltinBusEnterAdjustMode(TStackData*, vmcode_t* result, ScriptEnv& env) {
  const TBusHooks& h = env.Host().BusHooks();
  if (h.busEnterAdjustMode) return ReturnInt(result, h.busEnterAdjustMode());
  env.Print("busEnterAdjustMode\n");
  ReturnInt(result, 0);
}

void BuiltinBusExitAdjustMode(TStackData*, vmcode_t* result, ScriptEnv& env) {
  const TBusHooks& h = env.Host().BusHooks();
  if (h.busExitAdjustMode) return ReturnInt(result, h.busExitAdjustMode());
  env.Print("busExitAdjustMode\n");
  ReturnInt(result, 0);
}

void BuiltinBusReadReg(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  const TBusHooks& h = env.Host().BusHooks();
  const int regNo = Int(args, 0);
  if (h.busReadReg) {
    int value = 0;
    const int status = h.busReadReg(regNo, &value);
    if (status == 0) SetInt(Ref(args, 1), value);
    return ReturnInt(result, status);
  }
  env.Print(platform::Format("busReadReg: regNo=%d(0x%X)\n", regNo, static_cast<unsigned>(regNo)));
  SetInt(Ref(args, 1), regNo);
  ReturnInt(result, 0);
}

void BuiltinBusWriteReg(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  const TBusHooks& h = env.Host().BusHooks();
  const int regNo = Int(args, 0), data = Int(args, 1);
  if (h.busWriteReg) return ReturnInt(result, h.busWriteReg(regNo, data));
  env.Print(platform::Format("busWriteReg: regNo=%d(0x%X), data=%d(0x%X)\n", regNo, static_cast<unsigned>(regNo),
                             data, static_cast<unsigned>(data)));
  ReturnInt(result, 0);
}

void BuiltinBusSave(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  const TBusHooks& h = env.Host().BusHooks();
  if (h.busSave) return ReturnInt(result, h.busSave(Int(args, 0)));
  env.Print(platform::Format("busSave: saveNo=%d\n", Int(args, 0)));
  ReturnInt(result, 0);
}

void BuiltinEcsSendCommand(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  const TBusHooks& h = env.Host().BusHooks();
  if (!h.ecs) {
    env.Print("EcsSendCommand: \n");
    return ReturnInt(result, 0);
  }
  const int32_t cmmdLen = Int(args, 1), ansLen = Int(args, 3);
  if (!LengthFits(args, 0, cmmdLen) || !LengthFits(args, 2, ansLen)) return ReturnInt(result, -1);
  std::vector<int> cmmd(static_cast<size_t>(cmmdLen));
  for (int32_t k = 0; k < cmmdLen; ++k) cmmd[static_cast<size_t>(k)] = Ref(args, 0, k)->ival;
  ReturnInt(result, SendEcs(h, cmmd, args, 2, ansLen, Int(args, 4)));
}

void BuiltinEcsSendCommandStr(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  const TBusHooks& h = env.Host().BusHooks();
  const std::string& text = Str(args, 0);
  if (!h.ecs) {
    env.Print(platform::Format("EcsSendCommandStr: %s \n", text.c_str()));
    return ReturnInt(result, 0);
  }
  const int32_t ansLen = Int(args, 2);
  if (!LengthFits(args, 1, ansLen)) return ReturnInt(result, -1);
  std::string hex;
  for (char c : text)
    if (c != ' ') hex += c;
  std::vector<int> cmmd;
  // Pairs of hexadecimal digits; a trailing odd digit is ignored.
  for (size_t i = 1; i < hex.size(); i += 2) {
    const int hi = HexDigit(hex[i - 1]), lo = HexDigit(hex[i]);
    if (hi < 0 || lo < 0) return ReturnInt(result, 1);
    cmmd.push_back(hi * 16 + lo);
  }
  ReturnInt(result, SendEcs(h, cmmd, args, 1, ansLen, Int(args, 3)));
}

void BuiltinIicTurnBInt(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  const TBusHooks& h = env.Host().BusHooks();
  if (h.iicTurnBInt) return ReturnInt(result, h.iicTurnBInt(Int(args, 0)));
  env.Print(platform::Format("iicTurnBInt: sw=%d\n", Int(args, 0)));
  ReturnInt(result, 0);
}

void BuiltinIicRead(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  const TBusHooks& h = env.Host().BusHooks();
  const int line = Int(args, 0), type = Int(args, 1), slave = Int(args, 2), sub = Int(args, 3);
  const int32_t n = Int(args, 5);
  if (!h.iicRead) {
    env.Print(platform::Format("iicRead: line=%d, type=%d, slave=%X, sub=%X\n", line, type,
                               static_cast<unsigned>(slave), static_cast<unsigned>(sub)));
    for (int32_t k = 0; k < n && k < RefCells(args, 4); ++k) SetInt(Ref(args, 4, k), k & 0xFF);
    return ReturnInt(result, 0);
  }
  if (!LengthFits(args, 4, n)) return ReturnInt(result, -1);
  std::vector<uint8_t> buffer(static_cast<size_t>(n) + 1, 0);
  const int status = h.iicRead(line, type, static_cast<uint16_t>(slave), sub, buffer.data(), n);
  if (status == 0)
    for (int32_t k = 0; k < n; ++k) SetInt(Ref(args, 4, k), buffer[static_cast<size_t>(k)]);
  ReturnInt(result, status);
}

void BuiltinIicWrite(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  const TBusHooks& h = env.Host().BusHooks();
  const int line = Int(args, 0), type = Int(args, 1), slave = Int(args, 2), sub = Int(args, 3);
  const int32_t n = Int(args, 5);
  const int32_t count = n < 0 ? 0 : std::min(n, RefCells(args, 4));
  std::vector<uint8_t> buffer(static_cast<size_t>(count) + 1, 0);
  for (int32_t k = 0; k < count; ++k) buffer[static_cast<size_t>(k)] = static_cast<uint8_t>(Ref(args, 4, k)->ival);
  if (h.iicWrite) {
    if (!LengthFits(args, 4, n)) return ReturnInt(result, -1);
    return ReturnInt(result, h.iicWrite(line, type, static_cast<uint16_t>(slave), sub, buffer.data(), n));
  }
  std::string trace = platform::Format("iicWrite: line=%d, type=%d, slave=%X, sub=%X\n", line, type,
                                       static_cast<unsigned>(slave), static_cast<unsigned>(sub));
  for (int32_t k = 0; k < count; ++k)
    trace += platform::Format("%d(0x%02x), ", buffer[static_cast<size_t>(k)], buffer[static_cast<size_t>(k)]);
  env.Print(trace + "\n");
  ReturnInt(result, 0);
}
