#include "proj/net/ConnectionLimiter.h"

namespace brivak::net {

ConnectionLimiter::ConnectionLimiter(std::size_t maxConnections, std::size_t perAddress)
    : maxConnections_(maxConnections), perAddress_(perAddress) {}

ConnectionLimiter::Admission ConnectionLimiter::Admit(const std::string& address, bool exempt) {
  Admission admission;
  if (!exempt && CountFrom(address) >= perAddress_) return admission;
  if (entries_.size() >= maxConnections_) {
    auto victim = OldestWhere([](const Entry& e) { return e.phase == Phase::kClosing; });
    if (victim == entries_.end() && exempt) {
      victim = OldestWhere([](const Entry& e) { return e.phase == Phase::kReading && !e.exempt; });
    }
    if (victim == entries_.end() && exempt) {
      victim = OldestWhere([](const Entry& e) { return e.phase == Phase::kDelayed && !e.exempt; });
    }
    if (victim == entries_.end()) return admission;
    admission.displaced.push_back(victim->id);
    Erase(victim);
  }
  const Id id = nextId_++;
  entries_.push_back(Entry{id, address, exempt, Phase::kReading});
  ++perAddressCount_[address];
  admission.id = id;
  return admission;
}

void ConnectionLimiter::SetPhase(Id id, Phase phase) {
  if (auto it = Find(id); it != entries_.end()) it->phase = phase;
}

void ConnectionLimiter::Release(Id id) {
  if (auto it = Find(id); it != entries_.end()) Erase(it);
}

std::size_t ConnectionLimiter::CountFrom(const std::string& address) const {
  const auto it = perAddressCount_.find(address);
  return it == perAddressCount_.end() ? 0 : it->second;
}

ConnectionLimiter::Entries::iterator ConnectionLimiter::Find(Id id) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->id == id) return it;
  }
  return entries_.end();
}

ConnectionLimiter::Entries::iterator ConnectionLimiter::OldestWhere(bool (*pick)(const Entry&)) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (pick(*it)) return it;
  }
  return entries_.end();
}

void ConnectionLimiter::Erase(Entries::iterator it) {
  auto count = perAddressCount_.find(it->address);
  if (count != perAddressCount_.end() && --count->second == 0) perAddressCount_.erase(count);
  entries_.erase(it);
}

}  // namespace brivak::net
