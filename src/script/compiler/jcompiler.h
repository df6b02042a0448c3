// The script compiler: prelude of built-in wrappers and constants, the user's
// script, and the generated start-up function __startup that runs the
// top-level statements and calls main(ArgString, ArgCount).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "script/compiler/jcompiler_prelude.h"
#include "script/machine/vmcode.h"

class TJExecutable;
class TJMemoryManager;
class TScriptSource;
class TLex;
class TExpression;
class THash;
struct TToken;

class TJCompiler {
 public:
  TJCompiler();
  virtual ~TJCompiler();
  TJCompiler(const TJCompiler&) = delete;
  TJCompiler& operator=(const TJCompiler&) = delete;

  // Compiles into target: every object goes to target.GetMemoryManager();
  // on success target.AllocGlobals(count) and target.SetEntry(__startup).
  // arguments become the script's ArgString array. False on error, with
  // GetErrorMessage() holding "ERROR! line=%d : ..." .
  bool Compile(TScriptSource& source, TJExecutable& target,
               const std::vector<std::string>& arguments);
  // The same without an executable: objects go to registry; the results are
  // GetEntry() and GetGlobalCount().
  bool CompileInto(TScriptSource& source, TJMemoryManager& registry,
                   const std::vector<std::string>& arguments);

  std::string GetErrorMessage() const { return error_; }
  // Where the error was found: the line in the user's script (0 outside it)
  // and the column in that line (see TLexStreamer::GetColumn).
  int GetErrorLine() const { return errorLine_; }
  int GetErrorColumn() const { return errorColumn_; }
  // Source lines are recorded in instructions only while this is set.
  void SetUserSource(bool flag) { userSource_ = flag; }
  funcdata* GetEntry() const { return entry_; }
  std::int32_t GetGlobalCount() const { return static_cast<std::int32_t>(globalCells_); }

  // Sets "ERROR! line=%d : " + message and stores the lexer's current line
  // and column.
  void Error(const char* format, ...) __attribute__((format(printf, 2, 3)));

 protected:
  friend class TExpression;

  vmcode_t* Emit(std::int32_t op, std::int32_t a = 0, std::int32_t b = 0,
                 vmcode_t* target = nullptr, double fval = 0.0,
                 const std::string& sval = std::string());
  vmcode_t* EmitString(const std::string& s);
  vmcode_t* EmitFloating(double f);
  std::int32_t NewLabel() { return labelCounter_++; }
  // Drops the label instructions, points the jumps at their targets and
  // returns the head of the current list.
  vmcode_t* ResolveLabels();
  vmcode_t* LastEmitted() const { return tail_; }

 private:
  // Compiles one source; collectStatements: top-level statements go to the
  // start-up list (the start-up unit itself has none).
  bool CompileUnit(TScriptSource& source, bool collectStatements);
  // Turns a lexer position inside __startup into the user's script's.
  void UserPosition(int& line, int& column) const;
  bool FunctionDefinition();
  bool Block(std::int32_t breakLabel, std::int32_t continueLabel, int depth);
  bool Statement(std::int32_t breakLabel, std::int32_t continueLabel, bool& scopePushed,
                 int depth);
  bool IfStatement(std::int32_t breakLabel, std::int32_t continueLabel, int depth);
  bool WhileStatement(int depth);
  bool ReturnStatement();
  bool Declaration(bool global);
  bool CompileExpression();
  // Reads a token; a lexer failure becomes the compile error.
  const TToken* Next();
  void BuildPrelude(const std::vector<TPreludeModule>& modules, std::vector<std::string>& prelude);
  void DefineOutermost(const std::vector<TPreludeModule>& modules);
  void Reset();

  TLex* lexer_ = nullptr;
  TExpression* expression_ = nullptr;
  std::unique_ptr<THash> scopes_;
  TJMemoryManager* registry_ = nullptr;
  std::int32_t labelCounter_ = 0;
  std::int64_t frameCells_ = 0;
  std::int64_t globalCells_ = 0;
  vmcode_t* head_ = nullptr;
  vmcode_t* tail_ = nullptr;
  std::string error_;
  int errorLine_ = 0;
  int errorColumn_ = 0;
  bool userSource_ = true;
  bool failed_ = false;
  funcdata* entry_ = nullptr;
  std::vector<std::string> startup_;  // body lines of __startup
  std::vector<int> startupOrigin_;    // user line of each, 0 when generated
  std::vector<int> startupIndent_;    // columns before each in its first user line
  bool inStartup_ = false;
  bool inPrelude_ = false;  // built-in internal names are statements only here
};
