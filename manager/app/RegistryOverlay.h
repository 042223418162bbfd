// A registry store that shows values given on the command line over the stored ones (the headless
// mode's "-set key=value"): reads see the overrides, writes go to the real store unchanged, so an
// override is never saved. Thread-safe as far as the inner store is.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/RegistryStore.h"

namespace brivak::manager::app {

class RegistryOverlay : public platform::RegistryStore {
 public:
  using Values = std::vector<std::pair<std::string, std::string>>;
  // `inner` must outlive this object; `values` are written into `section` of every snapshot.
  RegistryOverlay(platform::RegistryStore& inner, std::string section, Values values);

  IniDocument Snapshot() const override;
  void Modify(const std::function<void(IniDocument&)>& change) override;

 private:
  platform::RegistryStore& inner_;
  const std::string section_;
  const Values values_;
};

}  // namespace brivak::manager::app
