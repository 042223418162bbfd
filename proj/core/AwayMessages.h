// The away message of a lock: the presets, and the countdown of the picker ("Away Message") after
// which an unattended lock falls back to the default message. Plain values; main thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brivak::core {

// One line of the awayMessages setting: the name is everything before the first "=", the text
// everything after it. A line without "=" has an empty name and an empty text.
struct AwayPreset {
  std::string name, text;
};

std::vector<AwayPreset> ParseAwayPresets(const std::vector<std::string>& lines);
// The text of the first preset named `name` (presets may share a name); empty when none is.
std::string PresetText(const std::vector<AwayPreset>& presets, const std::string& name);

// The picker's countdown. Start performs the first step at once; a running countdown steps every
// second. A step shows "Using default message in " + count + " seconds" and counts down; the step
// that brings the count to -1 closes the picker with the default message. So 10 shows 10 .. 0 and
// closes on the eleventh step; 0 closes on the first; a negative start never reaches -1 and waits
// for the user. Any interaction stops the countdown for good (`StopTimer`) and clears the text.
class AwayCountdown {
 public:
  struct Step {
    std::string status;     // the status bar's text after the step
    bool expired = false;   // close the picker with the default message
  };

  // `running` false: the picker of "Change Away Message", which shows the first text and waits.
  AwayCountdown(std::int32_t seconds, bool running) : count_(seconds), running_(running) {}

  // The first step, when the picker opens.
  Step Start();
  // A step of the one-second timer; nothing once stopped or expired.
  Step Tick();
  // `StopTimer`: stops for good and clears the status text.
  void Stop();
  bool Running() const { return running_; }
  const std::string& Status() const { return status_; }

 private:
  Step DoStep();

  std::int64_t count_;
  bool running_;
  std::string status_;
};

}  // namespace brivak::core
