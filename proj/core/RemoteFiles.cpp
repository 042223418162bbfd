#include "proj/core/RemoteFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "proj/core/LogFormat.h"

namespace fs = std::filesystem;

namespace brivak::core {

namespace {

// Reads 1..maxDigits decimal digits at `pos`; advances `pos`.
std::optional<int> ReadNumber(std::string_view text, std::size_t& pos, std::size_t minDigits,
                              std::size_t maxDigits) {
  std::size_t count = 0;
  int value = 0;
  while (pos < text.size() && count < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + (text[pos] - '0');
    ++pos;
    ++count;
  }
  if (count < minDigits) return std::nullopt;
  return value;
}

std::string LowerExtension(const fs::path& path) {
  std::string ext = path.extension().string();
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// Files of `folder` whose lower-cased extension satisfies `accept`, sorted by name.
template <typename Accept>
std::vector<std::string> MatchingFiles(const std::string& folder, Accept accept) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeEc;
    if (!it->is_regular_file(typeEc)) continue;
    if (accept(LowerExtension(it->path()))) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void AppendListing(std::string& out, const std::string& folder, const std::vector<std::string>& names) {
  for (const std::string& name : names) out.append(folder).append(name).append("\r\n");
}

// "stem" itself or "stem" followed by one more character: what the file search makes of "*.stem?".
bool StemOrOneMore(const std::string& ext, std::string_view stem) {
  return ext.starts_with(stem) && ext.size() <= stem.size() + 1;
}

// True when `inner` equals `outer` or lies below it (both canonical).
bool IsWithin(const fs::path& inner, const fs::path& outer) {
  auto o = outer.begin();
  auto i = inner.begin();
  for (; o != outer.end(); ++o, ++i) {
    if (o->empty()) continue;  // trailing separator of the folder
    if (i == inner.end() || *i != *o) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> ReadLinesCrLf(const std::string& path) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in || fs::is_directory(path, ec)) {
    throw std::runtime_error("Cannot open file \"" + path + "\".");
  }
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw std::runtime_error("Cannot read file \"" + path + "\".");
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    out.append(text, start, end - start).append("\r\n");
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
  return out;
}

std::string FileToString(const std::string& path) {
  std::optional<std::string> text = ReadLinesCrLf(path);
  return text ? *text : std::string("file not found");
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

std::optional<platform::LocalTime> ParseShortDate(std::string_view text) {
  std::size_t pos = 0;
  const std::optional<int> month = ReadNumber(text, pos, 1, 2);
  if (!month || pos >= text.size() || text[pos] != '/') return std::nullopt;
  ++pos;
  const std::optional<int> day = ReadNumber(text, pos, 1, 2);
  if (!day || pos >= text.size() || text[pos] != '/') return std::nullopt;
  ++pos;
  const std::optional<int> year = ReadNumber(text, pos, 4, 4);
  if (!year || pos != text.size()) return std::nullopt;
  if (*year < 1 || *month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month)) {
    return std::nullopt;
  }
  platform::LocalTime t;
  t.year = *year;
  t.month = *month;
  t.day = *day;
  return t;
}

std::string LogsGetMonthInfo(std::string_view date, const std::string& logsFolder) {
  const std::optional<platform::LocalTime> parsed = ParseShortDate(date);
  if (!parsed) throw std::runtime_error("'" + std::string(date) + "' is not a valid date");
  std::string folder = logsFolder;
  if (!folder.empty() && folder.back() != '/') folder.push_back('/');
  std::string out = "<loglist>";
  platform::LocalTime day = *parsed;
  for (int d = 1; d <= DaysInMonth(day.year, day.month); ++d) {
    day.day = d;
    std::error_code ec;
    if (fs::exists(folder + DayFileName(day), ec)) out.append(std::to_string(d)).append(",");
  }
  return out + "</loglist>";
}

std::string LayoutList(const std::string& appData) {
  const std::string slf = appData + "layouts/slf/";
  const std::string html = appData + "layouts/html/";
  std::string out;
  AppendListing(out, slf, MatchingFiles(slf, [](const std::string& e) { return e == "slf"; }));
  AppendListing(out, html, MatchingFiles(html, [](const std::string& e) { return StemOrOneMore(e, "htm"); }));
  AppendListing(out, html, MatchingFiles(html, [](const std::string& e) { return StemOrOneMore(e, "php"); }));
  return out;
}

std::optional<std::string> ConfineLayoutPath(std::string_view requested, const std::string& appData) {
  if (requested.empty() || appData.empty()) return std::nullopt;
  const fs::path path{std::string(requested)};
  if (!path.is_absolute()) return std::nullopt;
  for (const fs::path& part : path) {
    if (part == "..") return std::nullopt;
  }
  std::error_code ec;
  const fs::path resolved = fs::weakly_canonical(path, ec);
  if (ec || !fs::is_regular_file(resolved, ec)) return std::nullopt;
  for (const char* sub : {"layouts/slf", "layouts/html"}) {
    const fs::path folder = fs::weakly_canonical(fs::path(appData) / sub, ec);
    if (ec) continue;
    if (IsWithin(resolved, folder) && resolved != folder) return resolved.string();
  }
  return std::nullopt;
}

}  // namespace brivak::core
