#include "proj/app/StartupRegistration.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "proj/core/StartupEntries.h"

namespace brivak::app {

namespace fs = std::filesystem;

namespace {

// Writes `text` through a temporary file renamed into place, so a reader never sees half an entry.
void WriteFileAtomically(const std::string& path, const std::string& text) {
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  if (ec) throw std::runtime_error("cannot create the folder of " + path + ": " + ec.message());
  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      fs::remove(temporary, ec);
      throw std::runtime_error("cannot write " + path);
    }
  }
  fs::rename(temporary, path, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw std::runtime_error("cannot write " + path + ": " + ec.message());
  }
}

void RemoveFile(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);  // a missing file is no error
  if (ec) throw std::runtime_error("cannot remove " + path + ": " + ec.message());
}

}  // namespace

StartupRegistration::StartupRegistration(StartupRegistrationPorts ports) : ports_(std::move(ports)) {}

std::string StartupRegistration::AutostartFile() const {
  return ports_.configRoot + "/autostart/" + core::kAutostartFileName;
}

std::string StartupRegistration::UnitFile() const {
  return ports_.configRoot + "/systemd/user/" + core::kUserUnitName;
}

bool StartupRegistration::UserManagerRuns() const {
  if (ports_.runtimeDir.empty()) return false;
  std::error_code ec;
  return fs::exists(ports_.runtimeDir + "/systemd/private", ec);
}

void StartupRegistration::WriteAppLocation() {
  const std::string path = ports_.programPath;
  ports_.registry.Modify([&](IniDocument& doc) { doc.Write(kAppLocationSection, kAppLocationKey, path); });
}

void StartupRegistration::WriteStartupData(int startupMode) {
  auto& log = ports_.log;
  WriteAppLocation();
  log.Debug("WriteStartupData: " + std::to_string(startupMode));
  log.Debug(core::StartupModeDescription(startupMode));
  const core::StartupEntryKind kind = core::StartupEntryFor(startupMode);

  switch (kind) {
    case core::StartupEntryKind::kAutostart:
    case core::StartupEntryKind::kHiddenEntry:
      WriteFileAtomically(AutostartFile(), core::AutostartEntryText(ports_.programPath,
                                                                     kind == core::StartupEntryKind::kHiddenEntry));
      break;
    default:
      RemoveFile(AutostartFile());
  }
  if (kind == core::StartupEntryKind::kUserUnit) {
    WriteUserUnit();
  } else {
    RemoveUserUnit();
  }
}

void StartupRegistration::WriteUserUnit() {
  WriteFileAtomically(UnitFile(), core::UserUnitText(ports_.programPath));
  if (!UserManagerRuns()) {
    ports_.log.Mem("No systemd user manager runs: " + std::string(core::kUserUnitName) +
                   " is installed but not enabled.");
    return;
  }
  Systemctl("enable");
}

// Disabling is done here rather than by "systemctl --user disable", which would run after the unit
// file is gone: the link of the target's wants folder and the file are removed, then the manager
// reloads.
void StartupRegistration::RemoveUserUnit() {
  const std::string unit = UnitFile();
  const std::string wanted =
      ports_.configRoot + "/systemd/user/" + core::kUserUnitTarget + ".wants/" + core::kUserUnitName;
  std::error_code ec;
  const bool had = fs::exists(fs::symlink_status(unit, ec)) || fs::exists(fs::symlink_status(wanted, ec));
  if (!had) return;
  RemoveFile(wanted);
  RemoveFile(unit);
  ports_.log.Debug("Removed the systemd user unit " + unit);
  if (UserManagerRuns()) Systemctl("daemon-reload");
}

void StartupRegistration::Systemctl(const std::string& verb) {
  std::vector<std::string> argv{"systemctl", "--user", verb};
  if (verb == "enable") argv.emplace_back(core::kUserUnitName);
  std::string line;
  for (const auto& part : argv) line += (line.empty() ? "" : " ") + part;
  ports_.log.Debug("Running " + line);
  if (!ports_.processes.Start(argv, {})) ports_.log.Mem("EX: could not run " + line);
}

void StartupRegistration::RegisterIEcompatibilityLevel(int level) {
  ports_.log.Debug("RegisterIEcompatibilityLevel " + std::to_string(level) +
                   ": no browser emulation level on Linux; nothing to register");
}

}  // namespace brivak::app
