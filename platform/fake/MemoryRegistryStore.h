// The registry form of the settings held in memory. Thread-safe.
#pragma once

#include <mutex>

#include "platform/RegistryStore.h"

namespace brivak::platform {

class MemoryRegistryStore : public RegistryStore {
 public:
  MemoryRegistryStore() = default;
  explicit MemoryRegistryStore(IniDocument initial);

  IniDocument Snapshot() const override;
  // Applies `change` to a copy and keeps the copy only when nothing failed, like the file store.
  // `change` runs under the store's lock and must not call back into the store.
  void Modify(const std::function<void(IniDocument&)>& change) override;

  // The next Modify throws std::runtime_error without changing anything (the switch then resets).
  void FailNextWrite();
  // Number of Modify calls that changed the store.
  int WriteCount() const;

 private:
  mutable std::mutex mutex_;
  IniDocument document_;
  bool failNextWrite_ = false;
  int writeCount_ = 0;
};

}  // namespace brivak::platform
