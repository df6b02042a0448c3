#include "script/compiler/jcompiler_expr.h"

#include <cstdarg>

#include "script/compiler/jcompiler.h"
#include "script/compiler/jcompiler_format.h"
#include "script/compiler/lexer.h"
#include "script/compiler/tokens.h"
#include "script/machine/vmcode.h"

namespace {

// Nesting of parentheses, prefix operators and assignments; bounded so that
// hostile input cannot exhaust the stack.
constexpr int kMaxDepth = 500;

class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  bool TooDeep() const { return depth_ > kMaxDepth; }

 private:
  int& depth_;
};

}  // namespace

bool TExpression::Fail(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  error_ = VFormatText(format, ap);
  va_end(ap);
  return false;
}

bool TExpression::Next() {
  if (lexer_->GetToken()) return true;
  error_ = lexer_->GetErrorText();
  return false;
}

std::int32_t TExpression::Current() const { return lexer_->CurrentToken().kind; }

bool TExpression::Expression() {
  bool assignable = true;
  return Assignment(assignable);
}

bool TExpression::Assignment(bool& assignable) {
  DepthGuard guard(depth_);
  if (guard.TooDeep()) return Fail("式が複雑すぎます");
  if (!LogicalOr(assignable)) return false;
  if (Current() != tkAssign) return true;
  if (!assignable) return Fail("非左辺値への代入");
  compiler_->LastEmitted()->op = opPushRefAlt;
  assignable = false;
  if (!Expression()) return false;
  compiler_->Emit(opAssign);
  return true;
}

bool TExpression::LogicalOr(bool& assignable) {
  if (!LogicalAnd(assignable)) return false;
  while (Current() == tkOrOr) {
    assignable = false;
    std::int32_t label = compiler_->NewLabel();
    compiler_->Emit(opJumpTrue, label, 1);
    if (!LogicalAnd(assignable)) return false;
    compiler_->Emit(opLabel, label);
  }
  return true;
}

bool TExpression::LogicalAnd(bool& assignable) {
  if (!Equality(assignable)) return false;
  while (Current() == tkAndAnd) {
    assignable = false;
    std::int32_t label = compiler_->NewLabel();
    compiler_->Emit(opJumpFalse, label, 1);
    if (!Equality(assignable)) return false;
    compiler_->Emit(opLabel, label);
  }
  return true;
}

bool TExpression::Equality(bool& assignable) {
  if (!Relational(assignable)) return false;
  for (std::int32_t op; (op = Current()) == tkEq || op == tkNe;) {
    assignable = false;
    if (!Relational(assignable)) return false;
    compiler_->Emit(opCompare, op);
  }
  return true;
}

bool TExpression::Relational(bool& assignable) {
  if (!Additive(assignable)) return false;
  for (std::int32_t op; (op = Current()) == tkLt || op == tkLe || op == tkGt || op == tkGe;) {
    assignable = false;
    if (!Additive(assignable)) return false;
    compiler_->Emit(opCompare, op);
  }
  return true;
}

bool TExpression::Additive(bool& assignable) {
  if (!Multiplicative(assignable)) return false;
  for (;;) {
    std::int32_t op;
    switch (Current()) {
      case tkPlus: op = opAdd; break;
      case tkMinus: op = opSub; break;
      case tkAmp: op = opBitAnd; break;
      case tkPipe: op = opBitOr; break;
      case tkCaret: op = opBitXor; break;
      case tkShl: op = opShl; break;
      case tkShr: op = opShr; break;
      default: return true;
    }
    assignable = false;
    if (!Multiplicative(assignable)) return false;
    compiler_->Emit(op);
  }
}

bool TExpression::Multiplicative(bool& assignable) {
  if (!Unary(assignable)) return false;
  for (;;) {
    std::int32_t op;
    switch (Current()) {
      case tkStar: op = opMul; break;
      case tkSlash: op = opDiv; break;
      case tkPercent: op = opMod; break;
      default: return true;
    }
    assignable = false;
    if (!Unary(assignable)) return false;
    compiler_->Emit(op);
  }
}

