#include "manager/app/HeadlessLogin.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <vector>

#include "manager/core/Login.h"

namespace brivak::manager::app {

namespace {

constexpr std::size_t kMaxLoginFileBytes = 4096;

std::string StripLineEnd(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// One line from `fd`, read byte by byte so nothing after it is consumed; nullopt at end of input
// before any byte.
std::optional<std::string> ReadLine(int fd) {
  std::string line;
  bool any = false;
  for (;;) {
    char c = 0;
    const ssize_t n = ::read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return any ? std::optional<std::string>(StripLineEnd(line)) : std::nullopt;
    any = true;
    if (c == '\n') return StripLineEnd(line);
    if (line.size() < kMaxLoginFileBytes) line.push_back(c);
  }
}

}  // namespace

LoginRead ParseLoginText(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find('\n', start);
    const std::string_view piece = text.substr(start, end == std::string_view::npos ? text.size() - start : end - start);
    lines.push_back(StripLineEnd(std::string(piece)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  if (lines.size() != 2) return {std::nullopt, "The login file must hold two lines: the user name, then the password."};
  if (lines[0].empty() || lines[1].empty()) return {std::nullopt, "The login file holds an empty user name or password."};
  return {LoginPair{lines[0], lines[1]}, {}};
}

LoginRead ReadLoginFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return {std::nullopt, "Cannot open the login file " + path + ": " + std::strerror(errno)};
  struct stat st {};
  LoginRead result;
  if (::fstat(fd, &st) != 0) {
    result.error = "Cannot read the login file " + path + ": " + std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    result.error = "The login file " + path + " is not a regular file.";
  } else if ((st.st_mode & 077) != 0) {
    result.error = "The login file " + path +
                   " may be read by other users; allow only its owner (chmod 600) and try again.";
  } else if (st.st_uid != ::geteuid()) {
    result.error = "The login file " + path + " does not belong to this user.";
  } else {
    std::string text;
    char buffer[1024];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
      if (text.size() > kMaxLoginFileBytes) break;
    }
    if (text.size() > kMaxLoginFileBytes) {
      result.error = "The login file " + path + " is too long.";
    } else {
      result = ParseLoginText(text);
    }
  }
  ::close(fd);
  return result;
}

LoginRead PromptLogin(int inFd, std::ostream& out) {
  out << kLoginPrompt << "\nUser name [" << kLoginDefaultUser << "]: " << std::flush;
  std::optional<std::string> user = ReadLine(inFd);
  if (!user) return {std::nullopt, "No login was given."};
  if (user->empty()) user = std::string(kLoginDefaultUser);
  out << "Password: " << std::flush;
  const bool terminal = ::isatty(inFd) == 1;
  termios saved{};
  if (terminal && ::tcgetattr(inFd, &saved) == 0) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    ::tcsetattr(inFd, TCSAFLUSH, &quiet);
  }
  const std::optional<std::string> password = ReadLine(inFd);
  if (terminal) ::tcsetattr(inFd, TCSAFLUSH, &saved);
  if (!password || password->empty()) return {std::nullopt, "No password was given."};
  return {LoginPair{*user, *password}, {}};
}

}  // namespace brivak::manager::app
