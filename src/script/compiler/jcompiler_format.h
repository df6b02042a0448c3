// printf-style formatting into a std::string, for the compiler's messages
// (names in them have no length limit).
#pragma once
#include <cstdarg>
#include <cstdio>
#include <string>

inline std::string VFormatText(const char* format, va_list ap) {
  va_list copy;
  va_copy(copy, ap);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n <= 0) return std::string();
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::vsnprintf(&out[0], out.size(), format, ap);
  out.resize(static_cast<std::size_t>(n));
  return out;
}
