// The locker's start options, read from the command line by the tray controller's CheckParameters.
// Pure: the caller supplies the parameters and a file-existence test, and writes the returned
// console and debug lines itself.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brivak::core {

inline constexpr std::size_t kGotoValueLength = 365;  // characters taken after "-goto"
inline constexpr std::size_t kRunForDigits = 4;       // characters read after "-runfor"

struct StartOptions {
  // Normalised parameter text; a switch is present when it occurs anywhere in it.
  std::string paramstring;
  bool noprompt = false;                    // "-noprompt"
  bool runoncekey = false;                  // "-ro" (also inside a longer word: registration relies on it)
  bool runkey = false;                      // "-runkey"
  bool runTray = false;                     // "-runtray" or "-tray"
  bool killOnClose = false;                 // "-killonclose"
  bool SAVE_DEBUG = false;                  // "-savedebug"
  bool SHOW_DEBUG = false;                  // "-showdebug"
  bool secure_parameter = false;            // "-secure"
  bool halt = false;                        // "-halt"
  std::optional<std::string> LayOutToLoad;  // "-goto" value that names an existing file or has "://"
  int runForMinutes = 0;                    // "-runfor"; 0 = the timed termination never fires
  std::vector<std::string> consoleLines;    // for the console ("mem"), in order
  std::vector<std::string> debugLines;      // for the debug trace, in order
};

using FileExistsFn = std::function<bool(const std::string& path)>;

// Parameters joined in order without separator, case and slashes kept: the entry's text for its
// "/p" test and first log line.
std::string JoinParameters(const std::vector<std::string>& args);

// Each parameter in ASCII lower case, a "/" that begins it turned into "-", joined without separator.
// Only a leading slash is replaced so that a POSIX path keeps its inner "/" ("/home/robert" becomes
// "-home/robert", which holds no "-ro"). Every byte maps to one byte, so offsets match JoinParameters.
std::string NormaliseParameters(const std::vector<std::string>& args);

// Reads the flags and values. "-goto": the value starts right after the first "-goto" of the
// normalised text and is taken, case kept, from the joined text (at most kGotoValueLength
// characters); it is accepted when it contains "://" or `fileExists` says so, otherwise the console
// line "Error: Specified URL not found". "-runfor": the kRunForDigits characters after the first
// "-runfor" as a whole decimal integer; 0 when they are not one or when negative. "-halt": sets
// `halt` and the debug line "received halt message"; stopping the other instance is the caller's.
StartOptions CheckParameters(const std::vector<std::string>& args, const FileExistsFn& fileExists);

}  // namespace brivak::core
