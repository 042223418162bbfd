#include "platform/fake/MemoryRegistryStore.h"

#include <stdexcept>
#include <utility>

namespace brivak::platform {

MemoryRegistryStore::MemoryRegistryStore(IniDocument initial) : document_(std::move(initial)) {}

IniDocument MemoryRegistryStore::Snapshot() const {
  std::lock_guard lock(mutex_);
  return document_;
}

void MemoryRegistryStore::Modify(const std::function<void(IniDocument&)>& change) {
  std::lock_guard lock(mutex_);
  IniDocument next = document_;
  change(next);
  if (failNextWrite_) {
    failNextWrite_ = false;
    throw std::runtime_error("Cannot write the registry store (simulated failure)");
  }
  document_ = std::move(next);
  ++writeCount_;
}

void MemoryRegistryStore::FailNextWrite() {
  std::lock_guard lock(mutex_);
  failNextWrite_ = true;
}

int MemoryRegistryStore::WriteCount() const {
  std::lock_guard lock(mutex_);
  return writeCount_;
}

}  // namespace brivak::platform
