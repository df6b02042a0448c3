// Values and instructions shared by the script compiler and the virtual machine.
#pragma once
#include <cstdint>
#include <string>

// Kind of a value cell.
enum : std::uint8_t {
  dtInteger = 0,
  dtFloating = 1,
  dtString = 2,
  dtReference = 3,
};

// One value cell: stack slots, globals, the return cell and built-in arguments.
// All value fields are kept whatever the kind; only the one named by kind is
// the value. Built-ins read a field without looking at the kind.
struct TStackData {
  std::uint8_t kind = dtInteger;
  std::int32_t ival = 0;
  double fval = 0.0;
  std::string sval;
  // Designated cell when kind is dtReference.
  TStackData* ref = nullptr;
  // Number of cells from ref onward that the reference may address: the
  // rest of the array for an array element, 1 for a plain variable. Keeps
  // indexing through a by-reference parameter inside the caller's array.
  std::int32_t refCells = 0;
};

// Addressing of opPushRef/opPushRefAlt (a cell, b storage kind):
//   vkFrameVar: frame cell a;           vkGlobalVar: global cell a;
//   vkFrameArray: frame cell a + index; vkGlobalArray: global cell a + index
//     (index popped first, must be an integer in 0..cells-1 of the instruction);
//   any other kind (vkRefParam): frame cell a holds a reference R; the cell is
//     R.ref + index, index in 0..R.refCells-1.
// A reference pushed by opPushRefAlt carries refCells = the cells left from
// the addressed one to the end of its array (1 for a plain variable).

// What the operands of an instruction are.
enum VmOperand : std::uint8_t {
  voNone,
  voVariable,  // a cell, b storage kind (see the addressing above)
  voConstant,  // a = pcInteger (value b), pcFloating (fval) or pcString (sval)
  voRelation,  // a = relation token: 42 ==, 43 !=, 44 <, 45 <=, 46 >, 47 >=
  voTarget,    // target; b != 0: keep a value when jumping (see opJumpFalse)
  voCallee,    // callee
  voCount,     // a = argument count; the result goes into the next instruction
  voLabel,     // a = label number; removed by the compiler
};

// Where control goes after an instruction.
enum VmFlow : std::uint8_t {
  vfNext,    // the next instruction
  vfBranch,  // the target or the next instruction
  vfJump,    // the target
  vfCall,    // the callee, then the next instruction
  vfReturn,  // back to the caller
};

// Stack effect: cells popped and pushed on the way to the next instruction
// (a taken opJumpFalse/opJumpTrue pushes b != 0 more). Negative counts depend
// on the operands; VmOpPops and VmOpPushes work them out.
constexpr int kByIndex = -1;     // 0 for vkFrameVar and vkGlobalVar, else 1 (the index)
constexpr int kByCount = -2;     // operand a
constexpr int kByCallee = -3;    // the callee's parameter count
constexpr int kByConstant = -4;  // 1 for pcInteger/pcFloating/pcString, else 0
constexpr int kByRelation = -5;  // 1 for a known relation, else 0

// The instruction set, in operation-number order from 0: name (the operation is
// op<name>), operands, flow, cells popped, cells pushed, and what the
// interpreter runs for it: Same, its own operation fo<name> with the operands
// as they are; Own, what the flat layout makes of it (see TFlatCode). Operation
// numbers above the last one are built-in ids instead (1001-1080 system module,
// 2001-2013 bus module). Each row goes through R(X, row...), so that a list can
// take the rows it needs (the flat code takes the Same ones).
#define VM_OPERATION_ROWS(R, X)                                                                                \
  R(X, PushRef, voVariable, vfNext, kByIndex, 1, Own)        /* push a copy of the addressed cell */           \
  R(X, PushRefAlt, voVariable, vfNext, kByIndex, 1, Own)     /* push a reference to it */                      \
  R(X, PushConst, voConstant, vfNext, 0, kByConstant, Own)                                                     \
  R(X, Pop, voNone, vfNext, 1, 0, Same)                                                                        \
  R(X, Assign, voNone, vfNext, 2, 1, Same)                   /* pop value, pop reference, store, push value */ \
  R(X, Add, voNone, vfNext, 2, 1, Same)                                                                        \
  R(X, Sub, voNone, vfNext, 2, 1, Same)                                                                        \
  R(X, Mul, voNone, vfNext, 2, 1, Same)                                                                        \
  R(X, Div, voNone, vfNext, 2, 1, Same)                                                                        \
  R(X, Mod, voNone, vfNext, 2, 1, Same)                                                                        \
  R(X, Neg, voNone, vfNext, 1, 1, Same)                                                                        \
  R(X, Compare, voRelation, vfNext, 2, kByRelation, Own)                                                       \
  R(X, Not, voNone, vfNext, 1, 1, Same)                                                                        \
  R(X, BitAnd, voNone, vfNext, 2, 1, Same)                                                                     \
  R(X, BitOr, voNone, vfNext, 2, 1, Same)                                                                      \
  R(X, BitXor, voNone, vfNext, 2, 1, Same)                                                                     \
  R(X, BitNot, voNone, vfNext, 1, 1, Same)                                                                     \
  R(X, Shl, voNone, vfNext, 2, 1, Same)                                                                        \
  R(X, Shr, voNone, vfNext, 2, 1, Same)                                                                        \
  R(X, Return, voNone, vfReturn, 1, 0, Same)                                                                   \
  R(X, Jump, voTarget, vfJump, 0, 0, Own)                                                                      \
  R(X, JumpFalse, voTarget, vfBranch, 1, 0, Own)                                                               \
  R(X, JumpTrue, voTarget, vfBranch, 1, 0, Own)                                                                \
  R(X, Call, voCallee, vfCall, kByCallee, 1, Own)                                                              \
  R(X, Print, voCount, vfNext, kByCount, 0, Own)                                                               \
  R(X, StrPrintf, voCount, vfNext, kByCount, 0, Own)                                                           \
  R(X, Label, voLabel, vfNext, 0, 0, Own)                                                                      \
  R(X, Typeof, voNone, vfNext, 1, 1, Same)                                                                     \
  R(X, StrLength, voNone, vfNext, 1, 1, Same)                                                                  \
  R(X, ToString, voNone, vfNext, 1, 1, Same)                                                                   \
  R(X, ToInteger, voNone, vfNext, 1, 1, Same)                                                                  \
  R(X, ToFloating, voNone, vfNext, 1, 1, Same)                                                                 \
  R(X, SysGetParam, voNone, vfNext, 1, 1, Same)
