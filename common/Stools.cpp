#include "common/Stools.h"

#include <charconv>
#include <cstdint>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace brivak {
namespace {

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}

// Finds `search` in `text` from `from`, comparing bytes with `equal`.
template <typename Equal>
std::size_t FindWith(std::string_view text, std::string_view search, std::size_t from, Equal equal) {
  if (search.size() > text.size()) return std::string_view::npos;
  for (std::size_t i = from; i + search.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < search.size() && equal(text[i + k], search[k])) ++k;
    if (k == search.size()) return i;
  }
  return std::string_view::npos;
}

template <typename Equal>
std::string ReplaceWith(std::string_view search, std::string_view replacement, std::string_view text,
                        Equal equal) {
  if (search.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (;;) {
    const std::size_t hit = FindWith(text, search, pos, equal);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(replacement);
    pos = hit + search.size();
  }
  out.append(text.substr(pos));
  return out;
}

// Atom characters of the address automaton: codes 33-255 except the specials and DEL.
bool IsAtomChar(unsigned char c) {
  if (c <= 32 || c == 127) return false;
  switch (c) {
    case '"':
    case '(':
    case ')':
    case ',':
    case '.':
    case '/':
    case ':':
    case ';':
    case '<':
    case '>':
    case '@':
    case '[':
    case '\\':
    case ']':
      return false;
    default:
      return true;
  }
}

}  // namespace

std::string ReplaceIt(std::string_view search, std::string_view replacement, std::string_view text) {
  return ReplaceWith(search, replacement, text, [](char a, char b) { return a == b; });
}

