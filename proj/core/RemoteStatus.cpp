#include "proj/core/RemoteStatus.h"

namespace brivak::core {

namespace {

void AddElement(std::string& out, std::string_view tag, std::string_view value) {
  if (!out.empty()) out.push_back('\r');
  out.append("<").append(tag).append(">").append(value).append("</").append(tag).append(">");
}

}  // namespace

std::string GetBrivakStatus(bool currentlyLocked, bool shuttingDown) {
  if (shuttingDown) return "Unlocking";
  return currentlyLocked ? "Locked" : "Unlocked";
}

std::string FileNamePart(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ReturnQuery(const StatusRecord& r) {
  const std::uint64_t lockMs = r.uptimeMs >= r.lockedWhen ? r.uptimeMs - r.lockedWhen : 0;
  std::string out;
  AddElement(out, "computername", r.computername);
  AddElement(out, "internalip", r.internalip);
  AddElement(out, "mac", r.mac);
  AddElement(out, "group", r.group);
  AddElement(out, "status", r.status);
  AddElement(out, "idletime", std::to_string(r.idleMs / 1000));
  AddElement(out, "uptime", std::to_string(r.uptimeMs / 1000));
  AddElement(out, "currentuser", r.currentuser);
  AddElement(out, "brivakversion", r.brivakversion);
  AddElement(out, "comments", "comment");
  AddElement(out, "masterip", r.masterip);
  AddElement(out, "layout", FileNamePart(r.layoutFile));
  AddElement(out, "rdp", r.remoteSession ? "-1" : "0");
  AddElement(out, "cpu", std::to_string(r.cpuPercent));
  AddElement(out, "ram", "0");
  AddElement(out, "locktime", std::to_string(lockMs / 1000));
  return out;
}

}  // namespace brivak::core
