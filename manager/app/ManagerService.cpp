#include "manager/app/ManagerService.h"

#include <unistd.h>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "common/LogSink.h"
#include "manager/core/LogPanel.h"
#include "manager/core/SortComputers.h"
#include "manager/core/WebTemplates.h"
#include "manager/net/AsioDatagramPort.h"
#include "manager/net/AsioHttpLookup.h"
#include "manager/net/DiscoveryDriver.h"
#include "manager/net/EventListener.h"
#include "manager/net/WebServer.h"

namespace brivak::manager::app {

namespace asio = boost::asio;

namespace {

constexpr std::string_view kReadyText = "Brivak Manager v0.48 ready.";
constexpr std::string_view kClosingText = "The manager is closing.";
constexpr std::size_t kMaxStatusReplyBytes = 64 * 1024;

// True when `program` is an executable file in one of PATH's folders.
bool FoundInPath(std::string_view program) {
  const char* path = std::getenv("PATH");
  if (program.empty() || path == nullptr) return false;
  std::stringstream folders{std::string(path)};
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + std::string(program);
    if (::access(candidate.c_str(), X_OK) == 0) return true;
  }
  return false;
}

// The web templates beside the program when they exist there, else the shipped texts.
class ProgramDirTemplates : public WebTemplateSource {
 public:
  explicit ProgramDirTemplates(std::string dir) : dir_(std::move(dir)) {}
  std::optional<std::string> Read(std::string_view fileName) override {
    if (!dir_.empty()) {
      std::ifstream in(dir_ + std::string(fileName), std::ios::binary);
      if (in) {
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
      }
    }
    std::string text = DefaultTemplateText(fileName);
    if (text.empty()) return std::nullopt;
    return text;
  }

 private:
  const std::string dir_;
};

// "PC1 (127.0.0.2)", or the address alone.
std::string TargetText(const CommandTarget& target) {
  return target.computerName.empty() ? target.address : target.computerName + " (" + target.address + ")";
}


}  // namespace

struct ManagerService::Impl : StatusReplySink, DiscoveryListener, LogSink {
  explicit Impl(ManagerService& o) : owner(o), refreshTimer(io), templates(o.options_.programDir) {}

  // --- Posting to the observer's thread ---
  template <typename F>
  void Notify(F f) {
    if (!owner.deps_.post) return;
    auto flag = alive;
    owner.deps_.post([flag, f = std::move(f)]() mutable {
      if (flag->load()) f();
    });
  }

  // Runs `work` on the io thread and waits for it; `fallback` when the io thread is gone.
  template <typename T, typename F>
  T RunOnIo(F task, T fallback) {
    if (std::this_thread::get_id() == ioThreadId) return task();
    struct Waiter {
      std::optional<T> result;
    };
    auto waiter = std::make_shared<Waiter>();
    {
      std::lock_guard lock(ioMutex);
      if (ioGone) return fallback;
    }
    asio::post(io, [this, waiter, task = std::move(task)]() mutable {
      T value = task();
      std::lock_guard lock(ioMutex);
      waiter->result = std::move(value);
      ioCv.notify_all();
    });
    std::unique_lock lock(ioMutex);
    ioCv.wait(lock, [&] { return waiter->result.has_value() || ioGone; });
    return waiter->result ? std::move(*waiter->result) : fallback;
  }

  // --- LogSink for the core state machines (io thread) ---
  void WriteLog(std::string_view text) override { AddLine(text); }
  void Mem(std::string_view text) override { AddLine(text); }
  void LastMem(std::string_view text) override { Append(text); }
  void Debug(std::string_view) override {}

  void AddLine(std::string_view text) { Write(LogChange::Kind::Line, text, [&](LogPanel& p) { p.AddToLog(text); }); }
  void AddDebug(std::string_view text) {
    Write(LogChange::Kind::Line, ":" + std::string(text), [&](LogPanel& p) { p.DebugLine(text); });
  }
  void Append(std::string_view text) {
    Write(LogChange::Kind::Append, text, [&](LogPanel& p) { p.AppendToLastLogLine(text); });
  }
  template <typename Change>
  void Write(LogChange::Kind kind, std::string_view text, Change change) {
    LogChange what{kind, std::string(text)};
    {
      std::lock_guard lock(logMutex);
      const int before = panel.Overflows();
      change(panel);
      if (panel.Overflows() != before) what = LogChange{LogChange::Kind::Cleared, {}};
      // Posted under the lock, so observers see the changes in the panel's order.
      if (observers.logChanged) Notify([obs = observers.logChanged, what] { obs(what); });
    }
  }

