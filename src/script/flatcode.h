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

#include "script/vmcode.h"

// The interpreter's operations. Names ending in L, G, C and S take a local
// (frame) cell, a global cell, an integer constant or the stack top.
#define FLAT_OPERATIONS(X)                                                                   \
  /* one instruction of the lists each */                                                  \
  X(PushL) X(PushG) X(PushIndexed) X(PushRefL) X(PushRefG) X(PushRefIndexed) X(PushInt)     \
  X(PushFloat) X(PushStr) X(PushRecord) X(Pop) X(Assign) X(Add) X(Sub) X(Mul) X(Div) X(Mod) \
  X(Neg) X(Compare) X(Not) X(BitAnd) X(BitOr) X(BitXor) X(BitNot) X(Shl) X(Shr) X(Return)    \
  X(Jump) X(JumpFalse) X(JumpTrue) X(Call) X(Print) X(StrPrintf) X(Nop) X(Typeof)           \
  X(StrLength) X(ToString) X(ToInteger) X(ToFloating) X(SysGetParam) X(Builtin)             \
  /* code that cannot run: a built-in outside the prelude, a list that ends */              \
  X(BadCode)                                                                                 \
  /* the free cells of removed reference pushes, where nothing else takes them */           \
  X(Reserve)                                                                                 \
  /* opAssign and opPop; an assignment to a plain variable */                               \
  X(AssignPop) X(StoreL) X(StoreG) X(StoreKeepL) X(StoreKeepG)                               \
  /* print and strPrintf with the push of their result */                                   \
  X(PrintPush) X(StrPrintfPush)                                                              \
  /* a variable and a constant or a variable, then an operator */                           \
  X(AddLC) X(SubLC) X(MulLC) X(DivLC) X(ModLC) X(AddLL) X(SubLL) X(MulLL) X(StrLengthL)      \
  /* comparison and opJumpFalse; an opJump to such a test makes the test itself */          \
  X(CmpLCJumpFalse) X(CmpLLJumpFalse) X(CmpSCJumpFalse) X(CmpJumpFalse) X(BranchLC)         \
  X(BranchLL)                                                                                \
  /* v = v op value: the operator works on the variable itself */                           \
  X(OpToL) X(OpToLC) X(OpToLL)                                                               \
  /* the return of a variable or a constant */                                              \
  X(ReturnL) X(ReturnInt)

enum FlatOp : std::uint16_t {
#define FLAT_OPERATION_ENUM(name) fo##name,
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
