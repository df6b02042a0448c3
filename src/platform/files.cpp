#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cerrno>
#include <cstring>

#include "platform/text.h"

namespace platform {

std::string ToOsPath(const std::string& path) { return Cp932ToUtf8(path); }
std::string FromOsPath(const std::string& path) { return Utf8ToCp932(path); }

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(ToOsPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return stat(ToOsPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsReadOnly(const std::string& path) {
  struct stat st;
  if (stat(ToOsPath(path).c_str(), &st) != 0) return false;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool SetReadOnly(const std::string& path, bool readOnly) {
  struct stat st;
  const std::string os = ToOsPath(path);
  if (stat(os.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode = readOnly ? (mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  return chmod(os.c_str(), mode) == 0;
}

std::string FindFileNoCase(const std::string& folder, const std::string& name) {
  std::string dir = folder.empty() ? std::string("./") : folder;
  DIR* d = opendir(ToOsPath(dir).c_str());
  if (!d) return folder + name;
  std::vector<std::string> hits;
  const std::string want = UpperAscii(name);
  while (dirent* e = readdir(d)) {
    std::string n = FromOsPath(e->d_name);
    if (UpperAscii(n) == want) hits.push_back(n);
  }
  closedir(d);
  if (hits.empty()) return folder + name;
  // An exact match wins; otherwise the first in name order, so the choice is stable.
  if (std::find(hits.begin(), hits.end(), name) != hits.end()) return folder + name;
  std::sort(hits.begin(), hits.end());
  return folder + hits.front();
}

bool ReadFileBytes(const std::string& path, std::string& out) {
  out.clear();
  int fd = open(ToOsPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return false;
  }
  char buf[65536];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      close(fd);
      return false;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  return true;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text, start, i - start);
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < n) lines.emplace_back(text, start, n - start);
  return lines;
}

bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
  std::string text;
  if (!ReadFileBytes(path, text)) {
    lines.clear();
    return false;
  }
  lines = SplitLines(text);
  return true;
}

bool SkipUtf8Bom(std::string& text) {
  if (text.compare(0, 3, "\xEF\xBB\xBF") != 0) return false;
  text.erase(0, 3);
  return true;
}

bool WriteFileAtomic(const std::string& path, const std::string& data, std::string* error) {
  // Through a link, replace the file it names and keep the link.
  std::string os = ToOsPath(path);
  if (char* real = realpath(os.c_str(), nullptr)) {
    struct stat lst;
    if (lstat(os.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) os = real;
    free(real);
  }
  auto fail = [&](int err) {
    if (error) *error = FromOsPath(std::strerror(err));
    return false;
  };
  std::string dir = os.substr(0, os.find_last_of('/') + 1);
  if (dir.empty()) dir = "./";
  std::string tmpl = dir + "." + os.substr(os.find_last_of('/') + 1) + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return fail(errno);
  struct stat st;
  mode_t mode = 0644;
  if (stat(os.c_str(), &st) == 0) mode = st.st_mode & 07777;
  size_t off = 0;
  while (off < data.size()) {
    ssize_t w = write(fd, data.data() + off, data.size() - off);
    if (w < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      close(fd);
      unlink(name.data());
      return fail(err);
    }
    off += static_cast<size_t>(w);
  }
  if (fchmod(fd, mode) != 0 || fsync(fd) != 0) {
    int err = errno;
    close(fd);
    unlink(name.data());
    return fail(err);
  }
  if (close(fd) != 0) {
    int err = errno;
    unlink(name.data());
    return fail(err);
  }
  if (rename(name.data(), os.c_str()) != 0) {
    int err = errno;
    unlink(name.data());
    return fail(err);
  }
  return true;
}

std::string ExtractFilePath(const std::string& path) {
  size_t p = path.find_last_of('/');
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string ExtractFileName(const std::string& path) {
  size_t p = path.find_last_of('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ExtractFileExt(const std::string& path) {
  std::string name = ExtractFileName(path);
  size_t p = name.find_last_of('.');
  return p == std::string::npos ? std::string() : name.substr(p);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  std::string folder = ExtractFilePath(path);
  std::string name = ExtractFileName(path);
  size_t p = name.find_last_of('.');
  if (p != std::string::npos) name.erase(p);
  return folder + name + ext;
}

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

}  // namespace platform
