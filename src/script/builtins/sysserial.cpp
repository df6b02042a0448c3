#include "script/builtins/sysserial.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "link/baudrates.h"
#include "link/comport.h"
#include "model/linksettings.h"
#include "platform/clock.h"
#include "platform/convert.h"
#include "script/builtins/builtinargs.h"
#include "script/builtins/modulestate.h"
#include "script/builtins/regexscan.h"
#include "script/builtins/sysbuiltins.h"
#include "script/scripthost.h"

using namespace builtin;

namespace {

// Long waits are cut into slices so that a stopped script does not sit out a
// whole time-out first.
constexpr uint32_t kSliceMs = 50;

uint64_t NowMs() { return platform::SteadyClock().NowMs(); }

uint32_t Millis(int ms) { return ms < 0 ? 0u : static_cast<uint32_t>(ms); }

bool Stopped(const TScriptComPorts::StopFn& stop) { return stop && stop(); }

// One byte within timeout ms; false on time-out, a failed port or a stop.
bool ReadByte(TComPort& port, char& out, int timeout, const TScriptComPorts::StopFn& stop) {
  const uint64_t deadline = NowMs() + Millis(timeout);
  for (;;) {
    const uint64_t now = NowMs();
    const uint32_t slice = static_cast<uint32_t>(std::min<uint64_t>(deadline > now ? deadline - now : 0, kSliceMs));
    if (port.ReadByteWait(&out, slice)) return true;
    if (port.LastError() != TComPort::kErrTimeout || Stopped(stop) || NowMs() >= deadline) return false;
  }
}

void Pause(int ms, const TScriptComPorts::StopFn& stop) {
  const uint64_t deadline = NowMs() + Millis(ms);
  for (uint64_t now = NowMs(); now < deadline && !Stopped(stop); now = NowMs())
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<uint64_t>(deadline - now, kSliceMs)));
}

bool ContainsAny(const std::string& text, const std::vector<std::string>& items) {
  for (const std::string& item : items)
    if (SjisFind(text, item) != std::string::npos) return true;
  return false;
}

int BaudIndex(int baud) {
  for (int i = 0; i < kBaudRateCount; ++i)
    if (BaudRateTable[i] == baud) return i;
  return -1;
}

bool ValidSlot(int no) { return no >= 0 && no < TScriptComPorts::kSlotCount; }

}  // namespace

TScriptComPorts::~TScriptComPorts() { CloseAll(); }

std::shared_ptr<TComPort> TScriptComPorts::Port(int no) {
  if (!ValidSlot(no)) return nullptr;
  std::lock_guard<std::mutex> hold(lock_);
  return slots_[no];
}

