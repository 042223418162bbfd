#include "manager/app/RegistryOverlay.h"

namespace brivak::manager::app {

RegistryOverlay::RegistryOverlay(platform::RegistryStore& inner, std::string section, Values values)
    : inner_(inner), section_(std::move(section)), values_(std::move(values)) {}

IniDocument RegistryOverlay::Snapshot() const {
  IniDocument document = inner_.Snapshot();
  for (const auto& [key, value] : values_) document.Write(section_, key, value);
  return document;
}

void RegistryOverlay::Modify(const std::function<void(IniDocument&)>& change) { inner_.Modify(change); }

}  // namespace brivak::manager::app
