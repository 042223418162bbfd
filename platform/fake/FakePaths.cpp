#include "platform/fake/FakePaths.h"

#include <stdexcept>

namespace brivak::platform {

std::string FakePaths::DataRoot() const {
  if (dataRootMissing) throw std::runtime_error("Could not find MyDocuments folder location.");
  return dataRoot;
}

}  // namespace brivak::platform
