#include "script/builtins/regexscan.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/convert.h"
#include "platform/text.h"

namespace {

bool IsLead(const std::string& s, size_t i) {
  return i + 1 < s.size() && platform::IsSjisLeadByte(static_cast<unsigned char>(s[i]));
}

void AppendHexByte(std::string& out, unsigned char c) {
  static const char digits[] = "0123456789ABCDEF";
  out += "\\x";
  out += digits[c >> 4];
  out += digits[c & 15];
}

// Splits "/body/flags" (or "m<d>body<d>flags") into PCRE2 pattern text and
// options. Double-byte characters become whole units: outside a class a
// quantifier then repeats the character, and a trail byte that looks like
// "\" or a delimiter never escapes or ends anything.
bool TranslatePattern(const std::string& text, std::string& out, uint32_t& options, std::string& error) {
  size_t i = 0;
  char delim = '/';
  if (text.size() >= 2 && text[0] == 'm' && !std::isalnum(static_cast<unsigned char>(text[1])) &&
      !std::isspace(static_cast<unsigned char>(text[1])) && text[1] != '\\' &&
      !platform::IsSjisLeadByte(static_cast<unsigned char>(text[1]))) {
    delim = text[1];
    i = 2;
  } else if (!text.empty() && text[0] == '/') {
    i = 1;
  } else {
    error = "pattern must begin with a delimiter";
    return false;
  }
  out.clear();
  bool inClass = false;
  bool closed = false;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsLead(text, i)) {
      const unsigned char t = static_cast<unsigned char>(text[i + 1]);
      if (!inClass) out += "(?:";
      AppendHexByte(out, c);
      AppendHexByte(out, t);
      if (!inClass) out += ")";
      i += 2;
      continue;
    }
    if (c == '\\' && i + 1 < text.size()) {
      if (IsLead(text, i + 1)) {  // an escaped double-byte character is just that character
        ++i;
        continue;
      }
      out += text[i];
      out += text[i + 1];
      i += 2;
      continue;
    }
    if (!inClass && c == static_cast<unsigned char>(delim)) {
      closed = true;
      ++i;
      break;
    }
    if (!inClass && c == '[') {
      inClass = true;
      out += '[';
      ++i;
      if (i < text.size() && text[i] == '^') out += text[i++];
      if (i < text.size() && text[i] == ']') out += text[i++];
      continue;
    }
    if (inClass && c == ']') inClass = false;
    out += static_cast<char>(c);
    ++i;
  }
  if (!closed) {
    error = "no terminating delimiter in pattern";
    return false;
  }
  options = 0;
  for (; i < text.size(); ++i) {
    switch (text[i]) {
      case 'i': options |= PCRE2_CASELESS; break;
      case 'm': options |= PCRE2_MULTILINE; break;
      case 's': options |= PCRE2_DOTALL; break;
      case 'x': options |= PCRE2_EXTENDED; break;
      case 'g':
      case 'k':
      case 'o':
        break;  // global and kanji are how every match works here
      default:
        error = platform::Format("unknown option '%c' in pattern", text[i]);
        return false;
    }
  }
  return true;
}

struct CodeDeleter {
  void operator()(pcre2_code* c) const { pcre2_code_free(c); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* m) const { pcre2_match_data_free(m); }
};
struct MatchContextDeleter {
  void operator()(pcre2_match_context* c) const { pcre2_match_context_free(c); }
};

constexpr uint32_t kMatchLimit = 1000000;

// The natural kind of a conversion letter; -1 for a letter that converts nothing.
int KindOfConversion(char letter, bool longModifier) {
  switch (letter) {
    case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
      return scanInteger;
    case 'f': case 'e': case 'g': case 'E': case 'G': case 'a': case 'A':
      return longModifier ? scanDouble : scanFloat;
    case 'c':
      return scanChar;
    case 's': case '[':
      return scanString;
    default:
      return -1;
  }
}

bool KindsFit(int classified, int natural) {
  if (classified == natural) return true;
  if ((classified == scanDouble || classified == scanFloat) && (natural == scanDouble || natural == scanFloat))
    return true;
  return (classified == scanChar || classified == scanString) && (natural == scanChar || natural == scanString);
}

