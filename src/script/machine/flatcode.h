// The compiled code as the interpreter runs it: every function that the entry
// can reach, laid out in one array, with superinstructions for the commonest
// sequences. Made from the instruction lists when a run starts; the lists stay
// as the compiler left them, and built-ins and print still write their results
// into them.
//
// Every superinstruction does what its sequence did, in the same order, with
// the same errors and stack use: pushes that it no longer makes are still
// counted against the stack's end (need), and an assignment to a plain
// variable keeps the reference's cell free (skip) instead of filling it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "script/machine/vmcode.h"

// The interpreter's operations, with what the layout may do with them:
//   kFlatSkip  it may start an expression: it steps over the cells of removed
//          reference pushes (skip) before it runs;
//   kFlatPure  it pushes one value made from variables and constants alone.
// Names ending in L, G, C and S take a local (frame) cell, a global cell, an
// integer constant or the stack top.
constexpr std::uint8_t kFlatSkip = 1;
constexpr std::uint8_t kFlatPure = 2;
// First the instructions of the lists that the interpreter runs as they are
// (Same in VM_OPERATIONS), then the rest.
#define FLAT_OPERATIONS(X)                                                                                   \
  VM_OPERATION_ROWS(FLAT_SAME_OPERATION, X)                                                                  \
  /* the other instructions of the lists */                                                                  \
  X(PushL, kFlatSkip | kFlatPure) X(PushG, kFlatSkip | kFlatPure) X(PushIndexed, 0) X(PushRefL, kFlatSkip)    \
  X(PushRefG, kFlatSkip) X(PushRefIndexed, 0) X(PushInt, kFlatSkip | kFlatPure)                              \
  X(PushFloat, kFlatSkip | kFlatPure) X(PushStr, kFlatSkip | kFlatPure) X(PushRecord, 0) X(Compare, 0)       \
  X(Jump, 0) X(JumpFalse, 0) X(JumpTrue, 0) X(Call, 0) X(Print, 0) X(StrPrintf, 0) X(Nop, 0) X(Builtin, 0)    \
  /* code that cannot run: a built-in outside the prelude, a list that ends */                               \
  X(BadCode, 0)                                                                                              \
  /* the free cells of removed reference pushes, where nothing else takes them */                            \
  X(Reserve, kFlatSkip)                                                                                      \
  /* opAssign and opPop; an assignment to a plain variable */                                                \
  X(AssignPop, 0) X(StoreL, 0) X(StoreG, 0) X(StoreKeepL, 0) X(StoreKeepG, 0)                                \
  /* print and strPrintf with the push of their result */                                                    \
  X(PrintPush, 0) X(StrPrintfPush, 0)                                                                        \
  /* a variable and a constant or a variable, then an operator */                                            \
  X(AddLC, kFlatSkip | kFlatPure) X(SubLC, kFlatSkip | kFlatPure) X(MulLC, kFlatSkip | kFlatPure)            \
  X(DivLC, kFlatSkip | kFlatPure) X(ModLC, kFlatSkip | kFlatPure) X(AddLL, kFlatSkip | kFlatPure)            \
  X(SubLL, kFlatSkip | kFlatPure) X(MulLL, kFlatSkip | kFlatPure) X(StrLengthL, kFlatSkip | kFlatPure)       \
  /* comparison and opJumpFalse; an opJump to such a test makes the test itself */                           \
  X(CmpLCJumpFalse, 0) X(CmpLLJumpFalse, 0) X(CmpSCJumpFalse, 0) X(CmpJumpFalse, 0)                          \
  X(BranchLC, 0) X(BranchLL, 0)                                                                              \
  /* v = v op value: the operator works on the variable itself */                                            \
  X(OpToL, 0) X(OpToLC, 0) X(OpToLL, 0)                                                                      \
  /* the return of a variable or a constant */                                                               \
  X(ReturnL, 0) X(ReturnInt, 0)
#define FLAT_SAME_OPERATION(X, name, operands, flow, pops, pushes, interpreter) FLAT_SAME_##interpreter(X, name)
#define FLAT_SAME_Same(X, name) X(name, 0)
#define FLAT_SAME_Own(X, name)

enum FlatOp : std::uint16_t {
#define FLAT_OPERATION_ENUM(name, flags) fo##name,
  FLAT_OPERATIONS(FLAT_OPERATION_ENUM)
#undef FLAT_OPERATION_ENUM
  kFlatOpCount
};

class TPrintfFormat;

struct TFlatInsn {
  const void* label = nullptr;  // the interpreter's code for op (threaded dispatch)
  FlatOp op = foNop;
  std::uint8_t skip = 0;  // cells of removed reference pushes to step over first
  bool back = false;      // a jump to here or before it: the stop check
  std::int32_t need = 0;  // free cells above the stack top (before skip) that the replaced pushes needed
  std::int32_t a = 0;     // a cell, a constant, a count or a built-in id
  std::int32_t b = 0;
  std::int32_t c = 0;     // a relation as a mask (CompareMask), or a VmOp
  const TFlatInsn* target = nullptr;  // a jump's target; a branch's target when the test holds
  const TFlatInsn* other = nullptr;   // a branch's target otherwise; the callee's first instruction
  funcdata* callee = nullptr;
  vmcode_t* code = nullptr;  // the list instruction: constants, result records, indexed addressing
  TPrintfFormat* format = nullptr;
};

// Bit (three-way result + 1) is set when the relation holds: 1 less, 2 equal,
// 4 greater. 0 for an unknown relation.
int CompareMask(std::int32_t relation);

class TFlatCode {
 public:
  TFlatCode();
  ~TFlatCode();
  TFlatCode(const TFlatCode&) = delete;
  TFlatCode& operator=(const TFlatCode&) = delete;

  // Lays out entry and every function it calls, directly or not. The handler
  // address of each operation is taken from labels (indexed by FlatOp; null
  // for an interpreter without threaded dispatch).
  void Build(funcdata* entry, const void* const* labels);
  // The first instruction of entry.
  const TFlatInsn* Entry() const { return entry_; }
  std::size_t Size() const { return insns_.size(); }

 private:
  class Builder;
  std::vector<TFlatInsn> insns_;
  std::vector<std::unique_ptr<TPrintfFormat>> formats_;
  const TFlatInsn* entry_ = nullptr;
};
