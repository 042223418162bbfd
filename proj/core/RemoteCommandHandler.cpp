#include "proj/core/RemoteCommandHandler.h"

#include <array>
#include <exception>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <utility>

#include "proj/core/BrivakSettings.h"
#include "proj/core/LogFormat.h"
#include "proj/core/RemoteAddressFilter.h"
#include "proj/core/RemoteFiles.h"
#include "proj/core/RemoteParams.h"

namespace brivak::core {

namespace {

constexpr std::size_t kMaxStatusLineText = 256;

std::string PageLine(std::string_view text) {
  return "<HTML><BODY><B>200 " + std::string(text) + "</B></BODY></HTML>\r\n";
}

// The text after "flags=" in `params` (at most 999 characters); without "flags=", `params` from its
// sixth character on. The option word "hidden" is the only one with a meaning.
std::string FlagsOf(const std::string& params) {
  const std::size_t at = params.find("flags=");
  const std::size_t start = at == std::string::npos ? 5 : at + 6;
  return start >= params.size() ? std::string() : params.substr(start, 999);
}

}  // namespace

RemoteSettingsSnapshot MakeRemoteSettingsSnapshot(const TBrivakSettings& settings, std::string theLocalIP) {
  RemoteSettingsSnapshot s;
  s.multiUser = settings.Security.MultiUser;
  s.passwordHash = settings.Security.passwordHash;
  s.masterIP = settings.Security.masterIP;
  s.allowRemoteUnlocking = settings.Security.AllowRemoteUnlocking;
  s.allowedRemoteIPs = settings.Security.AllowedRemoteIPs;
  s.onlyAdminCanUnlockMaster = settings.Security.OnlyAdminCanUnlockMaster;
  s.layoutFile = settings.General.LayoutFile;
  s.logBadPasswords = settings.Logging.LogBadPasswords;
  s.logUserWhoUnlocked = settings.Logging.LogUserWhoUnlocked;
  s.theLocalIP = std::move(theLocalIP);
  return s;
}

// One request on its way through the handler.
struct RemoteCommandHandler::Exchange {
  Exchange(const HttpRequest& r, const RemoteSettingsSnapshot& s)
      : request(r), settings(s), params(RequestParams::FromRequest(r)), ip(r.remoteAddress) {}

  const HttpRequest& request;
  const RemoteSettingsSnapshot& settings;
  RequestParams params;
  std::string ip;
  std::string user, password, layout, flags;
  int level = kLevelNone;

  std::string text;  // the reply text; a later command overwrites it
  std::string body;  // the page lines, in order
  bool page = false;
  bool data = false;  // a data reply (file or record content) is in the body
  bool stop = false;  // no further command word is tested