// Converts one piece at the front of text. The piece's own conversion is
// rebuilt with storage of the right size and type (length modifiers, widths of
// %c and classes are the script's, so they must not decide what sscanf writes
// into), then handed over in the kind the piece was classified as when that
// fits the conversion, else in the conversion's own kind.
ScanValue ConvertPiece(const std::string& piece, int classified, const std::string& text, size_t& consumed) {
  ScanValue v;
  v.kind = classified;
  consumed = 0;
  std::string body = piece;
  if (body.size() >= 2 && body.compare(body.size() - 2, 2, "%n") == 0) body.resize(body.size() - 2);

  const size_t pct = body.find('%');
  std::string fmt;
  char letter = 0;
  bool suppressed = false;
  bool longModifier = false;
  size_t width = 0;
  if (pct != std::string::npos) {
    size_t i = pct + 1;
    if (i < body.size() && body[i] == '*') suppressed = true, ++i;
    while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) {
      if (width < 1000000) width = width * 10 + static_cast<size_t>(body[i] - '0');
      ++i;
    }
    while (i < body.size() && body[i] != '\0' && std::strchr("hlLqjzt", body[i])) {
      if (body[i] == 'l' || body[i] == 'L') longModifier = true;
      ++i;
    }
    std::string scanset;
    if (i < body.size()) {
      letter = body[i];
      if (letter == '[') {
        size_t j = i + 1;
        if (j < body.size() && body[j] == '^') ++j;
        if (j < body.size() && body[j] == ']') ++j;
        while (j < body.size() && body[j] != ']') ++j;
        if (j >= body.size()) {
          letter = 0;
        } else {
          scanset = body.substr(i, j - i + 1);
          i = j;
        }
      }
    }
    const int natural = letter ? KindOfConversion(letter, longModifier) : -1;
    if (natural < 0) {
      // No conversion after the "%": it is a literal percent sign.
      fmt = body.substr(0, pct) + "%%" + body.substr(pct + 1);
      letter = 0;
    } else {
      if (!KindsFit(classified, natural)) v.kind = natural;
      std::string conversion = "%";
      if (suppressed) conversion += '*';
      if (letter == 'c' && width > text.size() + 1) width = text.size() + 1;
      if (width) conversion += std::to_string(width);
      if (natural == scanInteger) conversion += std::string("ll") + letter;
      else if (natural == scanDouble || natural == scanFloat) conversion += std::string("l") + letter;
      else if (letter == '[') conversion += scanset;
      else conversion += letter;
      fmt = body.substr(0, pct) + conversion + body.substr(i + 1);
    }
  } else {
    fmt = body;
  }
  fmt += "%n";

  int n = -1;
  int assigned = 0;
  const char* src = text.c_str();
  if (letter == 0 || suppressed) {
    (void)std::sscanf(src, fmt.c_str(), &n);
  } else {
    switch (KindOfConversion(letter, longModifier)) {
      case scanInteger: {
        long long sv = 0;
        unsigned long long uv = 0;
        if (letter == 'd' || letter == 'i') {
          assigned = std::sscanf(src, fmt.c_str(), &sv, &n);
        } else {
          assigned = std::sscanf(src, fmt.c_str(), &uv, &n);
          sv = static_cast<long long>(uv);
        }
        v.ival = static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long long>(sv)));
        v.fval = static_cast<double>(v.ival);
        break;
      }
      case scanDouble:
      case scanFloat: {
        double d = 0.0;
        assigned = std::sscanf(src, fmt.c_str(), &d, &n);
        // %f keeps float precision. The language has no infinity or NaN: "inf",
        // "nan" and a value past the range (of a float, for %f) do not convert.
        if (v.kind != scanFloat) v.fval = d;
        else if (std::fabs(d) <= FLT_MAX) v.fval = static_cast<double>(static_cast<float>(d));
        else d = HUGE_VAL;
        if (!std::isfinite(d)) assigned = 0;
        break;
      }
      default: {
        // sscanf may be told to write as many bytes as the width allows, more
        // than the text holds; the buffer takes whichever is larger.
        const size_t size = (letter == 'c' ? (width ? width : 1) : std::max(text.size(), width)) + 1;
        std::unique_ptr<char[]> buf(new char[size]());
        assigned = std::sscanf(src, fmt.c_str(), buf.get(), &n);
        // A zero byte ends the text, as it would end the script's string.
        v.sval = buf.get();
        if (v.kind == scanChar && v.sval.size() > 1) v.sval.resize(1);
        break;
      }
    }
  }
  v.converted = assigned >= 1;
  if (n > 0) consumed = std::min(static_cast<size_t>(n), text.size());
  return v;
}

}  // namespace

bool IsSjisCharStart(const std::string& text, size_t offset) {
  size_t i = 0;
  while (i < offset) i += IsLead(text, i) ? 2 : 1;
  return i == offset;
}

size_t SjisFind(const std::string& text, const std::string& needle, size_t from) {
  if (needle.empty() || needle.size() > text.size()) return std::string::npos;
  size_t i = 0;
  while (i < from && i < text.size()) i += IsLead(text, i) ? 2 : 1;
  for (; i + needle.size() <= text.size(); i += IsLead(text, i) ? 2 : 1) {
    if (text.compare(i, needle.size(), needle) == 0) return i;
  }
  return std::string::npos;
}

