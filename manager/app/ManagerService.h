// The manager's controller without a window: it owns the io_context thread and every network
// piece (status lookups, the discovery socket, the discovery driver, the event listener on 8778,
// the web server), the inventory, the log panel, the settings and the login credentials. The Qt
// window and the headless mode both drive it and both observe it through callbacks.
//
// Threads: the public members may be called from any thread (the UI thread in practice); network
// work happens on the io thread. The inventory and the log panel are guarded by the service's own
// lock, so reading them (Computers, Inventory, LogLines) is safe anywhere. Every observer is called
// through the caller-supplied `post` function (the window: a queued call to its thread; headless:
// its own loop), in the order the events happened, and never after Stop has returned.
//
// WakeOnLan and EventPort read the discovery socket and the event listener under a lock of their
// own, so a Stop on another thread never destroys one while they use it.
//
// Stop (also run by the destructor) cancels the discovery, the range walk, every lookup, command
// and fetch, stops the web server and the listener, and joins the io thread. It never waits for a
// locker: requests still open are closed. It must not be called from inside an observer of this
// service nor from the io thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/IniFile.h"
#include "common/StartResult.h"
#include "common/UserList.h"
#include "manager/core/CommandOutcome.h"
#include "manager/core/CommandUrls.h"
#include "manager/core/Computer.h"
#include "manager/core/Discovery.h"
#include "manager/core/EventDatagram.h"
#include "manager/core/FetchResult.h"
#include "manager/core/ManagerSettings.h"
#include "manager/core/RangeWalk.h"
#include "manager/core/RemoteLogs.h"
#include "manager/core/RemoteUserList.h"
#include "manager/core/WakeOnLan.h"
#include "manager/core/WebInterface.h"
#include "platform/Clock.h"
#include "platform/Processes.h"
#include "platform/RegistryStore.h"

namespace brivak::manager::app {

// Runs a closure on the observer's thread (the window's UI thread, the headless loop). Must not
// run it inline when called from the io thread while that thread holds the service's lock: a
// queued post is what is expected.
using UiPost = std::function<void(std::function<void()>)>;

// One change of the log panel's text.
struct LogChange {
  enum class Kind { Line, Append, Cleared };
  Kind kind = Kind::Line;
  std::string text;  // the new line (DebugLine lines start with ":"), or the appended text
};

// Where one command went: the record's name (may be empty) and the address it was sent to.
struct CommandTarget {
  std::string computerName;
  std::string address;  // dotted IPv4 (the record's RemoteIP)
};

// The outcome of one command at one computer.
struct CommandReport {
  std::uint64_t requestId = 0;  // as returned by SendCommand
  CommandTarget target;
  std::string command;          // the command word
  CommandOutcome outcome;       // done, refused or failed, with the locker's text or the failure
  bool ok = false;              // the outcome is done
  int status = 0;               // the HTTP status when a reply came
  std::string reply;            // the reply body (also on an error status)
};

// The observers. Each may be empty. All run through UiPost.
struct ManagerObservers {
  // Records were removed or reordered (or, without computerUpdated, anything changed): read
  // Inventory() again.
  std::function<void()> inventoryChanged;
  // One status reply changed or added this one record (a copy; its id is kept). Cheap: no copy of
  // the inventory is made for it.
  std::function<void(const TComputer& record)> computerUpdated;
  std::function<void(const LogChange&)> logChanged;
  // The log line of an event datagram (security or power event) as it went to the log panel.
  std::function<void(const std::string& line)> eventReceived;
  // One per computer of a SendCommand, in the order the replies came.
  std::function<void(const CommandReport&)> commandResult;
  // After the last computer of a SendCommand: how many were done, refused and failed.
  std::function<void(std::uint64_t requestId, const OutcomeCounts& counts)> commandFinished;
  // A discovery ended (`complete`: every query handled), a range walk ended.
  std::function<void(bool complete)> discoveryFinished;
  std::function<void()> rangeScanFinished;
  // The web server started (port: the bound port) or stopped (port 0, error when it failed).
  std::function<void(std::uint16_t port, const std::string& error)> webServerChanged;
};

struct ManagerServiceOptions {
  Credentials credentials;      // the accepted login: `aUsername`, `aPassword`
  std::string theLocalIP;       // sent as "sendto" in discoveries, shown in the web-server link
  std::string computerName;     // this computer's name (the web interface's log line)
  std::string programDir;       // ends in "/": web templates are read from here when present
  // Address the discovery socket, the event listener and the web server bind.
  std::string bindAddress = "0.0.0.0";
  std::uint16_t eventPort = kEventPort;  // 0: any free port (tests)
  bool listenForEvents = true;
  int lockerPort = kLockerCommandPort;   // of commands and fetches
  int statusPort = kLockerCommandPort;   // of status queries (tests use a port of their own)
  // Safety bound of a whole discovery (listening and queries).
  std::chrono::milliseconds discoveryMaxDuration{300000};
  // Read time-out of every request once connected (the connect time-outs are settings); a status
  // query waits no longer for its reply than `scantimeout`.
  std::chrono::milliseconds readTimeout{10000};
  // Start a discovery at once when Start succeeds (the program does; tests may not).
  bool discoverOnStart = true;
};

// What the service uses and does not own; each must outlive it.
struct ManagerServiceDeps {
  const platform::Clock& clock;
  platform::RegistryStore& registry;  // the manager's settings (and the locker's path)
  platform::Processes& processes;     // the remote-desktop client
  const UserList& users;              // the manager's own list: web logins, PutUserList
  UiPost post;
  // Whether a program can be found in PATH (the remote-desktop client); empty: search PATH.
  std::function<bool(std::string_view program)> isInstalled;
};

// The result of RemoteDesktop: started, or the message to show.
struct RemoteDesktopResult {
  bool started = false;
  std::vector<std::string> argv;  // what was started (or would have been)
  std::string message;            // the error text when not started
};

class ManagerService final : public WebManagerPort {
 public:
  ManagerService(ManagerServiceDeps deps, ManagerServiceOptions options, ManagerObservers observers);
  ~ManagerService() override;
  ManagerService(const ManagerService&) = delete;
  ManagerService& operator=(const ManagerService&) = delete;

