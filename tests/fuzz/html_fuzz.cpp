// libFuzzer target for the substitution of HTML layouts and the plug-in comment scanner. The input
// is a page, optionally followed by a NUL byte and a text that every text tag then holds (the away
// message, the names, the comment). Besides the sanitizers it checks that text values never add
// markup (the copy holds as many "<" as the page), that a page without "%" is copied unchanged,
// and that every declaration found has a name without blanks.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "proj/core/HtmlLayoutCopy.h"
#include "proj/core/HtmlTags.h"
#include "proj/core/PluginComments.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brivak::core;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view page = input.substr(0, split);
  const std::string_view text = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

  HtmlTagValues values;
  values.awayMessage = text;
  values.computerName = text;
  values.winUsername = text;
  values.comment = text;
  values.workGroup = text;
  values.masterIP = text;
  values.osName = text;
  values.messageCount = static_cast<int>(size);
  values.memory.totalPhysical = size;
  values.memory.freePhysical = size / 3;
  values.appPath = "/opt/brivak/";
  values.pagePath = "/d/~p.html";

  const std::string copy = SubstitutePage(page, values);
  if (DetectPageEncoding(page) != PageEncoding::Utf16) {
    if (std::count(copy.begin(), copy.end(), '<') != std::count(page.begin(), page.end(), '<')) std::abort();
  }
  if (page.find('%') == std::string_view::npos && copy != page) std::abort();

  for (const PluginDeclaration& found : ScanPluginComments(copy)) {
    if (found.name.find(' ') != std::string::npos) std::abort();
  }
  (void)IsSafePluginName(text);
  (void)ToCharacterReferences(text);
  return 0;
}