  // --- StatusReplySink, DiscoveryListener (io thread) ---
  void StatusReply(const std::string& address, const std::string& reply) override {
    ApplyResult applied;
    std::optional<TComputer> record;
    {
      std::lock_guard lock(inventoryMutex);
      applied = inventory.ResponseToLV(reply, address);
      if (applied.outcome != ReplyOutcome::Rejected && observers.computerUpdated) record = *inventory.Row(applied.index);
    }
    if (applied.outcome == ReplyOutcome::Rejected) {
      AddLine("IP address " + address + " sent a reply that cannot be used: " + applied.error);
      return;
    }
    if (record) {
      Notify([obs = observers.computerUpdated, r = std::move(*record)] { obs(r); });
      return;
    }
    InventoryChanged();
  }
  void RemoveUnanswered(const std::vector<std::string>& answered) override {
    std::vector<ComputerId> removed;
    {
      std::lock_guard lock(inventoryMutex);
      removed = inventory.RemoveSilent(answered);
    }
    if (!removed.empty()) InventoryChanged();
  }
  void DiscoveryFinished(bool complete) override {
    owner.discovering_ = false;
    if (observers.discoveryFinished) Notify([obs = observers.discoveryFinished, complete] { obs(complete); });
  }
  void InventoryChanged() {
    if (observers.inventoryChanged) Notify([obs = observers.inventoryChanged] { obs(); });
  }
  void UpdateInFlight() {
    if (driver) owner.inFlight_ = driver->Lookups().InFlight();
  }

  // --- Settings ---
  TmanagerSettings CurrentSettings() const {
    std::lock_guard lock(settingsMutex);
    return stored.settings;
  }
  // A locker answers "/query" in milliseconds once connected: a status query waits for its reply
  // no longer than for its connection (`scantimeout`), so lockers that accept and never answer
  // hold the 20 slots for seconds, not for the whole read time-out of commands.
  LookupTimeouts StatusTimeouts(const TmanagerSettings& s) const {
    const std::chrono::milliseconds connect(std::max(1, s.scantimeout));
    return {connect, std::min(connect, owner.options_.readTimeout)};
  }

  // Io thread: the refresh timer follows the settings.
  void ArmRefresh() {
    refreshTimer.cancel();
    const TmanagerSettings s = CurrentSettings();
    if (!s.autorefresh || owner.stopped_) return;
    refreshTimer.expires_after(std::chrono::milliseconds(std::max(10, s.refreshtime)));
    refreshTimer.async_wait([this](const boost::system::error_code& ec) {
      if (ec || owner.stopped_) return;
      StartDiscoveryOnIo();
      ArmRefresh();
    });
  }

  Discovery::StartResult StartDiscoveryOnIo() {
    if (!driver || owner.stopped_) return Discovery::StartResult::SendFailed;
    const TmanagerSettings s = CurrentSettings();
    driver->Lookups().SetTimeouts(StatusTimeouts(s));
    DiscoverySettings ds;
    ds.broadcastAddress = s.broadcastip;
    ds.ownAddress = owner.options_.theLocalIP;
    ds.listenWindow = std::chrono::milliseconds(std::max(1, s.udptimeout));
    ds.maxDuration = owner.options_.discoveryMaxDuration;
    const auto result = driver->StartDiscovery(ds);
    owner.discovering_ = driver->CurrentDiscovery().Running();
    UpdateInFlight();
    return result;
  }

  void ApplyWebServer(const TmanagerSettings& s) {
    std::lock_guard lock(webMutex);
    if (owner.stopped_) return;
    if (!s.enablewebserver) {
      if (web) {
        web->Stop();
        retiredWeb.push_back(std::move(web));  // its handlers may still run: destroyed at Stop
        AddLine("Web server stopped.");
        if (observers.webServerChanged) Notify([obs = observers.webServerChanged] { obs(0, {}); });
      }
      return;
    }
    if (web) return;  // a running server keeps its port
    if (!webInterface) {
      webInterface = std::make_unique<WebInterface>(owner, templates, UserListCredentialCheck(owner.deps_.users),
                                                    WebLocalIdentity{owner.options_.theLocalIP, owner.options_.computerName});
    }
    net::WebServerOptions wo;
    wo.onStatus = [this](std::string_view text) { AddLine(text); };
    auto server = std::make_unique<net::WebServer>(
        io, [this](const WebRequest& request) { return webInterface->Handle(request); }, wo);
    const StartResult started = server->Start(static_cast<std::uint16_t>(s.webserverport), owner.options_.bindAddress);
    if (!started) {
      AddLine("Web server could not start: " + started.error);
      if (observers.webServerChanged) Notify([obs = observers.webServerChanged, e = started.error] { obs(0, e); });
      retiredWeb.push_back(std::move(server));
      return;
    }
    const std::uint16_t port = server->LocalPort();
    web = std::move(server);
    AddLine("Web server listening on port " + std::to_string(port) + ".");
    if (observers.webServerChanged) Notify([obs = observers.webServerChanged, port] { obs(port, {}); });
  }

