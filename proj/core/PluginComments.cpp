#include "proj/core/PluginComments.h"

namespace brivak::core {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::size_t FindNoCase(std::string_view text, std::string_view what, std::size_t from) {
  if (what.size() > text.size()) return std::string_view::npos;
  for (std::size_t i = from; i + what.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < what.size() && Upper(text[i + k]) == what[k]) ++k;
    if (k == what.size()) return i;
  }
  return std::string_view::npos;
}

}  // namespace

std::vector<PluginDeclaration> ScanPluginComments(std::string_view page) {
  std::vector<PluginDeclaration> found;
  std::size_t p = FindNoCase(page, kPluginCommentPrefix, 0);
  while (p != std::string_view::npos) {
    // Searched after the comment's first character, as "<!--" itself holds no ">".
    const std::size_t end = page.find("-->", p + 1);
    const std::size_t gt = page.find('>', p + 1);
    const std::size_t declStart = p + kPluginCommentPrefix.size();
    if (end != std::string_view::npos && gt == end + 2 && end >= declStart && end - p <= kPluginCommentReach) {
      const std::string_view declaration = page.substr(declStart, end - declStart);
      const std::size_t blank = declaration.find(' ');
      if (blank != std::string_view::npos) {
        found.push_back({std::string(declaration.substr(0, blank)), std::string(declaration.substr(blank + 1))});
      }
    }
    p = FindNoCase(page, kPluginCommentPrefix, p + 1);
  }
  return found;
}

bool IsSafePluginName(std::string_view name) {
  return !name.empty() && name.find('/') == std::string_view::npos && name.find("..") == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

}  // namespace brivak::core
