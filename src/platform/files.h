// File helpers. Paths are Shift-JIS strings like every other text of the
// program; they are converted to UTF-8 only where they reach the system.
#pragma once
#include <string>
#include <vector>

namespace platform {

std::string ToOsPath(const std::string& path);    // CP932 -> UTF-8
std::string FromOsPath(const std::string& path);  // UTF-8 -> CP932

bool FileExists(const std::string& path);        // a regular file
bool DirectoryExists(const std::string& path);
// The "read-only attribute": the file exists and has no write permission bit at
// all, so the answer is the same when the program runs as root.
bool IsReadOnly(const std::string& path);
bool SetReadOnly(const std::string& path, bool readOnly);

// folder + name, where an existing entry of folder whose name equals name
// without regard to case wins (first in directory order sorted by name).
// When none exists the result is folder + name as given.
std::string FindFileNoCase(const std::string& folder, const std::string& name);

// Whole-file read; false when the file cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::string& out);
// Splits at CR LF, LF or a lone CR. A final line without an end counts; a text
// that ends with a line end has no empty last line.
std::vector<std::string> SplitLines(const std::string& text);
bool ReadLines(const std::string& path, std::vector<std::string>& lines);
// Removes a leading UTF-8 byte-order mark, which some editors put before the
// first section of an ini-style file; true when there was one.
bool SkipUtf8Bom(std::string& text);

// Writes data to a temporary file in the same folder and renames it over path,
// so a failure leaves the old file whole. An existing file keeps its mode.
// On failure returns false and, when error is given, the system's reason.
bool WriteFileAtomic(const std::string& path, const std::string& data, std::string* error = nullptr);

// Path pieces, in the manner of the class library: the folder keeps its
// trailing separator, the extension keeps its dot.
std::string ExtractFilePath(const std::string& path);
std::string ExtractFileName(const std::string& path);
std::string ExtractFileExt(const std::string& path);
std::string ChangeFileExt(const std::string& path, const std::string& ext);
bool IsAbsolutePath(const std::string& path);

}  // namespace platform
