#include "script/machine/vmvalues.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <system_error>

void AppendIntegerText(std::string& out, std::int32_t value) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

void AppendFloatingText(std::string& out, double value) {
  if (value == 0.0) {  // also -0.0
    out += '0';
    return;
  }
  // %G switches to the exponent form exactly where the 15-digit general
  // format does; only the exponent is written differently ("E20", "E-7").
  char buf[40];
  std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  if (r.ec != std::errc()) {
    out += std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
    return;
  }
  char* end = r.ptr;
  for (char* p = buf; p < end; ++p) {
    if (*p == 'e' || *p == 'E') {
      out.append(buf, p);
      out += 'E';
      ++p;
      if (*p == '-') out += '-';
      if (*p == '+' || *p == '-') ++p;
      while (p + 1 < end && *p == '0') ++p;
      out.append(p, end);
      return;
    }
    if (*p == 'i' || *p == 'n') {  // inf, nan
      out += std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
      return;
    }
  }
  out.append(buf, end);
}

void AppendValueText(std::string& out, const TStackData& cell) {
  switch (cell.kind) {
    case dtInteger: AppendIntegerText(out, cell.ival); break;
    case dtFloating: AppendFloatingText(out, cell.fval); break;
    case dtString: out += cell.sval; break;
    default: break;
  }
}

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

bool ParseIntegerText(const std::string& text, std::int32_t& value) {
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end && IsBlank(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  int base = 10;
  if (p < end && *p == '$') {
    base = 16;
    ++p;
  } else if (end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  }
  if (p == end) return false;
  std::uint64_t magnitude = 0;
  for (; p < end; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    unsigned digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    magnitude = magnitude * base + digit;
    if (magnitude > 0x100000000ull) return false;
  }
  // Hexadecimal text may spell the bit pattern of a negative number.
  std::int64_t v;
  if (base == 16 && magnitude <= 0xFFFFFFFFull) v = static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
  else v = static_cast<std::int64_t>(magnitude);
  if (negative) v = -v;
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) return false;
  value = static_cast<std::int32_t>(v);
  return true;
}

bool ParseFloatingText(const std::string& text, double& value) {
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end && IsBlank(*p)) ++p;
  while (end > p && IsBlank(end[-1])) --end;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  // Digits or a point must come first: no "inf", "nan" or second sign.
  if (p == end || !((*p >= '0' && *p <= '9') || *p == '.')) return false;
  double v = 0;
  auto r = std::from_chars(p, end, v, std::chars_format::general);
  if (r.ptr != end) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // from_chars leaves v alone here: tiny values become 0, huge ones overflow.
    return false;
  }
  if (r.ec != std::errc()) return false;
  value = negative ? -v : v;
  return true;
}

std::int32_t TruncateToInteger(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

void AlignValueFields(TStackData& cell) {
  switch (cell.kind) {
    case dtInteger:
      cell.fval = cell.ival;
      cell.sval.clear();
      AppendIntegerText(cell.sval, cell.ival);
      break;
    case dtFloating:
      cell.ival = TruncateToInteger(cell.fval);
      cell.sval.clear();
      AppendFloatingText(cell.sval, cell.fval);
      break;
    case dtString:
      cell.ival = 0;
      cell.fval = 0.0;
      break;
    default: break;
  }
}
