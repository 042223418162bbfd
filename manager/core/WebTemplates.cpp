#include "manager/core/WebTemplates.h"

namespace brivak::manager {

namespace {

// Shared look of the pages; no scripts, no outside resources.
constexpr std::string_view kHead =
    "<html lang=\"en\"><head><meta charset=\"utf-8\">"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
    "<title>Brivak Manager</title>"
    "<style>*{box-sizing:border-box}body{font-family:sans-serif;margin:0 auto;padding:.8em;max-width:40em;"
    "overflow-wrap:anywhere}"
    "a{display:block;min-height:44px;line-height:44px;margin:.4em 0;padding:0 1em;border-radius:6px;"
    "background:#2b5797;color:#fff;text-decoration:none;font-size:1.05em}"
    "table{border-collapse:collapse}td,th{border:1px solid #999;padding:.4em;text-align:left}"
    "a.locked{background:#c0392b}a.unlocked{background:#27ae60}a.silent{background:#808080}"
    "a.refused{background:#d68a00}"
    ".outcome{padding:.6em;border-radius:6px}.done{background:#d7f0d7}.refused{background:#f6e0b5}"
    ".failed{background:#f5c6c6}"
    "</style></head><body>";

constexpr std::string_view kIndexHeaderBody = "<h1>Brivak Manager</h1><p>Computers:</p>\n";

constexpr std::string_view kIndexFooter =
    "\n<p><a href=\"/manager\">Refresh</a></p></body></html>\n";

constexpr std::string_view kComputerViewBody =
    "<h1>%COMPUTERNAME%</h1>\n"
    "<table>\n"
    "<tr><th>Status</th><td>%STATUS%</td></tr>\n"
    "<tr><th>Current user</th><td>%CURUSER%</td></tr>\n"
    "<tr><th>Idle</th><td>%IDLETIME%</td></tr>\n"
    "<tr><th>System uptime</th><td>%SYSUPTIME%</td></tr>\n"
    "<tr><th>Comments</th><td>%COMMENTS%</td></tr>\n"
    "<tr><th>Master IP</th><td>%MASTERIP%</td></tr>\n"
    "</table>\n"
    "<p><a href=\"/lock/computer?%COMPUTERLINK%\">Lock</a><br>\n"
    "<a href=\"/unlock/computer?%COMPUTERLINK%\">Unlock</a><br>\n"
    "<a href=\"/standby/computer?%COMPUTERLINK%\">Stand by</a><br>\n"
    "<a href=\"/hibernate/computer?%COMPUTERLINK%\">Hibernate</a><br>\n"
    "<a href=\"/runupdate/computer?%COMPUTERLINK%\">Run update script</a></p>\n"
    "<p><a href=\"/manager\">All computers</a></p></body></html>\n";

}  // namespace

void MemoryTemplateSource::Set(std::string_view fileName, std::string text) {
  std::lock_guard<std::mutex> guard(mutex_);
  texts_.insert_or_assign(std::string(fileName), std::move(text));
}

void MemoryTemplateSource::Remove(std::string_view fileName) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (auto it = texts_.find(fileName); it != texts_.end()) texts_.erase(it);
}

std::optional<std::string> MemoryTemplateSource::Read(std::string_view fileName) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto it = texts_.find(fileName);
  if (it == texts_.end()) return std::nullopt;
  return it->second;
}

std::string DefaultTemplateText(std::string_view fileName) {
  if (fileName == kIndexHeaderTemplate) return std::string(kHead) + std::string(kIndexHeaderBody);
  if (fileName == kIndexFooterTemplate) return std::string(kIndexFooter);
  if (fileName == kComputerViewTemplate) return std::string(kHead) + std::string(kComputerViewBody);
  return {};
}

void AddDefaultTemplates(MemoryTemplateSource& source) {
  for (std::string_view name : {kIndexHeaderTemplate, kIndexFooterTemplate, kComputerViewTemplate}) {
    source.Set(name, DefaultTemplateText(name));
  }
}

}  // namespace brivak::manager
