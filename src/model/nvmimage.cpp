#include "model/nvmimage.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "model/stringutility.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace {

constexpr int kBytesPerLine = 16;

// The text after the first "=" of the line, or "" when it has none.
std::string ValueOf(const std::string& line) {
  const size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

bool ReadNumber(const std::string& line, int& value) { return platform::TryStrToInt(ValueOf(line), value); }

// A hexadecimal byte value without prefix ("0", "ff", "00a0").
bool ParseHexByte(const std::string& word, uint32_t& value) {
  if (word.empty()) return false;
  uint32_t v = 0;
  for (char c : word) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    const char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    v = v * 16 + static_cast<uint32_t>(lc <= '9' ? lc - '0' : lc - 'a' + 10);
    if (v > 0xFF) return false;
  }
  value = v;
  return true;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Windows-style wildcard match: "*" any run, "?" one byte, ASCII case ignored.
bool WildcardMatch(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == '?' || (*pattern && LowerAscii(*pattern) == LowerAscii(*name))) {
      ++pattern;
      ++name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

}  // namespace

std::vector<std::string> BuildNvmImageLines(const NvmImageInfo& info, const std::vector<uint32_t>& data) {
  std::vector<std::string> lines;
  lines.push_back("[NVMInfo]");
  lines.push_back("DeviceName = " + info.DeviceName);
  lines.push_back(platform::Format("DeviceType = 0x%X", static_cast<unsigned>(info.DeviceType)));
  lines.push_back(platform::Format("DeviceStartID = 0x%X", info.DeviceStartID));
  lines.push_back(platform::Format("DeviceEndID = 0x%X", info.DeviceEndID));
  lines.push_back("");
  lines.push_back("[NVMData]");
  for (size_t at = 0; at < data.size(); at += kBytesPerLine) {
    std::string line = platform::Format("%08x", static_cast<unsigned>(info.DeviceStartID + at));
    const size_t end = std::min(data.size(), at + kBytesPerLine);
    for (size_t i = at; i < end; ++i) line += platform::Format(" %02x", data[i] & 0xFF);
    lines.push_back(line);
  }
  return lines;
}

std::string NvmImageFileText(const NvmImageInfo& info, const std::vector<uint32_t>& data) {
  std::string text;
  for (const std::string& line : BuildNvmImageLines(info, data)) text += line + "\r\n";
  return text;
}

bool ParseNvmImageFile(const std::vector<std::string>& lines, int& firstDataLine, NvmImageInfo& info,
                       NvmFileError& error) {
  info = NvmImageInfo();
  firstDataLine = 0;
  error = NvmFileError();
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    int number = 0;
    bool numberOk = true;
    if (line.find("[NVMData]") != std::string::npos) {
      firstDataLine = static_cast<int>(i) + 1;
      return true;
    } else if (line.find("DeviceName") != std::string::npos) {
      info.DeviceName = ValueOf(line);
    } else if (line.find("DeviceType") != std::string::npos) {
      if ((numberOk = ReadNumber(line, number))) info.DeviceType = number;
    } else if (line.find("DeviceStartID") != std::string::npos) {
      if ((numberOk = ReadNumber(line, number))) info.DeviceStartID = static_cast<uint32_t>(number);
    } else if (line.find("DeviceEndID") != std::string::npos) {
      if ((numberOk = ReadNumber(line, number))) info.DeviceEndID = static_cast<uint32_t>(number);
    }
    if (!numberOk) {
      error.kind = NvmFileError::kBadNumber;
      error.line = static_cast<int>(i) + 1;
      return false;
    }
  }
  return true;
}