  // --- Requests through the command client ---
  // Starts one GET; `onIo` runs on the io thread with the result (not after Stop).
  void Fetch(const std::string& address, const CommandCall& call, std::chrono::milliseconds connectTimeout,
             std::function<void(const HttpLookupResult&)> onIo) {
    HttpLookupRequest request;
    request.host = address;
    request.port = owner.options_.lockerPort;
    request.connectTimeout = connectTimeout;
    request.readTimeout = owner.options_.readTimeout;
    HttpLookupResult failure;
    try {
      request.target = MakeCommandTarget(call, owner.options_.credentials);
    } catch (const std::exception& e) {
      failure.error = e.what();
    }
    std::uint64_t id = 0;
    {
      std::lock_guard lock(pendingMutex);
      if (owner.stopped_ || !commandHttp) return;
      id = nextLookupId++;
      pending[id] = std::move(onIo);
    }
    if (!failure.error.empty()) {  // delivered later on the io thread, like any result
      asio::post(io, [this, id, failure] { Deliver(id, failure); });
      return;
    }
    commandHttp->Start(id, request);
  }
  void Deliver(std::uint64_t id, const HttpLookupResult& result) {
    std::function<void(const HttpLookupResult&)> handler;
    {
      std::lock_guard lock(pendingMutex);
      const auto it = pending.find(id);
      if (it == pending.end() || owner.stopped_) return;
      handler = std::move(it->second);
      pending.erase(it);
    }
    handler(result);
  }
  // A Fetch whose reply is classified for `call.command`, with the address-filter check by
  // "/query" when the reply is an empty "OK" that an allowed request may also get.
  void FetchClassified(const std::string& address, const CommandCall& call, std::chrono::milliseconds connectTimeout,
                       std::function<void(const CommandOutcome&, const HttpLookupResult&)> onIo) {
    Fetch(address, call, connectTimeout, [this, address, command = call.command, connectTimeout,
                                          onIo](const HttpLookupResult& result) {
      const CommandOutcome outcome = ClassifyReply(command, result, address);
      if (!outcome.needsAddressProbe) {
        onIo(outcome, result);
        return;
      }
      Fetch(address, QueryCommand(), connectTimeout, [command, outcome, result, onIo](const HttpLookupResult& probe) {
        onIo(ResolveWithProbe(command, outcome, probe), result);
      });
    });
  }
  std::chrono::milliseconds HttpTimeout() const {
    return std::chrono::milliseconds(std::max(1, CurrentSettings().httptimeout));
  }

  ManagerService& owner;
  ManagerObservers observers;
  std::shared_ptr<std::atomic<bool>> alive = std::make_shared<std::atomic<bool>>(true);

  asio::io_context io;
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work;
  std::thread thread;
  std::thread::id ioThreadId;
  std::mutex ioMutex;
  std::condition_variable ioCv;
  bool ioGone = false;

  mutable std::mutex inventoryMutex;
  TComputerList inventory;
  mutable std::mutex logMutex;
  LogPanel panel;
  mutable std::mutex settingsMutex;
  StoredManagerSettings stored;

  std::unique_ptr<net::AsioHttpLookup> statusHttp;
  // Guards the pointers `udp` and `events` (set by Start, taken away by Stop) for the calls of
  // other threads (WakeOnLan, EventPort); their use on the io thread needs no lock.
  mutable std::mutex endpointsMutex;
  std::unique_ptr<net::AsioDatagramPort> udp;
  std::unique_ptr<net::DiscoveryDriver> driver;
  std::unique_ptr<net::EventListener> events;
  std::unique_ptr<net::AsioHttpLookup> commandHttp;
  std::mutex pendingMutex;
  std::map<std::uint64_t, std::function<void(const HttpLookupResult&)>> pending;
  std::uint64_t nextLookupId = 1;
  std::atomic<std::uint64_t> nextRequestId{1};
  asio::steady_timer refreshTimer;

  std::mutex webMutex;
  ProgramDirTemplates templates;
  std::unique_ptr<WebInterface> webInterface;
  std::unique_ptr<net::WebServer> web;
  std::vector<std::unique_ptr<net::WebServer>> retiredWeb;

