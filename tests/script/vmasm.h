// Builds instruction lists by hand, as the compiler would, so the virtual
// machine can be tested on exact code.
#pragma once
#include <string>
#include <vector>

#include "script/jexecutable.h"
#include "script/vmcode.h"

class VmAsm {
 public:
  VmAsm(TJExecutable& exe, const std::string& name, int params = 0, int frameCells = 0)
      : exe_(exe), func_(new funcdata) {
    exe_.GetMemoryManager().AddFunc(func_);
    func_->name = name;
    func_->paramCount = params;
    func_->frameCells = frameCells;
    for (int i = 0; i < params; ++i) func_->byValue[i] = 1;
  }

  vmcode_t* Emit(int op, int a = 0, int b = 0) {
    auto* code = new vmcode_t;
    exe_.GetMemoryManager().AddInstruction(code);
    code->op = op;
    code->a = a;
    code->b = b;
    code->line = line;
    if (tail_) tail_->next = code;
    else func_->entry = code;
    tail_ = code;
    for (vmcode_t* j : pending_) j->target = code;
    pending_.clear();
    return code;
  }
  vmcode_t* Int(int v) { return Emit(opPushConst, pcInteger, v); }
  vmcode_t* Float(double v) {
    vmcode_t* c = Emit(opPushConst, pcFloating);
    c->fval = v;
    return c;
  }
  vmcode_t* Str(const std::string& s) {
    vmcode_t* c = Emit(opPushConst, pcString);
    c->sval = s;
    return c;
  }
  vmcode_t* Call(funcdata* f) {
    vmcode_t* c = Emit(opCall);
    c->callee = f;
    return c;
  }
  // The jump's target becomes the next instruction emitted.
  void ToNext(vmcode_t* jump) { pending_.push_back(jump); }
  // Ends with the implicit "return 0", as every compiled function does.
  funcdata* Done() {
    Int(0);
    Emit(opReturn);
    return func_;
  }
  funcdata* Func() const { return func_; }

  int line = 0;

 private:
  TJExecutable& exe_;
  funcdata* func_;
  vmcode_t* tail_ = nullptr;
  std::vector<vmcode_t*> pending_;
};
