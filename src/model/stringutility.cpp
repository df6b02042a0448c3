#include "model/stringutility.h"

std::string GetToken(const std::string& text, int& pos, const std::string& delimiters) {
  const long len = static_cast<long>(text.size());
  const long start = pos < 1 ? 1 : pos;
  if (start > len + 1 || delimiters.empty()) return std::string();
  long p = start;
  while (p <= len && delimiters.find(text[p - 1]) == std::string::npos) ++p;
  pos = static_cast<int>(p + 1);
  return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(p - start));
}

std::string GetWord(const std::string& text, int& pos) {
  const long len = static_cast<long>(text.size());
  long p = pos < 1 ? 1 : pos;
  if (p > len + 1) return std::string();
  auto blank = [&](long i) { return text[i - 1] == ' ' || text[i - 1] == '\t'; };
  while (p <= len && blank(p)) ++p;
  if (p > len) return std::string();
  const long start = p;
  while (p <= len && !blank(p)) ++p;
  pos = static_cast<int>(p + 1);
  return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(p - start));
}