std::string ReplaceIt4(std::string_view search, std::string_view replacement, std::string_view text) {
  return ReplaceWith(search, replacement, text,
                     [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

std::string GetStuffBetween(std::string_view text, std::string_view startMark, std::string_view endMark) {
  const std::size_t start = text.find(startMark);  // 0 for an empty mark
  if (start == std::string_view::npos) return std::string(text);
  std::string_view rest = text.substr(start + startMark.size());
  if (!endMark.empty()) {
    const std::size_t end = rest.find(endMark);
    if (end != std::string_view::npos) rest = rest.substr(0, end);
  }
  return std::string(rest);
}

std::vector<std::string> SplitDelimitedText(std::string_view text, std::string_view delimiter) {
  std::vector<std::string> pieces;
  if (delimiter.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  std::size_t pos = 0;
  for (;;) {
    const std::size_t hit = text.find(delimiter, pos);
    if (hit == std::string_view::npos) break;
    pieces.emplace_back(text.substr(pos, hit - pos));
    pos = hit + delimiter.size();
  }
  pieces.emplace_back(text.substr(pos));
  return pieces;
}

std::string FormatInt(long long value) {
  // Magnitude as unsigned so that the smallest long long converts without overflow.
  const bool negative = value < 0;
  const unsigned long long magnitude =
      negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  const std::string digits = std::to_string(magnitude);
  std::string out = negative ? "-" : "";
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string SecondsToTimeStr(long long seconds) {
  const long long s = seconds < 0 ? 0 : seconds;
  const long long days = s / 86400;
  const long long hours = (s / 3600) % 24;
  const long long minutes = (s % 3600) / 60;
  const long long secs = s % 60;
  const std::string secText = std::to_string(secs) + " sec";
  const std::string minText = std::to_string(minutes) + " min " + secText;
  const std::string hrsText = std::to_string(hours) + " hrs " + minText;
  if (days > 0) return std::to_string(days) + " days " + hrsText;
  if (hours > 0) return hrsText;
  if (minutes > 0) return minText;
  return secText;
}

std::string BoolToStr(bool value) {
  return value ? "true" : "false";
}

bool ValidEmail(std::string_view text) {
  enum class State { Begin, Atom, QText, QChar, Quote, LocalPeriod, ExpectingSubdomain, Subdomain, Hyphen };
  State state = State::Begin;
  int domainParts = 1;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (state) {
      case State::Begin:
        if (IsAtomChar(c))
          state = State::Atom;
        else if (c == '"')
          state = State::QText;
        else
          return false;
        break;
      case State::Atom:
        if (c == '@')
          state = State::ExpectingSubdomain;
        else if (c == '.')
          state = State::LocalPeriod;
        else if (!IsAtomChar(c))
          return false;
        break;
      case State::QText:
        if (c == '\\')
          state = State::QChar;
        else if (c == '"')
          state = State::Quote;
        else if (c == '\r')
          return false;
        break;
      case State::QChar:
        state = State::QText;
        break;
      case State::Quote:
        if (c == '@')
          state = State::ExpectingSubdomain;
        else if (c == '.')
          state = State::LocalPeriod;
        else
          return false;
        break;
      case State::LocalPeriod:
        if (IsAtomChar(c))
          state = State::Atom;
        else if (c == '"')
          state = State::QText;
        else
          return false;
        break;
      case State::ExpectingSubdomain:
        if (IsLetter(c))
          state = State::Subdomain;
        else
          return false;
        break;
      case State::Subdomain:
        if (c == '.') {
          ++domainParts;
          state = State::ExpectingSubdomain;
        } else if (c == '-') {
          state = State::Hyphen;
        } else if (!IsLetter(c) && !IsDigit(c)) {
          return false;
        }
        break;
      case State::Hyphen:
        if (IsLetter(c) || IsDigit(c))
          state = State::Subdomain;
        else if (c != '-')
          return false;
        break;
    }
  }
  return state == State::Subdomain && domainParts >= 2;
}

std::string HTTPEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsLetter(c) || c == '*' || c == '-' || c == '.' || c == '@' || c == '_') {
      out += ch;
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string LocalPathToURL(std::string_view path) {
  std::string slashed(path);
  for (char& c : slashed) {
    if (c == '\\') c = '/';
  }
  // An absolute POSIX path brings its own third slash.
  return (!slashed.empty() && slashed.front() == '/' ? "file://" : "file:///") + slashed;
}

std::string NoPathOrExt(std::string_view path) {
  const std::size_t sep = path.find_last_of("/\\");
  const std::string_view name = sep == std::string_view::npos ? path : path.substr(sep + 1);
  if (name.size() <= 4) return {};
  return std::string(name.substr(0, name.size() - 4));
}

std::string FactorOutAppPath(std::string_view path, std::string_view appPath) {
  return ReplaceIt(appPath, "", path);
}

std::string InsertAppData(std::string_view path, std::string_view appData) {
  std::string out(appData);
  out.append(path);
  return out;
}

std::string GetCommaText(std::string_view text, int n) {
  for (int i = 0; i < n; ++i) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) return {};
    text.remove_prefix(comma + 1);
  }
  return std::string(text.substr(0, text.find(',')));
}

int StrToInt(std::string_view text) {
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  // from_chars takes no sign of its own here, so "+-5" and "--5" stay invalid.
  std::int64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  const bool whole = !digits.empty() && ec == std::errc() && end == digits.data() + digits.size() &&
                     IsDigit(static_cast<unsigned char>(digits.front()));
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (!whole || value < INT32_MIN || value > INT32_MAX) {
    throw std::invalid_argument("'" + std::string(text) + "' is not a valid integer value");
  }
  return static_cast<int>(value);
}

int StrToIntDef(std::string_view text, int def) {
  try {
    return StrToInt(text);
  } catch (const std::invalid_argument&) {
    return def;
  }
}

std::string GetFontID(const FontSpec& font) {
  std::string styles;
  if (font.bold) styles += 'b';
  if (font.italic) styles += 'i';
  if (font.underline) styles += 'u';
  if (font.strikeout) styles += 's';
  return "," + font.name + "," + std::to_string(font.size) + "," + styles + "," + font.color + "," +
         std::to_string(font.charset) + ",";
}

void SetFontFromID(FontSpec& font, std::string_view text) {
  // Convert first, assign after: a malformed text leaves the font as it was.
  FontSpec parsed;
  parsed.name = GetCommaText(text, 1);
  parsed.size = StrToInt(GetCommaText(text, 2));
  const std::string styles = GetCommaText(text, 3);
  parsed.bold = styles.find('b') != std::string::npos;
  parsed.italic = styles.find('i') != std::string::npos;
  parsed.underline = styles.find('u') != std::string::npos;
  parsed.strikeout = styles.find('s') != std::string::npos;
  parsed.color = GetCommaText(text, 4);
  parsed.charset = StrToInt(GetCommaText(text, 5));
  font = std::move(parsed);
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string WithTrailingSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace brivak
