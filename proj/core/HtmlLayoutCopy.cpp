#include "proj/core/HtmlLayoutCopy.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace brivak::core {
namespace {

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The charset named after `at` ("charset=" or "encoding="), lower-cased; empty when none.
std::string NameAfter(const std::string& head, std::size_t at) {
  while (at < head.size() && (head[at] == ' ' || head[at] == '"' || head[at] == '\'')) ++at;
  std::size_t end = at;
  while (end < head.size() && (std::isalnum(static_cast<unsigned char>(head[end])) || head[end] == '-' ||
                               head[end] == '_' || head[end] == '.' || head[end] == ':')) {
    ++end;
  }
  return head.substr(at, end - at);
}

std::string DeclaredCharset(std::string_view page) {
  const std::string head = LowerAscii(page.substr(0, 4096));
  for (const std::string_view key : {std::string_view("charset="), std::string_view("encoding=")}) {
    const std::size_t at = head.find(key);
    if (at != std::string::npos) return NameAfter(head, at + key.size());
  }
  return {};
}

void AppendReference(std::string& out, std::uint32_t code) { out += "&#" + std::to_string(code) + ";"; }

}  // namespace

PageEncoding DetectPageEncoding(std::string_view page) {
  if (page.size() >= 3 && page.substr(0, 3) == "\xEF\xBB\xBF") return PageEncoding::Utf8;
  if (page.size() >= 2 && (page.substr(0, 2) == "\xFF\xFE" || page.substr(0, 2) == "\xFE\xFF")) {
    return PageEncoding::Utf16;
  }
  const std::string charset = DeclaredCharset(page);
  if (charset == "utf-8" || charset == "utf8") return PageEncoding::Utf8;
  return PageEncoding::Other;
}

std::string ToCharacterReferences(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    int length = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b <= 0xDF ? 2 : 0;
    if (b > 0xF4) length = 0;
    std::uint32_t code = length == 4 ? b & 0x07u : length == 3 ? b & 0x0Fu : b & 0x1Fu;
    bool valid = length > 0 && i + static_cast<std::size_t>(length) <= s.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      valid = (c & 0xC0) == 0x80;
      code = (code << 6) | (c & 0x3Fu);
    }
    if (valid && ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
                  (length == 4 && (code < 0x10000 || code > 0x10FFFF)))) {
      valid = false;
    }
    if (!valid) {
      AppendReference(out, 0xFFFD);
      ++i;
      continue;
    }
    AppendReference(out, code);
    i += static_cast<std::size_t>(length);
  }
  return out;
}

std::string SubstitutePage(std::string_view page, const HtmlTagValues& values) {
  switch (DetectPageEncoding(page)) {
    case PageEncoding::Utf16:
      return std::string(page);
    case PageEncoding::Utf8:
      return SwapHtmlTags(std::string(page), values);
    case PageEncoding::Other:
      break;
  }
  std::string text(page);
  for (const HtmlTag& row : HtmlTagTable(values)) {
    if (text.find('%') == std::string::npos) break;
    text = ReplaceAllNoCase(text, row.tag, ToCharacterReferences(row.value));
  }
  return text;
}

std::string SubstitutedCopyPath(const std::string& layout) {
  const std::size_t slash = layout.rfind('/');
  if (slash == std::string::npos) return "~" + layout;
  return layout.substr(0, slash + 1) + "~" + layout.substr(slash + 1);
}

bool IsSubstitutedCopyName(std::string_view name) {
  if (name.empty() || name.front() != '~') return false;
  const std::string lower = LowerAscii(name);
  return EndsWith(lower, ".htm") || EndsWith(lower, ".html") || EndsWith(lower, ".php") || EndsWith(lower, ".mht");
}

std::vector<std::string> RemoveLeftoverCopies(platform::FileSystem& files, const std::string& folder) {
  std::vector<std::string> removed;
  const std::string base = EndsWith(folder, "/") ? folder : folder + "/";
  for (const std::string& name : files.ListFolder(base.substr(0, base.size() - 1))) {
    if (!IsSubstitutedCopyName(name)) continue;
    const std::string path = base + name;
    if (files.IsFile(path) && files.RemoveFile(path)) removed.push_back(path);
  }
  return removed;
}

}  // namespace brivak::core
