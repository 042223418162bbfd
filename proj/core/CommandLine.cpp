#include "proj/core/CommandLine.h"

#include <string_view>
#include <utility>

#include "common/Stools.h"

namespace brivak::core {
namespace {

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// The text after the first occurrence of `key` in `normalised`, cut out of `joined` at the same offset.
std::optional<std::string> ValueAfter(const std::string& normalised, const std::string& joined,
                                      std::string_view key, std::size_t length) {
  const std::size_t at = normalised.find(key);
  if (at == std::string::npos) return std::nullopt;
  return joined.substr(at + key.size(), length);
}

}  // namespace

std::string JoinParameters(const std::vector<std::string>& args) {
  std::string joined;
  for (const auto& arg : args) joined += arg;
  return joined;
}

std::string NormaliseParameters(const std::vector<std::string>& args) {
  std::string normalised;
  for (const auto& arg : args) {
    std::string part = arg;
    for (char& c : part) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (!part.empty() && part.front() == '/') part.front() = '-';
    normalised += part;
  }
  return normalised;
}

StartOptions CheckParameters(const std::vector<std::string>& args, const FileExistsFn& fileExists) {
  StartOptions options;
  options.paramstring = NormaliseParameters(args);
  const std::string& p = options.paramstring;
  const std::string joined = JoinParameters(args);

  options.noprompt = Contains(p, "-noprompt");
  options.runoncekey = Contains(p, "-ro");
  options.runkey = Contains(p, "-runkey");
  options.runTray = Contains(p, "-runtray") || Contains(p, "-tray");
  options.killOnClose = Contains(p, "-killonclose");
  options.SAVE_DEBUG = Contains(p, "-savedebug");
  options.SHOW_DEBUG = Contains(p, "-showdebug");
  options.secure_parameter = Contains(p, "-secure");

  // The joined text keeps the case: layout paths on this system are case-sensitive.
  if (auto value = ValueAfter(p, joined, "-goto", kGotoValueLength)) {
    if (Contains(*value, "://") || (fileExists && fileExists(*value))) {
      options.LayOutToLoad = std::move(*value);
    } else {
      options.consoleLines.emplace_back("Error: Specified URL not found");
    }
  }

  if (auto digits = ValueAfter(p, p, "-runfor", kRunForDigits)) {
    // A negative count would make a timer interval that wraps around; it means "never" instead.
    const int minutes = StrToIntDef(*digits, 0);
    options.runForMinutes = minutes > 0 ? minutes : 0;
  }

  if (Contains(p, "-halt")) {
    options.halt = true;
    options.debugLines.emplace_back("received halt message");
  }
  return options;
}

}  // namespace brivak::core