bool TExpression::Unary(bool& assignable) {
  DepthGuard guard(depth_);
  if (guard.TooDeep()) return Fail("式が複雑すぎます");
  if (!Next()) return false;
  std::int32_t op;
  switch (Current()) {
    case tkMinus: op = opNeg; break;
    case tkBang: op = opNot; break;
    case tkTilde: op = opBitNot; break;
    case tkTypeof: op = opTypeof; break;
    case tkStrLength: op = opStrLength; break;
    case tkStringCast: op = opToString; break;
    case tkIntegerCast: op = opToInteger; break;
    case tkFloatingCast: op = opToFloating; break;
    case tkSysGetParam: op = opSysGetParam; break;
    default: return Operand(assignable);
  }
  assignable = false;
  if (!Unary(assignable)) return false;
  compiler_->Emit(op);
  return true;
}

bool TExpression::Operand(bool& assignable) {
  const TToken& token = lexer_->CurrentToken();
  switch (token.kind) {
    case tkInteger:
      assignable = false;
      compiler_->Emit(opPushConst, pcInteger, token.ival);
      break;
    case tkFloating:
      assignable = false;
      compiler_->EmitFloating(token.fval);
      break;
    case tkString:
      assignable = false;
      compiler_->EmitString(token.text);
      break;
    case tkLParen:
      assignable = false;
      if (!Expression()) return false;
      if (Current() != tkRParen) return Fail(") がありません");
      break;
    case tkVariable:
      if (!Variable()) return false;
      break;
    case tkFunction:
      assignable = false;
      return Call(static_cast<funcdata*>(token.data));
    case tkPrint:
    case tkStrPrintf: {
      assignable = false;
      std::int32_t op = token.kind == tkPrint ? opPrint : opStrPrintf;
      std::int32_t count = 0;
      if (!ArgumentList(count)) return false;
      compiler_->Emit(op, count);
      // The result record the operation writes its text into.
      compiler_->EmitString(std::string());
      break;
    }
    default:
      return Fail("式に不正な要素が含まれています");
  }
  return Next();
}

bool TExpression::Variable() {
  const vardata* var = static_cast<const vardata*>(lexer_->CurrentToken().data);
  if (var->kind & vkIndexableMask) {
    if (!Next()) return false;
    if (Current() == tkLBracket) {
      if (!Expression()) return false;
      if (Current() != tkRBracket) return Fail("] がありません");
    } else {
      lexer_->UngetToken();
      compiler_->Emit(opPushConst, pcInteger, 0);
    }
  }
  vmcode_t* code = compiler_->Emit(opPushRef, var->cell, var->kind);
  code->cells = var->cells;
  return true;
}

bool TExpression::ArgumentList(std::int32_t& count) {
  if (!Next()) return false;
  if (Current() != tkLParen) return Fail("( がありません");
  do {
    if (!Expression()) return false;
    ++count;
  } while (Current() == tkComma);
  // The closing parenthesis is taken on trust; a ';' still ends the statement.
  if (Current() == tkSemicolon) lexer_->UngetToken();
  return true;
}

bool TExpression::Call(funcdata* func) {
  if (!Next()) return false;
  if (Current() != tkLParen) return Fail("関数呼び出しに ( がありません");
  std::int32_t count = 0;
  if (func->paramCount > 0) {
    for (std::int32_t i = 0;; ++i) {
      if (func->byValue[i]) {
        if (!Expression()) return false;
      } else {
        bool assignable = true;
        if (!LogicalOr(assignable)) return false;
        if (!assignable)
          return Fail("%s の呼び出し:第%d引数は参照渡しでなければならない", func->name.c_str(), i + 1);
        compiler_->LastEmitted()->op = opPushRefAlt;
      }
      ++count;
      if (i + 1 >= func->paramCount || Current() != tkComma) break;
    }
  } else if (!Next()) {
    return false;
  }
  if (Current() != tkRParen) return Fail("関数呼び出しが ) で終結していません");
  if (count != func->paramCount) return Fail("関数呼び出しにおける引数の個数が間違っています");
  compiler_->Emit(opCall)->callee = func;
  return Next();
}
