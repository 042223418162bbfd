#include "common/IniFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <stdexcept>
#include <system_error>

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

std::runtime_error SystemError(const std::string& path, const std::string& what, int err) {
  return std::runtime_error(path + ": " + what + ": " + std::strerror(err));
}

// Reads the whole file; nullopt when it is missing or unreadable.
std::optional<std::string> ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string data;
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
}

// flock on "<path>.lock" for the lifetime of the object. `Acquired()` is false when the lock file
// cannot be opened (e.g. the folder is missing).
class FileLock {
 public:
  FileLock(const std::string& path, int operation, unsigned mode) {
    fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, mode);
    if (fd_ < 0) {
      error_ = errno;
      return;
    }
    while (::flock(fd_, operation) != 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the flock
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool Acquired() const { return fd_ >= 0; }
  int Error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

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

IniFile::IniFile(std::string path) : IniFile(std::move(path), Options{}) {}

IniFile::IniFile(std::string path, Options options) : path_(std::move(path)), options_(options) {}

bool IniFile::Exists() const {
  struct stat st {};
  return ::stat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

IniDocument IniFile::Load() const {
  std::lock_guard<std::mutex> guard(mutex_);
  std::optional<FileLock> lock;
  // Without a lock file (e.g. its folder is missing) the read goes ahead unlocked: there is
  // nothing another process could be half-way through writing there.
  if (options_.processLock) lock.emplace(path_, LOCK_SH, options_.privateFile ? 0600u : 0644u);
  const std::optional<std::string> text = ReadWholeFile(path_);
  return text ? IniDocument::Parse(*text) : IniDocument();
}

void IniFile::Modify(const std::function<void(IniDocument&)>& change) {
  std::lock_guard<std::mutex> guard(mutex_);
  std::optional<FileLock> lock;
  if (options_.processLock) {
    lock.emplace(path_, LOCK_EX, options_.privateFile ? 0600u : 0644u);
    if (!lock->Acquired()) throw SystemError(path_, "cannot lock", lock->Error());
  }
  const std::optional<std::string> text = ReadWholeFile(path_);
  IniDocument doc = text ? IniDocument::Parse(*text) : IniDocument();
  change(doc);
  WriteFileAtomically(path_, doc.Serialize(), options_.privateFile ? 0600u : 0644u);
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

// ---- Atomic write --------------------------------------------------------------------------------

void WriteFileAtomically(const std::string& path, std::string_view data, unsigned mode) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;  // an existing file keeps its mode

  std::string tempPath = path + ".XXXXXX";
  const int fd = ::mkostemp(tempPath.data(), O_CLOEXEC);
  if (fd < 0) throw SystemError(path, "cannot create a temporary file", errno);

  const auto fail = [&](const char* what, int err, bool closeFd) {
    if (closeFd) ::close(fd);
    ::unlink(tempPath.c_str());
    return SystemError(path, what, err);
  };

  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw fail("cannot write", errno, true);
    }
    done += static_cast<size_t>(n);
  }
  if (::fchmod(fd, static_cast<mode_t>(mode)) != 0) throw fail("cannot set the mode", errno, true);
  if (::fsync(fd) != 0) throw fail("cannot flush", errno, true);
  if (::close(fd) != 0) throw fail("cannot close", errno, false);
  if (::rename(tempPath.c_str(), path.c_str()) != 0) throw fail("cannot replace", errno, false);

  // Make the rename itself durable; a failure here does not undo the completed replacement.
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
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
