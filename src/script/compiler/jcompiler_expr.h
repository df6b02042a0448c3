// Expression compiler of the script language.
#pragma once
#include <cstdint>
#include <string>

class TLex;
class TJCompiler;
struct funcdata;

class TExpression {
 public:
  TExpression(TLex* lexer, TJCompiler* compiler) : lexer_(lexer), compiler_(compiler) {}
  // Compiles one expression from the next token. On return the current
  // token is the first one after the expression (read, not consumed).
  bool Expression();
  const std::string& GetErrorText() const { return error_; }

 private:
  bool Assignment(bool& assignable);
  bool LogicalOr(bool& assignable);
  bool LogicalAnd(bool& assignable);
  bool Equality(bool& assignable);
  bool Relational(bool& assignable);
  bool Additive(bool& assignable);
  bool Multiplicative(bool& assignable);
  bool Unary(bool& assignable);
  bool Operand(bool& assignable);
  bool Variable();
  bool Call(funcdata* func);
  bool ArgumentList(std::int32_t& count);
  bool Next();
  std::int32_t Current() const;
  bool Fail(const char* format, ...) __attribute__((format(printf, 2, 3)));

  TLex* lexer_;
  TJCompiler* compiler_;
  std::string error_;
  int depth_ = 0;
};
