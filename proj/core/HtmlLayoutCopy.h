// The substituted copy of an HTML layout: the page with its tags replaced, written beside it under
// the same name prefixed by "~". Plain functions over the FileSystem seam.
//
// Encoding: the copy keeps the page's own bytes and encoding. Tags are ASCII, so they are found in
// any ASCII-compatible encoding. A page marked as UTF-8 (a byte-order mark, or a declared charset
// "utf-8") receives the values as UTF-8; any other page (another declared charset, or none, where
// the browser guesses) receives the values' non-ASCII characters as numeric character references,
// which every encoding carries. UTF-16 pages (byte-order mark FF FE or FE FF) are not substituted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "proj/core/HtmlTags.h"

namespace brivak::core {

enum class PageEncoding { Utf8, Utf16, Other };

// How `page` is encoded, from its byte-order mark or its declared charset (<meta charset>,
// http-equiv content "charset=", or an XML declaration's encoding) within its first 4096 bytes.
PageEncoding DetectPageEncoding(std::string_view page);

// The page with its tags replaced, in its own encoding (a UTF-16 page comes back unchanged).
std::string SubstitutePage(std::string_view page, const HtmlTagValues& values);

// The UTF-8 text with each non-ASCII character as "&#N;" (invalid bytes as U+FFFD).
std::string ToCharacterReferences(std::string_view utf8);

// Folder of `layout` + "/~" + its file name.
std::string SubstitutedCopyPath(const std::string& layout);

// True for a name of a substituted copy: starts with "~" and ends in ".htm", ".html", ".php" or
// ".mht" (letter case ignored).
bool IsSubstitutedCopyName(std::string_view name);

// Removes the substituted copies a crashed lock left in `folder`; returns the paths removed.
std::vector<std::string> RemoveLeftoverCopies(platform::FileSystem& files, const std::string& folder);

}  // namespace brivak::core
