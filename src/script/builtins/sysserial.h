// The script serial ports: eight slots (comPortNo 0 to 7 open COM1 to COM8)
// that outlive a script run until a script closes them or their script host
// goes with the program. Opening and closing hold the module lock.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "script/machine/vmcode.h"

class ScriptEnv;
class TComPort;

class TScriptComPorts {
 public:
  static constexpr int kSlotCount = 8;
  using StopFn = std::function<bool()>;
  using PrintFn = std::function<void(const std::string&)>;

  // moduleLock serialises opening and closing; it must outlive the ports.
  explicit TScriptComPorts(std::mutex& moduleLock) : lock_(moduleLock) {}
  ~TScriptComPorts();
  TScriptComPorts(const TScriptComPorts&) = delete;
  TScriptComPorts& operator=(const TScriptComPorts&) = delete;

  // The slot number on success, -1 for a bad slot or rate or a port that did
  // not open. An open slot is closed first and given 100 ms to settle.
  // A device that does not open leaves its path and the reason in failure.
  int Open(int no, int baud, int data, int parity, int stop, int flow, std::string* failure = nullptr);
  // 0 (also for an empty slot), -1 for a bad slot.
  int Close(int no);
  // Every byte waiting; read is false (and buff untouched) when none was.
  int ReadAll(int no, std::string& buff, bool& read);
  // One byte within timeout ms; a zero byte gives the empty string.
  int ReadChar(int no, std::string& buff, int timeout, const StopFn& stop);
  // Reads into buff (emptied first; set true) until one of delimiters occurs
  // in it; buff keeps what came when the time runs out.
  int ReadTo(int no, std::string& buff, bool& set, const std::vector<std::string>& delimiters, int timeout,
             const StopFn& stop);
  // Skips input up to the first of headers, then reads until a delimiter;
  // buff changes (set true) once a header was found.
  int ReadFromTo(int no, std::string& buff, bool& set, const std::vector<std::string>& headers,
                 const std::vector<std::string>& delimiters, int timeout, const StopFn& stop);
  int Write(int no, const std::string& buff);
  // Writes byte by byte, each followed by wait ms and its echo (any byte when
  // check is 0, else the same byte) within timeout ms.
  int WriteWithEchoBack(int no, const std::string& buff, int check, int wait, int timeout, const StopFn& stop);
  // 1 when the slot holds an open port.
  int IsOpen(int no);
  int CloseAll();
  int Clear(int no);
  // Echoes count check bytes sent by the far end, with trace lines.
  int ModemCheck(int no, int check, int count, int timeout, const PrintFn& print, const StopFn& stop);

 private:
  std::shared_ptr<TComPort> Port(int no);

  // Readers hold their own reference, so a close from another thread never
  // pulls a port from under a read in progress.
  std::mutex& lock_;
  std::shared_ptr<TComPort> slots_[kSlotCount];
};

void BuiltinComOpen(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinComClose(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinComReadAll(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinComReadChar(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinComReadTo(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinComReadFromTo(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinComWrite(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinComWriteWithEchoBack(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinComIsOpen(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinComCloseAll(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinComClear(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinComModemCheck(TStackData* args, vmcode_t* result, ScriptEnv& env);
