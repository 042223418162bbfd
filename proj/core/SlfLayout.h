// SLF layouts: INI files that place the lock screen's unlock panel controls (user-name and password
// boxes, OK / change-password / leave-a-message buttons in flat and standard style, message-count
// and away-message labels, clock and uptime labels, the analog clock) and create extra labels,
// images, bevels, group boxes and plug-in areas. This unit turns a file into a model; the lock
// screen draws the model. Pure apart from reading the file and asking whether image files exist.
//
// A faulty section (a bad colour, a bad number, a bad font, a missing image) is reported in
// `problems` and skipped; the rest of the file still applies. The unlock box is never lost to a
// fault: a faulty user-name box, password box or OK button section, or a file that cannot be read,
// leaves that control shown at its fallback place with default values.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/IniFile.h"
#include "platform/Clock.h"
#include "proj/core/SlfValues.h"

namespace brivak::core {

// What one section configures. A section name can select several targets, in this order.
enum class SlfTarget {
  Background,
  UserNameBox,
  PasswordBox,
  Label,
  OkButtonFlat,
  OkButton,
  ChangePasswordButtonFlat,
  ChangePasswordButton,
  LeaveMessageButtonFlat,
  LeaveMessageButton,
  MessageCountLabel,
  AwayMessageLabel,
  AnalogClock,
  ClockLabel1,
  ClockLabel2,
  BrivakUptimeLabel,
  SystemUptimeLabel,
  Image,
  Bevel,
  GroupBox,
  PlugIn,
};

// The targets of a section name, in table order. "BackGround" must occur with that exact letter
// case; "LABEL" must begin the upper-cased name; every other keyword may occur anywhere in it, so
// "EXITOKBUTTON2" selects the flat and then the standard OK button.
std::vector<SlfTarget> MatchSlfSection(std::string_view sectionName);

// The fixed controls of the unlock panel (the targets UserNameBox .. SystemUptimeLabel, except Label).
enum class SlfControl {
  UserNameBox,
  PasswordBox,
  OkButtonFlat,
  OkButton,
  ChangePasswordButtonFlat,
  ChangePasswordButton,
  LeaveMessageButtonFlat,
  LeaveMessageButton,
  MessageCountLabel,
  AwayMessageLabel,
  AnalogClock,
  ClockLabel1,
  ClockLabel2,
  BrivakUptimeLabel,
  SystemUptimeLabel,
};
inline constexpr std::size_t kSlfControlCount = 15;

// Settings of one fixed control or created label. Fields a control does not use keep their defaults.
struct SlfControlSpec {
  int left = 0;
  int top = 0;
  std::optional<int> width, height;  // nullopt: the control keeps its current size
  SlfFont font;                      // the loader reads ",MS Sans Serif,10,,clLime,1," when absent
  SlfColor backColor = kSlfBlack;
  bool visible = true;
  std::string caption;
  bool transparent = false;
  bool autoSize = false;
  bool wordWrap = false;
  bool flat = false;
  std::optional<char> mask;  // edits: the masking character; nullopt keeps the edit's own masking
  SlfAlignment alignment = SlfAlignment::Left;
  SlfColor dotsColor = 0;    // analog clock (its face colour is backColor)
  bool showSeconds = false;  // analog clock
  std::string format;        // clock and uptime labels
  friend bool operator==(const SlfControlSpec&, const SlfControlSpec&) = default;
};

struct SlfLabelSpec : SlfControlSpec {};

struct SlfImageSpec {
  int left = 0, top = 0, width = 200, height = 26;
  bool transparent = true, autoSize = true;
  std::string fileName;  // as written in the file
  std::string path;      // the existing file it resolved to
  friend bool operator==(const SlfImageSpec&, const SlfImageSpec&) = default;
};

struct SlfBevelSpec {
  int left = 0, top = 0, width = 200, height = 26;
  bool lowered = false;  // `raised` 1 gives a lowered bevel; bevels sit behind all other controls
  friend bool operator==(const SlfBevelSpec&, const SlfBevelSpec&) = default;
};

struct SlfGroupBoxSpec {
  int left = 40, top = 60, width = 40, height = 60;
  std::string caption = "GroupBox%";
  SlfColor backColor = kSlfBlack;
  friend bool operator==(const SlfGroupBoxSpec&, const SlfGroupBoxSpec&) = default;
};

struct SlfPluginSpec {
  int left = 40, top = 60, width = 40, height = 60;
  std::string fileName;  // the plug-in command; started by the plug-in runner, not here
  friend bool operator==(const SlfPluginSpec&, const SlfPluginSpec&) = default;
};

// Objects created on the panel, in file order (later ones on top, bevels excepted).
using SlfCreated = std::variant<SlfLabelSpec, SlfImageSpec, SlfBevelSpec, SlfGroupBoxSpec, SlfPluginSpec>;

struct SlfProblem {
  std::string section;
  std::string message;
  friend bool operator==(const SlfProblem&, const SlfProblem&) = default;
};

struct SlfLayout {
  std::optional<SlfColor> panelColor;                                 // from a BackGround section
  std::array<std::optional<SlfControlSpec>, kSlfControlCount> fixed;  // nullopt: hidden
  std::vector<SlfCreated> created;
  std::vector<SlfProblem> problems;

  const std::optional<SlfControlSpec>& Fixed(SlfControl c) const {
    return fixed[static_cast<std::size_t>(c)];
  }
  // True when the password box is shown (Enter in it submits, so no button is required).
  bool HasUnlockBox() const;
};

struct SlfLoadOptions {
  // Folder for image names that are not found as written (appData); "/" is added when missing.
  std::string dataFolder;
  // Caption of the away-message label.
  std::string awayMessage;
  // Whether a file exists; the real file system when empty.
  std::function<bool(const std::string&)> fileExists;
};

// Applies every section of `doc` in file order.
SlfLayout LoadSlfLayout(const IniDocument& doc, const SlfLoadOptions& options);
// Reads the file first; a missing or unreadable file is a problem and gives the fallback unlock box
// (password box and standard OK button).
SlfLayout LoadSlfLayoutFile(const std::string& path, const SlfLoadOptions& options);

// What the one-second timer writes into a live label: clock labels show `now` in their format, the
// lock-uptime and system-uptime labels the seconds as "%d sec", "%d min %d sec", ... Nullopt for
// every other control (its caption stays).
std::optional<std::string> SlfLiveLabelText(SlfControl control, const SlfControlSpec& item,
                                            const platform::LocalTime& now, long long lockSeconds,
                                            long long systemSeconds);

// The layout's name for menus: [Layout] Title, "Untitled" when missing.
std::string SlfLayoutTitle(const IniDocument& doc);

}  // namespace brivak::core
