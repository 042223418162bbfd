// The manager's web interface (realm "Brivak Mobile Manager") as a transport-neutral handler: a
// request (method, target, headers, peer address) in, a response (status, headers, body) out.
// The web server of the network layer parses HTTP and hands each request to Handle on the
// connection's own thread; everything the handler needs from the manager (the inventory, commands
// to lockers, queries, the log panel, settings) goes through WebManagerPort.
//
// Routes (the first whose text occurs in the request path; the query is the computer's name,
// percent-decoded):
//   "/queryresponse"                 query the sender; empty reply
//   "/manager", "/sm"                index page: one link per computer
//   "/view/computer"                 the computer's page
//   "/lock/computer", "/unlock/computer", "/standby/computer", "/hibernate/computer",
//   "/runupdate/computer"            send the command to the computer's locker
//   "/leavemessage/computer", "/viewlogs/computer"   not yet working (text only)
// anything else: 200 with an empty body.
//
// Guards, in order: a method other than GET, HEAD and POST gets 405; missing, bad or non-Admin
// Basic credentials get 401 with the Basic challenge; HEAD on a command route gets 405; a command
// (the five senders) needs a header showing it comes from these pages or a typed address
// (Sec-Fetch-Site, Origin or Referer; see JudgeRequestSite) and gets 403 otherwise, and
// "/queryresponse" gets 403 when a header names another site. Every value from a locker or from the request is
// HTML-escaped in the pages. Each request builds its page in memory: concurrent requests never
// share a page.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/UserList.h"
#include "manager/core/CommandOutcome.h"
#include "manager/core/Computer.h"
#include "manager/core/WebTemplates.h"

namespace brivak::manager {

inline constexpr std::string_view kWebRealm = "Brivak Mobile Manager";
inline constexpr std::string_view kWebContentType = "text/html; charset=UTF-8";
inline constexpr std::string_view kWebPagePrefix = "<!doctype html>";
inline constexpr std::string_view kWebLockSentText = "Your lock request has been sent.";

using WebHeaders = std::vector<std::pair<std::string, std::string>>;

// The first value of a header, names compared without regard to ASCII case; nullopt when absent.
std::optional<std::string_view> FindHeader(const WebHeaders& headers, std::string_view name);

struct WebRequest {
  std::string method;                  // "GET", "HEAD", "POST", ...
  std::string target;                  // "/lock/computer?PC1"
  std::string version = "HTTP/1.1";
  WebHeaders headers;                  // Authorization, Host, Origin, Referer, Sec-Fetch-Site, ...
  std::string peerAddress;             // the remote address, dotted text
};

struct WebResponse {
  int status = 200;
  WebHeaders headers;
  std::string body;  // for HEAD the transport sends the headers only
};

// The outcome of one command sent to a locker, as ClassifyReply read its reply.
struct WebCommandResult {
  Outcome outcome = Outcome::Failed;
  std::string text;  // the locker's own text, or why it failed (connection refused, time-out ...)
};

// The manager as the web handler sees it. Every member is called from web-server connection
// threads, several at once; implementations carry out UI-owned work (inventory, log panel,
// queries) on the UI thread and must not throw (an exception is answered with 500 all the same).
class WebManagerPort {
 public:
  virtual ~WebManagerPort() = default;
  // A copy of the inventory's records in inventory order (`TComputerList::Items`).
  virtual std::vector<TComputer> Computers() = 0;
  // Sends `command` with `params` (the "params" query value, e.g. "flags=hidden") to the locker
  // at `remoteIP` with the login credentials (`MakeCommandURL`), on an HTTP client of this call's
  // own, waits for the reply and returns its outcome (a refusal is never reported as done).
  virtual WebCommandResult SendCommand(const std::string& remoteIP, const std::string& command,
                                       const std::string& params) = 0;
  // Starts a status query of `address` (as a re-query does); does not wait for it.
  virtual void StartQuery(const std::string& address) = 0;
  // The `hideupdate` setting now.
  virtual bool HideUpdate() = 0;
  // `AddToLog` and `DebugLine` of the log panel.
  virtual void AddToLog(std::string_view text) = 0;
  virtual void DebugLine(std::string_view text) = 0;
};

// Checks a user name and password; returns the level (2 Admin) or a negative refusal. Called from
// several threads at once.
using WebCredentialCheck = std::function<int(std::string_view user, std::string_view password)>;
// `AuthenticateUser` against the manager's own user list; `users` must outlive the result.
WebCredentialCheck UserListCredentialCheck(const UserList& users);

// Facts about this computer for the "Remote HTTP request" line.
struct WebLocalIdentity {
  std::string localIP;       // `theLocalIP`
  std::string computerName;  // this computer's name
};

class WebInterface {
 public:
  // `port` and `templates` must outlive this object.
  WebInterface(WebManagerPort& port, WebTemplateSource& templates, WebCredentialCheck check,
               WebLocalIdentity identity);

  // `http1CommandGet`. Thread-safe (keeps no state between requests); never throws.
  WebResponse Handle(const WebRequest& request) const;

 private:
  WebResponse HandleChecked(const WebRequest& request) const;

  WebManagerPort& port_;
  WebTemplateSource& templates_;
  WebCredentialCheck check_;
  WebLocalIdentity identity_;
};

}  // namespace brivak::manager
