#include "manager/app/Headless.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <ostream>
#include <sstream>
#include <thread>

#include "common/UserList.h"
#include "manager/app/HeadlessLogin.h"
#include "manager/app/ManagerService.h"
#include "manager/app/RegistryOverlay.h"
#include "manager/app/ServiceOptions.h"
#include "manager/core/Login.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LinuxProcesses.h"
#include "platform/linux/LinuxRegistryStore.h"
#include "platform/linux/LinuxSystemInfo.h"

namespace brivak::manager::app {

namespace {

// The write end of the signal pipe; a signal handler can reach nothing else.
std::atomic<int> gSignalPipe{-1};

extern "C" void OnStopSignal(int signal) {
  const int fd = gSignalPipe.load();
  if (fd >= 0) {
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
  }
}

// The headless loop: closures posted from any thread run here in order.
class Loop {
 public:
  void Post(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    changed_.notify_one();
  }
  void Quit() {
    std::lock_guard lock(mutex_);
    quit_ = true;
    changed_.notify_one();
  }
  void Run() {
    for (;;) {
      std::function<void()> task;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return quit_ || !tasks_.empty(); });
        if (quit_) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> tasks_;
  bool quit_ = false;
};

// Reads stdin lines and the signal pipe on a thread of its own; ends when told through its wake
// pipe. Lines and the stop request are posted to the loop.
class InputThread {
 public:
  InputThread(Loop& loop, int signalFd, std::function<void(std::string)> onLine, std::function<void()> onStop)
      : loop_(loop), signalFd_(signalFd), onLine_(std::move(onLine)), onStop_(std::move(onStop)) {
    if (::pipe2(wake_, O_CLOEXEC) != 0) wake_[0] = wake_[1] = -1;
    thread_ = std::thread([this] { Run(); });
  }
  ~InputThread() {
    if (wake_[1] >= 0) {
      const char byte = 0;
      [[maybe_unused]] const ssize_t n = ::write(wake_[1], &byte, 1);
    }
    thread_.join();
    if (wake_[0] >= 0) ::close(wake_[0]);
    if (wake_[1] >= 0) ::close(wake_[1]);
  }

 private:
  void Run() {
    bool stdinOpen = true;
    std::string pending;
    for (;;) {
      pollfd fds[3] = {{wake_[0], POLLIN, 0}, {signalFd_, POLLIN, 0}, {stdinOpen ? 0 : -1, POLLIN, 0}};
      if (::poll(fds, 3, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[0].revents != 0) return;
      if (fds[1].revents != 0) {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(signalFd_, &byte, 1);
        loop_.Post(onStop_);
      }
      if (stdinOpen && fds[2].revents != 0) {
        char buffer[4096];
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n <= 0) {
          if (n < 0 && errno == EINTR) continue;
          stdinOpen = false;  // end of input: the manager keeps running
          continue;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
          std::string line = pending.substr(0, eol);
          pending.erase(0, eol + 1);
          if (!line.empty() && line.back() == '\r') line.pop_back();
          loop_.Post([cb = onLine_, line] { cb(line); });
        }
        if (pending.size() > 65536) pending.clear();
      }
    }
  }

  Loop& loop_;
  const int signalFd_;
  std::function<void(std::string)> onLine_;
  std::function<void()> onStop_;
  int wake_[2] = {-1, -1};
  std::thread thread_;
};

std::optional<CalendarDate> ParseShortDate(const std::string& text) {
  CalendarDate date;
  char slash1 = 0;
  char slash2 = 0;
  std::istringstream in(text);
  if (!(in >> date.month >> slash1 >> date.day >> slash2 >> date.year) || slash1 != '/' || slash2 != '/') return std::nullopt;
  if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > DaysInMonthOf(date.year, date.month))
    return std::nullopt;
  return date;
}

// Writes the computer list to `path` as one replacement (a reader never sees half a list).
void WriteStatusFile(const std::string& path, const std::vector<TComputer>& computers) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    for (const TComputer& c : computers)
      out << c.ComputerName << '\t' << c.RemoteIP << '\t' << c.StatusStr << '\t' << c.CurrentUser << '\n';
    if (!out) return;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
}

// The stdin commands; runs on the loop.
class CommandShell {
 public:
  CommandShell(ManagerService& service, std::ostream& out, Loop& loop) : service_(service), out_(out), loop_(loop) {}

