// Number conversion of text from files and users: decimal, or hexadecimal
// with a "0x"/"0X" prefix.
#pragma once
#include <stdexcept>
#include <string>

namespace platform {

// The class library's conversion error, shown by the application's top level;
// what() is its English message.
class EConvertError : public std::runtime_error {
 public:
  EConvertError(const std::string& english, const std::string& japanese)
      : std::runtime_error(english), japanese_(japanese) {}
  const char* Japanese() const noexcept { return japanese_.what(); }

 private:
  std::runtime_error japanese_;  // copied without throwing, as an exception must be
};

// The message of an exception in the language the user reads.
const char* MessageOf(const std::exception& e, bool japanese);

// Decimal with an optional sign, or "0x"/"0X" followed by 1 to 8 hex digits
// (taken as 32 bits, so 0xFFFFFFFF is -1). Surrounding blanks are ignored.
bool TryStrToInt(const std::string& text, int& value);
int StrToIntDef(const std::string& text, int def);
// Throws EConvertError "'text' is not a valid integer value" ("'text' は有効な整数値ではありません").
int StrToInt(const std::string& text);
bool TryStrToFloat(const std::string& text, double& value);
// Throws EConvertError "'text' is not a valid floating point value".
double StrToFloat(const std::string& text);

// printf into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace platform
