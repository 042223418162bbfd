// INI text with the rules of the Windows profile functions, which stored files and peers rely on:
// section and key names match without regard to ASCII case, the first of duplicate keys wins,
// names and values are trimmed, CR LF or LF line ends are read, sections are listed in file order,
// and a section can be erased whole. Writing keeps the original spelling of existing names.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"

namespace brivak {

// An in-memory INI document. Not thread-safe; IniFile guards access to a file.
class IniDocument {
 public:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;  // in file order; duplicates kept, the first one is read
  };

  static IniDocument Parse(std::string_view text);
  // Serialises with CR LF line ends: "[name]" then "key=value" lines, a blank line between sections.
  std::string Serialize() const;

  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // Decimal integer; the default when missing, not a number, or out of the 32-bit range.
  int ReadInteger(std::string_view section, std::string_view key, int def) const;
  // Integer read; true when non-zero.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  // Replaces the first matching key's value (the one that is read) or appends the key; creates the
  // section at the end when it is missing. CR and LF in names and values become spaces, so a value
  // cannot add lines to the file (use EscapeMultiline for multi-line text).
  void Write(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, long long value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  bool SectionExists(std::string_view section) const;
  std::vector<std::string> SectionNames() const;                         // file order
  std::vector<std::string> KeyNames(std::string_view section) const;     // file order, first of duplicates
  void EraseSection(std::string_view section);                          // every section of that name
  void EraseKey(std::string_view section, std::string_view key);

  const std::vector<Section>& Sections() const { return sections_; }

 private:
  Section* Find(std::string_view section);
  const Section* Find(std::string_view section) const;
  std::vector<Section> sections_;
};

// A file read and written through IniDocument, on the FileSystem it is given. Each operation reads
// the file anew, as the profile functions do, so changes by other processes are seen. A write
// replaces the file atomically (FileSystem::ReplaceFile), so a failure or a crash leaves the old or
// the new file. Thread-safe: operations on one IniFile object are serialised.
class IniFile {
 public:
  struct Options {
    bool privateFile = false;   // create with mode 0600 (files holding password hashes)
    bool processLock = false;   // take an flock on "<path>.lock" around reads and read-modify-write
  };

  // `files` must outlive this object.
  IniFile(platform::FileSystem& files, std::string path);
  IniFile(platform::FileSystem& files, std::string path, Options options);

  const std::string& Path() const { return path_; }
  bool Exists() const;

  // The file's content now; an empty document when the file is missing or unreadable.
  IniDocument Load() const;
  // Read-modify-write. Throws std::runtime_error (with the path and the reason) when the file
  // cannot be written; the old file is then left as it was.
  void Modify(const std::function<void(IniDocument&)>& change);

  // Shorthands over Load and Modify.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  int ReadInteger(std::string_view section, std::string_view key, int def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void EraseSection(std::string_view section);
  std::vector<std::string> SectionNames() const;
  bool SectionExists(std::string_view section) const;

 private:
  platform::FileSystem& files_;
  std::string path_;
  Options options_;
  mutable std::mutex mutex_;
};

// Values that hold line breaks are kept on one line: "\\" for a backslash, "\n" for CR LF, "\r" for
// a lone CR, "\l" for a lone LF. Unescape reads back exactly what Escape wrote, and a raw one-line
// value without backslash escapes reads as itself.
std::string EscapeMultiline(std::string_view value);
std::string UnescapeMultiline(std::string_view value);

}  // namespace brivak
