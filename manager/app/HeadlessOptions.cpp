#include "manager/app/HeadlessOptions.h"

#include <charconv>

namespace brivak::manager::app {

namespace {

// "--name" and "-name" both read as "name"; anything else as "".
std::string FlagName(const std::string& arg) {
  if (arg.rfind("--", 0) == 0) return arg.substr(2);
  if (arg.rfind("-", 0) == 0) return arg.substr(1);
  return {};
}

}  // namespace

ManagerCommandLine ParseManagerCommandLine(const std::vector<std::string>& args) {
  ManagerCommandLine line;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string name = FlagName(args[i]);
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        line.error = args[i] + " needs a value.";
        return std::nullopt;
      }
      return args[++i];
    };
    if (name == "help" || name == "h" || name == "?") {
      line.help = true;
    } else if (name == "headless") {
      line.headless = true;
    } else if (name == "nodiscover") {
      line.noInitialDiscovery = true;
    } else if (name == "login") {
      if (auto v = value()) line.loginFile = *v;
    } else if (name == "userlist") {
      if (auto v = value()) line.userList = *v;
    } else if (name == "statusfile") {
      if (auto v = value()) line.statusFile = *v;
    } else if (name == "localip") {
      if (auto v = value()) line.localIP = *v;
    } else if (name == "eventport") {
      if (auto v = value()) {
        unsigned port = 0;
        const auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), port);
        if (ec != std::errc() || end != v->data() + v->size() || port > 65535) {
          line.error = "-eventport needs a port number from 0 to 65535.";
        } else {
          line.eventPort = static_cast<std::uint16_t>(port);
        }
      }
    } else if (name == "set") {
      if (auto v = value()) {
        const std::size_t eq = v->find('=');
        if (eq == std::string::npos || eq == 0) {
          line.error = "-set needs key=value.";
        } else {
          line.settings.emplace_back(v->substr(0, eq), v->substr(eq + 1));
        }
      }
    } else {
      line.error = "Unknown argument: " + args[i];
    }
    if (!line.error.empty()) break;
  }
  return line;
}

std::string ManagerHelpText() {
  return "Usage: brivakmanager [options]\n"
         "  -headless            run without a window: log lines on stdout, commands on stdin\n"
         "  -login <file>        read \"user\\npassword\" from a file only its owner may read\n"
         "                       (without it the window shows its login dialog, and -headless\n"
         "                       asks on the terminal)\n"
         "  -set key=value       override a setting for this run (startip, endip, scantimeout,\n"
         "                       udptimeout, httptimeout, refreshtime, webserverport, autorefresh,\n"
         "                       hideupdate, enablewebserver, broadcastip, wolip, wolport)\n"
         "  -userlist <file>     the manager's user list (default: userlist.dat beside the program)\n"
         "  -statusfile <file>   headless: rewrite this file with the computer list on every change\n"
         "                       (one line per computer: name, address, status, user; tab-separated)\n"
         "  -eventport <n>       port of the event listener (default 8778; 0: any free port)\n"
         "  -localip <address>   this computer's address as sent in discoveries\n"
         "  -nodiscover          no discovery at start (the refresh timer still runs)\n"
         "  -help                this text\n"
         "Headless commands on stdin, one a line (a computer is a name or an address):\n"
         "  list | discover | scan [start end] | lock <c> | unlock <c> | standby <c> | hibernate <c>\n"
         "  userlist <c> | loglist <c> <M/d/yyyy> | getlog <c> <M/d/yyyy> | wake <c> | quit\n"
         "The program ends on SIGTERM, SIGINT or \"quit\".\n";
}

}  // namespace brivak::manager::app
