// Admission of connections to the command server: at most `maxConnections` at once and at most
// `perAddress` from one remote address. Addresses of the machine itself (the lock page's unlock
// comes from there) are exempt from the per-address cap and, when the server is full, displace
// the oldest connection from elsewhere that has not yet sent its request, or else the oldest one
// whose reply is held back by a delay (a slowed-down password guess). Plain bookkeeping; the caller
// serialises the calls (the server's io thread).
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brivak::net {

class ConnectionLimiter {
 public:
  using Id = std::uint64_t;

  enum class Phase {
    kReading,  // waiting for the request: may be displaced for an exempt newcomer
    kBusy,     // being handled or answered
    kDelayed,  // reply held back by its delay: may be displaced for an exempt newcomer
    kClosing,  // answered, draining before close: may be displaced for any newcomer
  };

  struct Admission {
    std::optional<Id> id;      // empty: refused
    std::vector<Id> displaced;  // connections the caller must close now (already released here)
  };

  ConnectionLimiter(std::size_t maxConnections, std::size_t perAddress);

  Admission Admit(const std::string& address, bool exempt);
  void SetPhase(Id id, Phase phase);
  // Forgets the connection; unknown or already released ids are ignored.
  void Release(Id id);

  std::size_t Count() const { return entries_.size(); }
  std::size_t CountFrom(const std::string& address) const;

 private:
  struct Entry {
    Id id;
    std::string address;
    bool exempt;
    Phase phase;
  };
  using Entries = std::list<Entry>;  // oldest first

  Entries::iterator Find(Id id);
  Entries::iterator OldestWhere(bool (*pick)(const Entry&));
  void Erase(Entries::iterator it);

  std::size_t maxConnections_;
  std::size_t perAddress_;
  Id nextId_ = 1;
  Entries entries_;
  std::map<std::string, std::size_t> perAddressCount_;
};

}  // namespace brivak::net