#define VM_OPERATION_ROW(X, ...) X(__VA_ARGS__)
// Every row as X(name, operands, flow, pops, pushes, interpreter).
#define VM_OPERATIONS(X) VM_OPERATION_ROWS(VM_OPERATION_ROW, X)

enum VmOp : std::int32_t {
#define VM_OPERATION_ENUM(name, operand, flow, pops, pushes, interpreter) op##name,
  VM_OPERATIONS(VM_OPERATION_ENUM)
#undef VM_OPERATION_ENUM
  kVmOpCount
};
constexpr std::int32_t opLastVmOp = kVmOpCount - 1;
static_assert(opLabel == 26 && opSysGetParam == 32, "built-in ids start above the fixed operation numbers");

// Operand a of opPushConst.
enum : std::int32_t {
  pcInteger = 1,
  pcFloating = 2,
  pcString = 3,
};

// Built-in ids: system module 1001-1080, bus module 2001-2013.
constexpr std::int32_t kBuiltinIdBase = 1000;
constexpr std::int32_t kBusBuiltinIdBase = 2000;

// Storage kind of a variable (vardata::kind, operand b of opPushRef/opPushRefAlt).
enum : std::int32_t {
  vkFrameVar = 1,
  vkFrameArray = 2,
  vkRefParam = 4,     // frame cell holding a reference
  vkGlobalVar = 17,
  vkGlobalArray = 18,
};
// Kinds that take an index (2, 4 and 18).
constexpr std::int32_t vkIndexableMask = 6;

struct funcdata;

// One instruction; a compiled function is a singly linked list of them,
// owned by the executable's TJMemoryManager.
struct vmcode_t {
  vmcode_t* next = nullptr;
  std::int32_t op = 0;       // VmOp or built-in id
  std::int32_t a = 0;
  std::int32_t b = 0;
  double fval = 0.0;         // opPushConst pcFloating
  std::string sval;          // opPushConst pcString; also written at run time as a result record
  vmcode_t* target = nullptr;    // opJump, opJumpFalse, opJumpTrue
  funcdata* callee = nullptr;    // opCall
  std::int32_t line = 0;     // user script line, 0 for the prelude and start-up code
  // opPushRef/opPushRefAlt on vkFrameArray/vkGlobalArray: the array's cell
  // count, so the machine can refuse an index outside it.
  std::int32_t cells = 0;
};

constexpr int kMaxParams = 10;

// One script function.
struct funcdata {
  vmcode_t* entry = nullptr;
  std::string name;
  std::int32_t frameCells = 0;   // parameters, locals and local arrays
  std::int32_t paramCount = 0;   // 0..kMaxParams
  std::int32_t byValue[kMaxParams] = {};  // 1 by value, 0 by reference
};

// One declared variable or parameter.
struct vardata {
  std::int32_t cell = 0;   // first cell, in the frame or the global area
  std::int32_t kind = 0;   // vk* storage kind
  std::int32_t cells = 1;  // cells taken: the array size, 1 otherwise
};

// Facts of the instruction set list. For a built-in id: no operands,
// flow vfNext, nothing popped or pushed.
VmOperand VmOpOperands(std::int32_t op);
VmFlow VmOpFlow(std::int32_t op);
// Cells the instruction pops and pushes on the way to the next one; -1 when its
// operands leave that open (a call without a callee).
int VmOpPops(const vmcode_t& code);
int VmOpPushes(const vmcode_t& code);