  // The private io_contexts of blocking sends (WebManagerPort::SendCommand), stopped by Stop.
  std::mutex blockingMutex;
  std::set<asio::io_context*> blocking;
};

ManagerService::ManagerService(ManagerServiceDeps deps, ManagerServiceOptions options, ManagerObservers observers)
    : deps_(std::move(deps)), options_(std::move(options)), impl_(std::make_unique<Impl>(*this)) {
  impl_->observers = std::move(observers);
  if (!deps_.isInstalled) deps_.isInstalled = FoundInPath;
}

ManagerService::~ManagerService() { Stop(); }

StartResult ManagerService::Start() {
  Impl& m = *impl_;
  {
    std::lock_guard lock(m.settingsMutex);
    m.stored = LoadSettings(deps_.registry);
  }
  {
    std::lock_guard lock(m.endpointsMutex);
    m.udp = std::make_unique<net::AsioDatagramPort>(
        m.io,
        [&m](const std::string& sender, std::uint16_t, std::string_view bytes) {
          if (m.driver) m.driver->OnDatagram(sender, bytes);
        },
        net::DatagramPortOptions{options_.bindAddress, 0, true});
  }
  if (StartResult opened = m.udp->Open(); !opened) return StartResult::Failed("Discovery socket: " + opened.error);

  net::HttpLookupOptions statusOptions;
  statusOptions.defaultReadTimeout = options_.readTimeout;
  // A status record is a few kilobytes: a locker that sends more fails, so memory per locker stays
  // bounded however many lockers answer.
  statusOptions.maxReplyBytes = kMaxStatusReplyBytes;
  m.statusHttp = std::make_unique<net::AsioHttpLookup>(
      m.io,
      [this, &m](std::uint64_t id, const HttpLookupResult& result) {
        if (!m.driver || stopped_) return;
        m.driver->OnLookupDone(id, result);
        m.UpdateInFlight();
      },
      statusOptions);
  net::HttpLookupOptions commandOptions;
  commandOptions.defaultReadTimeout = options_.readTimeout;
  m.commandHttp = std::make_unique<net::AsioHttpLookup>(
      m.io, [&m](std::uint64_t id, const HttpLookupResult& result) { m.Deliver(id, result); }, commandOptions);

  net::DiscoveryDriverOptions driverOptions;
  driverOptions.walkFinished = [this, &m] {
    walking_ = false;
    if (m.observers.rangeScanFinished) m.Notify([obs = m.observers.rangeScanFinished] { obs(); });
  };
  m.driver = std::make_unique<net::DiscoveryDriver>(m.io, *m.statusHttp, *m.udp, deps_.clock, m, m, m,
                                                    driverOptions);
  m.driver->Lookups().SetCredentials(options_.credentials);
  m.driver->Lookups().SetPort(options_.statusPort);
  m.driver->Lookups().SetTimeouts(m.StatusTimeouts(Settings()));

  if (options_.listenForEvents) {
    auto events = std::make_unique<net::EventListener>(
        m.io, options_.eventPort,
        [&m](std::string_view bytes, const std::string& sender, std::uint16_t port) {
          const std::string line = EventDatagramLine(bytes, sender, port);
          m.AddLine(line);
          if (m.observers.eventReceived) m.Notify([obs = m.observers.eventReceived, line] { obs(line); });
        },
        options_.bindAddress);
    std::lock_guard lock(m.endpointsMutex);
    m.events = std::move(events);
    if (StartResult started = m.events->Start(); !started)
      m.AddLine("Event listener on port " + std::to_string(options_.eventPort) + " failed: " + started.error);
  }

  m.work.emplace(asio::make_work_guard(m.io));
  m.thread = std::thread([&m] {
    m.io.run();
  });
  m.ioThreadId = m.thread.get_id();

  ApplySettings(Settings());
  m.AddLine(kReadyText);
  if (options_.discoverOnStart) StartDiscovery();
  return StartResult::Ok();
}