  void Handle(const std::string& line) {
    std::istringstream in(line);
    std::string word;
    if (!(in >> word)) return;
    std::string computer;
    std::string extra;
    in >> computer >> extra;
    if (word == "quit") {
      loop_.Quit();
    } else if (word == "list") {
      for (const TComputer& c : service_.Computers())
        out_ << "COMPUTER " << c.ComputerName << '\t' << c.RemoteIP << '\t' << c.StatusStr << '\t' << c.CurrentUser << '\n';
      out_ << "END LIST" << std::endl;
    } else if (word == "discover") {
      if (service_.StartDiscovery() != Discovery::StartResult::Started) out_ << "DISCOVER REFUSED" << std::endl;
    } else if (word == "scanprogress") {
      out_ << "SCAN " << WalkProgressText(service_.RangeScanProgress()) << std::endl;
    } else if (word == "stopscan") {
      service_.StopRangeScan();
      out_ << "SCAN STOPPED " << WalkProgressText(service_.RangeScanProgress()) << std::endl;
    } else if (word == "scan") {
      const auto result = computer.empty() ? service_.StartRangeScan() : service_.StartRangeScan(computer, extra);
      if (!result.started) out_ << "SCAN REFUSED " << result.error << std::endl;
    } else if (word == "lock" || word == "unlock" || word == "standby" || word == "hibernate" || word == "runupdate") {
      // One or more computers: one RESULT line each, then FINISHED with the counts.
      CommandCall call = word == "lock" ? LockCommand() : word == "unlock" ? UnlockCommand()
                       : word == "standby" ? StandbyCommand() : word == "hibernate" ? HibernateCommand()
                       : RunUpdateScriptCommand(service_.HideUpdate());
      std::vector<CommandTarget> targets;
      for (std::string name = computer; !name.empty(); name.clear(), in >> name) targets.push_back(Target(name));
      if (!extra.empty()) targets.insert(targets.begin() + 1, Target(extra));
      service_.SendCommand(targets, call);
    } else if (word == "userlist") {
      const std::string address = Target(computer).address;
      service_.GetUserList(address, [this, address](const FetchResult<IniDocument>& list) {
        if (!list) {
          out_ << "USERLIST " << address << " FAILED " << list.error() << std::endl;
          return;
        }
        out_ << "USERLIST " << address << " OK";
        for (const std::string& name : list.value().SectionNames()) out_ << ' ' << name;
        out_ << std::endl;
      });
    } else if (word == "loglist" || word == "getlog") {
      const std::string address = Target(computer).address;
      const auto date = ParseShortDate(extra);
      if (!date) {
        out_ << "DATE INVALID " << extra << std::endl;
        return;
      }
      if (word == "loglist") {
        service_.GetLogList(address, *date, [this, address](const FetchResult<std::vector<int>>& days) {
          if (!days) {
            out_ << "LOGLIST " << address << " FAILED " << days.error() << std::endl;
            return;
          }
          out_ << "LOGLIST " << address << " OK";
          for (int day : days.value()) out_ << ' ' << day;
          out_ << std::endl;
        });
      } else {
        service_.GetLog(address, *date, [this, address](const FetchResult<std::string>& log) {
          if (!log) {
            out_ << "GETLOG " << address << " FAILED " << log.error() << std::endl;
            return;
          }
          out_ << "GETLOG " << address << " OK " << LogSizeText(log.value()) << ", " << LogLinesText(log.value()) << '\n';
          std::istringstream lines(log.value());
          for (std::string l; std::getline(lines, l);) out_ << "LOG| " << l << '\n';
          out_ << "END LOG" << std::endl;
        });
      }
    } else if (word == "wake") {
      std::string mac;
      for (const TComputer& c : service_.Computers())
        if (c.ComputerName == computer || c.RemoteIP == computer) mac = c.MACaddress;
      out_ << "WAKE " << service_.WakeOnLan(mac) << std::endl;
    } else {
      out_ << "UNKNOWN COMMAND " << word << std::endl;
    }
  }

 private:
  // A record by name (exact) or address; an unknown text is taken as an address.
  CommandTarget Target(const std::string& text) {
    for (const TComputer& c : service_.Computers())
      if (c.ComputerName == text) return {c.ComputerName, c.RemoteIP};
    return {{}, text};
  }

  ManagerService& service_;
  std::ostream& out_;
  Loop& loop_;
};

}  // namespace

