// Owner of everything compiled for one script thread. Each TJExecutable holds
// one (handed out by TJExecutable::GetMemoryManager()); its destruction frees
// every instruction and descriptor, however far compilation got and however
// the instruction lists were relinked.
#pragma once
#include <cstddef>
#include <unordered_set>

#include "script/machine/vmcode.h"

class TJMemoryManager {
 public:
  TJMemoryManager() = default;
  ~TJMemoryManager();
  TJMemoryManager(const TJMemoryManager&) = delete;
  TJMemoryManager& operator=(const TJMemoryManager&) = delete;

  // Take ownership; a pointer already held is not added twice.
  void AddInstruction(vmcode_t* code);
  void AddFunc(funcdata* func);
  void AddVar(vardata* var);
  // Deletes a registered instruction; an unregistered one is left alone.
  void FreeInstruction(vmcode_t* code);
  // Deletes every instruction, then every function, then every variable.
  void Clear();

 private:
  std::unordered_set<vmcode_t*> codes_;
  std::unordered_set<funcdata*> funcs_;
  std::unordered_set<vardata*> vars_;
};
