#include "manager/core/WebInterface.h"

#include "manager/core/ComputerState.h"

#include <exception>
#include <stdexcept>

#include "common/Stools.h"
#include "manager/core/Login.h"
#include "manager/core/CommandUrls.h"
#include "manager/core/WebHtml.h"
#include "manager/core/WebSecurity.h"

namespace brivak::manager {

namespace {

enum class Route {
  kNone,
  kQueryResponse,
  kIndex,
  kView,
  kLock,
  kUnlock,
  kStandby,
  kHibernate,
  kRunUpdate,
  kLeaveMessage,
  kViewLogs,
};

struct RouteText {
  std::string_view text;
  Route route;
};

// In the order they are tried.
constexpr RouteText kRoutes[] = {
    {"/queryresponse", Route::kQueryResponse},
    {"/manager", Route::kIndex},
    {"/sm", Route::kIndex},
    {"/view/computer", Route::kView},
    {"/lock/computer", Route::kLock},
    {"/unlock/computer", Route::kUnlock},
    {"/standby/computer", Route::kStandby},
    {"/hibernate/computer", Route::kHibernate},
    {"/runupdate/computer", Route::kRunUpdate},
    {"/leavemessage/computer", Route::kLeaveMessage},
    {"/viewlogs/computer", Route::kViewLogs},
};

// Routes are looked for in the path only: a computer name in the query that happens to hold a
// route text must not pick another route.
Route FindRoute(std::string_view path) {
  for (const RouteText& entry : kRoutes) {
    if (path.find(entry.text) != std::string_view::npos) return entry.route;
  }
  return Route::kNone;
}

bool IsCommandRoute(Route route) {
  return route == Route::kLock || route == Route::kUnlock || route == Route::kStandby ||
         route == Route::kHibernate || route == Route::kRunUpdate;
}

bool IsAsciiEqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool Contains(std::string_view text, std::string_view part) {
  return !part.empty() && text.find(part) != std::string_view::npos;
}

WebHeaders PageHeaders(std::string_view contentType) {
  return {
      {"Content-Type", std::string(contentType)},
      {"Cache-Control", "no-store"},
      {"X-Content-Type-Options", "nosniff"},
      {"X-Frame-Options", "DENY"},
      // Links between the pages carry the Referer that the command check relies on.
      {"Referrer-Policy", "same-origin"},
  };
}

// The link's class: the templates colour the buttons by the computer's state.
std::string_view StateClass(ComputerState state) {
  switch (state) {
    case ComputerState::Locked: return "locked";
    case ComputerState::Unlocked: return "unlocked";
    case ComputerState::Refused: return "refused";
    case ComputerState::NotAnswering: break;
  }
  return "silent";
}

WebResponse Page(std::string_view text) {
  WebResponse response;
  response.headers = PageHeaders(kWebContentType);
  response.body = std::string(kWebPagePrefix) + std::string(text);
  return response;
}

WebResponse EmptyReply() {
  WebResponse response;
  response.headers = {{"Cache-Control", "no-store"}};
  return response;
}

WebResponse PlainError(int status, std::string_view text) {
  WebResponse response;
  response.status = status;
  response.headers = PageHeaders("text/plain; charset=UTF-8");
  response.body = std::string(text);
  return response;
}

WebResponse MethodNotAllowed(std::string_view allowed) {
  WebResponse response = PlainError(405, "Method not allowed.");
  response.headers.emplace_back("Allow", std::string(allowed));
  return response;
}

std::string ReadTemplate(WebTemplateSource& templates, std::string_view fileName) {
  std::optional<std::string> text = templates.Read(fileName);
  if (!text) throw std::runtime_error("Cannot read the template " + std::string(fileName));
  return std::move(*text);
}

// `ComputerGetIndex` over a copy of the inventory: the last record whose name equals `name`
// exactly, or -1; with its trace lines.
int ComputerGetIndex(const std::vector<TComputer>& computers, const std::string& name,
                     WebManagerPort& port) {
  port.DebugLine("ComputerGetIndex:" + name);
  for (std::size_t i = computers.size(); i-- > 0;) {
    if (computers[i].ComputerName == name) {
      port.DebugLine("ComputerGetIndex: Found: " + std::to_string(i));
      return static_cast<int>(i);
    }
  }
  port.DebugLine("ComputerGetIndex: NOT Found: -1");
  return -1;
}

const TComputer& RequireComputer(const std::vector<TComputer>& computers,
                                   const std::string& name, WebManagerPort& port) {
  const int index = ComputerGetIndex(computers, name, port);
  if (index < 0) throw std::runtime_error("No computer named \"" + name + "\" in the list.");
  return computers[static_cast<std::size_t>(index)];
}

}  // namespace

std::optional<std::string_view> FindHeader(const WebHeaders& headers, std::string_view name) {
  for (const auto& [key, value] : headers) {
    if (IsAsciiEqualNoCase(key, name)) return std::string_view(value);
  }
  return std::nullopt;
}

WebCredentialCheck UserListCredentialCheck(const UserList& users) {
  return [&users](std::string_view user, std::string_view password) {
    return AuthenticateUser(users, user, password);
  };
}

WebInterface::WebInterface(WebManagerPort& port, WebTemplateSource& templates,
                           WebCredentialCheck check, WebLocalIdentity identity)
    : port_(port), templates_(templates), check_(std::move(check)), identity_(std::move(identity)) {}

WebResponse WebInterface::Handle(const WebRequest& request) const {
  try {
    return HandleChecked(request);
  } catch (const std::exception& error) {
    return PlainError(500, error.what());
  } catch (...) {
    return PlainError(500, "Internal error.");
  }
}

WebResponse WebInterface::HandleChecked(const WebRequest& request) const {
  const std::string& method = request.method;
  if (method != "GET" && method != "HEAD" && method != "POST") {
    return MethodNotAllowed("GET, HEAD, POST");
  }
  const std::string rawLine = method + " " + request.target + " " + request.version;

  const std::optional<std::string_view> authorization =
      FindHeader(request.headers, "Authorization");
  const std::optional<BasicCredentials> credentials =
      authorization ? ParseBasicAuthorization(*authorization) : std::nullopt;
  const std::string user = credentials ? credentials->user : std::string();
  port_.DebugLine("HTTP CommandGet: " + rawLine + " : user: " + user + "  .. pass: *****");

  const int level = credentials ? check_(credentials->user, credentials->password) : kLevelBadPassword;
  if (level != kLevelAdmin) {
    port_.DebugLine("HTTP: No Credientials Provided.");
    WebResponse response = PlainError(401, "Authentication required.");
    response.headers.emplace_back("WWW-Authenticate",
                                  "Basic realm=\"" + std::string(kWebRealm) + "\"");
    return response;
  }
  port_.DebugLine("HTTP: Credientials Work!");
  port_.DebugLine("HTTP : Serving up.");

  const std::size_t question = request.target.find('?');
  const std::string_view path = std::string_view(request.target).substr(0, question);
  const std::string name = question == std::string::npos
                               ? std::string()
                               : DecodeQueryValue(std::string_view(request.target).substr(question + 1));
  const Route route = FindRoute(path);

  if (IsCommandRoute(route) || route == Route::kQueryResponse) {
    if (IsCommandRoute(route) && method == "HEAD") return MethodNotAllowed("GET, POST");
    const RequestSite site{FindHeader(request.headers, "Host"), FindHeader(request.headers, "Origin"),
                           FindHeader(request.headers, "Referer"),
                           FindHeader(request.headers, "Sec-Fetch-Site")};
    const SiteVerdict verdict = JudgeRequestSite(site);
    // A command needs positive evidence that it comes from these pages or was typed; a locker's
    // report (no browser headers) only must not come from another site.
    const bool refused = verdict == SiteVerdict::kCrossSite ||
                         (IsCommandRoute(route) && verdict != SiteVerdict::kSameOrigin);
    if (refused) {
      port_.AddToLog("Cross-site HTTP request refused: " + rawLine + " (" + request.peerAddress + ")");
      return PlainError(403, "Cross-site request refused.");
    }
  }

  WebResponse response = EmptyReply();
  switch (route) {
    case Route::kQueryResponse:
      port_.AddToLog("Report from " + request.peerAddress);
      port_.StartQuery(request.peerAddress);
      return response;

    case Route::kIndex: {
      port_.DebugLine("Raw Command from " + request.peerAddress + ": " + rawLine);
      std::string page = ReadTemplate(templates_, kIndexHeaderTemplate);
      for (const TComputer& computer : port_.Computers()) {
        page += "<a href=\"/view/computer?" + HtmlEscape(PercentEncode(computer.ComputerName)) + "\" class=\"" +
                std::string(StateClass(StateOf(computer))) + "\">" + HtmlEscape(computer.ComputerName) + "</a><br>";
      }
      page += ReadTemplate(templates_, kIndexFooterTemplate);
      port_.DebugLine("response set.");
      response = Page(page);
      break;
    }

    case Route::kView: {
      port_.DebugLine("Raw View CPU Command : " + rawLine);
      port_.DebugLine("Request Command: " + method);
      const std::vector<TComputer> computers = port_.Computers();
      const TComputer& computer = RequireComputer(computers, name, port_);
      const std::string view = ReadTemplate(templates_, kComputerViewTemplate);
      response = Page(FillTemplate(
          view, {
                    {"%COMPUTERNAME%", HtmlEscape(computer.ComputerName)},
                    {"%SYSUPTIME%", HtmlEscape(SecondsText(computer.UpTime))},
                    {"%IDLETIME%", HtmlEscape(SecondsText(computer.IdleTime))},
                    {"%CURUSER%", HtmlEscape(computer.CurrentUser)},
                    {"%STATUS%", HtmlEscape(computer.StatusStr)},
                    {"%COMMENTS%", HtmlEscape(computer.Comments)},
                    {"%MASTERIP%", HtmlEscape(computer.MasterIP)},
                    {"%COMPUTERLINK%", HtmlEscape(PercentEncode(computer.ComputerName))},
                }));
      break;
    }

    case Route::kLock:
    case Route::kUnlock:
    case Route::kStandby:
    case Route::kHibernate:
    case Route::kRunUpdate: {
      std::string command;
      std::string params;
      switch (route) {
        case Route::kLock:
          port_.DebugLine("Lock Computer Command : " + rawLine);
          command = "lock";
          break;
        case Route::kUnlock:
          port_.DebugLine("UNLock Computer Command : " + rawLine);
          command = "unlock";
          break;
        case Route::kStandby:
          command = "standby";
          break;
        case Route::kHibernate:
          port_.DebugLine("Hibernate Computer Command : " + rawLine);
          command = "hibernate";
          break;
        default:
          port_.DebugLine("RunUpdate Computer Command : " + rawLine);
          command = "runupdatescript";
          params = port_.HideUpdate() ? "flags=hidden" : "flags=";
          break;
      }
      port_.DebugLine("Request Command: " + method);
      const std::vector<TComputer> computers = port_.Computers();
      const TComputer& computer = RequireComputer(computers, name, port_);
      const WebCommandResult result = port_.SendCommand(computer.RemoteIP, command, params);
      if (result.outcome == Outcome::Failed) {
        throw std::runtime_error(result.text.empty() ? "The command could not be sent." : result.text);
      }
      // The locker's answer follows the sent text, so a refusal never reads as done.
      const std::string answer = "<p class=\"outcome " + std::string(OutcomeWord(result.outcome)) + "\">" +
                                 HtmlEscape(name) + ": " + std::string(OutcomeWord(result.outcome)) + ": " +
                                 HtmlEscape(result.text) + "</p>";
      response = Page((route == Route::kRunUpdate
                           ? "Your request to run the update script on " + HtmlEscape(name) + " has been sent."
                           : std::string(kWebLockSentText)) +
                      answer);
      break;
    }

    case Route::kLeaveMessage:
      response = Page("Leave a message -- not yet working.");
      break;

    case Route::kViewLogs:
      response = Page("View Logs -- not yet working.");
      break;

    case Route::kNone:
      break;
  }

  const std::string host(FindHeader(request.headers, "Host").value_or(""));
  const bool local = Contains(request.peerAddress, "127.0.0.1") ||
                     Contains(host, identity_.localIP) ||
                     Contains(request.peerAddress, identity_.computerName);
  if (!local) port_.AddToLog("Remote HTTP request (" + host + ")");
  return response;
}

}  // namespace brivak::manager
