// Encoding changes happen only at the edges: the widgets and the operating system's paths.
#pragma once
#include <string>

namespace platform {

// Shift-JIS (code page 932) bytes to UTF-8. Undecodable bytes become '?'.
std::string Cp932ToUtf8(const std::string& cp932);
// UTF-8 to Shift-JIS bytes. Characters with no CP932 form become '?'.
std::string Utf8ToCp932(const std::string& utf8);

// True when byte c starts a double-byte Shift-JIS character.
inline bool IsSjisLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Case-insensitive comparison of ASCII letters only (the second byte of a
// double-byte character is never folded).
bool SameTextNoCase(const std::string& a, const std::string& b);
std::string UpperAscii(const std::string& s);

// Drops blanks and control characters (bytes up to 0x20) from both ends; the
// bytes of a double-byte character are all above 0x40, so they never go.
std::string Trim(const std::string& s);

}  // namespace platform
