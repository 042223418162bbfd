// The tags of HTML layouts: names between percent signs ("%TIME%", "%AWAYMESSAGE%", ...) that the
// lock screen replaces by live values in its copy of the page. Pure functions, safe on any thread.
//
// Every tag of the table is replaced case-insensitively, every occurrence, one row after the
// other over the text the previous row produced (a value that holds a later tag is replaced again;
// one that holds an earlier tag keeps it). Text values (away message, names, comment, the message
// count) are HTML-escaped, so that a value holding markup or a plug-in comment shows as text and
// starts nothing; numbers and file URLs are inserted as they are.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/SystemInfo.h"

namespace brivak::core {

// The values the tags name, gathered by the lock screen at the moment of the substitution.
struct HtmlTagValues {
  platform::LocalTime now;
  std::string computerName;
  std::string awayMessage;
  long long lockUptimeSeconds = 0;    // %BRIVAKUPTIME%
  long long systemUptimeSeconds = 0;  // %SYSTEMUPTIME%
  std::string internalIP;             // %INTERNALIP%
  std::string brivakStatus = "Unlocked";  // "Locked", "Unlocked" or "Unlocking"
  long long idleSeconds = 0;
  std::string winUsername;
  std::string masterIP;
  long long timeLockedSeconds = 0;
  std::string appPath;     // program folder, for %BRIVAKDIR%
  std::string layoutFile;  // the LayoutFile setting, for %CURLAYOUT%
  std::string pagePath;    // the page being substituted, for %CURPAGEURL%
  std::string workGroup;
  std::string domainName;
  std::string hostIP;
  std::string comment;
  platform::BatteryFigures battery;
  std::string osName;
  std::string osVersion;      // %OsVersionCSD%
  std::string engineVersion;  // %IEversion%: the browser engine's version
  std::string cpuType;
  int cpuLoad = 0;
  int cpuMHz = 0;
  platform::MemoryFigures memory;
  int messageCount = 0;
};

// Fills the memory, battery, processor (a new load sample) and system figures from `system`.
void AddSystemFacts(HtmlTagValues& values, const platform::SystemInfo& system);

// One row of the tag table: the tag as written in the table and its value for `values`.
struct HtmlTag {
  std::string tag;
  std::string value;
};
// The table's rows in order, values formatted (and escaped where they are text).
std::vector<HtmlTag> HtmlTagTable(const HtmlTagValues& values);

// Replaces the tags of `page` as described above.
std::string SwapHtmlTags(std::string page, const HtmlTagValues& values);

// Every occurrence of `tag` (ASCII letters compared without case) replaced by `value`, left to
// right; the inserted value is not searched again.
std::string ReplaceAllNoCase(std::string_view text, std::string_view tag, std::string_view value);


// part / whole x 100, rounded to a whole number, then "%"; zero (and a whole of 0) gives "%".
std::string PercentText(unsigned long long part, unsigned long long whole);

// Number of visitor messages + " Message" + "s" unless the number is 1.
std::string MessageCountText(int count);

}  // namespace brivak::core
