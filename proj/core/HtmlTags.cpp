#include "proj/core/HtmlTags.h"

#include <cmath>

#include "common/Stools.h"
#include "proj/core/SlfClockFormat.h"

namespace brivak::core {
namespace {

constexpr unsigned long long kMiB = 1024ull * 1024ull;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Mb(unsigned long long bytes) { return std::to_string(bytes / kMiB); }

unsigned long long Used(unsigned long long total, unsigned long long free) { return total > free ? total - free : 0; }

std::string Duration(long long seconds) { return SecondsToTimeStr(seconds < 0 ? 0 : seconds); }

}  // namespace

std::string ReplaceAllNoCase(std::string_view text, std::string_view tag, std::string_view value) {
  if (tag.empty() || text.size() < tag.size()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    bool match = i + tag.size() <= text.size();
    for (std::size_t k = 0; match && k < tag.size(); ++k) match = Lower(text[i + k]) == Lower(tag[k]);
    if (match) {
      out.append(value);
      i += tag.size();
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

std::string PercentText(unsigned long long part, unsigned long long whole) {
  if (whole == 0) return "%";
  const long long rounded =
      std::llround(static_cast<long double>(part) * 100.0L / static_cast<long double>(whole));
  return rounded == 0 ? std::string("%") : std::to_string(rounded) + "%";
}

std::string MessageCountText(int count) {
  return std::to_string(count) + " Message" + (count == 1 ? "" : "s");
}

void AddSystemFacts(HtmlTagValues& values, const platform::SystemInfo& system) {
  values.memory = system.Memory();
  values.battery = system.Battery();
  values.osName = system.OsName();
  values.osVersion = system.OsVersion();
  values.cpuType = system.ProcessorName();
  values.cpuMHz = system.ProcessorMHz();
  values.cpuLoad = platform::CpuLoadPercent(system);
}

std::vector<HtmlTag> HtmlTagTable(const HtmlTagValues& v) {
  const platform::MemoryFigures& m = v.memory;
  const unsigned long long usedPhys = Used(m.totalPhysical, m.freePhysical);
  const unsigned long long usedVirt = Used(m.totalVirtual, m.freeVirtual);
  const unsigned long long usedPage = Used(m.totalPageFile, m.freePageFile);
  const unsigned long long usedSwap = Used(m.totalSwap, m.freeSwap);
  const std::string time = FormatSlfClock("h:nn:ss am/pm", v.now);
  const std::string date = FormatSlfClock("m/dd/yy", v.now);
  const long long swapUsage =
      m.totalSwap == 0 ? 0 : std::llround(static_cast<long double>(usedSwap) * 100.0L / m.totalSwap);
  return {
      {"%TIME%", time},
      {"%DATE%", date},
      {"%LONGDATE%", FormatSlfClock("mmmm d, yyyy", v.now)},
      {"%COMPUTERNAME%", HtmlEscape(v.computerName)},
      {"%AWAYMESSAGE%", HtmlEscape(v.awayMessage)},
      {"%BRIVAKSTART%", time + "   " + date},
      {"%BRIVAKUPTIME%", Duration(v.lockUptimeSeconds)},
      {"%SYSTEMUPTIME%", Duration(v.systemUptimeSeconds)},
      {"%INTERNALIP%", HtmlEscape(v.internalIP)},
      {"%BRIVAKSTATUS%", HtmlEscape(v.brivakStatus)},
      {"%IDLETIME%", Duration(v.idleSeconds)},
      {"%WINUSERNAME%", HtmlEscape(v.winUsername)},
      {"%BRIVAKVERSION%", "3.1"},
      {"%MASTERIP%", HtmlEscape(v.masterIP)},
      {"%TIMELOCKED%", Duration(v.timeLockedSeconds)},
      {"%BRIVAKDIR%", LocalPathToURL(v.appPath)},
      {"%CURLAYOUT%", LocalPathToURL(v.layoutFile)},
      {"%CURPAGEURL%", LocalPathToURL(v.pagePath)},
      {"%WORKGROUP%", HtmlEscape(v.workGroup)},
      {"%DOMAINNAME%", HtmlEscape(v.domainName)},
      {"%HOSTIP%", HtmlEscape(v.hostIP)},
      {"%COMMENT%", HtmlEscape(v.comment)},
      {"%BATTERYLIFEPERCENT%", std::to_string(v.battery.percent)},
      {"%BATTERYLIFETIME%", std::to_string(v.battery.secondsLeft)},
      {"%OsName%", HtmlEscape(v.osName)},
      {"%OsVersionCSD%", HtmlEscape(v.osVersion)},
      {"%IEversion%", HtmlEscape(v.engineVersion)},
      {"%CPUTYPE%", HtmlEscape(v.cpuType)},
      {"%CPULOAD%", std::to_string(v.cpuLoad)},
      {"%CPUNORMFREQ%", std::to_string(v.cpuMHz)},
      {"%UsedPhysicalMemory%", Mb(usedPhys)},
      {"%TotalPhysicalMemory%", Mb(m.totalPhysical)},
      {"%FreePhysicalMemory%", Mb(m.freePhysical)},
      {"%pcntUsedPhysicalMemory%", PercentText(usedPhys, m.totalPhysical)},
      {"%UsedVirtualMemory%", Mb(usedVirt)},
      {"%pcntUsedVirtualMemory%", PercentText(usedVirt, m.totalVirtual)},
      {"%TotalVirtualMemory%", Mb(m.totalVirtual)},
      {"%FreeVirtualMemory%", Mb(m.freeVirtual)},
      {"%UsedPageFileMemory%", Mb(usedPage)},
      {"%pcntUsedPageFileMemory%", PercentText(usedPage, m.totalPageFile)},
      {"%TotalPageFileMemory%", Mb(m.totalPageFile)},
      {"%FreePageFileMemory%", Mb(m.freePageFile)},
      {"%SwapFileSize%", Mb(m.totalSwap)},
      {"%SwapFileUsage%", std::to_string(swapUsage)},
      {"%MemoryLoad%", std::to_string(m.memoryLoad)},
      {"%MESSAGECOUNT%", HtmlEscape(MessageCountText(v.messageCount))},
  };
}

std::string SwapHtmlTags(std::string page, const HtmlTagValues& values) {
  for (const HtmlTag& row : HtmlTagTable(values)) {
    if (page.find('%') == std::string::npos) break;  // no tag can be left
    page = ReplaceAllNoCase(page, row.tag, row.value);
  }
  return page;
}

}  // namespace brivak::core
