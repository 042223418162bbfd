// Screen savers as the lock screen knows them: the display name of a hack, the list file
// "screensavers.dat" that the search writes and the menu reads, and the idle saver rule of the
// lock screen's status tick. On this platform a screen saver is an XScreenSaver hack (a program
// drawing into a window it is given with "-window-id"); the built-in "Blank Screen" is a black
// window without a program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brivak::core {

// The folders the search walks, in order (not their subfolders), and where the hacks' XML
// descriptions live.
inline constexpr const char* kHackFolders[] = {"/usr/libexec/xscreensaver", "/usr/lib/xscreensaver"};
inline constexpr const char* kHackConfigFolder = "/usr/share/xscreensaver/config";
inline constexpr const char* kScreenSaversFile = "screensavers.dat";
inline constexpr const char* kScreenSaversSection = "ScreenSavers";
// The file name that stands for the built-in blank saver (the default when defaultSaver is empty).
inline constexpr const char* kBlankSaverFile = "scrnsave.scr";
inline constexpr const char* kBlankSaverName = "Blank Screen";

// The `_label` of the hack's XML description (`<screensaver name=".." _label="..">`), empty when
// there is none.
std::string XmlSaverLabel(std::string_view xml);

// The display name: the label, else the file name; then every "Screen Saver" and every
// "Screensaver" removed, every "Direct3D" made "3D" and every "3D 3D" made "3D" (case-sensitive,
// leftover blanks kept). A file named exactly "scrnsave.scr" is "Blank Screen".
std::string SaverDisplayName(std::string_view fileName, std::string_view label);

// A hack folder entry that is a saver: not one of the package's helper programs
// ("xscreensaver-getimage", "xscreensaver-text", ...).
bool IsHackFileName(std::string_view fileName);

// True when `path` names the built-in blank saver.
bool IsBlankSaver(std::string_view path);

// The file name part of a saver path.
std::string SaverFileName(std::string_view path);

// `screensavers.dat` with the found savers added: `existing` is the file's text (empty when it is
// missing); keys are added or their path replaced, none is removed. CR LF lines.
std::string AddToScreenSaverList(std::string_view existing,
                                 const std::vector<std::pair<std::string, std::string>>& found);

// The menu entries of `screensavers.dat` (`ScreenSaversIntoMenu`): every line after the first
// (the section header) as caption (before "=") and path (the path of the first line with that
// caption), in file order. Empty text gives no entries.
struct SaverMenuEntry {
  std::string caption;
  std::string path;
  std::string name;  // "screensv" + position from 0
};
std::vector<SaverMenuEntry> ScreenSaversIntoMenu(std::string_view datText);

// One status tick's idle saver rule.
struct IdleSaverInput {
  std::uint64_t appIdleMs = 0;      // AppIdleTime of the lock screen's detector
  std::int64_t idleDelay = 180;     // seconds
  bool saverRunning = false;        // a saver of ours is up (ScreenSaverRunning)
  bool mouseMoved = false;          // the pointer moved since the previous check
  bool saverProcessRunning = false;  // the saver's program is among the running processes
  bool wasRunningLastTick = false;  // WasScreenSaverRunningLastTick
};
struct IdleSaverStep {
  bool thresholdMet = false;   // "_________IDLE TIME MET_____________"; LastIdle := now
  bool startSaver = false;     // start defaultSaver, event line "Screensaver launched after N seconds of idle"
  bool procRunning = false;    // "proc running"; the rest of the tick is skipped
  bool focusBox = false;       // "focusbox to compensate": the password box gets the focus
  bool wasRunningLastTick = false;  // the remembered state for the next tick (set by procRunning)
};
IdleSaverStep IdleSaverRule(const IdleSaverInput& in);

std::string SaverLaunchedLine(std::int64_t idleDelay);

}  // namespace brivak::core
