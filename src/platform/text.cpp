#include "platform/text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

// Length of the undecodable character at src (a CP932 pair with a proper
// trail byte, or the whole UTF-8 sequence a lead byte starts), so that one
// character gives one '?' and the bytes after it are read afresh.
size_t BadLength(const char* src, size_t left, bool fromUtf8) {
  const unsigned char lead = static_cast<unsigned char>(src[0]);
  if (!fromUtf8) {
    if (!IsSjisLeadByte(lead) || left < 2) return 1;
    const unsigned char trail = static_cast<unsigned char>(src[1]);
    return (trail >= 0x40 && trail <= 0xFC && trail != 0x7F) ? 2 : 1;
  }
  size_t len = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  size_t n = 1;
  while (n < len && n < left && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80) ++n;
  return n;
}

std::string Convert(const char* to, const char* from, const std::string& in) {
  const bool fromUtf8 = std::strcmp(from, "UTF-8") == 0;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return in;
  std::string out;
  out.reserve(in.size() * 3 / 2 + 4);
  char buf[1024];
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  while (srcLeft > 0) {
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buf, dst - buf);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: replace the character and go on.
      out.push_back('?');
      const size_t bad = BadLength(src, srcLeft, fromUtf8);
      src += bad;
      srcLeft -= bad;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

std::string Cp932ToUtf8(const std::string& cp932) {
  if (IsAscii(cp932)) return cp932;
  return Convert("UTF-8", "CP932", cp932);
}

std::string Utf8ToCp932(const std::string& utf8) {
  if (IsAscii(utf8)) return utf8;
  return Convert("CP932", "UTF-8", utf8);
}

std::string UpperAscii(const std::string& s) {
  std::string r = s;
  for (size_t i = 0; i < r.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(r[i]);
    if (IsSjisLeadByte(c) && i + 1 < r.size()) {
      ++i;
      continue;
    }
    if (c >= 'a' && c <= 'z') r[i] = static_cast<char>(c - 'a' + 'A');
  }
  return r;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

bool SameTextNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && UpperAscii(a) == UpperAscii(b);
}

}  // namespace platform
