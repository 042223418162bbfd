#include "platform/linux/SystemFacts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace brivak::platform {
namespace {

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// Calls `line` for each line of `text`.
template <typename F>
void ForEachLine(std::string_view text, F&& line) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    line(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

std::optional<std::uint64_t> ToUnsigned(std::string_view text) {
  text = Trim(text);
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  return value;
}

// "key<blanks>: value" lines (cpuinfo, meminfo); the value of the first line whose key is `key`.
std::optional<std::string_view> ColonValue(std::string_view text, std::string_view key) {
  std::optional<std::string_view> found;
  ForEachLine(text, [&](std::string_view line) {
    if (found) return;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return;
    if (Trim(line.substr(0, colon)) == key) found = Trim(line.substr(colon + 1));
  });
  return found;
}

std::uint64_t Saturating(std::uint64_t a, std::uint64_t b) {
  return a > b ? a - b : 0;
}

}  // namespace

MemoryFigures ParseMemInfo(std::string_view procMeminfo) {
  // meminfo values are in kB (kibibytes), whatever the unit text says.
  const auto kib = [&](std::string_view key) -> std::optional<std::uint64_t> {
    const std::optional<std::string_view> value = ColonValue(procMeminfo, key);
    if (!value) return std::nullopt;
    std::string_view digits = *value;
    digits = digits.substr(0, digits.find(' '));
    const std::optional<std::uint64_t> number = ToUnsigned(digits);
    if (!number) return std::nullopt;
    return *number * 1024;
  };
  MemoryFigures m;
  m.totalPhysical = kib("MemTotal").value_or(0);
  if (const std::optional<std::uint64_t> available = kib("MemAvailable")) {
    m.freePhysical = *available;
  } else {
    m.freePhysical = kib("MemFree").value_or(0) + kib("Buffers").value_or(0) + kib("Cached").value_or(0);
  }
  m.freePhysical = std::min(m.freePhysical, m.totalPhysical);
  m.totalSwap = kib("SwapTotal").value_or(0);
  m.freeSwap = std::min(kib("SwapFree").value_or(0), m.totalSwap);
  m.totalVirtual = m.totalPhysical + m.totalSwap;
  m.freeVirtual = m.freePhysical + m.freeSwap;
  m.totalPageFile = kib("CommitLimit").value_or(m.totalVirtual);
  m.freePageFile = Saturating(m.totalPageFile, kib("Committed_AS").value_or(0));
  if (m.totalPhysical > 0) {
    const double used = static_cast<double>(m.totalPhysical - m.freePhysical);
    m.memoryLoad = static_cast<int>(std::lround(used * 100.0 / static_cast<double>(m.totalPhysical)));
  }
  return m;
}

std::string CpuModelName(std::string_view procCpuinfo) {
  for (std::string_view key : {"model name", "Processor", "Hardware", "cpu model"}) {
    const std::optional<std::string_view> value = ColonValue(procCpuinfo, key);
    if (value && !value->empty()) return std::string(*value);
  }
  return {};
}

int CpuInfoMHz(std::string_view procCpuinfo) {
  const std::optional<std::string_view> value = ColonValue(procCpuinfo, "cpu MHz");
  if (!value) return 0;
  const std::string text(*value);
  char* end = nullptr;
  const double mhz = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || !(mhz > 0) || mhz > 1e6) return 0;
  return static_cast<int>(std::lround(mhz));
}

