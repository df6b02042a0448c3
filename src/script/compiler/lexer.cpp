#include "script/compiler/lexer.h"

#include <charconv>
#include <cstdarg>

#include "platform/convert.h"
#include "platform/text.h"
#include "script/compiler/jcompiler_format.h"
#include "script/compiler/jcompiler_hash.h"

namespace {

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
// Only ASCII counts: bytes of 0x80 and above arrive negative and are never
// letters or digits here.
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsNameChar(int c) { return IsLetter(c) || IsDigit(c) || c == '_'; }
int Upper(int c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; }
bool IsHexDigit(int c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int HexValue(int c) { return IsDigit(c) ? c - '0' : Upper(c) - 'A' + 10; }
bool IsLead(int c) { return c != -1 && platform::IsSjisLeadByte(static_cast<unsigned char>(c)); }
bool IsTrail(int c) {
  unsigned char u = static_cast<unsigned char>(c);
  return c != -1 && u >= 0x40 && u <= 0xFC && u != 0x7F;
}

}  // namespace

// ---------------------------------------------------------------------------

void TStringListSource::Reset() {
  column_ = 1;
  line_ = 0;
}

bool TStringListSource::IsReady() { return lines_ && !lines_->empty(); }

int TStringListSource::GetChar() {
  if (!IsReady() || line_ >= lines_->size()) return -1;
  const std::string& line = (*lines_)[line_];
  if (column_ <= line.size()) {
    return static_cast<signed char>(line[column_++ - 1]);
  }
  column_ = 1;
  ++line_;
  return 10;
}

// ---------------------------------------------------------------------------

int TLexStreamer::Count(int c) {
  // A newline inside a string literal counts no line, but its next
  // character still stands in column 1 of the next one.
  if (c == 10) column_ = 0;
  else if (c != -1) ++column_;
  return c;
}

int TLexStreamer::GetChar() {
  if (pushed_ > 0) return slots_[--pushed_];
  int c = Count(source_->GetChar());
  if (c == 10) ++line_;
  return c;
}

int TLexStreamer::GetCharRaw() {
  if (pushed_ > 0) return slots_[--pushed_];
  return Count(source_->GetChar());
}

void TLexStreamer::UngetChar(int c) {
  if (pushed_ < 5) slots_[pushed_++] = c;
}

void TLexStreamer::SkipBlanks() {
  int c;
  do {
    c = GetChar();
  } while (IsBlank(c));
  UngetChar(c);
}

// ---------------------------------------------------------------------------

TLex::TLex(TScriptSource* source, const THash* scopes) : scopes_(scopes), streamer_(source) {}

void TLex::Error(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  error_ = VFormatText(format, ap);
  va_end(ap);
}

const TToken* TLex::GetToken() {
  if (pushedBack_) {
    pushedBack_ = false;
    return &token_;
  }
  streamer_.SkipBlanks();
  int c = streamer_.GetChar();
  while (c == '/') {
    int d = streamer_.GetChar();
    if (d != '/') {
      streamer_.UngetChar(d);
      break;
    }
    do {
      d = streamer_.GetChar();
    } while (d != 10 && d != -1);
    streamer_.SkipBlanks();
    c = streamer_.GetChar();
  }
  bool ok;
  token_.isIdent = 0;
  if (IsLetter(c) || c == '_') {
    streamer_.UngetChar(c);
    ok = ReadName();
  } else if (IsDigit(c)) {
    streamer_.UngetChar(c);
    ok = ReadNumber();
  } else if (c == '"') {
    ok = ReadString();
  } else if (c != -1) {
    streamer_.UngetChar(c);
    ok = ReadOperator();
  } else {
    token_.kind = tkEof;
    ok = true;
  }
  return ok ? &token_ : nullptr;
}

bool TLex::ReadName() {
  std::string name;
  int c;
  while (IsNameChar(c = streamer_.GetChar())) name += static_cast<char>(c);
  streamer_.UngetChar(c);
  token_.name = name;
  token_.isIdent = 1;
  std::int32_t number = 0;
  void* data = nullptr;
  if (scopes_ && scopes_->HashLookup(name, &number, &data)) {
    token_.kind = number;
    token_.data = data;
  } else {
    token_.kind = tkUndeclared;
    token_.data = nullptr;
  }
  return true;
}

bool TLex::ReadNumber() {
  std::string text(1, static_cast<char>(streamer_.GetChar()));
  int c;
  if (text[0] == '0') {
    c = Upper(streamer_.GetChar());
    if (c == 'B') {
      std::uint32_t value = 0;
      while ((c = streamer_.GetChar()) == '0' || c == '1') value = value * 2 + static_cast<std::uint32_t>(c - '0');
      streamer_.UngetChar(c);
      token_.kind = tkInteger;
      token_.ival = static_cast<std::int32_t>(value);
      return true;
    }
    if (c == 'X') {
      text = "0X";
      while (IsHexDigit(c = Upper(streamer_.GetChar()))) text += static_cast<char>(c);
      streamer_.UngetChar(c);
      int value = 0;
      if (!platform::TryStrToInt(text, value)) {
        Error("'%s' は有効な整数値ではありません", text.c_str());
        return false;
      }
      token_.kind = tkInteger;
      token_.ival = value;
      return true;
    }
    if (c != '.' && !IsDigit(c)) {
      streamer_.UngetChar(c);
      token_.kind = tkInteger;
      token_.ival = 0;
      return true;
    }
    streamer_.UngetChar(c);
  }
  while (IsDigit(c = streamer_.GetChar())) text += static_cast<char>(c);
  if (c == '.') {
    text += '.';
    while (IsDigit(c = streamer_.GetChar())) text += static_cast<char>(c);
    streamer_.UngetChar(c);
    double value = 0.0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) {
      Error("'%s' は有効な浮動小数点数値ではありません", text.c_str());
      return false;
    }
    token_.kind = tkFloating;
    token_.fval = value;
    return true;
  }
  streamer_.UngetChar(c);
  int value = 0;
  if (!platform::TryStrToInt(text, value)) {
    Error("'%s' は有効な整数値ではありません", text.c_str());
    return false;
  }
  token_.kind = tkInteger;
  token_.ival = value;
  return true;
}