void ManagerService::Stop() {
  if (stopped_.exchange(true)) return;
  Impl& m = *impl_;
  m.alive->store(false);
  // Requests that would wait for a locker are closed first, so no handler keeps waiting.
  {
    std::lock_guard lock(m.blockingMutex);
    for (asio::io_context* io : m.blocking) io->stop();
  }
  {
    std::lock_guard lock(m.webMutex);
    if (m.web) m.web->Stop();
    for (auto& retired : m.retiredWeb) retired->Stop();
  }
  if (m.statusHttp) m.statusHttp->Shutdown();
  if (m.commandHttp) m.commandHttp->Shutdown();
  if (m.events) m.events->Stop();
  if (m.udp) m.udp->Close();
  {
    std::lock_guard lock(m.pendingMutex);
    m.pending.clear();
  }
  if (m.thread.joinable()) {
    m.RunOnIo<bool>(
        [&m] {
          if (m.driver) m.driver->Stop();
          m.refreshTimer.cancel();
          return true;
        },
        false);
    m.work.reset();
    m.io.stop();
    m.thread.join();
  }
  {
    std::lock_guard lock(m.ioMutex);
    m.ioGone = true;
    m.ioCv.notify_all();
  }
  // No thread runs the io_context now: the driver may go (the HTTP client delivers nothing more).
  m.driver.reset();
  m.statusHttp.reset();
  m.commandHttp.reset();
  {
    // WakeOnLan and EventPort may be called on other threads meanwhile: they see the endpoints or
    // nothing, never one being destroyed.
    std::unique_ptr<net::EventListener> events;
    std::unique_ptr<net::AsioDatagramPort> udp;
    {
      std::lock_guard lock(m.endpointsMutex);
      events = std::move(m.events);
      udp = std::move(m.udp);
    }
  }
  // Web servers wait for their running handlers, which no longer wait for anything.
  std::unique_ptr<net::WebServer> web;
  std::vector<std::unique_ptr<net::WebServer>> retired;
  {
    std::lock_guard lock(m.webMutex);
    web = std::move(m.web);
    retired = std::move(m.retiredWeb);
  }
  web.reset();
  retired.clear();
  discovering_ = false;
  walking_ = false;
  inFlight_ = 0;
}

// --- Settings ---

TmanagerSettings ManagerService::Settings() const { return impl_->CurrentSettings(); }

int ManagerService::LastCol() const {
  std::lock_guard lock(impl_->settingsMutex);
  return impl_->stored.lastCol;
}

void ManagerService::ApplySettings(const TmanagerSettings& settings) {
  Impl& m = *impl_;
  {
    std::lock_guard lock(m.settingsMutex);
    m.stored.settings = settings;
  }
  if (stopped_) return;
  asio::post(m.io, [&m] {
    if (m.driver) m.driver->Lookups().SetTimeouts(m.StatusTimeouts(m.CurrentSettings()));
    m.ArmRefresh();
  });
  m.ApplyWebServer(settings);
}

bool ManagerService::SaveAndApply(const TmanagerSettings& settings, std::string_view webserverportText) {
  try {
    manager::SaveSettings(deps_.registry, settings, LastCol(), webserverportText);
  } catch (const std::exception& e) {
    impl_->AddLine(std::string("Settings could not be saved: ") + e.what());
    return false;
  }
  const StoredManagerSettings loaded = LoadSettings(deps_.registry);
  {
    std::lock_guard lock(impl_->settingsMutex);
    impl_->stored.lastCol = loaded.lastCol;
  }
  ApplySettings(loaded.settings);
  impl_->AddLine("Settings saved.");
  return true;
}

bool ManagerService::SaveSettings() {
  StoredManagerSettings values;
  {
    std::lock_guard lock(impl_->settingsMutex);
    values = impl_->stored;
  }
  try {
    manager::SaveSettings(deps_.registry, values);
    return true;
  } catch (const std::exception& e) {
    impl_->AddLine(std::string("Settings could not be saved: ") + e.what());
    return false;
  }
}

void ManagerService::SetAutoRefresh(bool on, std::optional<int> refreshtimeMs) {
  Impl& m = *impl_;
  {
    std::lock_guard lock(m.settingsMutex);
    m.stored.settings.autorefresh = on;
    if (refreshtimeMs) m.stored.settings.refreshtime = *refreshtimeMs;
  }
  if (!stopped_) asio::post(m.io, [&m] { m.ArmRefresh(); });
}

// --- Discovery and the inventory ---

Discovery::StartResult ManagerService::StartDiscovery() {
  if (stopped_) return Discovery::StartResult::SendFailed;
  Impl& m = *impl_;
  return m.RunOnIo<Discovery::StartResult>([&m] { return m.StartDiscoveryOnIo(); },
                                           Discovery::StartResult::SendFailed);
}

RangeWalk::StartResult ManagerService::StartRangeScan() {
  const TmanagerSettings s = Settings();
  return StartRangeScan(s.startip, s.endip);
}

