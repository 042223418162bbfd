#include "common/IniFile.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <stdexcept>

namespace brivak {
namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A line break inside a name or value would let it start a new section or key when the file is
// read back, so CR and LF become spaces; the result is trimmed as a read would trim it.
std::string Clean(std::string_view s) {
  std::string out(s);
  std::replace_if(out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return std::string(Trim(out));
}

}  // namespace

// ---- IniDocument ---------------------------------------------------------------------------------

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  Section* current = nullptr;
  while (!text.empty()) {
    const size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = (eol == std::string_view::npos) ? std::string_view() : text.substr(eol + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = Trim(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const size_t close = line.rfind(']');
      if (close == std::string_view::npos) continue;  // not a section header: ignored
      doc.sections_.push_back(Section{std::string(Trim(line.substr(1, close - 1))), {}});
      current = &doc.sections_.back();
      continue;
    }
    if (current == nullptr) continue;  // lines before the first section are ignored
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;  // no '=': ignored
    const std::string_view key = Trim(line.substr(0, eq));
    if (key.empty()) continue;
    current->entries.push_back(Entry{std::string(key), std::string(Trim(line.substr(eq + 1)))});
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  std::string out;
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (i > 0) out += "\r\n";
    out += '[';
    out += sections_[i].name;
    out += "]\r\n";
    for (const Entry& e : sections_[i].entries) {
      out += e.key;
      out += '=';
      out += e.value;
      out += "\r\n";
    }
  }
  return out;
}

IniDocument::Section* IniDocument::Find(std::string_view section) {
  for (Section& s : sections_) {
    if (EqualNoCase(s.name, section)) return &s;
  }
  return nullptr;
}

const IniDocument::Section* IniDocument::Find(std::string_view section) const {
  for (const Section& s : sections_) {
    if (EqualNoCase(s.name, section)) return &s;
  }
  return nullptr;
}

std::optional<std::string> IniDocument::Read(std::string_view section, std::string_view key) const {
  // Only the first section of a name is searched, as the profile functions do.
  const Section* s = Find(section);
  if (s == nullptr) return std::nullopt;
  for (const Entry& e : s->entries) {
    if (EqualNoCase(e.key, key)) return e.value;
  }
  return std::nullopt;
}

std::string IniDocument::ReadString(std::string_view section, std::string_view key,
                                    std::string_view def) const {
  std::optional<std::string> v = Read(section, key);
  return v ? std::move(*v) : std::string(def);
}

int IniDocument::ReadInteger(std::string_view section, std::string_view key, int def) const {
  const std::optional<std::string> v = Read(section, key);
  if (!v) return def;
  std::string_view text = *v;
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return def;  // "+-5" is not a number
  }
  if (text.empty()) return def;
  int result = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), result, 10);
  if (ec != std::errc() || end != text.data() + text.size()) return def;
  return result;
}

bool IniDocument::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniDocument::Write(std::string_view section, std::string_view key, std::string_view value) {
  const std::string cleanSection = Clean(section);
  const std::string cleanKey = Clean(key);
  Section* s = Find(cleanSection);
  if (s == nullptr) {
    sections_.push_back(Section{cleanSection, {}});
    s = &sections_.back();
  }
  for (Entry& e : s->entries) {
    if (EqualNoCase(e.key, cleanKey)) {
      e.value = Clean(value);
      return;
    }
  }
  s->entries.push_back(Entry{cleanKey, Clean(value)});
}

void IniDocument::WriteInteger(std::string_view section, std::string_view key, long long value) {
  Write(section, key, std::to_string(value));
}

void IniDocument::WriteBool(std::string_view section, std::string_view key, bool value) {
  Write(section, key, value ? "1" : "0");
}

bool IniDocument::SectionExists(std::string_view section) const { return Find(section) != nullptr; }