bool TLex::ReadString() {
  std::string text;
  for (;;) {
    int c = streamer_.GetCharRaw();
    if (c == -1) break;
    if (c == '"') {
      token_.kind = tkString;
      token_.text = text;
      return true;
    }
    if (c == '\\') {
      c = streamer_.GetCharRaw();
      switch (c) {
        case -1:
          Error("string error");
          return false;
        case 'n': text += '\n'; continue;
        case 'r': text += '\r'; continue;
        case 't': text += '\t'; continue;
        case '"':
          // The escaped quote also ends the literal, as scripts have always had it.
          text += '"';
          streamer_.UngetChar('"');
          continue;
        case 'x':
        case 'X': {
          int value = 0, digits = 0;
          while (digits < 2) {
            int d = streamer_.GetCharRaw();
            if (!IsHexDigit(d)) {
              streamer_.UngetChar(d);
              break;
            }
            value = value * 16 + HexValue(d);
            ++digits;
          }
          if (digits == 0) {
            Error("string error");
            return false;
          }
          text += static_cast<char>(value);
          continue;
        }
        default:
          break;  // stands for itself; a lead byte takes its trail below
      }
    }
    text += static_cast<char>(c);
    if (IsLead(c)) {
      int t = streamer_.GetCharRaw();
      if (IsTrail(t))
        text += static_cast<char>(t);
      else
        streamer_.UngetChar(t);
    }
  }
  Error("string error");
  return false;
}

bool TLex::ReadOperator() {
  int c = streamer_.GetChar();
  auto two = [this](int second, std::int32_t pair, std::int32_t alone) {
    int d = streamer_.GetChar();
    if (d == second) return pair;
    streamer_.UngetChar(d);
    return alone;
  };
  std::int32_t kind;
  switch (c) {
    case '!': kind = two('=', tkNe, tkBang); break;
    case '%': kind = tkPercent; break;
    case '&': kind = two('&', tkAndAnd, tkAmp); break;
    case '(': kind = tkLParen; break;
    case ')': kind = tkRParen; break;
    case '*': kind = tkStar; break;
    case '+': kind = tkPlus; break;
    case ',': kind = tkComma; break;
    case '-': kind = tkMinus; break;
    case '/': kind = tkSlash; break;
    case ';': kind = tkSemicolon; break;
    case '<': {
      int d = streamer_.GetChar();
      if (d == '=') kind = tkLe;
      else if (d == '<') kind = tkShl;
      else {
        streamer_.UngetChar(d);
        kind = tkLt;
      }
      break;
    }
    case '=': kind = two('=', tkEq, tkAssign); break;
    case '>': {
      int d = streamer_.GetChar();
      if (d == '=') kind = tkGe;
      else if (d == '>') kind = tkShr;
      else {
        streamer_.UngetChar(d);
        kind = tkGt;
      }
      break;
    }
    case '[': kind = tkLBracket; break;
    case ']': kind = tkRBracket; break;
    case '^': kind = tkCaret; break;
    case '{': kind = tkLBrace; break;
    case '|': kind = two('|', tkOrOr, tkPipe); break;
    case '}': kind = tkRBrace; break;
    case '~': kind = tkTilde; break;
    default:
      Error("unknown symbol");
      token_.kind = tkUndeclared;
      return false;
  }
  token_.kind = kind;
  return true;
}

bool TLex::ReadToSemicolon(std::string& text) {
  // A ';' inside a string literal or a comment does not end the statement.
  text.clear();
  bool inString = false;
  for (;;) {
    int c = streamer_.GetChar();
    if (c == -1) return false;
    text += static_cast<char>(c);
    if (inString) {
      if (c == '"') {
        inString = false;
      } else if (c == '\\') {
        int e = streamer_.GetChar();
        if (e == -1) return false;
        text += static_cast<char>(e);
        if (e == '"') inString = false;  // see ReadString
      } else if (IsLead(c)) {
        int t = streamer_.GetChar();
        if (IsTrail(t))
          text += static_cast<char>(t);
        else
          streamer_.UngetChar(t);
      }
      continue;
    }
    if (c == '"') {
      inString = true;
    } else if (c == '/') {
      int d = streamer_.GetChar();
      if (d != '/') {
        streamer_.UngetChar(d);
        continue;
      }
      text += '/';
      while ((d = streamer_.GetChar()) != -1) {
        text += static_cast<char>(d);
        if (d == 10) break;
      }
      if (d == -1) return false;
    } else if (c == ';') {
      return true;
    }
  }
}