int RunHeadless(const ManagerCommandLine& commandLine, std::ostream& out, std::ostream& err) {
  platform::LinuxPaths paths;
  const std::string programDir = paths.ExecutableDir();
  platform::LinuxFileSystem files;
  const UserList users(files, commandLine.userList.value_or(programDir + "userlist.dat"));

  const LoginRead read = commandLine.loginFile ? ReadLoginFile(*commandLine.loginFile) : PromptLogin(0, err);
  if (!read.pair) {
    err << "brivakmanager: " << read.error << std::endl;
    return 1;
  }
  ManagerLogin login(users);
  if (login.Submit(read.pair->user, read.pair->password) != LoginOutcome::Accepted) {
    err << login.Message() << std::endl;
    return 1;
  }

  std::string configRoot;
  try {
    configRoot = paths.ConfigRoot();
  } catch (const std::exception& e) {
    err << "brivakmanager: " << e.what() << std::endl;
    return 1;
  }
  platform::LinuxRegistryStore stored(files, configRoot + "/brivak/registry.ini");
  RegistryOverlay registry(stored, std::string(kManagerSettingsSection), commandLine.settings);
  platform::LinuxClock clock;
  platform::LinuxProcesses processes;
  platform::LinuxSystemInfo system;

  int signalPipe[2] = {-1, -1};
  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    err << "brivakmanager: cannot create the signal pipe" << std::endl;
    return 1;
  }
  gSignalPipe = signalPipe[1];
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  struct sigaction oldInt {}, oldTerm {}, oldPipe {};
  ::sigaction(SIGINT, &action, &oldInt);
  ::sigaction(SIGTERM, &action, &oldTerm);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &oldPipe);

  Loop loop;
  ManagerObservers observers;
  observers.logChanged = [&out](const LogChange& change) {
    switch (change.kind) {
      case LogChange::Kind::Line: out << change.text << std::endl; break;
      case LogChange::Kind::Append: out << "+" << change.text << std::endl; break;
      case LogChange::Kind::Cleared: out << "(log cleared)" << std::endl; break;
    }
  };
  // "RESULT lock 127.0.0.2 DONE locked", "... REFUSED cant lock, not authenticated", "... FAILED why".
  observers.commandResult = [&out](const CommandReport& r) {
    std::string word(OutcomeWord(r.outcome.outcome));
    for (char& c : word) c = static_cast<char>(c - 'a' + 'A');
    out << "RESULT " << r.command << ' ' << r.target.address << ' ' << word << ' ' << r.outcome.text << std::endl;
  };
  observers.commandFinished = [&out](std::uint64_t, const OutcomeCounts& counts) {
    out << "FINISHED " << CountsText(counts) << std::endl;
  };
  observers.discoveryFinished = [&out](bool complete) {
    out << "DISCOVERY FINISHED " << (complete ? "complete" : "incomplete") << std::endl;
  };
  ManagerService* servicePtr = nullptr;
  if (commandLine.statusFile) {
    // Changes coalesce: one write is queued behind whatever the loop holds, and it writes the
    // list as it is then (a discovery of hundreds of lockers does not rewrite the file each time).
    observers.inventoryChanged = [&servicePtr, &loop, path = *commandLine.statusFile,
                                  queued = std::make_shared<bool>(false)] {
      if (*queued) return;
      *queued = true;
      loop.Post([&servicePtr, path, queued] {
        *queued = false;
        if (servicePtr != nullptr) WriteStatusFile(path, servicePtr->Computers());
      });
    };
  }

  ManagerServiceOptions options = MakeServiceOptions(commandLine, login, system, programDir);

  int code = 0;
  {
    ManagerService service(ManagerServiceDeps{clock, registry, processes, users,
                                              [&loop](std::function<void()> task) { loop.Post(std::move(task)); }, {}},
                           options, observers);
    servicePtr = &service;
    if (commandLine.statusFile) WriteStatusFile(*commandLine.statusFile, {});
    const StartResult started = service.Start();
    if (!started) {
      err << "brivakmanager: " << started.error << std::endl;
      code = 1;
    } else {
      out << "Event listener port " << service.EventPort() << std::endl;
      CommandShell shell(service, out, loop);
      InputThread input(
          loop, signalPipe[0], [&shell](const std::string& line) { shell.Handle(line); }, [&loop] { loop.Quit(); });
      loop.Run();
    }
    service.Stop();
    servicePtr = nullptr;
  }
  out << "Brivak Manager stopped." << std::endl;

  ::sigaction(SIGINT, &oldInt, nullptr);
  ::sigaction(SIGTERM, &oldTerm, nullptr);
  ::sigaction(SIGPIPE, &oldPipe, nullptr);
  gSignalPipe = -1;
  ::close(signalPipe[0]);
  ::close(signalPipe[1]);
  return code;
}

}  // namespace brivak::manager::app
