#include "platform/linux/LinuxPaths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace brivak::platform {
namespace {

constexpr const char* kNoHomeMessage = "Could not find MyDocuments folder location.";

bool IsAbsolute(const std::optional<std::string>& path) {
  return path && !path->empty() && (*path)[0] == '/';
}

// "/a/b//" -> "/a/b"; "/" stays "/".
std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::optional<std::string> SystemEnv(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::optional<std::string> PasswdHome() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  for (;;) {
    passwd entry{};
    passwd* found = nullptr;
    const int rc = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0 || found == nullptr || found->pw_dir == nullptr) return std::nullopt;
    return std::string(found->pw_dir);
  }
}

LinuxPaths::LinuxPaths(EnvLookup env, HomeLookup passwdHome)
    : env_(std::move(env)), passwdHome_(std::move(passwdHome)) {}

std::string LinuxPaths::ExecutablePath() const {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<std::size_t>(n));
    if (buffer.size() >= (1u << 16)) return {};
    buffer.resize(buffer.size() * 2);  // possibly truncated: try again with more room
  }
}

std::string LinuxPaths::ExecutableDir() const {
  const std::string path = ExecutablePath();
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string LinuxPaths::Home() const {
  std::optional<std::string> home = env_("HOME");
  if (!IsAbsolute(home)) home = passwdHome_();
  if (!IsAbsolute(home)) throw std::runtime_error(kNoHomeMessage);
  return WithoutTrailingSlashes(*home);
}

std::string LinuxPaths::UserRoot(const char* xdgName, const char* homeSuffix) const {
  const std::optional<std::string> xdg = env_(xdgName);
  if (IsAbsolute(xdg)) return WithoutTrailingSlashes(*xdg);
  const std::string home = Home();
  return (home == "/" ? std::string() : home) + homeSuffix;
}

std::string LinuxPaths::DataRoot() const {
  return UserRoot("XDG_DATA_HOME", "/.local/share");
}

std::string LinuxPaths::ConfigRoot() const {
  return UserRoot("XDG_CONFIG_HOME", "/.config");
}

std::string LinuxPaths::RuntimeDir() const {
  const std::optional<std::string> dir = env_("XDG_RUNTIME_DIR");
  if (!IsAbsolute(dir)) return {};
  struct stat st {};
  if (stat(dir->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  // The lock and the socket live here: a folder that someone else owns or may write to could be
  // used to take the instance lock or the socket name away from us.
  if (st.st_uid != geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return {};
  return WithoutTrailingSlashes(*dir);
}

std::string LinuxPaths::SystemDir() const {
  return "/usr/lib/xscreensaver";
}

}  // namespace brivak::platform
