// Pattern search over Shift-JIS text and the scanf-style scanning of strScanf.
// Patterns are Perl-style ("/body/flags") and run on PCRE2 over bytes; a match
// never starts on the second byte of a double-byte character.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Match status of TBregExp.
enum : int {
  bregMatched = 0,
  bregNotMatched = 1,
  bregPatternError = 2,
};

// Conversion kinds of scanf pieces.
enum : int {
  scanInteger = 0,   // d
  scanChar = 1,      // c
  scanString = 2,    // s
  scanDouble = 3,    // lf
  scanFloat = 4,     // f
};

// One converted piece handed to the Scanf callback. converted is false when
// the piece's text did not convert (or it stores nothing, like "%*d"); the
// value fields then hold nothing useful.
struct ScanValue {
  int kind = scanInteger;
  bool converted = false;
  int32_t ival = 0;
  double fval = 0.0;
  std::string sval;
};

class TBregExp {
 public:
  // The longest pattern text accepted (the buffer the patterns were sized to).
  static constexpr size_t kMaxPattern = 1023;

  // mode 1: pattern is the whole "/body/flags" text; otherwise it is wrapped
  // as "/pattern/". On bregMatched, start is the byte offset of the match and
  // matched its text.
  int Match(const std::string& text, const std::string& pattern, int mode, int& start, std::string& matched);
  // Match on each line in turn; stops at the first match (lineIndex is its
  // index) or the first pattern error. No lines: bregNotMatched.
  int MatchLines(const std::vector<std::string>& lines, const std::string& pattern, int mode, int& start,
                 std::string& matched, int& lineIndex);
  // Finds the first line shaped like format and converts it piece by piece,
  // calling callback once per piece. Returns the match status.
  int Scanf(const std::vector<std::string>& lines, const std::string& format,
            const std::function<void(const ScanValue&)>& callback);

  // Message of the last failed match.
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

// The regular expression a scanf format stands for ("/.../").
std::string ScanfFormatToPattern(const std::string& format);
std::vector<std::string> SplitScanfFormat(const std::string& format);
std::vector<int> ClassifyScanfPieces(const std::vector<std::string>& pieces);

// Byte offset of the first occurrence of needle in text at or after from that
// starts on a character boundary (counted from the start of text); npos when
// there is none or needle is empty.
size_t SjisFind(const std::string& text, const std::string& needle, size_t from = 0);
// True when offset is where a character starts (not a trail byte).
bool IsSjisCharStart(const std::string& text, size_t offset);