  // Starts the io thread, opens the discovery socket and the event listener (a failure of the
  // listener is logged, not fatal), loads and applies the settings (refresh timer, web server),
  // logs "Brivak Manager v0.48 ready." and, when asked, starts a discovery. Fails when the
  // discovery socket cannot be opened. Called once.
  StartResult Start();
  // See the file comment. Idempotent.
  void Stop();
  bool Stopped() const { return stopped_; }

  // --- Settings ---
  TmanagerSettings Settings() const;
  int LastCol() const;
  // `ApplySettings`: takes the record, sets the refresh timer, starts or stops the web server (a
  // running server keeps its port). Does not write the store.
  void ApplySettings(const TmanagerSettings& settings);
  // "Save and Apply": SaveSettings (the port from `webserverportText` when it parses),
  // LoadSettings, ApplySettings, logs "Settings saved.". False (and logged) when the store cannot
  // be written.
  bool SaveAndApply(const TmanagerSettings& settings, std::string_view webserverportText);
  // Writes the current settings and sort key (the window closes). False when the store fails.
  bool SaveSettings();
  // The automatic refresh alone (the check box's immediate effect).
  void SetAutoRefresh(bool on, std::optional<int> refreshtimeMs = std::nullopt);
  const Credentials& Login() const { return options_.credentials; }
  const std::string& LocalIP() const { return options_.theLocalIP; }

  // --- Discovery and the inventory ---
  // UDP discovery to the `broadcastip` setting. AlreadyRunning when one runs (nothing sent).
  Discovery::StartResult StartDiscovery();
  // The range walk over `startip`..`endip` of the settings, or of the bounds given.
  RangeWalk::StartResult StartRangeScan();
  RangeWalk::StartResult StartRangeScan(const std::string& startip, const std::string& endip);
  // How far the range walk has got (counts, in flight, time left); its state when none runs.
  WalkProgress RangeScanProgress();
  // Ends the range walk at once (its queries are dropped). Nothing when none runs.
  void StopRangeScan();
  // Re-query of one address (the selected computer's RemoteIP).
  void Requery(const std::string& address);
  // While a discovery runs the window may not close (`canCloseForm` is false).
  bool DiscoveryRunning() const { return discovering_; }
  bool RangeScanRunning() const { return walking_; }
  // Status lookups running now ("Threads: " + count).
  std::size_t LookupsInFlight() const { return inFlight_; }

