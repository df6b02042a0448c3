// Builds an instruction list by hand, as the compiler would, so the virtual
// machine can be run on exact code (the format fuzz target).
#pragma once
#include <string>

#include "script/machine/jexecutable.h"
#include "script/machine/vmcode.h"

class VmAsm {
 public:
  VmAsm(TJExecutable& exe, const std::string& name) : exe_(exe), func_(new funcdata) {
    exe_.GetMemoryManager().AddFunc(func_);
    func_->name = name;
  }

  vmcode_t* Emit(int op, int a = 0, int b = 0) {
    auto* code = new vmcode_t;
    exe_.GetMemoryManager().AddInstruction(code);
    code->op = op;
    code->a = a;
    code->b = b;
    if (tail_) tail_->next = code;
    else func_->entry = code;
    tail_ = code;
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
  // Ends with the implicit "return 0", as every compiled function does.
  funcdata* Done() {
    Int(0);
    Emit(opReturn);
    return func_;
  }

 private:
  TJExecutable& exe_;
  funcdata* func_;
  vmcode_t* tail_ = nullptr;
};