int TScriptComPorts::Open(int no, int baud, int data, int parity, int stop, int flow, std::string* failure) {
  if (!ValidSlot(no)) return -1;
  const int index = BaudIndex(baud);
  if (index < 0) return -1;
  std::lock_guard<std::mutex> hold(lock_);
  if (slots_[no]) {
    slots_[no].reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  slots_[no] = std::make_shared<TComPort>();
  slots_[no]->SetDevicePath(ComPortDevicePath(no));
  // A port that does not open stays in its slot, closed: comIsOpen says 0.
  const bool ok = slots_[no]->Open(static_cast<uint8_t>(no), static_cast<uint8_t>(index), static_cast<uint8_t>(data),
                                   static_cast<uint8_t>(parity), static_cast<uint8_t>(stop),
                                   static_cast<uint8_t>(flow));
  if (failure) *failure = slots_[no]->OpenFailure();
  return ok ? no : -1;
}

int TScriptComPorts::Close(int no) {
  if (!ValidSlot(no)) return -1;
  std::shared_ptr<TComPort> old;
  {
    std::lock_guard<std::mutex> hold(lock_);
    old.swap(slots_[no]);
  }
  return 0;  // the port closes as the last reference goes, here or after a read in progress
}

int TScriptComPorts::CloseAll() {
  std::shared_ptr<TComPort> old[kSlotCount];
  std::lock_guard<std::mutex> hold(lock_);
  for (int i = 0; i < kSlotCount; ++i) old[i].swap(slots_[i]);
  for (auto& p : old) p.reset();
  return 0;
}

int TScriptComPorts::IsOpen(int no) {
  std::shared_ptr<TComPort> port = Port(no);
  return port && port->IsOpen() ? 1 : 0;
}

int TScriptComPorts::ReadAll(int no, std::string& buff, bool& read) {
  read = false;
  std::shared_ptr<TComPort> port = Port(no);
  if (!port) return -1;
  const int32_t n = port->InQueueCount();
  if (n <= 0) return 0;
  std::string bytes(static_cast<size_t>(n), '\0');
  uint32_t received = 0;
  if (!port->Read(reinterpret_cast<uint8_t*>(&bytes[0]), static_cast<uint32_t>(n), received)) return -1;
  bytes.resize(received);
  buff = std::string(bytes.c_str());  // the text ends at a zero byte
  read = true;
  return 0;
}

int TScriptComPorts::ReadChar(int no, std::string& buff, int timeout, const StopFn& stop) {
  std::shared_ptr<TComPort> port = Port(no);
  if (!port) return -1;
  char c = 0;
  if (!ReadByte(*port, c, timeout, stop)) return -1;
  buff = c ? std::string(1, c) : std::string();
  return 0;
}

int TScriptComPorts::ReadTo(int no, std::string& buff, bool& set, const std::vector<std::string>& delimiters,
                            int timeout, const StopFn& stop) {
  set = false;
  std::shared_ptr<TComPort> port = Port(no);
  if (!port) return -1;
  set = true;
  buff.clear();
  const uint64_t deadline = NowMs() + Millis(timeout);
  do {
    char c = 0;
    if (!ReadByte(*port, c, timeout, stop)) return -1;
    if (c) buff += c;
    if (ContainsAny(buff, delimiters)) return 0;
  } while (NowMs() < deadline);
  return -1;
}

int TScriptComPorts::ReadFromTo(int no, std::string& buff, bool& set, const std::vector<std::string>& headers,
                                const std::vector<std::string>& delimiters, int timeout, const StopFn& stop) {
  set = false;
  std::shared_ptr<TComPort> port = Port(no);
  if (!port) return -1;
  const uint64_t deadline = NowMs() + Millis(timeout);
  std::string work;
  size_t at = std::string::npos;
  while (at == std::string::npos) {
    char c = 0;
    if (!ReadByte(*port, c, timeout, stop)) return -1;
    if (NowMs() > deadline) return -1;
    work += c;
    for (const std::string& h : headers) {
      at = SjisFind(work, h);
      if (at != std::string::npos) break;
    }
  }
  buff = work.substr(at);
  set = true;
  do {
    char c = 0;
    if (!ReadByte(*port, c, timeout, stop)) return -1;
    buff += c;
    if (ContainsAny(buff, delimiters)) return 0;
  } while (NowMs() < deadline);
  return -1;
}

int TScriptComPorts::Write(int no, const std::string& buff) {
  std::shared_ptr<TComPort> port = Port(no);
  if (!port) return -1;
  return port->WriteString(buff.c_str()) ? 0 : -1;
}

int TScriptComPorts::WriteWithEchoBack(int no, const std::string& buff, int check, int wait, int timeout,
                                       const StopFn& stop) {
  std::shared_ptr<TComPort> port = Port(no);
  if (!port) return -1;
  for (char out : buff) {
    if (!port->Write(reinterpret_cast<const uint8_t*>(&out), 1)) return -1;
    Pause(wait, stop);
    const uint64_t deadline = NowMs() + Millis(timeout);
    for (;;) {
      char in = 0;
      if (!ReadByte(*port, in, timeout, stop)) return -1;
      if (NowMs() > deadline) return -1;
      if (check == 0 || in == out) break;
    }
  }
  return 0;
}

int TScriptComPorts::Clear(int no) {
  std::shared_ptr<TComPort> port = Port(no);
  if (!port) return -1;
  port->Purge();
  return 0;
}

int TScriptComPorts::ModemCheck(int no, int check, int count, int timeout, const PrintFn& print,
                                const StopFn& stop) {
  std::shared_ptr<TComPort> port = Port(no);
  if (!port) return -1;
  print("MODEM check start.\r\n");
  unsigned char last = 0;  // nothing received: the echo shows as 00
  for (int i = 0; i < count; ++i) {
    char c = 0;
    if (!ReadByte(*port, c, timeout, stop)) {
      print(platform::Format("ERROR:timeout(count=%d)\r\n", i));
      return -1;
    }
    last = static_cast<unsigned char>(c);
    if (last != static_cast<unsigned char>(check)) {
      print(platform::Format("ERROR:check NG(count=%d, recv=0x%02X)\r\n", i, last));
      return -1;
    }
    if (!port->Write(&last, 1)) {
      print(platform::Format("ERROR:fail to write(count=%d)\r\n", i));
      return -1;
    }
  }
  print(platform::Format("MODEM check OK, echo = %02x, count = %d\n", last, count));
  return 0;
}

// ---- Handlers ----

namespace {

TScriptComPorts::StopFn StopOf(ScriptEnv& env) {
  return [&env] { return env.StopRequested(); };
}

// The first n strings of a by-reference array, no more than it has.
std::vector<std::string> Strings(TStackData* args, int i, int32_t n) {
  std::vector<std::string> out;
  const int32_t count = std::min(n, RefCells(args, i));
  for (int32_t k = 0; k < count; ++k) out.push_back(Ref(args, i, k)->sval);
  return out;
}

}  // namespace

void BuiltinComOpen(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  std::string failure;
  ReturnInt(result, env.Host().ModuleState().ports.Open(Int(args, 0), Int(args, 1), Int(args, 2), Int(args, 3),
                                                        Int(args, 4), Int(args, 5), &failure));
  // The program's log says which device did not open and why.
  if (!failure.empty()) env.Host().AddMessage(failure);
}

void BuiltinComClose(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().ports.Close(Int(args, 0)));
}

