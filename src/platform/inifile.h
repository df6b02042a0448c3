// Ini files read and written key by key. A write replaces only its own line
// (adding the section or key when missing) and keeps every other line, comment
// and the order; the file is rewritten through a temporary file and a rename.
// Section and key names match without regard to case; the first match wins.
#pragma once
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// A write the file system refused.
class IniFileError : public std::runtime_error {
 public:
  IniFileError(const std::string& message, const std::string& reason)
      : std::runtime_error(message), reason_(reason) {}
  // The system's reason, for a message of the caller's own.
  const std::string& Reason() const { return reason_; }

 private:
  std::string reason_;
};

// Whether a section name or a value, once written, reads back as itself: no
// line break, nothing the reader trims (blanks at either end) or takes for
// the end of the header ("]") or for quotes around a value.
bool IniSectionNameReadsBack(const std::string& name);
bool IniValueReadsBack(const std::string& value);
// The text to write for a value (without line breaks) that reads back as it:
// in quotes when the reader would trim it or take its own quotes off.
std::string IniStoredValue(const std::string& value);

class IniFile {
 public:
  // Reads the file now; a missing or unreadable file reads as empty.
  explicit IniFile(const std::string& path);

  const std::string& FileName() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // Decimal, or hexadecimal with "0x"/"0X"; the default for anything else.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  // True for any integer but 0.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  // Each write goes to the file at once unless auto-flush is off; a refused
  // write throws IniFileError.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  // Section names in file order (each once).
  std::vector<std::string> ReadSections() const;
  // Key names of the first matching section, in order.
  std::vector<std::string> ReadSection(const std::string& section) const;
  // "key=value" lines of the first matching section, in order.
  std::vector<std::string> ReadSectionValues(const std::string& section) const;
  // Removes every matching section with its lines.
  void EraseSection(const std::string& section);
  // Removes the key's line from the first matching section.
  void DeleteKey(const std::string& section, const std::string& key);
  // For long numbered lists, one pass each instead of one per key:
  // DeleteKeys removes every line of the first matching section whose key
  // drop selects; AppendKeys adds key=value lines where WriteString adds a
  // new key (the keys must not be in the section yet).
  void DeleteKeys(const std::string& section, const std::function<bool(const std::string& key)>& drop);
  void AppendKeys(const std::string& section, const std::vector<std::pair<std::string, std::string>>& values);

  // Batches many writes into one rewrite: with auto-flush off, writes stay in
  // memory until UpdateFile (which throws IniFileError when refused).
  void SetAutoFlush(bool on) { autoFlush_ = on; }
  void UpdateFile();

  // The file's text as it would be written.
  std::string Text() const;

 private:
  struct Line {
    std::string text;
  };
  int FindSection(const std::string& section) const;  // index of the header line or -1
  int SectionEnd(int header) const;                    // index past the section's last line
  int FindKey(int header, const std::string& key) const;
  int NewKeyLine(int header) const;                   // where a new key of the section goes
  void Changed();

  std::string path_;
  std::vector<std::string> lines_;
  bool crlf_ = true;
  bool bom_ = false;  // the file began with a UTF-8 byte-order mark: a rewrite keeps it
  bool autoFlush_ = true;
  bool dirty_ = false;
  std::string unreadable_;  // why an existing file could not be read
};

}  // namespace platform
