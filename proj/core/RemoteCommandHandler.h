// `httpCommandGet`: the remote command protocol on port 8777, independent of the transport. The
// network layer hands each request to Handle() and sends the returned reply (after its delay).
//
// Threads: Handle() runs on network threads, several at once. It reads settings only through the
// snapshot function (which copies the fields under the program's lock), the user list (thread-safe)
// and files; it changes program state only through RemoteEffects, whose implementation must be
// callable from any thread (the program posts to its user-interface thread).
//
// Reply of a request that performs several commands: the status line carries the last reply text,
// the body is the page lines of all commands that gave one, in order, and Content-Length covers the
// whole body. Multi-line or long reply texts (the data replies) stay in the body only; their status
// line says "OK".
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

#include "common/LogSink.h"
#include "common/UserList.h"
#include "platform/Clock.h"
#include "proj/core/CommandQueue.h"
#include "proj/core/GuessThrottle.h"
#include "proj/core/RemoteRequest.h"
#include "proj/core/RemoteStatus.h"

namespace brivak::core {

class TBrivakSettings;

// The settings and values a request reads, copied at its start.
struct RemoteSettingsSnapshot {
  bool multiUser = false;
  std::string passwordHash;
  std::string masterIP;
  bool allowRemoteUnlocking = false;
  std::string allowedRemoteIPs;
  bool onlyAdminCanUnlockMaster = false;
  std::string layoutFile;
  bool logBadPasswords = false;
  bool logUserWhoUnlocked = false;
  std::string theLocalIP;  // refreshed by each lock start
};

// Copies the fields from the settings object; call under the program's settings lock.
RemoteSettingsSnapshot MakeRemoteSettingsSnapshot(const TBrivakSettings& settings, std::string theLocalIP);

// The outcome of a standby or hibernate request: accepted by the system's power service, or why not.
struct PowerReply {
  bool accepted = false;
  std::string error;
};

// What the handler asks of the program. Every call may come from any network thread.
class RemoteEffects {
 public:
  virtual ~RemoteEffects() = default;
  virtual void LaunchLock() = 0;                            // the lock launch (Timer1)
  virtual void SetLayoutFile(const std::string& path) = 0;  // the LayoutFile setting, in memory
  virtual bool PostCommand(LockCommand command) = 0;        // into the lock screen's queue
  virtual bool LockScreenExists() = 0;
  virtual bool CurrentlyLocked() = 0;
  virtual bool ShuttingDown() = 0;  // the end-of-lock sequence runs
  // Starts the script at `path` directly (argv, no shell), hidden or shown; true when it started.
  virtual bool StartUpdateScript(const std::string& path, bool hidden) = 0;
  // `SystemStandby` / `SystemHibernate`: lock first (so that the machine wakes locked), wait until
  // every monitor is covered, then ask the power service; blocks the calling network thread until
  // its answer, bounded in time.
  virtual PowerReply Standby() = 0;
  virtual PowerReply Hibernate() = 0;
  // The tray balloon, information icon, shown for `seconds`.
  virtual void ShowBalloon(const std::string& title, const std::string& text, int seconds) = 0;
  virtual StatusFacts CurrentStatusFacts() = 0;  // refreshes the processor load first
};

// The tray balloon of a /remotemessage that no lock files (information icon).
struct RemoteNoteBalloon {
  std::string title, text;
  int seconds = 60;
};
RemoteNoteBalloon BalloonFor(const RemoteMessage& message);

// Values fixed for the run.
struct RemoteHandlerConfig {
  std::string appData;           // per-user data folder, ending in "/"
  std::string updateScriptFile;  // the update script (appPath + "update.sh" on Linux)
  std::string theLocalMAC;
  std::string WorkGroup;
  std::string WinUsername;
  std::string fullVersionString;
};

class RemoteCommandHandler : public RequestHandler {
 public:
  // Every reference must outlive the handler.
  RemoteCommandHandler(RemoteHandlerConfig config, std::function<RemoteSettingsSnapshot()> settings,
                       const UserList& userList, RemoteEffects& effects, LogSink& log,
                       const platform::Clock& clock);

  // Never throws: an error escaping a command gives status 500 with the message as the body.
  HttpReply Handle(const HttpRequest& request) override;

 private:
  struct Exchange;

  HttpReply httpCommandGet(const HttpRequest& request);
  void Dispatch(Exchange& ex);

  void Query(Exchange& ex);
  void ListLayouts(Exchange& ex);
  void ListLogs(Exchange& ex);
  void GetLog(Exchange& ex);
  void Lock(Exchange& ex);
  void ChangeLayout(Exchange& ex);
  void ViewUpdateScript(Exchange& ex);
  void RunUpdateScript(Exchange& ex);
  void Update(Exchange& ex);
  void Halt(Exchange& ex);
  void GetUserList(Exchange& ex);
  void Unlock(Exchange& ex);
  void Standby(Exchange& ex);
  void Hibernate(Exchange& ex);
  void RemoteMessageCommand(Exchange& ex);

  HttpReply ErrorReply(std::string_view message);

  const RemoteHandlerConfig config_;
  const std::function<RemoteSettingsSnapshot()> settings_;
  const UserList& userList_;
  RemoteEffects& effects_;
  LogSink& log_;
  GuessThrottle throttle_;
  std::atomic<bool> servicingLogRequest_{false};
};

}  // namespace brivak::core
