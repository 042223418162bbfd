// The headless manager's login: the user name and password come from a file that only its owner
// may read ("user\npassword"), or from the terminal (the password typed without echo). The pair is
// then checked like the window's login (ManagerLogin against the manager's own user list).
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace brivak::manager::app {

struct LoginPair {
  std::string user;
  std::string password;
};

struct LoginRead {
  std::optional<LoginPair> pair;
  std::string error;  // when there is no pair
};

// "user\npassword" with an optional final line break (CR LF too). Both must be non-empty; a third
// non-empty line is refused (the file is probably not what was meant).
LoginRead ParseLoginText(std::string_view text);

// Reads a login file. Refused (with the reason) when it is not a regular file, cannot be read, or
// its mode gives the group or others any access: the password would not be the owner's secret.
LoginRead ReadLoginFile(const std::string& path);

// Asks on `out` for the user name ("administrator" when the answer is empty) and the password, and
// reads both from `inFd`. Echo is off while the password is typed when `inFd` is a terminal.
LoginRead PromptLogin(int inFd, std::ostream& out);

}  // namespace brivak::manager::app
