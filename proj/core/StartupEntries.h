// The texts of the start-up registration on a Linux desktop: the XDG autostart entry
// "brivak3.desktop" and the systemd user unit "brivak3.service", and what each StartupMode does.
// Pure formats; the files are written by app::StartupRegistration.
#pragma once

#include <string>
#include <string_view>

namespace brivak::core {

inline constexpr const char* kAutostartFileName = "brivak3.desktop";
inline constexpr const char* kUserUnitName = "brivak3.service";
inline constexpr const char* kUserUnitTarget = "graphical-session.target";
// The argument that marks a start from the log-on entry (startMethod "Run after explorer").
inline constexpr const char* kRunKeyArgument = "-runkey";

// What WriteStartupData leaves behind for a StartupMode.
enum class StartupEntryKind {
  kHiddenEntry,  // 0: our autostart entry with Hidden=true (also overrides a system-wide one)
  kAutostart,    // 1: the autostart entry that starts brivak3 -runkey at log-on
  kNone,         // 2, 4 and unknown values: no entry (mode 2 has no Linux form)
  kUserUnit,     // 3: the systemd user unit, enabled for the graphical session
};
StartupEntryKind StartupEntryFor(int startupMode);
// The debug line saying what the mode does on this platform.
std::string StartupModeDescription(int startupMode);

// One argument of an Exec key as the Desktop Entry rules want it: in double quotes, with '"', '`',
// '$' and '\' escaped by a backslash, '%' doubled, and then the string-value escapes applied (so a
// literal backslash is written as four). Line breaks become the string escapes "\n" and "\r".
std::string DesktopEntryQuote(std::string_view argument);
// The autostart entry: Exec = the quoted program path + " -runkey"; `hidden` adds Hidden=true.
std::string AutostartEntryText(const std::string& programPath, bool hidden);

// One argument of ExecStart as systemd reads it: in double quotes, '\' and '"' escaped by a
// backslash, '%' as "%%" and '$' as "$$" (no specifier or variable expansion).
std::string SystemdQuote(std::string_view argument);
// The user unit: ExecStart = the quoted program path + " -runkey", wanted by the graphical session.
std::string UserUnitText(const std::string& programPath);

}  // namespace brivak::core
