// Plug-in declarations of HTML layouts: comments "<!--BRIVAKPLUGIN " + name + " " + parameters +
// "-->" that the lock screen reads while it substitutes the page. Pure functions, safe on any thread.
//
// The prefix is found without regard to case. A comment counts only when its first ">" is the one
// of its "-->" (no ">" inside the declaration) and the "-->" lies within 65,000 characters; the
// scan then goes on with the next prefix. The name ends at the first blank; a declaration without
// a blank (no parameters) starts nothing and is not listed. Duplicates are listed as they occur.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brivak::core {

inline constexpr std::string_view kPluginCommentPrefix = "<!--BRIVAKPLUGIN ";
inline constexpr std::size_t kPluginCommentReach = 65000;

struct PluginDeclaration {
  std::string name;        // the part before the first blank
  std::string parameters;  // the rest, up to "-->"
  friend bool operator==(const PluginDeclaration&, const PluginDeclaration&) = default;
};

std::vector<PluginDeclaration> ScanPluginComments(std::string_view page);

// A plug-in name the lock screen may start: not empty, no "/", no "..", no NUL.
bool IsSafePluginName(std::string_view name);

}  // namespace brivak::core