bool ReadNvmDataLines(const std::vector<std::string>& lines, int first, std::vector<uint32_t>& data,
                      NvmFileError& error) {
  data.clear();
  error = NvmFileError();
  size_t end = static_cast<size_t>(std::max(first, 0));
  while (end < lines.size() && !lines[end].empty()) ++end;

  for (size_t i = static_cast<size_t>(std::max(first, 0)); i < end; ++i) {
    const std::string& line = lines[i];
    int pos = 1;
    GetWord(line, pos);  // the address: bytes are placed by line order
    int bytes = 0;
    for (; bytes < kBytesPerLine; ++bytes) {
      const std::string word = GetWord(line, pos);
      if (word.empty()) break;
      uint32_t value = 0;
      if (!ParseHexByte(word, value)) {
        error.kind = NvmFileError::kBadByte;
        error.line = static_cast<int>(i) + 1;
        error.word = word;
        data.clear();
        return false;
      }
      data.push_back(value);
    }
    if (bytes < kBytesPerLine && i + 1 < end) {
      error.kind = NvmFileError::kShortLine;
      error.line = static_cast<int>(i) + 1;
      data.clear();
      return false;
    }
  }
  return true;
}

bool ReadNvmImageLines(const std::vector<std::string>& lines, NvmImageInfo& info, std::vector<uint32_t>& data,
                       NvmFileError& error) {
  int first = 0;
  data.clear();
  if (!ParseNvmImageFile(lines, first, info, error)) return false;
  return ReadNvmDataLines(lines, first, data, error);
}

std::string NvmFileErrorText(const NvmFileError& error, const std::string& path, bool japanese) {
  switch (error.kind) {
    case NvmFileError::kShortLine:
      return japanese ? platform::Format("%s\r\n%d 行目のデータが 16 バイトに足りません", path.c_str(), error.line)
                      : platform::Format("%s\r\nLine %d holds fewer than 16 bytes", path.c_str(), error.line);
    case NvmFileError::kBadByte:
      return japanese ? platform::Format("%s\r\n%d 行目の \"%s\" は 00 から ff のバイト値ではありません",
                                         path.c_str(), error.line, error.word.c_str())
                      : platform::Format("%s\r\nLine %d: \"%s\" is not a byte value (00 to ff)", path.c_str(),
                                         error.line, error.word.c_str());
    case NvmFileError::kBadNumber:
      return japanese ? platform::Format("%s\r\n%d 行目の数値が正しくありません", path.c_str(), error.line)
                      : platform::Format("%s\r\nLine %d: the number is not valid", path.c_str(), error.line);
    case NvmFileError::kNone:
      break;
  }
  return std::string();
}

std::vector<std::string> CompareNvmBytes(uint32_t start, const uint32_t* file, const uint32_t* nvm,
                                         const uint32_t* mask, int count) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) {
    const uint32_t m = mask[i] & 0xFF;
    if (m == 0) continue;
    if ((file[i] & m) == (nvm[i] & m)) continue;
    lines.push_back(platform::Format("Address 0x%04X, File = 0x%02X, NVM = 0x%02X",
                                     start + static_cast<uint32_t>(i), file[i], nvm[i]));
  }
  return lines;
}

std::vector<std::string> FindFiles(const std::string& path, int attributes) {
  std::vector<std::string> names;
  const std::string folder = platform::ExtractFilePath(path);
  const std::string pattern = platform::ExtractFileName(path);
  const std::string patternExt = platform::ExtractFileExt(pattern);
  DIR* dir = opendir(platform::ToOsPath(folder.empty() ? std::string("./") : folder).c_str());
  if (!dir) return names;
  while (dirent* entry = readdir(dir)) {
    const std::string name = platform::FromOsPath(entry->d_name);
    if (name == "." || name == "..") continue;
    if (!WildcardMatch(pattern.c_str(), name.c_str())) continue;
    if (!patternExt.empty() && patternExt.find('*') == std::string::npos &&
        platform::ExtractFileExt(name) != patternExt)
      continue;
    if (attributes != 63) {
      int own = 0;
      struct stat st;
      const std::string full = platform::ToOsPath(folder + name);
      if (stat(full.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) own |= 0x10;
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) own |= 0x01;
      }
      if (name[0] == '.') own |= 0x02;
      if ((own & ~attributes) != 0) continue;
    }
    names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

bool SaveLinesToFile(const std::string& path, const std::vector<std::string>& lines, platform::Ui& ui) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return SaveAsking(ui, path, [&](std::string& reason) { return platform::WriteFileAtomic(path, text, &reason); });
}
