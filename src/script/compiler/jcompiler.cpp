#include "script/compiler/jcompiler.h"

#include <cstdarg>

#include "platform/convert.h"
#include "platform/text.h"
#include "script/compiler/jcompiler_expr.h"
#include "script/compiler/jcompiler_format.h"
#include "script/compiler/jcompiler_hash.h"
#include "script/compiler/jcompiler_prelude.h"
#include "script/compiler/lexer.h"
#include "script/compiler/tokens.h"
#include "script/machine/registry.h"

namespace {

// Block nesting bound, so hostile input cannot exhaust the stack.
constexpr int kMaxBlockDepth = 200;
// Cells one script may declare, globals or one function's frame; keeps a
// typing slip like var a[2000000000] from exhausting memory.
constexpr std::int64_t kMaxCells = 1 << 22;

// An argument as the text of a string literal: quotes, backslashes, control
// bytes and 0xFF (which would read as the end of the input) become \x escapes.
std::string QuoteArgument(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (platform::IsSjisLeadByte(c) && i + 1 < text.size()) {
      out += text[i];
      out += text[++i];
    } else if (c == '"' || c == '\\' || c < 0x20 || c == 0x7F || c == 0xFF) {
      out += platform::Format("\\x%02X", c);
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

TJCompiler::TJCompiler() = default;
TJCompiler::~TJCompiler() = default;

void TJCompiler::Error(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string message = VFormatText(format, ap);
  va_end(ap);
  errorLine_ = lexer_ ? lexer_->GetLine() : 0;
  errorColumn_ = lexer_ ? lexer_->GetColumn() : 0;
  UserPosition(errorLine_, errorColumn_);
  error_ = platform::Format("ERROR! line=%d : ", errorLine_) + message;
  failed_ = true;
}

// ---------------------------------------------------------------------------
// Emission

vmcode_t* TJCompiler::Emit(std::int32_t op, std::int32_t a, std::int32_t b, vmcode_t* target,
                           double fval, const std::string& sval) {
  vmcode_t* code = new vmcode_t;
  code->op = op;
  code->a = a;
  code->b = b;
  code->target = target;
  code->fval = fval;
  code->sval = sval;
  registry_->AddInstruction(code);
  code->line = userSource_ && lexer_ ? lexer_->GetLine() : 0;
  if (tail_)
    tail_->next = code;
  else
    head_ = code;
  tail_ = code;
  return code;
}

vmcode_t* TJCompiler::EmitString(const std::string& s) {
  return Emit(opPushConst, pcString, 0, nullptr, 0.0, s);
}

vmcode_t* TJCompiler::EmitFloating(double f) { return Emit(opPushConst, pcFloating, 0, nullptr, f); }

vmcode_t* TJCompiler::ResolveLabels() {
  std::vector<vmcode_t*> labels(static_cast<std::size_t>(labelCounter_), nullptr);
  vmcode_t* prev = nullptr;
  for (vmcode_t* code = head_; code;) {
    if (code->op != opLabel) {
      prev = code;
      code = code->next;
      continue;
    }
    vmcode_t* after = code;
    while (after && after->op == opLabel) after = after->next;
    while (code != after) {
      vmcode_t* next = code->next;
      if (code->a >= 0 && code->a < labelCounter_) labels[static_cast<std::size_t>(code->a)] = after;
      registry_->FreeInstruction(code);
      code = next;
    }
    if (prev)
      prev->next = after;
    else
      head_ = after;
  }
  tail_ = prev;
  for (vmcode_t* code = head_; code; code = code->next) {
    if (VmOpOperands(code->op) == voTarget)
      code->target = code->a >= 0 && code->a < labelCounter_ ? labels[static_cast<std::size_t>(code->a)]
                                                             : nullptr;
  }
  return head_;
}

// ---------------------------------------------------------------------------
// Whole script

void TJCompiler::Reset() {
  lexer_ = nullptr;
  expression_ = nullptr;
  inStartup_ = false;
  inPrelude_ = false;
  labelCounter_ = 0;
  frameCells_ = 0;
  globalCells_ = 0;
  head_ = tail_ = nullptr;
  error_.clear();
  errorLine_ = 0;
  errorColumn_ = 0;
  failed_ = false;
  entry_ = nullptr;
}

void TJCompiler::DefineOutermost(const std::vector<TPreludeModule>& modules) {
  static const struct {
    const char* name;
    std::int32_t number;
  } keywords[] = {
      {"if", tkIf},          {"else", tkElse},         {"while", tkWhile},
      {"return", tkReturn},  {"print", tkPrint},       {"strPrintf", tkStrPrintf},
      {"break", tkBreak},    {"continue", tkContinue}, {"var", tkVar},
      {"func", tkFunc},      {"begin", tkBegin},       {"typeof", tkTypeof},
      {"strLength", tkStrLength}, {"string", tkStringCast}, {"integer", tkIntegerCast},
      {"floating", tkFloatingCast}, {"sysGetParam", tkSysGetParam},
  };
  scopes_->HashPushScope();
  for (const auto& k : keywords) scopes_->HashDefine(k.name, k.number, nullptr);
  for (const TPreludeModule& module : modules)
    for (const TPreludeRow& row : module.rows) scopes_->HashDefine(row.name, row.id, nullptr);
}

void TJCompiler::BuildPrelude(const std::vector<TPreludeModule>& modules,
                              std::vector<std::string>& prelude) {
  // Each text goes in front, so the list reads: last module's declarations,
  // its initialisers, its wrappers from the last row up, then the module before.
  std::vector<std::string> reversed;
  for (const TPreludeModule& module : modules) {
    for (const TPreludeRow& row : module.rows)
      reversed.push_back("func " + row.prototype + "{" + row.name + ";}");
    reversed.push_back(module.initText);
    reversed.push_back(module.declText);
  }
  prelude.assign(reversed.rbegin(), reversed.rend());
}

bool TJCompiler::CompileInto(TScriptSource& source, TJMemoryManager& registry,
                             const std::vector<std::string>& arguments) {
  Reset();
  registry_ = &registry;
  scopes_ = std::make_unique<THash>();
  const std::vector<TPreludeModule> modules = GetBuiltinPreludeModules();
  DefineOutermost(modules);

  std::vector<std::string> prelude;
  BuildPrelude(modules, prelude);
  std::vector<std::string>& startup = startup_;
  startup.assign(1, "func __startup(){");
  startupOrigin_.assign(1, 0);
  startupIndent_.assign(1, 0);

  bool savedUserSource = userSource_;
  userSource_ = false;
  TStringListSource preludeSource(&prelude);
  inPrelude_ = true;
  bool ok = CompileUnit(preludeSource, true);
  inPrelude_ = false;
  if (ok) {
    userSource_ = true;
    ok = CompileUnit(source, true);
    if (ok) {
      const int count = static_cast<int>(arguments.size());
      // At least one cell, so passing ArgString to main addresses its own cell.
      startup.push_back(platform::Format("var ArgString[%d], ArgCount;", count > 0 ? count : 1));
      startup.push_back(platform::Format("ArgCount=%d;", count));
      for (int i = 0; i < count; ++i)
        startup.push_back(platform::Format("ArgString[%d]=\"", i) +
                          QuoteArgument(arguments[static_cast<std::size_t>(i)]) + "\" ;");
      startup.push_back("return main(ArgString, ArgCount) ;}");
      startupOrigin_.resize(startup.size(), 0);
      startupIndent_.resize(startup.size(), 0);
      userSource_ = false;
      TStringListSource startupSource(&startup);
      inStartup_ = true;
      CompileUnit(startupSource, false);
      inStartup_ = false;
      std::int32_t number = 0;
      void* data = nullptr;
      if (!scopes_->HashLookup("main", &number, &data) || number != tkFunction)
        Error("main 関数が定義されていません");
      else if (static_cast<funcdata*>(data)->paramCount != 2)
        Error("main 関数には２つの引数(ArgString&, ArgCount)が必須です");
    }
  }
  userSource_ = savedUserSource;

  void* startupFunc = nullptr;
  std::int32_t number = 0;
  if (!failed_ && scopes_->HashLookup("__startup", &number, &startupFunc) && number == tkFunction)
    entry_ = static_cast<funcdata*>(startupFunc);
  scopes_.reset();
  registry_ = nullptr;
  startup_.clear();
  startupOrigin_.clear();
  startupIndent_.clear();
  if (failed_ || !entry_) {
    if (!failed_) Error("main 関数が定義されていません");
    entry_ = nullptr;
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Units, definitions, statements

const TToken* TJCompiler::Next() {
  const TToken* token = lexer_->GetToken();
  if (!token) Error("%s", lexer_->GetErrorText().c_str());
  return token;
}

bool TJCompiler::CompileExpression() {
  if (expression_->Expression()) return true;
  Error("%s", expression_->GetErrorText().c_str());
  return false;
}

void TJCompiler::UserPosition(int& line, int& column) const {
  // Top-level statements are compiled inside __startup; report where they
  // came from in the user's script.
  if (!inStartup_) return;
  int first = 1;
  for (std::size_t i = 0; i < startup_.size(); ++i) {
    int span = 1;
    for (char c : startup_[i]) span += c == '\n';
    if (line < first + span) {
      if (!startupOrigin_[i]) return;
      if (line == first) column += startupIndent_[i];
      line = startupOrigin_[i] + (line - first);
      return;
    }
    first += span;
  }
}

bool TJCompiler::CompileUnit(TScriptSource& source, bool collectStatements) {
  TLex lexer(&source, scopes_.get());
  TExpression expression(&lexer, this);
  lexer_ = &lexer;
  expression_ = &expression;
  while (!failed_) {
    const TToken* token = Next();
    if (!token) break;
    if (token->kind == tkEof) break;
    if (token->kind == tkVariable) {
      // A top-level statement: runs in __startup before main.
      std::string name = token->name, rest;
      int line = userSource_ ? lexer.GetLine() : 0;
      // The name ends one column before the character read after it.
      const int indent = lexer.GetColumn() - static_cast<int>(name.size()) - 1;
      if (!collectStatements || !lexer.ReadToSemicolon(rest)) {
        Error("式文が ; で終了していません");
        break;
      }
      startup_.push_back(name + rest);
      startupOrigin_.push_back(line);
      startupIndent_.push_back(indent > 0 ? indent : 0);
    } else if (token->kind == tkFunc) {
      FunctionDefinition();
    } else if (token->kind == tkVar) {
      Declaration(true);
    } else {
      Error("関数定義ではありません");
    }
  }
  lexer_ = nullptr;
  expression_ = nullptr;
  return !failed_;
}

bool TJCompiler::FunctionDefinition() {
  const TToken* token = Next();
  if (!token) return false;
  if (token->kind != tkUndeclared) {
    if (token->isIdent)
      Error("識別子 %s は関数名として認められません", token->name.c_str());
    else
      Error("関数名は識別子でなければなりません");
    return false;
  }
  funcdata* func = new funcdata;
  func->name = token->name;
  registry_->AddFunc(func);
  scopes_->HashDefine(func->name, tkFunction, func);
  scopes_->HashPushScope();
  labelCounter_ = 0;
  frameCells_ = 0;
  head_ = tail_ = nullptr;

  if (!(token = Next())) return false;
  if (token->kind != tkLParen) {
    Error(" ( が必要です");
    return false;
  }
  if (!(token = Next())) return false;
  if (token->kind != tkRParen) {
    for (;;) {
      if (!token->isIdent) {
        Error("仮引数名が識別子ではありません");
        return false;
      }
      if (func->paramCount >= kMaxParams) {
        Error("仮引数が多すぎます");
        return false;
      }
      vardata* var = new vardata;
      registry_->AddVar(var);
      if (!scopes_->HashDefine(token->name, tkVariable, var)) {
        Error("%s の重複宣言", token->name.c_str());
        return false;
      }
      var->cell = static_cast<std::int32_t>(frameCells_++);
      if (!(token = Next())) return false;
      if (token->kind == tkAmp) {
        var->kind = vkRefParam;
        func->byValue[func->paramCount] = 0;
        if (!(token = Next())) return false;
      } else {
        var->kind = vkFrameVar;
        func->byValue[func->paramCount] = 1;
      }
      ++func->paramCount;
      if (token->kind == tkRParen) break;
      if (token->kind != tkComma) {
        Error("仮引数宣言部が ) で終わっていません");
        return false;
      }
      if (!(token = Next())) return false;
    }
  }
  if (!Block(-1, -1, 0)) return false;
  Emit(opPushConst, pcInteger, 0);
  Emit(opReturn);
  scopes_->HashPopScope();
  func->entry = ResolveLabels();
  func->frameCells = static_cast<std::int32_t>(frameCells_);
  head_ = tail_ = nullptr;
  return true;
}

bool TJCompiler::Block(std::int32_t breakLabel, std::int32_t continueLabel, int depth) {
  if (depth > kMaxBlockDepth) {
    Error("ブロックの入れ子が深すぎます");
    return false;
  }
  const TToken* token = Next();
  if (!token) return false;
  if (token->kind != tkLBrace) {
    Error("ブロックの先頭に '{' がない");
    return false;
  }
  bool scopePushed = false;
  bool ok = true;
  for (;;) {
    if (!(token = Next())) {
      ok = false;
      break;
    }
    if (token->kind == tkRBrace) break;
    if (token->kind == tkEof) {
      Error("ブロックが '}' で終結していません");
      ok = false;
      break;
    }
    if (!Statement(breakLabel, continueLabel, scopePushed, depth)) {
      ok = false;
      break;
    }
  }
  if (scopePushed) scopes_->HashPopScope();
  return ok;
}

bool TJCompiler::Statement(std::int32_t breakLabel, std::int32_t continueLabel, bool& scopePushed,
                           int depth) {
  const std::int32_t kind = lexer_->CurrentToken().kind;
  switch (kind) {
    case tkBegin:
      return Block(breakLabel, continueLabel, depth + 1);
    case tkVar:
      if (!scopePushed) {
        scopes_->HashPushScope();
        scopePushed = true;
      }
      return Declaration(false);
    case tkIf:
      return IfStatement(breakLabel, continueLabel, depth);
    case tkWhile:
      return WhileStatement(depth);
    case tkReturn:
      return ReturnStatement();
    case tkElse:
      Error("無効な else 文です");
      return false;
    case tkBreak:
      if (breakLabel < 0) {
        Error("この文脈で break 文は使えません");
        return false;
      }
      Emit(opJump, breakLabel);
      return true;
    case tkContinue:
      if (continueLabel < 0) {
        Error("この文脈で continue 文は使えません");
        return false;
      }
      Emit(opJump, continueLabel);
      return true;
    case tkSemicolon:
      return true;
    default:
      break;
  }
  if (kind >= kBuiltinIdBase && kind != tkEof && inPrelude_) {
    // The body of a prelude wrapper: the built-in call itself. Only there:
    // the call reads its arguments from the frame by the prototype and writes
    // its result into the next instruction, which only a wrapper lays out.
    Emit(kind);
    return true;
  }
  lexer_->UngetToken();
  if (!CompileExpression()) return false;
  if (lexer_->CurrentToken().kind != tkSemicolon) {
    Error("式文が ; で終了していません");
    return false;
  }
  Emit(opPop);
  return true;
}

bool TJCompiler::IfStatement(std::int32_t breakLabel, std::int32_t continueLabel, int depth) {
  if (!CompileExpression()) return false;
  if (lexer_->CurrentToken().kind != tkLBrace) {
    Error("if 文のテスト式の後に '{' がありません");
    return false;
  }
  lexer_->UngetToken();
  std::int32_t elseLabel = NewLabel();
  Emit(opJumpFalse, elseLabel, 0);
  if (!Block(breakLabel, continueLabel, depth + 1)) return false;
  const TToken* token = Next();
  if (!token) return false;
  if (token->kind != tkElse) {
    lexer_->UngetToken();
    Emit(opLabel, elseLabel);
    return true;
  }
  std::int32_t endLabel = NewLabel();
  Emit(opJump, endLabel);
  Emit(opLabel, elseLabel);
  if (!Block(breakLabel, continueLabel, depth + 1)) return false;
  Emit(opLabel, endLabel);
  return true;
}

bool TJCompiler::WhileStatement(int depth) {
  std::int32_t continueLabel = NewLabel();
  std::int32_t breakLabel = NewLabel();
  Emit(opLabel, continueLabel);
  if (!CompileExpression()) return false;
  if (lexer_->CurrentToken().kind != tkLBrace) {
    Error("while 文のテスト式の後に '{' がありません");
    return false;
  }
  lexer_->UngetToken();
  Emit(opJumpFalse, breakLabel, 0);
  if (!Block(breakLabel, continueLabel, depth + 1)) return false;
  Emit(opJump, continueLabel);
  Emit(opLabel, breakLabel);
  return true;
}

bool TJCompiler::ReturnStatement() {
  if (!CompileExpression()) return false;
  if (lexer_->CurrentToken().kind != tkSemicolon) {
    Error("return 文が ; で終わっていません");
    return false;
  }
  Emit(opReturn);
  return true;
}

bool TJCompiler::Declaration(bool global) {
  for (;;) {
    const TToken* token = Next();
    if (!token) return false;
    if (!token->isIdent) {
      Error("変数宣言には識別子が必要");
      return false;
    }
    std::string name = token->name;
    vardata* var = new vardata;
    registry_->AddVar(var);
    if (!(token = Next())) return false;
    std::int64_t cells = 1;
    if (token->kind == tkLBracket) {
      if (!(token = Next())) return false;
      if (token->kind != tkInteger || token->ival < 0) {
        Error("配列の宣言が間違っています");
        return false;
      }
      cells = token->ival;
      if (!(token = Next())) return false;
      if (token->kind != tkRBracket) {
        Error("配列宣言に ] がありません");
        return false;
      }
      var->kind = global ? vkGlobalArray : vkFrameArray;
      if (!(token = Next())) return false;
    } else {
      var->kind = global ? vkGlobalVar : vkFrameVar;
    }
    std::int64_t& counter = global ? globalCells_ : frameCells_;
    if (counter + cells > kMaxCells) {
      Error("配列の宣言が間違っています");
      return false;
    }
    var->cell = static_cast<std::int32_t>(counter);
    var->cells = static_cast<std::int32_t>(cells);
    counter += cells;
    if (!scopes_->HashDefine(name, tkVariable, var)) {
      Error("識別子 %s の宣言が重複しています", name.c_str());
      return false;
    }
    if (token->kind == tkSemicolon) return true;
    if (token->kind != tkComma) {
      Error("変数宣言文が ; で終結していません");
      return false;
    }
  }
}
