#include "proj/core/ScreenSavers.h"

#include "common/IniFile.h"

namespace brivak::core {

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  std::size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
}

}  // namespace

std::string XmlSaverLabel(std::string_view xml) {
  const std::size_t element = xml.find("<screensaver");
  if (element == std::string_view::npos) return {};
  const std::size_t end = xml.find('>', element);
  const std::string_view tag = xml.substr(element, end == std::string_view::npos ? std::string_view::npos : end - element);
  const std::size_t attr = tag.find("_label=");
  if (attr == std::string_view::npos || attr + 7 >= tag.size()) return {};
  const char quote = tag[attr + 7];
  if (quote != '"' && quote != '\'') return {};
  const std::size_t close = tag.find(quote, attr + 8);
  if (close == std::string_view::npos) return {};
  std::string label(tag.substr(attr + 8, close - attr - 8));
  ReplaceAll(label, "&amp;", "&");
  ReplaceAll(label, "&quot;", "\"");
  ReplaceAll(label, "&apos;", "'");
  ReplaceAll(label, "&lt;", "<");
  ReplaceAll(label, "&gt;", ">");
  return label;
}

std::string SaverDisplayName(std::string_view fileName, std::string_view label) {
  if (fileName == kBlankSaverFile) return kBlankSaverName;
  std::string name(label.empty() ? fileName : label);
  ReplaceAll(name, "Screen Saver", "");
  ReplaceAll(name, "Screensaver", "");
  ReplaceAll(name, "Direct3D", "3D");
  ReplaceAll(name, "3D 3D", "3D");
  return name;
}

bool IsHackFileName(std::string_view fileName) {
  return !fileName.empty() && fileName.front() != '.' && !fileName.starts_with("xscreensaver-");
}

std::string SaverFileName(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool IsBlankSaver(std::string_view path) { return SaverFileName(path) == kBlankSaverFile; }

std::string AddToScreenSaverList(std::string_view existing,
                                 const std::vector<std::pair<std::string, std::string>>& found) {
  IniDocument doc = IniDocument::Parse(existing);
  for (const auto& [name, path] : found) doc.Write(kScreenSaversSection, name, path);
  return doc.Serialize();
}

std::vector<SaverMenuEntry> ScreenSaversIntoMenu(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string line(text.substr(0, end));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  std::vector<SaverMenuEntry> entries;
  if (lines.empty()) return entries;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::size_t eq = lines[i].find('=');
    if (eq == std::string::npos) continue;  // blank lines carry no saver
    const std::string caption = lines[i].substr(0, eq);
    std::string path = lines[i].substr(eq + 1);
    for (std::size_t j = 1; j < i; ++j) {  // the first line with that caption wins
      if (lines[j].substr(0, lines[j].find('=')) == caption) {
        path = lines[j].substr(lines[j].find('=') + 1);
        break;
      }
    }
    entries.push_back({caption, path, "screensv" + std::to_string(entries.size())});
  }
  return entries;
}

IdleSaverStep IdleSaverRule(const IdleSaverInput& in) {
  IdleSaverStep step;
  const std::int64_t limit = in.idleDelay * 1000;
  const bool reached = limit < 0 || in.appIdleMs >= static_cast<std::uint64_t>(limit);
  if (reached && !in.saverRunning) {
    step.thresholdMet = true;
    if (!in.mouseMoved && !in.saverProcessRunning) {
      step.startSaver = true;
    } else if (in.saverProcessRunning) {
      // The saver runs already (started elsewhere): remembered, and the tick ends here.
      step.procRunning = true;
      step.wasRunningLastTick = true;
      return step;
    }
  }
  // A saver that ran at the previous check and is gone now gives the box the focus back.
  step.focusBox = in.wasRunningLastTick && !in.saverProcessRunning;
  step.wasRunningLastTick = false;
  return step;
}

std::string SaverLaunchedLine(std::int64_t idleDelay) {
  return "Screensaver launched after " + std::to_string(idleDelay) + " seconds of idle";
}

}  // namespace brivak::core