  bool Admin() const { return level >= kLevelAdmin; }
  void Page(std::string_view replyText, bool dataReply = false) {
    text = replyText;
    body += PageLine(replyText);
    page = true;
    data = data || dataReply;
  }
  void Status(std::string_view replyText) { text = replyText; }
};

RemoteCommandHandler::RemoteCommandHandler(RemoteHandlerConfig config,
                                           std::function<RemoteSettingsSnapshot()> settings,
                                           const UserList& userList, RemoteEffects& effects, LogSink& log,
                                           const platform::Clock& clock)
    : config_(std::move(config)),
      settings_(std::move(settings)),
      userList_(userList),
      effects_(effects),
      log_(log),
      throttle_(clock) {}

HttpReply RemoteCommandHandler::Handle(const HttpRequest& request) {
  try {
    return httpCommandGet(request);
  } catch (const std::exception& e) {
    return ErrorReply(e.what());
  } catch (...) {
    return ErrorReply("Unknown error");
  }
}

HttpReply RemoteCommandHandler::ErrorReply(std::string_view message) {
  try {
    log_.Debug("frmBrivak:httpCommandError");
    log_.Debug("  EX: " + std::string(message));
  } catch (...) {
  }
  HttpReply reply;
  reply.status = 500;
  reply.reason = "Internal Server Error";
  reply.form = ReplyForm::Page;
  reply.body = ToAsciiText(message);
  return reply;
}

HttpReply RemoteCommandHandler::httpCommandGet(const HttpRequest& request) {
  log_.Debug("frmBrivak:httpCommandGet");
  const RemoteSettingsSnapshot settings = settings_();
  const std::string& ip = request.remoteAddress;

  if (!AllowRemoteIP(ip, settings.masterIP, settings.allowRemoteUnlocking, settings.allowedRemoteIPs, log_)) {
    log_.Debug("!!! REMOTE IP " + ip + " NOT IN LIST, REJECTED !!!");
    HttpReply reply;
    reply.reason = "OK";
    return reply;
  }
  log_.Debug("*** REMOTE IP " + ip + " IN LIST, ALLOWED ***");

  Exchange ex(request, settings);
  ex.user = ex.params.Get("s_username");
  ex.password = ex.params.Get("s_password");
  ex.layout = ex.params.Get("s_layout");
  ex.flags = FlagsOf(ex.params.Get("params"));

  if (!settings.multiUser && Authenticate(ex.password, settings.passwordHash)) {
    ex.level = kLevelAdmin;
  } else {
    ex.level = Authenticate(userList_, ex.user, ex.password, log_,
                            AuthLogging{settings.logBadPasswords, settings.logUserWhoUnlocked});
  }
  ex.text = "OK";
  if (ex.level == kLevelUserNotFound) ex.text = "user not found";
  if (ex.level == kLevelBadPassword) ex.text = "incorrect password";
  if (ex.level == kLevelNone) ex.text = "no access";
  log_.Debug("authlevel: " + std::to_string(ex.level));

  // Every reply tells whether the credentials are right (even one without a command word), so every
  // request that presents some counts; the empty pair (the start-up self-test) guesses nothing.
  std::chrono::milliseconds delay{0};
  const bool presented = !ex.user.empty() || !ex.password.empty();
  if (ex.level < kLevelNone && presented) {
    delay = throttle_.RecordFailure(ip);
  } else if (ex.level > kLevelNone) {
    throttle_.RecordSuccess(ip);
  }

  HttpReply reply;
  try {
    Dispatch(ex);
  } catch (const std::exception& e) {
    reply = ErrorReply(e.what());
    reply.delay = delay;
    return reply;
  }

  const bool shortText =
      ex.text.size() <= kMaxStatusLineText && ex.text.find_first_of("\r\n") == std::string::npos;
  reply.reason = shortText ? ToAsciiText(ex.text) : std::string("OK");
  reply.form = ex.page ? ReplyForm::Page : ReplyForm::StatusOnly;
  if (ex.page) reply.body = ToAsciiText(ex.body);
  if (ex.page && ex.data) {
    reply.contentType = "text/plain";
    reply.nosniff = true;
  }
  reply.delay = delay;
  return reply;
}

void RemoteCommandHandler::Dispatch(Exchange& ex) {
  using Command = void (RemoteCommandHandler::*)(Exchange&);
  // Performed in this order when they occur in the request's path. The slash is part of each
  // word, so "/lock" does not occur in "/unlock" nor "/update" in "/runupdatescript".
  static constexpr std::array<std::pair<std::string_view, Command>, 14> kCommands = {{
      {"/listlayouts", &RemoteCommandHandler::ListLayouts},
      {"/listlogs", &RemoteCommandHandler::ListLogs},
      {"/getlog", &RemoteCommandHandler::GetLog},
      {"/lock", &RemoteCommandHandler::Lock},
      {"/changelayout", &RemoteCommandHandler::ChangeLayout},
      {"/viewupdatescript", &RemoteCommandHandler::ViewUpdateScript},
      {"/runupdatescript", &RemoteCommandHandler::RunUpdateScript},
      {"/update", &RemoteCommandHandler::Update},
      {"/halt", &RemoteCommandHandler::Halt},
      {"/getuserlist", &RemoteCommandHandler::GetUserList},
      {"/unlock", &RemoteCommandHandler::Unlock},
      {"/standby", &RemoteCommandHandler::Standby},
      {"/hibernate", &RemoteCommandHandler::Hibernate},
      {"/remotemessage", &RemoteCommandHandler::RemoteMessageCommand},
  }};

  // Command words come from the path only: a parameter value (a message text, say) runs nothing.
  const std::string_view path = RequestPath(ex.request.target);
  if (path.find("/query") != std::string_view::npos) {
    Query(ex);
    return;
  }
  for (const auto& [word, command] : kCommands) {
    if (path.find(word) == std::string_view::npos) continue;
    (this->*command)(ex);
    if (ex.stop) return;
  }
}

void RemoteCommandHandler::Query(Exchange& ex) {
  if (!ex.Admin()) {
    ex.Status("unauthenticated,  you are not admin");
    log_.WriteLog("Unsuccessful remote Query by " + ex.ip);
    return;
  }
  const StatusFacts facts = effects_.CurrentStatusFacts();
  StatusRecord record;
  record.computername = facts.hostName;
  record.internalip = ex.settings.theLocalIP;
  record.mac = config_.theLocalMAC;
  record.group = config_.WorkGroup;
  record.status = GetBrivakStatus(effects_.CurrentlyLocked(), effects_.ShuttingDown());
  record.idleMs = facts.idleMs;
  record.uptimeMs = facts.uptimeMs;
  record.currentuser = config_.WinUsername;
  record.brivakversion = config_.fullVersionString;
  record.masterip = ex.settings.masterIP;
  record.layoutFile = ex.settings.layoutFile;
  record.remoteSession = facts.remoteSession;
  record.cpuPercent = facts.cpuPercent;
  record.lockedWhen = facts.lockedWhen;
  ex.Page(ReturnQuery(record), true);
}

void RemoteCommandHandler::ListLayouts(Exchange& ex) {
  if (!ex.Admin()) {
    ex.Status("unauthenticated");
    log_.WriteLog("Unsuccessful remote layout query by " + ex.ip);
    return;
  }
  ex.Page("<layoutlist>" + LayoutList(config_.appData) + "</layoutlist>", true);
  log_.Debug("sent layout list");
}

void RemoteCommandHandler::ListLogs(Exchange& ex) {
  if (!ex.Admin()) {
    ex.Status("unauthenticated");
    log_.WriteLog("Unsuccessful remote request for Log File by " + ex.ip);
    return;
  }
  const std::string date = ex.params.Get("date");
  log_.Mem("Request for log month summary.");
  // The request line as logged: the password never reaches the log in clear.
  log_.WriteLog("Listlogs requested. Date = " + date + ". HTTP =" + ex.request.method + " " +
                MaskPasswordInTarget(ex.request.target));
  // An unparsable date throws: the request fails with status 500 and the message.
  const std::string text = LogsGetMonthInfo(date, config_.appData + "Logs/") + "\r\n";
  log_.WriteLog("Listlogs returning : " + text);
  ex.Page(text, true);
  log_.Debug("sent log summary....");
}

void RemoteCommandHandler::GetLog(Exchange& ex) {
  if (!ex.Admin()) {
    ex.Status("unauthenticated");
    log_.WriteLog("Unsuccessful remote request for Log File by " + ex.ip);
    return;
  }
  // One log file at a time; a concurrent request is turned away with the reply as it stands, and
  // the later command words are not tested.
  if (servicingLogRequest_.exchange(true)) {
    ex.stop = true;
    return;
  }
  struct Release {
    std::atomic<bool>& flag;
    ~Release() { flag.store(false); }
  } release{servicingLogRequest_};

  log_.Mem("Request for log file.");
  const std::string date = ex.params.Get("date");
  try {
    // The file name comes only from a date that parses strictly, never from the text itself.
    const std::optional<platform::LocalTime> day = ParseShortDate(date);
    if (!day) throw std::runtime_error("'" + date + "' is not a valid date");
    const std::optional<std::string> text = ReadLinesCrLf(config_.appData + "Logs/" + DayFileName(*day));
    ex.Page(text ? *text : "No log file for " + date, true);
  } catch (const std::exception& e) {
    log_.Mem(e.what());
    log_.Mem("Error sending log file: ");
  }
  log_.Debug("sent log file.");
}

void RemoteCommandHandler::Lock(Exchange& ex) {
  if (!ex.Admin()) {
    ex.Status("cant lock, not authenticated");
    log_.WriteLog("Unsuccessful remote lock by remote address " + ex.ip);
    if (!ex.layout.empty()) log_.WriteLog("Layout requested : " + ex.layout);
    return;
  }
  if (const std::optional<std::string> path = ConfineLayoutPath(ex.layout, config_.appData)) {
    effects_.SetLayoutFile(*path);
  }
  effects_.LaunchLock();
  ex.Page("locked");
  log_.WriteLog("Locked by remote address " + ex.ip);
  if (!ex.layout.empty()) log_.WriteLog("Layout requested : " + ex.layout);
}

void RemoteCommandHandler::ChangeLayout(Exchange& ex) {
  if (!ex.Admin()) {
    ex.Page("cant lock, not authenticated");
    log_.WriteLog("Unsuccessful/unauthenticated remote attempt to change layout by address " + ex.ip);
    log_.WriteLog("layout requested : " + ex.layout);
    return;
  }
  if (const std::optional<std::string> path = ConfineLayoutPath(ex.layout, config_.appData)) {
    effects_.SetLayoutFile(*path);
  }
  ex.Page("locked");
  log_.WriteLog("Default layout changed by remote address " + ex.ip);
  log_.WriteLog("layout : " + ex.layout);
}

void RemoteCommandHandler::ViewUpdateScript(Exchange& ex) {
  if (!ex.Admin()) {
    ex.Page("cant view script, not authenticated");
    log_.WriteLog("Unsuccessful/unauthenticated remote attempt to view update script file by address " +
                  ex.ip);
    return;
  }
  const std::optional<std::string> text = ReadLinesCrLf(config_.updateScriptFile);
  ex.Page(text ? *text : "The file " + config_.updateScriptFile + " does not exist.", true);
  log_.WriteLog("Update script viewed by " + ex.ip);
}

void RemoteCommandHandler::RunUpdateScript(Exchange& ex) {
  if (!ex.Admin()) {
    ex.Page("cant run update script, not authenticated");
    log_.WriteLog("Unsuccessful/unauthenticated remote attempt to run update script by address " + ex.ip);
    return;
  }
  std::error_code ec;
  if (std::filesystem::exists(config_.updateScriptFile, ec)) {
    if (effects_.StartUpdateScript(config_.updateScriptFile, ex.flags == "hidden")) {
      ex.Status("Script was run.");
    } else {
      log_.Debug("Update script could not be started: " + config_.updateScriptFile);
    }
  }
  log_.WriteLog("Update Script run by remote address " + ex.ip);
}

void RemoteCommandHandler::Update(Exchange& ex) {
  if (!ex.Admin()) {
    ex.Status("cant update, not authenticated");
    log_.WriteLog("Unsuccessful update attempt by remote address " + ex.ip);
    return;
  }
  ex.Page("Update initiated");
  log_.WriteLog("Update by remote address " + ex.ip);
}

void RemoteCommandHandler::Halt(Exchange& ex) {
  if (!ex.Admin()) {
    ex.Page("cant halt, not authenticated");
    log_.WriteLog("Unsuccessful halt attempt by address " + ex.ip);
    return;
  }
  ex.Page("OK, halting.");
  // The lock ends on the user-interface thread, through the queue's "shutdown".
  if (effects_.LockScreenExists()) effects_.PostCommand(LockCommand{"shutdown", {}, {}});
}

void RemoteCommandHandler::GetUserList(Exchange& ex) {
  if (!ex.Admin()) {
    ex.Page("cant fetch user list, not authenticated");
    log_.WriteLog("Unsuccessful user list fetch by address " + ex.ip);
    return;
  }
  const std::optional<std::string> text = ReadLinesCrLf(userList_.Path());
  if (!text) throw std::runtime_error("Cannot open file \"" + userList_.Path() + "\".");
  ex.Page("<userlist>" + *text + "</userlist>", true);
}

void RemoteCommandHandler::Unlock(Exchange& ex) {
  // The master station itself may demand an administrator to unlock it.
  const int needed = ex.settings.onlyAdminCanUnlockMaster && ex.settings.theLocalIP == ex.settings.masterIP
                         ? kLevelAdmin
                         : kLevelUnlock;
  log_.Debug("shutdown request");
  if (ex.level >= needed) {
    log_.Debug("has auth_unlock level");
    log_.WriteLog("Shutdown by remote address " + ex.ip);
    ex.Page("unlocking");
    if (effects_.LockScreenExists()) effects_.PostCommand(LockCommand{"shutdown", {}, {}});
    return;
  }
  ex.Page("cant Shutdown, not authenticated");
  log_.WriteLog("Unsuccessful Shutdown attempt by remote address " + ex.ip);
  if (effects_.LockScreenExists()) {
    log_.Debug("frmBrivak: setting nextcommand=badpass");
    effects_.PostCommand(LockCommand{"badpass", ex.user, {}});
  }
}

// The reply is the specified text only when the power service accepted the request.
void RemoteCommandHandler::Standby(Exchange& ex) {
  if (!ex.Admin()) {
    ex.Page("Cant Standby, not authenticated");
    log_.WriteLog("Unsuccessful Standby attempt by remote address " + ex.ip);
    return;
  }
  log_.WriteLog("Standby by remote address " + ex.ip);
  const PowerReply reply = effects_.Standby();
  ex.Page(reply.accepted ? "Standing by.." : "Standby failed: " + reply.error);
}

void RemoteCommandHandler::Hibernate(Exchange& ex) {
  if (!ex.Admin()) {
    ex.Page("Cant Hibernbate, not authenticated");
    log_.WriteLog("Unsuccessful Hibernbate attempt by remote address " + ex.ip);
    return;
  }
  log_.WriteLog("Hibernbate by remote address " + ex.ip);
  const PowerReply reply = effects_.Hibernate();
  ex.Page(reply.accepted ? "Hibernating..." : "Hibernate failed: " + reply.error);
}

void RemoteCommandHandler::RemoteMessageCommand(Exchange& ex) {
  if (!ex.Admin()) {
    ex.Page("Cant message, not authenticated");
    log_.WriteLog("Unsuccessful message attempt by remote address " + ex.ip);
    return;
  }
  ex.Page("leaving msg...");
  log_.WriteLog("Message from remote address " + ex.ip);
  RemoteMessage message{ex.params.Get("mfrom"), ex.params.Get("msubject"), ex.params.Get("mbody"),
                        ex.params.Get("memail")};
  // Filed while a lock runs; otherwise, or when the lock can no longer take it, the balloon shows
  // it: the reply says the message was left, so it is never dropped.
  if (effects_.CurrentlyLocked() && effects_.PostCommand(LockCommand{"remotemessage", {}, message})) return;
  const RemoteNoteBalloon balloon = BalloonFor(message);
  effects_.ShowBalloon(balloon.title, balloon.text, balloon.seconds);
}

RemoteNoteBalloon BalloonFor(const RemoteMessage& message) {
  return {"Message from " + message.from, "RE: " + message.subject + "\r\n\r\n" + message.body, 60};
}

}  // namespace brivak::core
