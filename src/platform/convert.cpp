#include "platform/convert.h"

#include "platform/text.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace platform {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool TryStrToInt(const std::string& text, int& value) {
  std::string t = Trim(text);
  if (t.empty()) return false;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    unsigned long long v = 0;
    size_t i = 2;
    while (i < t.size() && t[i] == '0') ++i;
    if (t.size() - i > 8) return false;
    for (; i < t.size(); ++i) {
      int d = HexDigit(t[i]);
      if (d < 0) return false;
      v = v * 16 + static_cast<unsigned>(d);
    }
    value = static_cast<int>(static_cast<unsigned>(v));
    return true;
  }
  size_t i = 0;
  bool neg = false;
  if (t[0] == '+' || t[0] == '-') {
    neg = t[0] == '-';
    i = 1;
  }
  if (i >= t.size()) return false;
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    v = v * 10 + (t[i] - '0');
    if (v > 2147483648LL) return false;
  }
  if (neg) v = -v;
  if (v > 2147483647LL || v < -2147483648LL) return false;
  value = static_cast<int>(v);
  return true;
}

int StrToIntDef(const std::string& text, int def) {
  int v;
  return TryStrToInt(text, v) ? v : def;
}

const char* MessageOf(const std::exception& e, bool japanese) {
  const auto* convert = dynamic_cast<const EConvertError*>(&e);
  return japanese && convert ? convert->Japanese() : e.what();
}

int StrToInt(const std::string& text) {
  int v;
  if (!TryStrToInt(text, v))
    throw EConvertError("'" + text + "' is not a valid integer value", "'" + text + "' は有効な整数値ではありません");
  return v;
}

bool TryStrToFloat(const std::string& text, double& value) {
  std::string t = Trim(text);
  if (t.empty()) return false;
  errno = 0;
  char* end = nullptr;
  double v = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || errno == ERANGE) return false;
  value = v;
  return true;
}

double StrToFloat(const std::string& text) {
  double v;
  if (!TryStrToFloat(text, v))
    throw EConvertError("'" + text + "' is not a valid floating point value",
                        "'" + text + "' は有効な浮動小数点数値ではありません");
  return v;
}

std::string Format(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  char small[256];
  va_list ap2;
  va_copy(ap2, ap);
  int n = std::vsnprintf(small, sizeof small, fmt, ap);
  va_end(ap);
  std::string out;
  if (n < 0) {
    va_end(ap2);
    return out;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    out.assign(small, static_cast<size_t>(n));
  } else {
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), fmt, ap2);
    out.assign(big.data(), static_cast<size_t>(n));
  }
  va_end(ap2);
  return out;
}

}  // namespace platform