std::string OsReleaseName(std::string_view osRelease) {
  const auto field = [&](std::string_view key) -> std::optional<std::string> {
    std::optional<std::string> found;
    ForEachLine(osRelease, [&](std::string_view line) {
      line = Trim(line);
      if (found || line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != '=')
        return;
      std::string_view value = line.substr(key.size() + 1);
      std::string out;
      if (!value.empty() && (value.front() == '"' || value.front() == '\'')) {
        const char quote = value.front();
        value.remove_prefix(1);
        for (std::size_t i = 0; i < value.size() && value[i] != quote; ++i) {
          if (value[i] == '\\' && quote == '"' && i + 1 < value.size()) ++i;
          out += value[i];
        }
      } else {
        out = std::string(value);
      }
      if (!out.empty()) found = std::move(out);
    });
    return found;
  };
  if (std::optional<std::string> pretty = field("PRETTY_NAME")) return *pretty;
  if (std::optional<std::string> name = field("NAME")) return *name;
  return "Linux";
}

BatteryFigures BatteryFromSupplies(const std::vector<PowerSupply>& supplies) {
  BatteryFigures figures;
  const auto get = [](const PowerSupply& supply, const char* key) -> std::string {
    const auto it = supply.find(key);
    return it == supply.end() ? std::string() : it->second;
  };
  bool haveBattery = false;
  for (const PowerSupply& supply : supplies) {
    const std::string type = get(supply, "type");
    if (type == "Mains") {
      if (const std::optional<std::uint64_t> online = ToUnsigned(get(supply, "online"))) {
        figures.onMains = figures.onMains.value_or(false) || *online != 0;
      }
      continue;
    }
    if (type != "Battery" || haveBattery) continue;
    if (ToUnsigned(get(supply, "present")).value_or(1) == 0) continue;
    const std::optional<std::uint64_t> capacity = ToUnsigned(get(supply, "capacity"));
    if (!capacity) continue;
    haveBattery = true;
    figures.percent = static_cast<int>(std::min<std::uint64_t>(*capacity, 100));
    if (get(supply, "status") != "Discharging") continue;
    // Time left: energy over power (µWh / µW) or charge over current (µAh / µA).
    for (const auto& [amount, rate] : {std::pair{"energy_now", "power_now"}, std::pair{"charge_now", "current_now"}}) {
      const std::optional<std::uint64_t> left = ToUnsigned(get(supply, amount));
      const std::optional<std::uint64_t> drain = ToUnsigned(get(supply, rate));
      if (left && drain && *drain > 0) {
        const std::uint64_t seconds = *left * 3600 / *drain;
        figures.secondsLeft = static_cast<std::uint32_t>(std::min<std::uint64_t>(seconds, 0xFFFFFFFEu));
        break;
      }
    }
  }
  return figures;
}

std::optional<CpuTimes> ParseProcStat(std::string_view procStat) {
  std::optional<CpuTimes> times;
  ForEachLine(procStat, [&](std::string_view line) {
    if (times || line.substr(0, 4) != "cpu ") return;
    line.remove_prefix(4);
    // user nice system idle iowait irq softirq steal [guest guest_nice]
    std::uint64_t field[8] = {};
    int count = 0;
    while (count < 8) {
      line = Trim(line);
      if (line.empty()) break;
      const std::size_t end = line.find(' ');
      const std::optional<std::uint64_t> value = ToUnsigned(line.substr(0, end));
      if (!value) return;
      field[count++] = *value;
      if (end == std::string_view::npos) break;
      line.remove_prefix(end);
    }
    if (count < 4) return;
    CpuTimes t;
    t.idle = field[3] + field[4];
    for (int i = 0; i < count; ++i) t.total += field[i];
    times = t;
  });
  return times;
}

std::optional<double> CpuLoadMeter::Take(std::optional<CpuTimes> now) {
  if (!now) return std::nullopt;
  const std::lock_guard<std::mutex> lock(mutex_);
  if (now->total < previous_.total || now->idle < previous_.idle) previous_ = {};  // counters restarted
  const std::uint64_t total = now->total - previous_.total;
  const std::uint64_t idle = std::min(now->idle - previous_.idle, total);
  if (total == 0) return lastLoad_;
  previous_ = *now;
  lastLoad_ = 100.0 * static_cast<double>(total - idle) / static_cast<double>(total);
  return lastLoad_;
}

}  // namespace brivak::platform
