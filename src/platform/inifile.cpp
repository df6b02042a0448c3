#include "platform/inifile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/convert.h"
#include "platform/files.h"
#include "platform/text.h"

namespace platform {
namespace {

bool IsSectionHeader(const std::string& line, std::string* name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  // The second byte of a double-byte character may be the byte of "]".
  size_t close = 1;
  while (close < t.size() && t[close] != ']')
    close += IsSjisLeadByte(static_cast<unsigned char>(t[close])) ? 2 : 1;
  if (close >= t.size()) return false;
  if (name) *name = Trim(t.substr(1, close - 1));
  return true;
}

bool ParseKeyLine(const std::string& line, std::string& key, std::string& value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(line.substr(0, eq));
  if (key.empty() || key[0] == ';') return false;
  value = Trim(line.substr(eq + 1));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  return true;
}

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

}  // namespace

bool IniSectionNameReadsBack(const std::string& name) {
  std::string read;
  return !HasLineBreak(name) && IsSectionHeader("[" + name + "]", &read) && read == name;
}

bool IniValueReadsBack(const std::string& value) {
  std::string key, read;
  return !HasLineBreak(value) && ParseKeyLine("Value=" + value, key, read) && read == value;
}

std::string IniStoredValue(const std::string& value) {
  return IniValueReadsBack(value) ? value : "\"" + value + "\"";
}

IniFile::IniFile(const std::string& path) : path_(path) {
  std::string text;
  if (ReadFileBytes(path, text)) {
    bom_ = SkipUtf8Bom(text);
    crlf_ = text.find('\n') == std::string::npos || text.find("\r\n") != std::string::npos;
    lines_ = SplitLines(text);
  } else if (const int err = errno; FileExists(path)) {
    // There but unreadable: writing would replace it with only our keys.
    unreadable_ = FromOsPath(std::strerror(err));
  }
}

int IniFile::FindSection(const std::string& section) const {
  std::string name;
  for (size_t i = 0; i < lines_.size(); ++i)
    if (IsSectionHeader(lines_[i], &name) && SameTextNoCase(name, section)) return static_cast<int>(i);
  return -1;
}

int IniFile::SectionEnd(int header) const {
  size_t i = static_cast<size_t>(header) + 1;
  while (i < lines_.size() && !IsSectionHeader(lines_[i], nullptr)) ++i;
  return static_cast<int>(i);
}

int IniFile::NewKeyLine(int header) const {
  // After the section's last non-blank line, so a blank separator stays last.
  int at = SectionEnd(header);
  while (at > header + 1 && Trim(lines_[at - 1]).empty()) --at;
  return at;
}

int IniFile::FindKey(int header, const std::string& key) const {
  if (header < 0) return -1;
  int end = SectionEnd(header);
  std::string k, v;
  for (int i = header + 1; i < end; ++i)
    if (ParseKeyLine(lines_[i], k, v) && SameTextNoCase(k, key)) return i;
  return -1;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  int i = FindKey(FindSection(section), key);
  if (i < 0) return def;
  std::string k, v;
  ParseKeyLine(lines_[i], k, v);
  return v;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  std::string v = ReadString(section, key, std::string());
  return StrToIntDef(v, def);
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  // A line break would write lines of its own: sections and keys nobody wrote.
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value))
    throw IniFileError("Not written to " + path_ + ": a line break in [" + section + "] " + key,
                       "a line break in [" + section + "] " + key);
  const std::string line = key + "=" + value;
  int header = FindSection(section);
  if (header < 0) {
    lines_.push_back("[" + section + "]");
    lines_.push_back(line);
  } else {
    int i = FindKey(header, key);
    if (i >= 0) {
      if (lines_[i] == line) return;
      lines_[i] = line;
    } else {
      lines_.insert(lines_.begin() + NewKeyLine(header), line);
    }
  }
  Changed();
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool IniFile::SectionExists(const std::string& section) const { return FindSection(section) >= 0; }

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
  return FindKey(FindSection(section), key) >= 0;
}

std::vector<std::string> IniFile::ReadSections() const {
  std::vector<std::string> out;
  std::string name;
  for (const std::string& l : lines_) {
    if (!IsSectionHeader(l, &name)) continue;
    bool seen = false;
    for (const std::string& s : out) seen = seen || SameTextNoCase(s, name);
    if (!seen) out.push_back(name);
  }
  return out;
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) const {
  std::vector<std::string> out;
  int header = FindSection(section);
  if (header < 0) return out;
  int end = SectionEnd(header);
  std::string k, v;
  for (int i = header + 1; i < end; ++i)
    if (ParseKeyLine(lines_[i], k, v)) out.push_back(k);
  return out;
}

std::vector<std::string> IniFile::ReadSectionValues(const std::string& section) const {
  std::vector<std::string> out;
  int header = FindSection(section);
  if (header < 0) return out;
  int end = SectionEnd(header);
  std::string k, v;
  for (int i = header + 1; i < end; ++i)
    if (ParseKeyLine(lines_[i], k, v)) out.push_back(k + "=" + v);
  return out;
}

void IniFile::EraseSection(const std::string& section) {
  bool changed = false;
  for (int header = FindSection(section); header >= 0; header = FindSection(section)) {
    lines_.erase(lines_.begin() + header, lines_.begin() + SectionEnd(header));
    changed = true;
  }
  if (changed) Changed();
}

void IniFile::DeleteKey(const std::string& section, const std::string& key) {
  int i = FindKey(FindSection(section), key);
  if (i < 0) return;
  lines_.erase(lines_.begin() + i);
  Changed();
}

void IniFile::DeleteKeys(const std::string& section, const std::function<bool(const std::string&)>& drop) {
  const int header = FindSection(section);
  if (header < 0) return;
  const auto first = lines_.begin() + header + 1;
  const auto last = lines_.begin() + SectionEnd(header);
  std::string k, v;
  const auto kept =
      std::remove_if(first, last, [&](const std::string& line) { return ParseKeyLine(line, k, v) && drop(k); });
  if (kept == last) return;
  lines_.erase(kept, last);
  Changed();
}

void IniFile::AppendKeys(const std::string& section, const std::vector<std::pair<std::string, std::string>>& values) {
  if (values.empty()) return;
  std::vector<std::string> added;
  added.reserve(values.size());
  for (const auto& kv : values) added.push_back(kv.first + "=" + kv.second);
  int header = FindSection(section);
  if (header < 0) {
    lines_.push_back("[" + section + "]");
    lines_.insert(lines_.end(), added.begin(), added.end());
  } else {
    lines_.insert(lines_.begin() + NewKeyLine(header), added.begin(), added.end());
  }
  Changed();
}

std::string IniFile::Text() const {
  const char* eol = crlf_ ? "\r\n" : "\n";
  std::string out = bom_ ? "\xEF\xBB\xBF" : "";
  for (const std::string& l : lines_) {
    out += l;
    out += eol;
  }
  return out;
}

void IniFile::Changed() {
  dirty_ = true;
  if (autoFlush_) UpdateFile();
}

void IniFile::UpdateFile() {
  if (!dirty_) return;
  if (!unreadable_.empty())
    throw IniFileError("Unable to read " + path_ + " (" + unreadable_ + "); not rewritten", unreadable_);
  std::string error;
  if (!WriteFileAtomic(path_, Text(), &error))
    throw IniFileError("Unable to write to " + path_ + " (" + error + ")", error);
  dirty_ = false;
}

}  // namespace platform
