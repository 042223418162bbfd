#include "manager/app/RegistryOverlay.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace brivak::manager::app {

namespace {

bool SameKey(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

RegistryOverlay::RegistryOverlay(platform::RegistryStore& inner, std::string section, Values values)
    : inner_(inner), section_(std::move(section)), values_(std::move(values)) {}

void RegistryOverlay::Overlay(IniDocument& document) const {
  for (const auto& [key, value] : values_) document.Write(section_, key, value);
}

IniDocument RegistryOverlay::Snapshot() const {
  std::lock_guard lock(mutex_);
  IniDocument document = inner_.Snapshot();
  Overlay(document);
  return document;
}

void RegistryOverlay::Modify(const std::function<void(IniDocument&)>& change) {
  std::lock_guard lock(mutex_);
  std::vector<std::string> edited;  // overridden keys the change gave another value
  auto isOverridden = [&](std::string_view section, std::string_view key) {
    if (!SameKey(section, section_)) return false;
    return std::any_of(values_.begin(), values_.end(), [&](const auto& v) { return SameKey(v.first, key); });
  };
  inner_.Modify([&](IniDocument& stored) {
    edited.clear();
    IniDocument seen = stored;  // what readers saw
    Overlay(seen);
    IniDocument wanted = seen;
    change(wanted);
    // Values set or changed.
    for (const std::string& section : wanted.SectionNames()) {
      for (const std::string& key : wanted.KeyNames(section)) {
        const std::optional<std::string> value = wanted.Read(section, key);
        if (!value || seen.Read(section, key) == value) continue;
        stored.Write(section, key, *value);
        if (isOverridden(section, key)) edited.push_back(key);
      }
    }
    // Values and sections removed.
    for (const std::string& section : seen.SectionNames()) {
      if (!wanted.SectionExists(section)) {
        stored.EraseSection(section);
        continue;
      }
      for (const std::string& key : seen.KeyNames(section)) {
        if (wanted.Read(section, key)) continue;
        stored.EraseKey(section, key);
        if (isOverridden(section, key)) edited.push_back(key);
      }
    }
  });
  // Stored: the edited keys read as stored from now on.
  for (const std::string& key : edited) {
    values_.erase(std::remove_if(values_.begin(), values_.end(), [&](const auto& v) { return SameKey(v.first, key); }),
                  values_.end());
  }
}

RegistryOverlay::Values RegistryOverlay::Overrides() const {
  std::lock_guard lock(mutex_);
  return values_;
}

}  // namespace brivak::manager::app
