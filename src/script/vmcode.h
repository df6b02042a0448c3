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
//
// Instruction set. Values 1001-1080 and 2001-2013 in vmcode_t::op are
// built-in calls instead (the ids of the module tables).
enum VmOp : std::int32_t {
  opPushRef = 0,       // a cell, b storage kind: push a copy (array kinds pop an index first)
  opPushRefAlt = 1,    // same addressing: push a reference
  opPushConst = 2,     // a = pcInteger/pcFloating/pcString
  opPop = 3,
  opAssign = 4,        // pop value, pop reference, store, push value
  opAdd = 5,
  opSub = 6,
  opMul = 7,
  opDiv = 8,
  opMod = 9,
  opNeg = 10,
  opCompare = 11,      // a = relation token: 42 ==, 43 !=, 44 <, 45 <=, 46 >, 47 >=
  opNot = 12,
  opBitAnd = 13,
  opBitOr = 14,
  opBitXor = 15,
  opBitNot = 16,
  opShl = 17,
  opShr = 18,
  opReturn = 19,
  opJump = 20,         // target
  opJumpFalse = 21,    // target; b != 0: push integer 0 when jumping
  opJumpTrue = 22,     // target; b != 0: push integer 1 when jumping
  opCall = 23,         // callee
  opPrint = 24,        // a argument count; result into the next instruction
  opStrPrintf = 25,    // a argument count; result into the next instruction
  opLabel = 26,        // a label number; removed by the compiler
  opTypeof = 27,
  opStrLength = 28,
  opToString = 29,
  opToInteger = 30,
  opToFloating = 31,
  opSysGetParam = 32,
  opLastVmOp = 32,
};

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
