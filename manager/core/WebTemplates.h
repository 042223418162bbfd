// The page templates of the manager's web interface. They are deployment data kept beside the
// program ("managerindexheader.html", "managerindexfooter.html", "managercomputerview.html");
// the handler reads them through WebTemplateSource on every request, so an edited file shows at
// once, and never writes them back.
//
// Placeholders of the computer page: "%COMPUTERNAME%", "%SYSUPTIME%", "%IDLETIME%", "%CURUSER%",
// "%STATUS%", "%COMMENTS%", "%MASTERIP%" (HTML-escaped values), and "%COMPUTERLINK%": the computer
// name encoded for a query and HTML-escaped, for links such as "/lock/computer?%COMPUTERLINK%".
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace brivak::manager {

inline constexpr std::string_view kIndexHeaderTemplate = "managerindexheader.html";
inline constexpr std::string_view kIndexFooterTemplate = "managerindexfooter.html";
inline constexpr std::string_view kComputerViewTemplate = "managercomputerview.html";

// Reads one template by file name. Implementations are safe to call from several threads at once.
class WebTemplateSource {
 public:
  virtual ~WebTemplateSource() = default;
  // The template's text, or nullopt when it cannot be read (the request then fails with 500).
  virtual std::optional<std::string> Read(std::string_view fileName) = 0;
};

// Templates held in memory. Thread-safe.
class MemoryTemplateSource : public WebTemplateSource {
 public:
  void Set(std::string_view fileName, std::string text);
  void Remove(std::string_view fileName);
  std::optional<std::string> Read(std::string_view fileName) override;

 private:
  std::mutex mutex_;
  std::map<std::string, std::string, std::less<>> texts_;
};

// The texts shipped with the manager for the three files (small pages for a phone's browser).
std::string DefaultTemplateText(std::string_view fileName);
// A source holding the three shipped texts.
void AddDefaultTemplates(MemoryTemplateSource& source);

}  // namespace brivak::manager
