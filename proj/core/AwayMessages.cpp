#include "proj/core/AwayMessages.h"

namespace brivak::core {

std::vector<AwayPreset> ParseAwayPresets(const std::vector<std::string>& lines) {
  std::vector<AwayPreset> presets;
  presets.reserve(lines.size());
  for (const std::string& line : lines) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) {
      presets.push_back({});
    } else {
      presets.push_back({line.substr(0, eq), line.substr(eq + 1)});
    }
  }
  return presets;
}

std::string PresetText(const std::vector<AwayPreset>& presets, const std::string& name) {
  for (const AwayPreset& preset : presets) {
    if (preset.name == name) return preset.text;
  }
  return {};
}

AwayCountdown::Step AwayCountdown::DoStep() {
  status_ = "Using default message in " + std::to_string(count_) + " seconds";
  --count_;
  Step step{status_, false};
  if (count_ == -1) {
    running_ = false;
    step.expired = true;
  }
  return step;
}

AwayCountdown::Step AwayCountdown::Start() {
  if (!running_) {
    // Shows where the count would begin; nothing more happens.
    status_ = "Using default message in " + std::to_string(count_) + " seconds";
    return {status_, false};
  }
  return DoStep();
}

AwayCountdown::Step AwayCountdown::Tick() {
  if (!running_) return {status_, false};
  return DoStep();
}

void AwayCountdown::Stop() {
  running_ = false;
  status_.clear();
}

}  // namespace brivak::core
