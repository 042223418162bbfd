#include "manager/core/CommandUrls.h"

#include <stdexcept>


namespace brivak::manager {

namespace {

bool IsAsciiAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

void CheckWord(std::string_view word, bool allowUnderscore, const char* what) {
  if (word.empty()) throw std::invalid_argument(std::string("empty ") + what);
  for (char c : word) {
    if (!IsAsciiAlnum(c) && !(allowUnderscore && c == '_')) {
      throw std::invalid_argument(std::string("bad ") + what + ": " + std::string(word));
    }
  }
}

std::string BuildTarget(const CommandCall& call, std::string_view username, std::string_view password,
                        bool encodePassword) {
  CheckWord(call.command, false, "command word");
  std::string target = "/" + call.command + "?";
  bool first = true;
  auto add = [&](std::string_view name, std::string_view value, bool encode) {
    CheckWord(name, true, "field name");
    if (!first) target += '&';
    first = false;
    target += name;
    target += '=';
    target += encode ? PercentEncode(value) : std::string(value);
  };
  for (const CommandCall::Field& f : call.leading) add(f.first, f.second, true);
  add("s_username", username, true);
  add("s_password", password, encodePassword);
  if (call.params) add("params", *call.params, true);
  for (const CommandCall::Field& f : call.trailing) add(f.first, f.second, true);
  return target;
}

std::string BuildUrl(std::string_view host, const std::string& target) {
  if (!IsSafeHost(host)) throw std::invalid_argument("bad host: " + std::string(host));
  return "http://" + std::string(host) + ":" + std::to_string(kLockerCommandPort) + target;
}

CommandCall Simple(std::string command) {
  CommandCall call;
  call.command = std::move(command);
  return call;
}

// The first `count` UTF-8 characters of the text (continuation bytes do not count).
std::string CutCharacters(std::string_view text, std::size_t count) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) != 0x80) {
      if (chars == count) return std::string(text.substr(0, i));
      ++chars;
    }
  }
  return std::string(text);
}

}  // namespace

std::string PercentEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (IsAsciiAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

bool IsSafeHost(std::string_view host) {
  if (host.empty() || host.front() == '-') return false;
  for (char c : host) {
    if (!IsAsciiAlnum(c) && c != '.' && c != '-') return false;
  }
  return true;
}

std::string MakeCommandTarget(const CommandCall& call, const Credentials& credentials) {
  return BuildTarget(call, credentials.username, credentials.password, true);
}

std::string MakeCommandURL(std::string_view host, const CommandCall& call, const Credentials& credentials) {
  return BuildUrl(host, MakeCommandTarget(call, credentials));
}

std::string MakeSafeURL(std::string_view host, const CommandCall& call, const Credentials& credentials) {
  return BuildUrl(host, BuildTarget(call, credentials.username, kMaskedPassword, false));
}

CommandCall QueryCommand() { return Simple("query"); }
CommandCall LockCommand() { return Simple("lock"); }
CommandCall UnlockCommand() { return Simple("unlock"); }
CommandCall StandbyCommand() { return Simple("standby"); }
CommandCall HibernateCommand() { return Simple("hibernate"); }
CommandCall ReadLogCommand() { return Simple("readlog"); }
CommandCall ViewUpdateScriptCommand() { return Simple("viewupdatescript"); }
CommandCall HaltCommand() { return Simple("halt"); }
CommandCall ListLayoutsCommand() { return Simple("listlayouts"); }
CommandCall GetUserListCommand() { return Simple("getuserlist"); }

CommandCall LayoutCommand(std::string_view layoutPath, bool lockNow) {
  CommandCall call = Simple(lockNow ? "lock" : "changelayout");
  call.trailing.emplace_back("s_layout", std::string(layoutPath));
  return call;
}

CommandCall RunUpdateScriptCommand(bool hidden) {
  CommandCall call = Simple("runupdatescript");
  call.params = hidden ? "flags=hidden" : "flags=";
  return call;
}

std::optional<CommandCall> RemoteMessageCommand(std::string_view from, std::string_view subject,
                                                std::string_view message) {
  if (message.empty()) return std::nullopt;
  CommandCall call = Simple("remotemessage");
  call.trailing.emplace_back("mfrom", std::string(from));
  call.trailing.emplace_back("msubject", std::string(subject));
  call.trailing.emplace_back("mbody", std::string(message));
  return call;
}

std::string ShutdownFlagText(const ShutdownOptions& options) {
  std::string text;
  switch (options.action) {
    case ShutdownAction::LogOff: text = "-l"; break;
    case ShutdownAction::Restart: text = "-r"; break;
    case ShutdownAction::Shutdown: text = "-s"; break;
    case ShutdownAction::None:
    case ShutdownAction::Sleep:
    case ShutdownAction::Hibernate: break;
  }
  if (options.force) text += " -f";
  if (options.withComment) {
    std::string comment;
    for (char c : options.comment) {
      const auto byte = static_cast<unsigned char>(c);
      if (c != '"' && byte >= 0x20 && byte != 0x7F) comment += c;
    }
    text += " -c \"" + CutCharacters(comment, kMaxShutdownComment) + "\"";
  }
  if (options.withTimeout) {
    const int seconds = options.seconds < 0 ? 0 : options.seconds > kMaxShutdownSeconds ? kMaxShutdownSeconds
                                                                                         : options.seconds;
    text += " -t " + std::to_string(seconds);
  }
  return text;
}

CommandCall ShutdownCommand(const ShutdownOptions& options) {
  CommandCall call = Simple("shutdowncomp");
  call.params = "flags=" + ShutdownFlagText(options);
  return call;
}

std::vector<std::string> ParseLayoutList(std::string_view reply) {
  std::vector<std::string> lines;
  const std::size_t open = reply.find("<layoutlist>");
  if (open == std::string_view::npos) return lines;
  std::string_view body = reply.substr(open + 12);
  const std::size_t close = body.find("</layoutlist>");
  if (close != std::string_view::npos) body = body.substr(0, close);
  std::size_t start = 0;
  while (start <= body.size()) {
    std::size_t end = body.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = body.size();
    const std::string_view line = body.substr(start, end - start);
    if (line.find('.') != std::string_view::npos && line.find('~') == std::string_view::npos) {
      lines.emplace_back(line);
    }
    if (end < body.size() && body[end] == '\r' && end + 1 < body.size() && body[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> LayoutNames(const std::vector<std::string>& layoutLines) {
  std::vector<std::string> names;
  for (const std::string& line : layoutLines) {
    const std::size_t slash = line.find_last_of("/\\");
    names.push_back(slash == std::string::npos ? line : line.substr(slash + 1));
  }
  return names;
}

int CurrentLayoutIndex(const std::vector<std::string>& names, std::string_view currentLayout) {
  auto lower = [](std::string_view s) {
    std::string out(s);
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  };
  const std::string wanted = lower(currentLayout);
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (lower(names[i]) == wanted) return static_cast<int>(i);
  }
  return -1;
}

std::vector<std::string> LayoutLinesMatching(const std::vector<std::string>& layoutLines,
                                             std::string_view chosenName) {
  std::vector<std::string> lines;
  if (chosenName.empty()) return lines;
  for (const std::string& line : layoutLines) {
    if (line.find(chosenName) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

}  // namespace brivak::manager