RangeWalk::StartResult ManagerService::StartRangeScan(const std::string& startip, const std::string& endip) {
  RangeWalk::StartResult refused;
  refused.error = std::string(kClosingText);
  if (stopped_) return refused;
  Impl& m = *impl_;
  return m.RunOnIo<RangeWalk::StartResult>(
      [this, &m, startip, endip] {
        if (!m.driver || stopped_) return RangeWalk::StartResult{false, std::string(kClosingText), {}};
        m.driver->Lookups().SetTimeouts(m.StatusTimeouts(m.CurrentSettings()));
        RangeWalkSettings ws;
        ws.startAddress = startip;
        ws.endAddress = endip;
        auto result = m.driver->StartWalk(ws);
        walking_ = m.driver->Walk().Running();  // a walk may also end inside StartWalk
        m.UpdateInFlight();
        return result;
      },
      refused);
}

WalkProgress ManagerService::RangeScanProgress() {
  if (stopped_) return {};
  Impl& m = *impl_;
  return m.RunOnIo<WalkProgress>([&m] { return m.driver ? m.driver->Walk().Progress() : WalkProgress{}; }, {});
}

void ManagerService::StopRangeScan() {
  if (stopped_) return;
  Impl& m = *impl_;
  m.RunOnIo<bool>(
      [this, &m] {
        if (m.driver) m.driver->StopWalk();
        walking_ = false;
        m.UpdateInFlight();
        return true;
      },
      false);
}

void ManagerService::Requery(const std::string& address) {
  if (stopped_) return;
  Impl& m = *impl_;
  asio::post(m.io, [this, &m, address] {
    if (!m.driver || stopped_) return;
    m.driver->Query(address);
    m.UpdateInFlight();
  });
}

TComputerList ManagerService::Inventory() const {
  std::lock_guard lock(impl_->inventoryMutex);
  return impl_->inventory;
}

std::optional<TComputer> ManagerService::FindComputer(ComputerId id) const {
  std::lock_guard lock(impl_->inventoryMutex);
  const TComputer* found = impl_->inventory.Find(id);
  if (found == nullptr) return std::nullopt;
  return *found;
}

int ManagerService::SortByColumn(int column) {
  Impl& m = *impl_;
  int key = 0;
  {
    std::lock_guard lock(m.settingsMutex);
    m.stored.lastCol = NextSortKey(m.stored.lastCol, column);
    key = m.stored.lastCol;
  }
  bool sorted = false;
  {
    std::lock_guard lock(m.inventoryMutex);
    sorted = DoSort(m.inventory, key);
  }
  if (sorted) m.InventoryChanged();
  return key;
}

// --- Commands, user lists, logs ---

std::uint64_t ManagerService::SendCommand(const std::vector<CommandTarget>& targets, const CommandCall& call) {
  Impl& m = *impl_;
  const std::uint64_t requestId = m.nextRequestId++;
  struct Group {
    std::mutex mutex;
    std::size_t remaining = 0;
    OutcomeCounts counts;
  };
  auto group = std::make_shared<Group>();
  group->remaining = targets.size();
  auto finishOne = [&m, group, requestId](const CommandReport& report) {
    m.AddLine(report.command + " " + TargetText(report.target) + ": " + OutcomeLine(report.outcome));
    if (m.observers.commandResult) m.Notify([obs = m.observers.commandResult, report] { obs(report); });
    std::lock_guard lock(group->mutex);
    group->counts.Add(report.outcome.outcome);
    if (--group->remaining == 0 && m.observers.commandFinished)
      m.Notify([obs = m.observers.commandFinished, requestId, counts = group->counts] { obs(requestId, counts); });
  };
  if (targets.empty() && m.observers.commandFinished)
    m.Notify([obs = m.observers.commandFinished, requestId] { obs(requestId, OutcomeCounts{}); });
  for (const CommandTarget& target : targets) {
    CommandReport base;
    base.requestId = requestId;
    base.target = target;
    base.command = call.command;
    base.outcome.outcome = Outcome::Failed;
    try {
      m.AddLine("Get " + MakeSafeURL(target.address, call, options_.credentials));
    } catch (const std::exception& e) {
      base.outcome.text = std::string(e.what()) + " (" + target.address + ")";
      finishOne(base);
      continue;
    }
    if (stopped_) {
      base.outcome.text = std::string(kClosingText);
      finishOne(base);
      continue;
    }
    m.FetchClassified(target.address, call, m.HttpTimeout(),
                      [base, finishOne](const CommandOutcome& outcome, const HttpLookupResult& result) {
                        CommandReport report = base;
                        report.status = result.status;
                        report.reply = result.body;
                        report.outcome = outcome;
                        report.ok = outcome.outcome == Outcome::Done;
                        finishOne(report);
                      });
  }
  return requestId;
}

