// A registry store that shows values given on the command line over the stored ones ("-set
// key=value", for this run only).
//
// Rules: reads see the overrides. A write stores only what the change made different from what
// readers saw, so writing back a whole settings record (the window closing, "Save and Apply")
// leaves every overridden key as it is stored. A change that gives an overridden key another
// value is an edit: it is stored, and from then on that key reads as stored (the override is
// dropped, so the edit is not reverted by the next read).
//
// Thread-safe: the overrides are guarded by the overlay's own lock, held across each Modify, so
// a read never sees an override dropped by a write that failed.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/RegistryStore.h"

namespace brivak::manager::app {

class RegistryOverlay : public platform::RegistryStore {
 public:
  using Values = std::vector<std::pair<std::string, std::string>>;
  // `inner` must outlive this object; `values` are shown in `section` of every snapshot.
  RegistryOverlay(platform::RegistryStore& inner, std::string section, Values values);

  IniDocument Snapshot() const override;
  // Throws as the inner store does; nothing changes then (the overrides included).
  void Modify(const std::function<void(IniDocument&)>& change) override;

  // The overrides still in force.
  Values Overrides() const;

 private:
  void Overlay(IniDocument& document) const;  // under mutex_

  platform::RegistryStore& inner_;
  const std::string section_;
  mutable std::mutex mutex_;
  Values values_;  // guarded by mutex_
};

}  // namespace brivak::manager::app
