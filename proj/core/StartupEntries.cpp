#include "proj/core/StartupEntries.h"

namespace brivak::core {

StartupEntryKind StartupEntryFor(int startupMode) {
  switch (startupMode) {
    case 0:
      return StartupEntryKind::kHiddenEntry;
    case 1:
      return StartupEntryKind::kAutostart;
    case 3:
      return StartupEntryKind::kUserUnit;
    default:
      return StartupEntryKind::kNone;
  }
}

std::string StartupModeDescription(int startupMode) {
  switch (StartupEntryFor(startupMode)) {
    case StartupEntryKind::kHiddenEntry:
      return "StartupMode 0: not started at log-on; the autostart entry is written hidden";
    case StartupEntryKind::kAutostart:
      return "StartupMode 1: started at log-on by the autostart entry";
    case StartupEntryKind::kUserUnit:
      return "StartupMode 3: started at log-on by the systemd user unit " + std::string(kUserUnitName);
    case StartupEntryKind::kNone:
      break;
  }
  if (startupMode == 2) return "StartupMode 2: no start before the desktop on Linux; no start-up entry written";
  return "StartupMode " + std::to_string(startupMode) + ": no start-up entry written";
}

std::string DesktopEntryQuote(std::string_view argument) {
  // First the quoting rule of the Exec key, then the escapes of a string value.
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  std::string value;
  for (char c : quoted) {
    switch (c) {
      case '\\':
        value += "\\\\";
        break;
      case '\n':
        value += "\\n";
        break;
      case '\r':
        value += "\\r";
        break;
      case '\t':
        value += "\\t";
        break;
      default:
        value += c;
    }
  }
  return value;
}

std::string AutostartEntryText(const std::string& programPath, bool hidden) {
  std::string text =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Brivak 3\n"
      "Comment=Locks this workstation while you are away\n"
      "Exec=" + DesktopEntryQuote(programPath) + " " + kRunKeyArgument + "\n"
      "Terminal=false\n"
      "X-GNOME-Autostart-enabled=" + (hidden ? "false" : "true") + "\n";
  if (hidden) text += "Hidden=true\n";
  return text;
}

std::string SystemdQuote(std::string_view argument) {
  std::string quoted = "\"";
  for (char c : argument) {
    switch (c) {
      case '\\':
      case '"':
        quoted += '\\';
        quoted += c;
        break;
      case '%':
        quoted += "%%";
        break;
      case '$':
        quoted += "$$";
        break;
      case '\n':
        quoted += "\\n";
        break;
      default:
        quoted += c;
    }
  }
  quoted += '"';
  return quoted;
}

std::string UserUnitText(const std::string& programPath) {
  return std::string(
             "[Unit]\n"
             "Description=Brivak 3 workstation locker\n"
             "PartOf=") + kUserUnitTarget + "\n"
         "After=" + kUserUnitTarget + "\n"
         "\n"
         "[Service]\n"
         "ExecStart=" + SystemdQuote(programPath) + " " + kRunKeyArgument + "\n"
         "Restart=no\n"
         "\n"
         "[Install]\n"
         "WantedBy=" + kUserUnitTarget + "\n";
}

}  // namespace brivak::core