  // A copy of the inventory (ids are kept, so a ComputerSelection works on it).
  TComputerList Inventory() const;
  std::optional<TComputer> FindComputer(ComputerId id) const;
  // `lvColumnClick`: the new sort key for a click on `column` (from 1), the inventory sorted.
  int SortByColumn(int column);

  // --- Commands, user lists, logs ---
  // Sends `call` to every target at once (at most 20 connections, the `httptimeout` connect
  // time-out), goes on past every failure and reports each computer, then commandFinished.
  // Logs "Get " + the safe URL per computer, then the computer and its outcome ("lock PC1
  // (127.0.0.2): refused: cant lock, not authenticated"). An empty "OK" that may be the address
  // filter's is checked with a "/query" of the same locker before it is reported.
  std::uint64_t SendCommand(const std::vector<CommandTarget>& targets, const CommandCall& call);
  // The same for records of the inventory (ids no longer there are skipped).
  std::uint64_t SendCommand(const std::vector<ComputerId>& ids, const CommandCall& call);
  // "getuserlist" of one locker.
  void GetUserList(const std::string& address, std::function<void(FetchResult<IniDocument>)> done);
  // Saves `list` as the manager's own list (userlist.dat). Refused when it has no Admin, so the
  // manager never loses its last way in; false with the reason when refused or not written.
  EditOutcome PutUserList(const IniDocument& list);
  // The month summary ("listlogs") and one day's log ("getlog").
  void GetLogList(const std::string& address, const CalendarDate& date,
                  std::function<void(FetchResult<std::vector<int>>)> done);
  void GetLog(const std::string& address, const CalendarDate& date,
              std::function<void(FetchResult<std::string>)> done);
  // "listlayouts": the filtered layout lines (empty on failure, which is logged).
  void GetLayoutList(const std::string& address, std::function<void(std::vector<std::string>)> done);

  // `WakeUp1Click`: the status-line text ("Trying to wake-up remote host: " + MAC, or "There was
  // an error"), sent to the `wolip`:`wolport` settings.
  std::string WakeOnLan(const std::string& macText);
  // Starts xfreerdp or remmina on port 3389 of `address` (an argument list, never a shell). Logs
  // the command, or the message when no client is installed or the start failed.
  RemoteDesktopResult RemoteDesktop(const std::string& address, RemoteDesktopMode mode);

  // --- The log panel ---
  void ClearLog();
  void AppendToLastLogLine(std::string_view text);
  std::vector<std::string> LogLines() const;

  // --- Web server ---
  // The bound port; 0 when not running.
  std::uint16_t WebServerPort() const;
  // The event listener's bound port; 0 when not listening.
  std::uint16_t EventPort() const;

  // --- WebManagerPort (also used by the window) ---
  std::vector<TComputer> Computers() override;
  // Blocking: on a client of this call's own, waits for the reply (bounded by the time-outs and
  // by Stop). Safe on any thread except the io thread.
  WebCommandResult SendCommand(const std::string& remoteIP, const std::string& command,
                               const std::string& params) override;
  void StartQuery(const std::string& address) override;
  bool HideUpdate() override;
  void AddToLog(std::string_view text) override;
  void DebugLine(std::string_view text) override;

  struct Impl;

 private:
  // One GET on a client of this call's own, waiting for the result; nullopt once stopping.
  // Throws std::invalid_argument for a call that cannot be built.
  std::optional<HttpLookupResult> BlockingFetch(const std::string& remoteIP, const CommandCall& call);

  ManagerServiceDeps deps_;
  ManagerServiceOptions options_;
  std::unique_ptr<Impl> impl_;
  std::atomic<bool> stopped_{false};
  std::atomic<bool> discovering_{false};
  std::atomic<bool> walking_{false};
  std::atomic<std::size_t> inFlight_{0};
};

}  // namespace brivak::manager::app
