// Reading the argument cells of a built-in and writing its results. Handlers
// read the field they need whatever the cell's kind; what they write through a
// reference gets the kind of what was written, so the script reads it back.
#pragma once
#include <cstdint>
#include <string>

#include "script/machine/vmcode.h"

namespace builtin {

inline std::int32_t Int(const TStackData* args, int i) { return args[i].ival; }
inline double Float(const TStackData* args, int i) { return args[i].fval; }
inline const std::string& Str(const TStackData* args, int i) { return args[i].sval; }

// Cell k of what by-reference argument i designates (the variable itself for
// k = 0, the following elements of its array after it); null when the
// argument is not a reference or k lies outside the cells it may reach.
inline TStackData* Ref(TStackData* args, int i, std::int64_t k = 0) {
  TStackData& a = args[i];
  if (a.kind != dtReference || a.ref == nullptr || k < 0 || k >= a.refCells) return nullptr;
  return a.ref + k;
}
// How many cells from by-reference argument i a handler may address.
inline std::int32_t RefCells(const TStackData* args, int i) {
  const TStackData& a = args[i];
  return a.kind == dtReference && a.ref != nullptr && a.refCells > 0 ? a.refCells : 0;
}

inline void SetInt(TStackData* cell, std::int32_t v) {
  if (!cell) return;
  cell->kind = dtInteger;
  cell->ival = v;
}
inline void SetFloat(TStackData* cell, double v) {
  if (!cell) return;
  cell->kind = dtFloating;
  cell->fval = v;
}
inline void SetStr(TStackData* cell, const std::string& v) {
  if (!cell) return;
  cell->kind = dtString;
  cell->sval = v;
}

// The result record (absent when a handler is run for its effect alone).
inline void ReturnInt(vmcode_t* result, std::int32_t v) {
  if (!result) return;
  result->a = pcInteger;
  result->b = v;
}
inline void ReturnStr(vmcode_t* result, const std::string& v) {
  if (!result) return;
  result->a = pcString;
  result->sval = v;
}

}  // namespace builtin