std::uint64_t ManagerService::SendCommand(const std::vector<ComputerId>& ids, const CommandCall& call) {
  std::vector<CommandTarget> targets;
  {
    std::lock_guard lock(impl_->inventoryMutex);
    for (ComputerId id : ids) {
      if (const TComputer* c = impl_->inventory.Find(id)) targets.push_back({c->ComputerName, c->RemoteIP});
    }
  }
  return SendCommand(targets, call);
}

void ManagerService::GetUserList(const std::string& address, std::function<void(FetchResult<IniDocument>)> done) {
  Impl& m = *impl_;
  m.AddLine("GET " + MakeSafeURL(address, GetUserListCommand(), options_.credentials));
  m.Fetch(address, GetUserListCommand(), m.HttpTimeout(), [&m, address, done](const HttpLookupResult& result) {
    const CommandOutcome outcome = ClassifyReply("getuserlist", result, address);
    auto parsed = outcome.outcome == Outcome::Refused ? FetchResult<IniDocument>::Fail(OutcomeLine(outcome))
                                                      : ParseUserListReply(result);
    if (!parsed) m.AddLine(parsed.error());
    if (done) m.Notify([done, parsed] { done(parsed); });
  });
}

EditOutcome ManagerService::PutUserList(const IniDocument& list) {
  std::vector<UserRow> rows;
  for (const std::string& name : list.SectionNames()) {
    rows.push_back({name, list.ReadString(name, "Password", ""),
                    IntToPermissions(list.ReadInteger(name, "Permissions", kLevelNone))});
  }
  if (!HasOneAdmin(rows)) return {false, "The list must keep at least one Admin user."};
  try {
    FileUserListStore(deps_.users.Files(), deps_.users.Path()).Save(list);
  } catch (const std::exception& e) {
    return {false, e.what()};
  }
  return {};
}

void ManagerService::GetLogList(const std::string& address, const CalendarDate& date,
                                std::function<void(FetchResult<std::vector<int>>)> done) {
  Impl& m = *impl_;
  const CommandCall call = ListLogsCommand(date);
  m.AddLine("Get " + MakeSafeURL(address, call, options_.credentials));
  m.Fetch(address, call, m.HttpTimeout(), [&m, address, done](const HttpLookupResult& result) {
    m.AddLine("RESPONSE: " + result.body);
    const CommandOutcome outcome = ClassifyReply("listlogs", result, address);
    auto parsed = outcome.outcome == Outcome::Refused ? FetchResult<std::vector<int>>::Fail(OutcomeLine(outcome))
                                                      : ParseLogListReply(result);
    if (done) m.Notify([done, parsed] { done(parsed); });
  });
}

void ManagerService::GetLog(const std::string& address, const CalendarDate& date,
                            std::function<void(FetchResult<std::string>)> done) {
  Impl& m = *impl_;
  const CommandCall call = GetLogCommand(date);
  m.AddLine("Fetching log file... (calendar click)");
  m.AddLine("GET " + MakeSafeURL(address, call, options_.credentials));
  m.FetchClassified(address, call, m.HttpTimeout(), [&m, done](const CommandOutcome& outcome, const HttpLookupResult& result) {
    FetchResult<std::string> fetched = outcome.outcome == Outcome::Done
                                           ? FetchResult<std::string>::Ok(ExtractLogText(result.body))
                                           : FetchResult<std::string>::Fail(OutcomeLine(outcome));
    if (!fetched) m.AddLine(fetched.error());
    if (done) m.Notify([done, fetched] { done(fetched); });
  });
}

void ManagerService::GetLayoutList(const std::string& address, std::function<void(std::vector<std::string>)> done) {
  Impl& m = *impl_;
  m.AddLine("Querying layouts...");
  m.AddLine("GET " + MakeSafeURL(address, ListLayoutsCommand(), options_.credentials));
  m.Fetch(address, ListLayoutsCommand(), std::chrono::milliseconds(4000), [&m, done](const HttpLookupResult& result) {
    std::vector<std::string> lines;
    if (result.outcome == HttpLookupResult::Outcome::ConnectTimeout) {
      m.AddLine("Connection timed out.");
    } else if (const CommandOutcome outcome = ClassifyReply("listlayouts", result); outcome.outcome != Outcome::Done) {
      m.AddLine(result.body.empty() ? OutcomeLine(outcome) : result.body);
    } else {
      lines = ParseLayoutList(result.body);
    }
    m.AddLine("Layouts returned: " + std::to_string(lines.size()));
    if (done) m.Notify([done, lines] { done(lines); });
  });
}