void BuiltinComReadAll(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  std::string buff;
  bool read = false;
  const int rc = env.Host().ModuleState().ports.ReadAll(Int(args, 0), buff, read);
  if (read) SetStr(Ref(args, 1), buff);
  ReturnInt(result, rc);
}

void BuiltinComReadChar(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  std::string buff;
  const int rc = env.Host().ModuleState().ports.ReadChar(Int(args, 0), buff, Int(args, 2), StopOf(env));
  if (rc == 0) SetStr(Ref(args, 1), buff);
  ReturnInt(result, rc);
}

void BuiltinComReadTo(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  std::string buff;
  bool set = false;
  const int rc = env.Host().ModuleState().ports.ReadTo(Int(args, 0), buff, set, Strings(args, 2, Int(args, 3)),
                                                       Int(args, 4), StopOf(env));
  if (set) SetStr(Ref(args, 1), buff);
  ReturnInt(result, rc);
}

void BuiltinComReadFromTo(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  std::string buff;
  bool set = false;
  const int rc = env.Host().ModuleState().ports.ReadFromTo(Int(args, 0), buff, set, Strings(args, 2, Int(args, 3)),
                                                           Strings(args, 4, Int(args, 5)), Int(args, 6), StopOf(env));
  if (set) SetStr(Ref(args, 1), buff);
  ReturnInt(result, rc);
}

void BuiltinComWrite(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().ports.Write(Int(args, 0), Str(args, 1)));
}

void BuiltinComWriteWithEchoBack(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().ports.WriteWithEchoBack(Int(args, 0), Str(args, 1), Int(args, 2),
                                                                     Int(args, 3), Int(args, 4), StopOf(env)));
}

void BuiltinComIsOpen(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().ports.IsOpen(Int(args, 0)));
}

void BuiltinComCloseAll(TStackData*, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().ports.CloseAll());
}

void BuiltinComClear(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().ports.Clear(Int(args, 0)));
}

void BuiltinComModemCheck(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().ports.ModemCheck(
                        Int(args, 0), Int(args, 1), Int(args, 2), Int(args, 3),
                        [&env](const std::string& text) { env.Print(text); }, StopOf(env)));
}
