#include "script/machine/vmcode.h"

namespace {

struct OpFacts {
  VmOperand operands;
  VmFlow flow;
  int pops;
  int pushes;
};

constexpr OpFacts kOps[] = {
#define VM_OPERATION_FACTS(name, operands, flow, pops, pushes, interpreter) {operands, flow, pops, pushes},
    VM_OPERATIONS(VM_OPERATION_FACTS)
#undef VM_OPERATION_FACTS
};

const OpFacts* Facts(std::int32_t op) { return op >= 0 && op < kVmOpCount ? &kOps[op] : nullptr; }

int Count(int count, const vmcode_t& code) {
  switch (count) {
    case kByIndex: return code.b == vkFrameVar || code.b == vkGlobalVar ? 0 : 1;
    case kByCount: return code.a >= 0 ? code.a : -1;
    case kByCallee: return code.callee ? code.callee->paramCount : -1;
    case kByConstant: return code.a == pcInteger || code.a == pcFloating || code.a == pcString ? 1 : 0;
    case kByRelation: return code.a >= 42 && code.a <= 47 ? 1 : 0;
    default: return count;
  }
}

}  // namespace

VmOperand VmOpOperands(std::int32_t op) {
  const OpFacts* f = Facts(op);
  return f ? f->operands : voNone;
}

VmFlow VmOpFlow(std::int32_t op) {
  const OpFacts* f = Facts(op);
  return f ? f->flow : vfNext;
}

int VmOpPops(const vmcode_t& code) {
  const OpFacts* f = Facts(code.op);
  return f ? Count(f->pops, code) : 0;
}

int VmOpPushes(const vmcode_t& code) {
  const OpFacts* f = Facts(code.op);
  return f ? Count(f->pushes, code) : 0;
}