std::string ManagerService::WakeOnLan(const std::string& macText) {
  const TmanagerSettings s = Settings();
  std::lock_guard lock(impl_->endpointsMutex);
  if (stopped_ || !impl_->udp) return "There was an error";
  return WakeUp(*impl_->udp, macText, WakeOnLanTarget{s.wolip, s.wolport});
}

RemoteDesktopResult ManagerService::RemoteDesktop(const std::string& address, RemoteDesktopMode mode) {
  RemoteDesktopResult result;
  const RemoteDesktopLaunch launch = RemoteDesktopCommand(address, mode, deps_.isInstalled);
  result.argv = launch.argv;
  if (launch.argv.empty()) {
    result.message = launch.error;
    impl_->AddLine(result.message);
    return result;
  }
  std::string line;
  for (const std::string& arg : launch.argv) line += (line.empty() ? "" : " ") + arg;
  impl_->AddLine(line);
  result.started = deps_.processes.Start(launch.argv, "");
  if (!result.started) {
    result.message = "Could not start " + launch.argv.front() + ".";
    impl_->AddLine(result.message);
  }
  return result;
}

// --- The log panel ---

void ManagerService::ClearLog() {
  Impl& m = *impl_;
  std::lock_guard lock(m.logMutex);
  m.panel.Clear();
  if (m.observers.logChanged) m.Notify([obs = m.observers.logChanged] { obs(LogChange{LogChange::Kind::Cleared, {}}); });
}

void ManagerService::AppendToLastLogLine(std::string_view text) { impl_->Append(text); }

std::vector<std::string> ManagerService::LogLines() const {
  std::lock_guard lock(impl_->logMutex);
  return impl_->panel.Lines();
}

std::uint16_t ManagerService::WebServerPort() const {
  std::lock_guard lock(impl_->webMutex);
  return impl_->web ? impl_->web->LocalPort() : 0;
}

std::uint16_t ManagerService::EventPort() const {
  std::lock_guard lock(impl_->endpointsMutex);
  return impl_->events ? impl_->events->LocalPort() : 0;
}

// --- WebManagerPort ---

std::vector<TComputer> ManagerService::Computers() {
  std::lock_guard lock(impl_->inventoryMutex);
  return impl_->inventory.Items();
}

std::optional<HttpLookupResult> ManagerService::BlockingFetch(const std::string& remoteIP, const CommandCall& call) {
  Impl& m = *impl_;
  HttpLookupRequest request;
  request.host = remoteIP;
  request.port = options_.lockerPort;
  request.connectTimeout = m.HttpTimeout();
  request.readTimeout = options_.readTimeout;
  request.target = MakeCommandTarget(call, options_.credentials);
  // A client of this call's own on a private io_context run by this thread: nothing is shared
  // with other requests, and Stop ends the wait by stopping that io_context.
  asio::io_context io;
  std::optional<HttpLookupResult> result;
  {
    net::AsioHttpLookup http(io, [&result](std::uint64_t, const HttpLookupResult& r) { result = r; });
    {
      std::lock_guard lock(m.blockingMutex);
      if (stopped_) return std::nullopt;
      m.blocking.insert(&io);
    }
    http.Start(1, request);
    io.run();
    std::lock_guard lock(m.blockingMutex);
    m.blocking.erase(&io);
  }
  return result;
}

WebCommandResult ManagerService::SendCommand(const std::string& remoteIP, const std::string& command,
                                             const std::string& params) {
  Impl& m = *impl_;
  CommandCall call;
  call.command = command;
  call.params = params;
  std::optional<HttpLookupResult> result;
  try {
    m.AddLine("Get " + MakeSafeURL(remoteIP, call, options_.credentials));
    result = BlockingFetch(remoteIP, call);
  } catch (const std::exception& e) {
    return {Outcome::Failed, e.what()};
  }
  if (!result) return {Outcome::Failed, std::string(kClosingText)};
  CommandOutcome outcome = ClassifyReply(command, *result, remoteIP);
  if (outcome.needsAddressProbe) {
    const std::optional<HttpLookupResult> probe = BlockingFetch(remoteIP, QueryCommand());
    if (!probe) return {Outcome::Failed, std::string(kClosingText)};
    outcome = ResolveWithProbe(command, outcome, *probe);
  }
  m.AddLine(command + " " + remoteIP + ": " + OutcomeLine(outcome));
  return {outcome.outcome, outcome.text};
}

void ManagerService::StartQuery(const std::string& address) { Requery(address); }

bool ManagerService::HideUpdate() { return Settings().hideupdate; }

void ManagerService::AddToLog(std::string_view text) { impl_->AddLine(text); }

void ManagerService::DebugLine(std::string_view text) { impl_->AddDebug(text); }

}  // namespace brivak::manager::app
