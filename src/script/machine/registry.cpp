#include "script/machine/registry.h"

TJMemoryManager::~TJMemoryManager() { Clear(); }

void TJMemoryManager::AddInstruction(vmcode_t* code) {
  if (code) codes_.insert(code);
}

void TJMemoryManager::AddFunc(funcdata* func) {
  if (func) funcs_.insert(func);
}

void TJMemoryManager::AddVar(vardata* var) {
  if (var) vars_.insert(var);
}

void TJMemoryManager::FreeInstruction(vmcode_t* code) {
  if (codes_.erase(code) != 0) delete code;
}

void TJMemoryManager::Clear() {
  for (vmcode_t* code : codes_) delete code;
  codes_.clear();
  for (funcdata* func : funcs_) delete func;
  funcs_.clear();
  for (vardata* var : vars_) delete var;
  vars_.clear();
}
