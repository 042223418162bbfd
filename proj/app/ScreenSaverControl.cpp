#include "proj/app/ScreenSaverControl.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace brivak::app {

namespace fs = std::filesystem;

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool IsExecutableFile(const fs::path& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

ScreenSaverControl::ScreenSaverControl(ScreenSaverPorts ports) : ports_(std::move(ports)) {}

ScreenSaverControl::~ScreenSaverControl() { ports_.display.Stop(); }

int ScreenSaverControl::GetScreenSavers() {
  std::vector<std::pair<std::string, std::string>> found;
  found.emplace_back(core::kBlankSaverName, ports_.SysDir + "/" + core::kBlankSaverFile);
  for (const auto& folder : ports_.hackFolders) {
    ports_.log.Mem("Searching " + folder + "...");
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      if (IsExecutableFile(it->path()) && core::IsHackFileName(it->path().filename().string())) {
        files.push_back(it->path());
      }
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      const std::string name = file.filename().string();
      const std::string label = core::XmlSaverLabel(ReadText(ports_.configFolder + "/" + name + ".xml"));
      found.emplace_back(core::SaverDisplayName(name, label), file.string());
    }
  }
  const std::string text = core::AddToScreenSaverList(ReadText(DatPath()), found);
  const std::string temp = DatPath() + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) {
      ports_.log.Mem("EX: cannot write " + DatPath());
      return 0;
    }
  }
  std::error_code ec;
  fs::rename(temp, DatPath(), ec);
  if (ec) ports_.log.Mem("EX: cannot write " + DatPath() + ": " + ec.message());
  ports_.log.Mem("Found " + std::to_string(found.size()));
  ports_.log.Mem("Search complete");
  return static_cast<int>(found.size());
}

std::vector<core::SaverMenuEntry> ScreenSaverControl::MenuEntries() const {
  return core::ScreenSaversIntoMenu(ReadText(DatPath()));
}

void ScreenSaverControl::LockStarted(const core::ScreenSaverSettings& settings, std::function<void()> focusBox) {
  settings_ = settings;
  focusBox_ = std::move(focusBox);
  locked_ = true;
  CurrentScreenSaver_.clear();
  WasScreenSaverRunningLastTick_ = false;
  const std::uint64_t generation = ++generation_;
  std::error_code ec;
  if (!fs::exists(DatPath(), ec)) GetScreenSavers();
  if (settings_.loadSaverOnStartup) {
    ports_.loop.PostAfter(kLoadSaverDelay, [this, generation] { loadSaverTimerTimer(generation); });
  }
  ScheduleTick(generation);
}

void ScreenSaverControl::LockEnded() {
  locked_ = false;
  ++generation_;
  focusBox_ = {};
  ports_.display.Stop();
}

void ScreenSaverControl::loadSaverTimerTimer(std::uint64_t generation) {
  if (!locked_ || generation != generation_) return;
  if (ports_.display.Running()) {
    ports_.log.Debug("[loadSaverTimer] Screensaver is running");
    return;
  }
  ports_.log.Debug("[loadSaverTimer] Screensaver not running (SSrun=false), running DefaultSaver");
  RunSaver(settings_.defaultSaver);
}

void ScreenSaverControl::ScheduleTick(std::uint64_t generation) {
  ports_.loop.PostAfter(kSaverCheckInterval, [this, generation] {
    if (!locked_ || generation != generation_) return;
    ScheduleTick(generation);
    IdleSaverTick();
  });
}

void ScreenSaverControl::screensaverClick(const std::string& path) {
  ports_.log.Debug("screensaver: " + path);
  RunSaver(path);
  CurrentScreenSaver_ = path;
}

bool ScreenSaverControl::RunSaver(const std::string& path) {
  // The input that ends a saver is the program's own input: the idle time starts again.
  return ports_.display.Start(path, [this] {
    ports_.idle.AppInput();
    if (focusBox_) focusBox_();
  });
}

void ScreenSaverControl::IdleSaverTick() {
  if (!locked_ || !settings_.runSaverOnIdle) return;
  const std::string saverFile = core::SaverFileName(settings_.defaultSaver);
  core::IdleSaverInput in;
  in.appIdleMs = ports_.idle.AppIdleTime();
  in.idleDelay = settings_.idleDelay;
  in.saverRunning = ports_.display.Running();
  in.wasRunningLastTick = WasScreenSaverRunningLastTick_;
  const std::int64_t limit = static_cast<std::int64_t>(in.idleDelay) * 1000;
  const bool reached = limit < 0 || in.appIdleMs >= static_cast<std::uint64_t>(limit);
  if (reached && !in.saverRunning) {
    // MouseMoved records the position, so it is asked only when the threshold is met.
    in.mouseMoved = ports_.display.MouseMoved();
  }
  in.saverProcessRunning = !core::IsBlankSaver(settings_.defaultSaver) && !in.saverRunning &&
                           ports_.display.ProcessRunning(saverFile);
  const core::IdleSaverStep step = core::IdleSaverRule(in);
  WasScreenSaverRunningLastTick_ = step.wasRunningLastTick;
  if (step.thresholdMet) {
    ports_.log.Debug("_________IDLE TIME MET_____________");
    ports_.log.Debug("brivak3 = " + saverFile + " or " + core::SaverFileName(CurrentScreenSaver_));
  }
  // A saver that cannot be started says nothing, and no launch is logged for it.
  if (step.startSaver && RunSaver(settings_.defaultSaver)) {
    try {
      ports_.log.WriteLog(core::SaverLaunchedLine(settings_.idleDelay));
    } catch (const std::exception& e) {
      ports_.log.Mem(std::string("EX: ") + e.what());
    }
  }
  if (step.procRunning) {
    ports_.log.Debug("proc running");
    return;
  }
  if (step.focusBox) {
    ports_.log.Debug("focusbox to compensate");
    if (focusBox_) focusBox_();
  }
}

}  // namespace brivak::app
