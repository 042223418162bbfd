// The requests the manager sends to a locker's command server (port 8777): one GET whose path is
// the command word and whose query carries the credentials and the command's values.
//
// Every query value is percent-encoded exactly once here (credentials, message texts, layout paths,
// flags, dates); the locker decodes each value once, so what it reads is what was typed, and no
// value can add fields or change the path. Pure functions; safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brivak::manager {

inline constexpr int kLockerCommandPort = 8777;
// What the log shows instead of the password.
inline constexpr std::string_view kMaskedPassword = "*******";

// The administrator's login, sent with every request.
struct Credentials {
  std::string username;
  std::string password;
};

// One command: the path word and the query fields around the credentials. The query is
// leading fields, "s_username", "s_password", then "params" (unless absent), then trailing fields.
struct CommandCall {
  using Field = std::pair<std::string, std::string>;
  std::string command;                      // letters and digits only, e.g. "query"
  std::vector<Field> leading;               // before the credentials ("listlogs" puts its date here)
  std::optional<std::string> params = "";   // the "params" value; nullopt: no such field
  std::vector<Field> trailing;              // further named values ("s_layout", "mfrom", "date", ...)
};

// Every byte except the unreserved ASCII letters, digits, "-", ".", "_" and "~" becomes "%"
// and two upper-case hexadecimal digits (a blank is "%20", "+" is "%2B").
std::string PercentEncode(std::string_view text);

// True when the text can stand as the host of a URL: letters, digits, "." and "-", not empty,
// not starting with "-".
bool IsSafeHost(std::string_view host);

// "/" + command + "?" + the encoded fields. Throws std::invalid_argument when the command word
// holds anything but ASCII letters and digits, or a field name anything but letters, digits and "_".
std::string MakeCommandTarget(const CommandCall& call, const Credentials& credentials);
// `MakeCommandURL`: "http://" + host + ":8777" + the target. Throws std::invalid_argument for an
// unsafe host (see IsSafeHost) or as MakeCommandTarget.
std::string MakeCommandURL(std::string_view host, const CommandCall& call, const Credentials& credentials);
// `MakeSafeURL`: the same with "*******" in place of the password: the only form of a URL that
// may be written to a log.
std::string MakeSafeURL(std::string_view host, const CommandCall& call, const Credentials& credentials);

// --- The commands ---
CommandCall QueryCommand();
CommandCall LockCommand();
CommandCall UnlockCommand();
// "lock" (lockNow) or "changelayout" with the layout path in "s_layout".
CommandCall LayoutCommand(std::string_view layoutPath, bool lockNow);
CommandCall StandbyCommand();
CommandCall HibernateCommand();
CommandCall ReadLogCommand();
CommandCall ViewUpdateScriptCommand();
// "runupdatescript" with params "flags=hidden" (hidden) or "flags=".
CommandCall RunUpdateScriptCommand(bool hidden);
CommandCall HaltCommand();
CommandCall ListLayoutsCommand();
CommandCall GetUserListCommand();
// "remotemessage" with "mfrom", "msubject" and "mbody"; nullopt for an empty message, which is
// never sent ("You must enter a message!").
std::optional<CommandCall> RemoteMessageCommand(std::string_view from, std::string_view subject,
                                                std::string_view message);

// The shutdown dialog's choices.
enum class ShutdownAction { None, LogOff, Restart, Shutdown, Sleep, Hibernate };
struct ShutdownOptions {
  ShutdownAction action = ShutdownAction::None;
  bool force = false;
  bool withComment = false;
  std::string comment;  // at most 127 characters are used
  bool withTimeout = false;
  int seconds = 0;      // 0..9999
};
inline constexpr std::size_t kMaxShutdownComment = 127;
inline constexpr int kMaxShutdownSeconds = 9999;

// The flag text: "-l", "-r" or "-s" (nothing for sleep, hibernate or no choice), then " -f" when
// forced, then " -c " + the comment in quotation marks, then " -t " + seconds. The comment loses
// quotation marks and control characters (so it stays one quoted argument) and is cut to 127
// bytes; the seconds are clamped to 0..9999.
std::string ShutdownFlagText(const ShutdownOptions& options);
// "shutdowncomp" with params "flags=" + the flag text.
CommandCall ShutdownCommand(const ShutdownOptions& options);

// --- Layout list ---
// The lines of the "<layoutlist>" part of a reply that contain "." and no "~", in order
// (`GetRemoteLayoutList`). Empty when the reply has no "<layoutlist>".
std::vector<std::string> ParseLayoutList(std::string_view reply);
// File-name parts of those lines, for the layout box (`LayoutsToCombo`).
std::vector<std::string> LayoutNames(const std::vector<std::string>& layoutLines);
// Index in `names` of the entry equal to the current layout without regard to ASCII case, or -1.
int CurrentLayoutIndex(const std::vector<std::string>& names, std::string_view currentLayout);
// The layout lines a choice applies to: every line that contains the chosen name (case-sensitive);
// an empty choice matches nothing.
std::vector<std::string> LayoutLinesMatching(const std::vector<std::string>& layoutLines,
                                             std::string_view chosenName);

}  // namespace brivak::manager
