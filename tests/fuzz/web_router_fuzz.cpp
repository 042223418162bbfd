// libFuzzer target for the manager's web-interface router. The input is read as a request: a first
// line "METHOD TARGET", then "Name: value" header lines. The router must answer every request
// without a server error (but for a computer it does not know), send a command to a locker only for a request that carries the
// administrator's credentials, and answer a method other than GET, HEAD and POST with 405.
#include <mutex>
#include <string>
#include <vector>

#include "manager/core/WebInterface.h"
#include "manager/core/WebTemplates.h"
#include "FuzzSupport.h"

using namespace brivak;
using namespace brivak::manager;
using fuzz::Check;

namespace {

constexpr std::string_view kAdminAuthorization = "Basic YWRtaW46c2VjcmV0";  // admin:secret

class CountingPort : public WebManagerPort {
 public:
  CountingPort() {
    TComputer a;
    a.ComputerName = "PC1";
    a.RemoteIP = "127.0.0.2";
    a.StatusStr = "Locked";
    computers_.push_back(a);
    TComputer b;
    b.ComputerName = "<b>odd&name\"";
    b.RemoteIP = "127.0.0.3";
    b.Comments = "<script>x</script>";
    computers_.push_back(b);
  }
  std::vector<TComputer> Computers() override { return computers_; }
  WebCommandResult SendCommand(const std::string&, const std::string&, const std::string&) override {
    ++commands;
    return {Outcome::Done, "locked"};
  }
  void StartQuery(const std::string&) override {}
  bool HideUpdate() override { return false; }
  void AddToLog(std::string_view) override {}
  void DebugLine(std::string_view) override {}

  int commands = 0;

 private:
  std::vector<TComputer> computers_;
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

WebRequest ReadRequest(std::string_view text) {
  WebRequest request;
  request.peerAddress = "127.0.0.1";
  bool first = true;
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    const std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    if (first) {
      first = false;
      const std::size_t space = line.find(' ');
      request.method = std::string(line.substr(0, space));
      if (space != std::string_view::npos) request.target = std::string(Trim(line.substr(space + 1)));
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    request.headers.emplace_back(std::string(line.substr(0, colon)), std::string(Trim(line.substr(colon + 1))));
  }
  return request;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemoryTemplateSource templates;
  static const bool filled = [] {
    AddDefaultTemplates(templates);
    return true;
  }();
  (void)filled;
  CountingPort port;
  const WebInterface web(port, templates,
                         [](std::string_view user, std::string_view password) {
                           return user == "admin" && password == "secret" ? 2 : -1;
                         },
                         WebLocalIdentity{"127.0.0.1", "MANAGER"});
  const WebRequest request = ReadRequest(fuzz::AsText(data, size));
  const WebResponse response = web.Handle(request);
  // The one expected failure: a computer the inventory does not hold.
  Check(response.status != 500 || response.body.find("No computer named") != std::string::npos);
  Check(response.status >= 200 && response.status < 600);
  if (request.method != "GET" && request.method != "HEAD" && request.method != "POST") {
    Check(response.status == 405);
  }
  if (port.commands > 0) {
    const auto authorization = FindHeader(request.headers, "Authorization");
    Check(authorization.has_value());
  }
  return 0;
}
