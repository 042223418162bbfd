// The registry form of the settings: sections named by key paths below the user's root, written
// with backslashes ("Brivak 3.0\\General", "Software\\Morvane\\Brivak Manager\\settings"), holding
// string values. Both programs share one store; each change is a read-modify-write under a lock.
#pragma once

#include <functional>

#include "common/IniFile.h"

namespace brivak::platform {

class RegistryStore {
 public:
  virtual ~RegistryStore() = default;
  // A consistent copy of the whole store (empty when it does not exist yet).
  virtual IniDocument Snapshot() const = 0;
  // Applies `change` to the current content and stores the result as one atomic replacement.
  // Throws std::runtime_error when the store cannot be written; nothing is changed then.
  virtual void Modify(const std::function<void(IniDocument&)>& change) = 0;
};

}  // namespace brivak::platform
