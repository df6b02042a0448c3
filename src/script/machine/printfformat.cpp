#include "script/machine/printfformat.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "script/machine/vmvalues.h"

namespace {

constexpr int kMaxWidth = 4096;

// The printf conversion of spec (from '%' up to the conversion letter) with
// the letter conv: flags, width and precision in printf order; other bytes
// (length letters, '*', unsupported letters) are skipped wherever they stand.
std::string Rebuild(const std::string& spec, char conv, std::string& flags, int& width, int& precision) {
  width = -1;
  precision = -1;
  int state = 0;  // 0 flags, 1 width, 2 precision
  for (std::size_t i = 1; i < spec.size(); ++i) {
    char c = spec[i];
    if (state == 0 && (c == '-' || c == '+' || c == ' ' || c == '#' || c == '0')) {
      if (flags.find(c) == std::string::npos) flags += c;
      continue;
    }
    if (c >= '0' && c <= '9') {
      int& n = state == 2 ? precision : width;
      if (state == 0) state = 1;
      if (n < 0) n = 0;
      if (n < kMaxWidth) n = n * 10 + (c - '0');
      continue;
    }
    if (c == '.') {
      state = 2;
      if (precision < 0) precision = 0;
      continue;
    }
    if (state == 0) state = 1;
  }
  if (width > kMaxWidth) width = kMaxWidth;
  if (precision > kMaxWidth) precision = kMaxWidth;
  std::string fmt = "%" + flags;
  if (width >= 0) fmt += std::to_string(width);
  if (precision >= 0) fmt += "." + std::to_string(precision);
  fmt += conv;
  return fmt;
}

// Each conversion appends to out unless out would grow past limit: false then.
template <typename T>
bool Emit(const std::string& fmt, T value, std::string& out, std::size_t limit) {
  char stackBuf[256];
  int n = std::snprintf(stackBuf, sizeof stackBuf, fmt.c_str(), value);
  if (n < 0) return true;
  if (out.size() + static_cast<std::size_t>(n) > limit) return false;
  if (static_cast<std::size_t>(n) < sizeof stackBuf) {
    out.append(stackBuf, static_cast<std::size_t>(n));
    return true;
  }
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(&big[0], big.size(), fmt.c_str(), value);
  out.append(big.data(), static_cast<std::size_t>(n));
  return true;
}

// text padded to width with blanks, or with zeros after its sign.
bool Pad(const char* text, std::size_t length, int width, bool left, bool zero, std::string& out, std::size_t limit) {
  const std::size_t fill = width > 0 && static_cast<std::size_t>(width) > length ? width - length : 0;
  if (out.size() + length + fill > limit) return false;
  if (left) {
    out.append(text, length);
    out.append(fill, ' ');
  } else if (zero) {
    std::size_t sign = length > 0 && text[0] == '-' ? 1 : 0;
    out.append(text, sign);
    out.append(fill, '0');
    out.append(text + sign, length - sign);
  } else {
    out.append(fill, ' ');
    out.append(text, length);
  }
  return true;
}

// A value of another kind is converted: a cell's other fields may hold what an
// earlier value left there, which must never reach the text.
std::int32_t IntegerOf(const TStackData& arg) {
  std::int32_t v = 0;
  if (arg.kind == dtInteger) return arg.ival;
  if (arg.kind == dtFloating) return TruncateToInteger(arg.fval);
  if (arg.kind == dtString && ParseIntegerText(arg.sval, v)) return v;
  return 0;
}

}  // namespace

void TPrintfFormat::Parse(const std::string& format, int count) {
  format_ = format;
  count_ = count;
  pieces_.clear();
  Piece piece;
  int next = 1;
  const std::size_t n = format.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (format[i] != '%' || next >= count) {
      if (piece.length == 0) piece.from = i;
      ++piece.length;
      continue;
    }
    std::size_t start = i;
    for (++i; i < n; ++i) {
      char t = format[i];
      if (t == '%') {
        piece.conv = '%';
        break;
      }
      // strchr finds the terminator too: a zero byte is no conversion.
      if (t != '\0' && std::strchr("diouxXfegEGs", t)) {
        piece.conv = t;
        piece.arg = next++;
        std::string flags;
        int precision = -1;
        piece.spec = Rebuild(format.substr(start, i - start), t, flags, piece.width, precision);
        piece.left = flags.find('-') != std::string::npos;
        piece.zero = flags.find('0') != std::string::npos && !piece.left;
        piece.plain = precision < 0 && flags.find_first_not_of("-0") == std::string::npos &&
                      (t == 'd' || t == 'i' || (t == 's' && !piece.zero));
        break;
      }
    }
    pieces_.push_back(piece);
    piece = Piece();
  }
  if (piece.length > 0) pieces_.push_back(piece);
}

bool TPrintfFormat::Convert(const Piece& piece, const TStackData& arg, std::string& out, std::size_t limit) {
  switch (piece.conv) {
    case 'd':
    case 'i': {
      const std::int32_t v = IntegerOf(arg);
      if (!piece.plain) return Emit(piece.spec, static_cast<int>(v), out, limit);
      char buf[16];
      auto r = std::to_chars(buf, buf + sizeof buf, v);
      return Pad(buf, static_cast<std::size_t>(r.ptr - buf), piece.width, piece.left, piece.zero, out, limit);
    }
    case 'o':
    case 'u':
    case 'x':
    case 'X': return Emit(piece.spec, static_cast<unsigned>(IntegerOf(arg)), out, limit);
    case 's': {
      std::string converted;
      const std::string* text = &arg.sval;
      if (arg.kind != dtString) {
        AppendValueText(converted, arg);
        text = &converted;
      }
      if (!piece.plain) return Emit(piece.spec, text->c_str(), out, limit);
      // printf stops at a zero byte.
      return Pad(text->c_str(), std::strlen(text->c_str()), piece.width, piece.left, false, out, limit);
    }
    default: {  // f e g E G
      double v = 0.0;
      if (arg.kind == dtFloating) v = arg.fval;
      else if (arg.kind == dtInteger) v = arg.ival;
      else if (arg.kind == dtString && !ParseFloatingText(arg.sval, v)) v = 0.0;
      return Emit(piece.spec, v, out, limit);
    }
  }
}

bool TPrintfFormat::Format(const TStackData* args, int count, std::string& out, std::size_t limit) {
  if (count <= 0) return true;
  // A format that is no string is its value's text, like a %s value.
  std::string text;
  const std::string* format = &args[0].sval;
  if (args[0].kind != dtString) {
    AppendValueText(text, args[0]);
    format = &text;
  }
  if (count != count_ || *format != format_) Parse(*format, count);
  for (const Piece& piece : pieces_) {
    out.append(format_, piece.from, piece.length);
    if (piece.conv == '%') out += '%';
    else if (piece.conv && !Convert(piece, args[piece.arg], out, limit)) return false;
  }
  return true;
}
