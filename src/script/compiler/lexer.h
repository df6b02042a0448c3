// Character sources and the tokenizer of the script language. Text is
// Shift-JIS bytes; the trail byte of a double-byte character is never taken
// for a quote, a backslash or a letter.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "script/compiler/tokens.h"

class THash;

class TScriptSource {
 public:
  virtual ~TScriptSource() = default;
  virtual void Reset() = 0;
  virtual bool IsReady() = 0;
  // Next byte as a signed char widened to int (so 0xFF reads as -1, the
  // end), 10 after every line, -1 once the text is exhausted.
  virtual int GetChar() = 0;
};

// Reads a list of lines; the list is not owned and must outlive the source.
class TStringListSource : public TScriptSource {
 public:
  explicit TStringListSource(const std::vector<std::string>* lines) : lines_(lines) {}
  void Reset() override;
  bool IsReady() override;
  int GetChar() override;

 private:
  const std::vector<std::string>* lines_;
  std::size_t column_ = 1;  // 1-based within the current line
  std::size_t line_ = 0;
};

// Character reader with a five-slot push-back stack and line and column
// counting. Only characters taken from the source count, so a character read
// again after a push-back is not counted twice.
class TLexStreamer {
 public:
  explicit TLexStreamer(TScriptSource* source) : source_(source) {}
  int GetChar();
  // As GetChar, but a newline does not count a line (inside string literals).
  int GetCharRaw();
  // A sixth pushed-back character is dropped.
  void UngetChar(int c);
  void SkipBlanks();
  int GetLine() const { return line_; }
  // The column of the last character taken in its line, from 1; 0 right
  // after a newline.
  int GetColumn() const { return column_; }

 private:
  // Counts a character taken from the source into the column.
  int Count(int c);

  int line_ = 1;
  int column_ = 0;
  int pushed_ = 0;
  int slots_[5] = {};
  TScriptSource* source_;
};

// The token record; only the fields of the token just read are updated.
struct TToken {
  std::int32_t kind = 0;        // TokenId, or a built-in id
  std::int32_t isIdent = 0;     // 1 when read as a name
  std::int32_t ival = 0;
  double fval = 0.0;
  std::string name;
  std::string text;
  void* data = nullptr;         // vardata* or funcdata* of the name, else null
};

class TLex {
 public:
  // The scopes are not owned; the lexer only looks names up in them.
  TLex(TScriptSource* source, const THash* scopes);
  TLex(const TLex&) = delete;
  TLex& operator=(const TLex&) = delete;

  // The next token, or null when it is malformed (GetErrorText says why).
  const TToken* GetToken();
  // The next GetToken yields the current token again (one token of look-back).
  void UngetToken() { pushedBack_ = true; }
  const TToken& CurrentToken() const { return token_; }
  // Raw text up to and including the next ';' outside a string literal.
  // Returns false when the input ends first (text then holds what was read).
  bool ReadToSemicolon(std::string& text);
  int GetLine() const { return streamer_.GetLine(); }
  int GetColumn() const { return streamer_.GetColumn(); }
  const std::string& GetErrorText() const { return error_; }
  void Error(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  bool ReadName();
  bool ReadNumber();
  bool ReadString();
  bool ReadOperator();

  const THash* scopes_;
  TToken token_;
  TLexStreamer streamer_;
  std::string error_;
  bool pushedBack_ = false;
};
