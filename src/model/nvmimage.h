// NVM image files (.eep) and NVM mask files (.vma): their text formats, the
// masked comparison of NVM bytes and the folder search for mask files. No
// dialogs here; the transfer flows in src/ui ask the user.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {
class Ui;
}

// The [NVMInfo] header of an image file. A key missing from a file leaves its
// value 0 (the name empty).
struct NvmImageInfo {
  std::string DeviceName;
  int DeviceType = 0;
  uint32_t DeviceStartID = 0;
  uint32_t DeviceEndID = 0;
};

// Why an image or mask file was refused.
struct NvmFileError {
  enum Kind { kNone, kShortLine, kBadByte, kBadNumber };
  Kind kind = kNone;
  int line = 0;      // 1-based line of the file
  std::string word;  // the word that is not a byte value (kBadByte)
};

// The lines of an image file, without line ends: the header, then one line
// per 16 bytes of data, addressed from the header's start address.
std::vector<std::string> BuildNvmImageLines(const NvmImageInfo& info, const std::vector<uint32_t>& data);
// The same as file text with CR LF line ends.
std::string NvmImageFileText(const NvmImageInfo& info, const std::vector<uint32_t>& data);

// Scans the header lines before "[NVMData]". firstDataLine is the index of
// the line after "[NVMData]", 0 when the file has none. False when a number
// of the header cannot be read.
bool ParseNvmImageFile(const std::vector<std::string>& lines, int& firstDataLine, NvmImageInfo& info,
                       NvmFileError& error);

// Reads data lines from index first up to the first empty line: each line is
// a word that is not used (the address), then up to 16 hexadecimal bytes;
// byte k of data line n is byte 16 n + k. Every line but the last must hold
// 16 bytes, so no byte is left unset. False on a short or bad line (data is
// then empty).
bool ReadNvmDataLines(const std::vector<std::string>& lines, int first, std::vector<uint32_t>& data,
                      NvmFileError& error);

// A whole image file: header and data.
bool ReadNvmImageLines(const std::vector<std::string>& lines, NvmImageInfo& info, std::vector<uint32_t>& data,
                       NvmFileError& error);
// A mask file: data lines only, from the first line.
inline bool ReadNvmMaskLines(const std::vector<std::string>& lines, std::vector<uint32_t>& mask,
                             NvmFileError& error) {
  return ReadNvmDataLines(lines, 0, mask, error);
}

// The bilingual text of a refusal of the file at path.
std::string NvmFileErrorText(const NvmFileError& error, const std::string& path, bool japanese);

// "Address 0x%04X, File = 0x%02X, NVM = 0x%02X" for every byte whose bits
// under its mask differ; bytes with mask 0 take no part.
std::vector<std::string> CompareNvmBytes(uint32_t start, const uint32_t* file, const uint32_t* nvm,
                                         const uint32_t* mask, int count);

// Names (without folder) of the entries of a folder that match the file mask
// of path ("folder/*.vma"), sorted. "*" and "?" match without regard to ASCII
// case; when the mask's extension has no "*", an entry's extension must equal
// it exactly. Unless attributes is 63, an entry is kept only when its own
// attribute bits (1 read-only, 2 hidden, 0x10 folder) all lie in the set.
std::vector<std::string> FindFiles(const std::string& path, int attributes);

// Writes the lines with CR LF ends through a temporary file. A read-only file
// or a failed write asks Retry or Cancel; false when the user gave up.
bool SaveLinesToFile(const std::string& path, const std::vector<std::string>& lines, platform::Ui& ui);