int TBregExp::Match(const std::string& text, const std::string& pattern, int mode, int& start,
                    std::string& matched) {
  const std::string full = mode == 1 ? pattern : "/" + pattern + "/";
  if (full.size() > kMaxPattern) {
    message_ = "pattern too long";
    return bregPatternError;
  }
  std::string body;
  uint32_t options = 0;
  std::string error;
  if (!TranslatePattern(full, body, options, error)) {
    message_ = error;
    return bregPatternError;
  }
  int code = 0;
  PCRE2_SIZE offset = 0;
  std::unique_ptr<pcre2_code, CodeDeleter> re(
      pcre2_compile(reinterpret_cast<PCRE2_SPTR>(body.data()), body.size(), options, &code, &offset, nullptr));
  if (!re) {
    PCRE2_UCHAR buf[256];
    pcre2_get_error_message(code, buf, sizeof buf);
    message_ = reinterpret_cast<const char*>(buf);
    return bregPatternError;
  }
  std::unique_ptr<pcre2_match_data, MatchDataDeleter> md(pcre2_match_data_create_from_pattern(re.get(), nullptr));
  if (!md) {
    message_ = "out of memory";
    return bregPatternError;
  }
  // PCRE2's own limit lets a backtracking pattern (strScanf's "%d%s%d%s"
  // becomes \S{1,}\S{1,}...) grind for seconds per line, and a script cannot
  // be stopped inside a match; a tenth of it is still far beyond what a
  // pattern that does not backtrack needs on a line.
  std::unique_ptr<pcre2_match_context, MatchContextDeleter> context(pcre2_match_context_create(nullptr));
  if (!context) {
    message_ = "out of memory";
    return bregPatternError;
  }
  pcre2_set_match_limit(context.get(), kMatchLimit);
  const auto* subject = reinterpret_cast<PCRE2_SPTR>(text.data());
  size_t from = 0;
  while (from <= text.size()) {
    const int rc = pcre2_match(re.get(), subject, text.size(), from, 0, md.get(), context.get());
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0) {
      PCRE2_UCHAR buf[256];
      pcre2_get_error_message(rc, buf, sizeof buf);
      message_ = reinterpret_cast<const char*>(buf);
      return bregPatternError;
    }
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md.get());
    const size_t s = ov[0];
    if (IsSjisCharStart(text, s)) {
      start = static_cast<int>(s);
      matched = text.substr(s, ov[1] > s ? ov[1] - s : 0);
      return bregMatched;
    }
    // Began on a trail byte: look again from the next character.
    from = s + 1;
  }
  message_ = pattern + " is not included in " + text;
  return bregNotMatched;
}

int TBregExp::MatchLines(const std::vector<std::string>& lines, const std::string& pattern, int mode, int& start,
                         std::string& matched, int& lineIndex) {
  int status = bregNotMatched;
  for (size_t i = 0; i < lines.size(); ++i) {
    status = Match(lines[i], pattern, mode, start, matched);
    if (status == bregMatched) {
      lineIndex = static_cast<int>(i);
      return status;
    }
    if (status == bregPatternError) return status;
  }
  return status;
}

std::string ScanfFormatToPattern(const std::string& format) {
  std::string re = "/";
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%') {
      const size_t j = format.find_first_of("dfcs", i + 1);
      if (j == std::string::npos) break;
      re += "\\S{1,}";
      i = j;
    } else if (IsLead(format, i)) {
      re += format[i];
      re += format[i + 1];
      ++i;
    } else if (format[i] == '/') {
      re += "\\/";  // the delimiter; a date format like %d/%d must still work
    } else {
      re += format[i];
    }
  }
  re += "/";
  return re;
}

int TBregExp::Scanf(const std::vector<std::string>& lines, const std::string& format,
                    const std::function<void(const ScanValue&)>& callback) {
  int start = 0;
  int lineIndex = 0;
  std::string matched;
  const int status = MatchLines(lines, ScanfFormatToPattern(format), 1, start, matched, lineIndex);
  if (status != bregMatched) return status;
  const std::vector<std::string> pieces = SplitScanfFormat(format);
  const std::vector<int> kinds = ClassifyScanfPieces(pieces);
  std::string work = matched;
  for (size_t i = 0; i < pieces.size(); ++i) {
    size_t consumed = 0;
    const ScanValue v = ConvertPiece(pieces[i], kinds[i], work, consumed);
    callback(v);
    work.erase(0, consumed);
  }
  return bregMatched;
}

std::vector<std::string> SplitScanfFormat(const std::string& format) {
  std::vector<std::string> pieces;
  std::string piece;
  bool first = true;
  for (char c : format) {
    if (c == '%') {
      if (!first) {
        pieces.push_back(piece + "%n");
        piece.clear();
      }
      first = false;
    }
    piece += c;
  }
  pieces.push_back(piece + "%n");
  return pieces;
}

std::vector<int> ClassifyScanfPieces(const std::vector<std::string>& pieces) {
  std::vector<int> kinds;
  kinds.reserve(pieces.size());
  for (const std::string& p : pieces) {
    const size_t pct = p.find('%');
    const std::string rest = pct == std::string::npos ? std::string() : p.substr(pct);
    int kind = -1;
    if (rest.find('d') != std::string::npos) kind = scanInteger;
    else if (rest.find('c') != std::string::npos) kind = scanChar;
    else if (rest.find('s') != std::string::npos) kind = scanString;
    else if (rest.find("lf") != std::string::npos) kind = scanDouble;
    else if (rest.find('f') != std::string::npos) kind = scanFloat;
    kinds.push_back(kind);
  }
  return kinds;
}