std::vector<std::string> IniDocument::SectionNames() const {
  // A name repeated in the file is listed once, with the spelling of its first occurrence.
  std::vector<std::string> names;
  for (const Section& s : sections_) {
    const bool seen = std::any_of(names.begin(), names.end(),
                                  [&](const std::string& n) { return EqualNoCase(n, s.name); });
    if (!seen) names.push_back(s.name);
  }
  return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  const Section* s = Find(section);
  if (s == nullptr) return names;
  for (const Entry& e : s->entries) {
    const bool seen = std::any_of(names.begin(), names.end(),
                                  [&](const std::string& n) { return EqualNoCase(n, e.key); });
    if (!seen) names.push_back(e.key);
  }
  return names;
}

void IniDocument::EraseSection(std::string_view section) {
  std::erase_if(sections_, [&](const Section& s) { return EqualNoCase(s.name, section); });
}

void IniDocument::EraseKey(std::string_view section, std::string_view key) {
  // Every copy goes, so an erased key does not reappear through a later duplicate.
  for (Section& s : sections_) {
    if (!EqualNoCase(s.name, section)) continue;
    std::erase_if(s.entries, [&](const Entry& e) { return EqualNoCase(e.key, key); });
  }
}

// ---- IniFile -------------------------------------------------------------------------------------

IniFile::IniFile(platform::FileSystem& files, std::string path)
    : IniFile(files, std::move(path), Options{}) {}

IniFile::IniFile(platform::FileSystem& files, std::string path, Options options)
    : files_(files), path_(std::move(path)), options_(options) {}

bool IniFile::Exists() const {
  return files_.IsFile(path_);
}

IniDocument IniFile::Load() const {
  std::lock_guard<std::mutex> guard(mutex_);
  std::unique_ptr<platform::HeldFileLock> lock;
  // Without a lock file (e.g. its folder is missing) the read goes ahead unlocked: there is
  // nothing another process could be half-way through writing there.
  std::string ignored;
  if (options_.processLock)
    lock = files_.Lock(path_ + ".lock", false, options_.privateFile ? 0600u : 0644u, ignored);
  const std::optional<std::string> text = files_.ReadFile(path_);
  return text ? IniDocument::Parse(*text) : IniDocument();
}

void IniFile::Modify(const std::function<void(IniDocument&)>& change) {
  std::lock_guard<std::mutex> guard(mutex_);
  std::unique_ptr<platform::HeldFileLock> lock;
  if (options_.processLock) {
    std::string error;
    lock = files_.Lock(path_ + ".lock", true, options_.privateFile ? 0600u : 0644u, error);
    if (!lock) throw std::runtime_error(error);
  }
  const std::optional<std::string> text = files_.ReadFile(path_);
  IniDocument doc = text ? IniDocument::Parse(*text) : IniDocument();
  change(doc);
  const platform::FileResult written =
      files_.ReplaceFile(path_, doc.Serialize(), options_.privateFile ? 0600u : 0644u);
  if (!written) throw std::runtime_error(written.error);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
  return Load().ReadString(section, key, def);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
  return Load().ReadInteger(section, key, def);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return Load().ReadBool(section, key, def);
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Modify([&](IniDocument& doc) { doc.Write(section, key, value); });
}

void IniFile::EraseSection(std::string_view section) {
  Modify([&](IniDocument& doc) { doc.EraseSection(section); });
}

std::vector<std::string> IniFile::SectionNames() const { return Load().SectionNames(); }

bool IniFile::SectionExists(std::string_view section) const {
  return Load().SectionExists(section);
}

// ---- Multi-line values ---------------------------------------------------------------------------

std::string EscapeMultiline(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\r') {
      if (i + 1 < value.size() && value[i + 1] == '\n') {
        out += "\\n";
        ++i;
      } else {
        out += "\\r";
      }
    } else if (c == '\n') {
      out += "\\l";
    } else {
      out += c;
    }
  }
  return out;
}

std::string UnescapeMultiline(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c != '\\' || i + 1 == value.size()) {
      out += c;
      continue;
    }
    const char next = value[i + 1];
    switch (next) {
      case '\\': out += '\\'; break;
      case 'n': out += "\r\n"; break;
      case 'r': out += '\r'; break;
      case 'l': out += '\n'; break;
      default: out += c; out += next; break;  // unknown escape: kept verbatim
    }
    ++i;
  }
  return out;
}

}  // namespace brivak
