#include "proj/core/SlfLayout.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <tuple>
#include <utility>

#include "common/Stools.h"
#include "proj/core/SlfClockFormat.h"

namespace brivak::core {
namespace {

constexpr std::string_view kDefaultFont = ",MS Sans Serif,10,,clLime,1,";
constexpr std::string_view kDefaultCaption = "defaultCaption";
constexpr std::string_view kClockCaption = "Hey, I'm not here right now.  Catch me later.";

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool Contains(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

// Reads the keys of one section with their defaults and collects every value it cannot read. With
// `defaultsOnly` it ignores the file: every key reads as its default (the fallback of the unlock box).
class KeyReader {
 public:
  KeyReader(const IniDocument& doc, std::string section, bool defaultsOnly)
      : doc_(doc), section_(std::move(section)), defaultsOnly_(defaultsOnly) {}

  const std::vector<std::string>& Errors() const { return errors_; }

  std::optional<std::string> Raw(std::string_view key) const {
    if (defaultsOnly_) return std::nullopt;
    return doc_.Read(section_, key);
  }

  std::string Text(std::string_view key, std::string_view def) const {
    const std::optional<std::string> v = Raw(key);
    return v ? *v : std::string(def);
  }

  int Int(std::string_view key, int def) {
    const std::optional<std::string> v = Raw(key);
    if (!v || v->empty()) return def;
    const std::optional<int> parsed = ParseSlfInteger(*v);
    if (!parsed) {
      Fail(key, "number", *v);
      return def;
    }
    return *parsed;
  }

  // A width or height: an integer that is not negative.
  int Size(std::string_view key, int def) {
    const int value = Int(key, def);
    if (value < 0) {
      Fail(key, "size", std::to_string(value));
      return def;
    }
    return value;
  }
  std::optional<int> Size(std::string_view key, std::optional<int> def) {
    const std::optional<std::string> v = Raw(key);
    if (!v || v->empty()) return def;
    return Size(key, 0);
  }

  bool Bool(std::string_view key, bool def) {
    const std::optional<std::string> v = Raw(key);
    if (!v || v->empty()) return def;
    const std::optional<bool> parsed = ParseSlfBool(*v);
    if (!parsed) {
      Fail(key, "number", *v);
      return def;
    }
    return *parsed;
  }

  SlfColor Color(std::string_view key, SlfColor def) {
    const std::optional<std::string> v = Raw(key);
    if (!v || v->empty()) return def;
    const std::optional<SlfColor> parsed = ParseSlfColor(*v);
    if (!parsed) {
      Fail(key, "colour", *v);
      return def;
    }
    return *parsed;
  }

  SlfFont Font() {
    const std::optional<std::string> v = Raw("font");
    if (v && !v->empty()) {
      if (std::optional<SlfFont> parsed = ParseSlfFont(*v)) return *parsed;
      Fail("font", "font", *v);
    }
    return *ParseSlfFont(kDefaultFont);
  }

  // The first character of `mask` masks typed text; an empty value keeps the edit's own masking.
  std::optional<char> Mask() const {
    const std::optional<std::string> v = Raw("mask");
    if (!v) return '*';
    if (v->empty()) return std::nullopt;
    return v->front();
  }

  SlfAlignment Alignment() {
    const std::optional<std::string> v = Raw("alignment");
    if (!v || v->empty()) return SlfAlignment::Left;
    const std::optional<SlfAlignment> parsed = ParseSlfAlignment(*v);
    if (!parsed) {
      Fail("alignment", "alignment", *v);
      return SlfAlignment::Left;
    }
    return *parsed;
  }

  void Fail(std::string_view key, std::string_view what, std::string_view value) {
    errors_.push_back("bad " + std::string(what) + " \"" + std::string(value) + "\" in key " +
                      std::string(key));
  }

 private:
  const IniDocument& doc_;
  std::string section_;
  bool defaultsOnly_;
  std::vector<std::string> errors_;
};

std::optional<SlfControl> ControlOf(SlfTarget target) {
  switch (target) {
    case SlfTarget::UserNameBox:
      return SlfControl::UserNameBox;
    case SlfTarget::PasswordBox:
      return SlfControl::PasswordBox;
    case SlfTarget::OkButtonFlat:
      return SlfControl::OkButtonFlat;
    case SlfTarget::OkButton:
      return SlfControl::OkButton;
    case SlfTarget::ChangePasswordButtonFlat:
      return SlfControl::ChangePasswordButtonFlat;
    case SlfTarget::ChangePasswordButton:
      return SlfControl::ChangePasswordButton;
    case SlfTarget::LeaveMessageButtonFlat:
      return SlfControl::LeaveMessageButtonFlat;
    case SlfTarget::LeaveMessageButton:
      return SlfControl::LeaveMessageButton;
    case SlfTarget::MessageCountLabel:
      return SlfControl::MessageCountLabel;
    case SlfTarget::AwayMessageLabel:
      return SlfControl::AwayMessageLabel;
    case SlfTarget::AnalogClock:
      return SlfControl::AnalogClock;
    case SlfTarget::ClockLabel1:
      return SlfControl::ClockLabel1;
    case SlfTarget::ClockLabel2:
      return SlfControl::ClockLabel2;
    case SlfTarget::BrivakUptimeLabel:
      return SlfControl::BrivakUptimeLabel;
    case SlfTarget::SystemUptimeLabel:
      return SlfControl::SystemUptimeLabel;
    default:
      return std::nullopt;
  }
}

bool IsUnlockBox(SlfControl c) {
  return c == SlfControl::UserNameBox || c == SlfControl::PasswordBox || c == SlfControl::OkButtonFlat ||
         c == SlfControl::OkButton;
}

// Where a fallback unlock-box control goes: the name above the password, OK to its right.
std::pair<int, int> FallbackPlace(SlfControl c) {
  switch (c) {
    case SlfControl::UserNameBox:
      return {10, 10};
    case SlfControl::PasswordBox:
      return {10, 44};
    default:
      return {220, 44};
  }
}

// The keys of a fixed control's row, read through `r`.
SlfControlSpec ReadFixed(SlfControl c, KeyReader& r, const SlfLoadOptions& options) {
  SlfControlSpec s;
  s.left = r.Int("left", 0);
  s.top = r.Int("top", 0);
  s.font = r.Font();
  s.backColor = r.Color("backcolor", kSlfBlack);
  switch (c) {
    case SlfControl::UserNameBox:
    case SlfControl::PasswordBox:
      s.width = r.Size("width", c == SlfControl::UserNameBox ? 195 : 200);
      s.height = r.Size("height", 26);
      s.mask = r.Mask();
      break;
    case SlfControl::OkButtonFlat:
    case SlfControl::OkButton:
    case SlfControl::ChangePasswordButtonFlat:
    case SlfControl::ChangePasswordButton:
    case SlfControl::LeaveMessageButtonFlat:
    case SlfControl::LeaveMessageButton: {
      const bool ok = c == SlfControl::OkButtonFlat || c == SlfControl::OkButton;
      const bool leave = c == SlfControl::LeaveMessageButtonFlat || c == SlfControl::LeaveMessageButton;
      const bool flatStyle = c == SlfControl::OkButtonFlat || c == SlfControl::ChangePasswordButtonFlat ||
                             c == SlfControl::LeaveMessageButtonFlat;
      const std::optional<int> defWidth = ok ? std::nullopt : std::optional<int>(leave ? 135 : 200);
      const std::optional<int> defHeight = ok ? std::nullopt : std::optional<int>(26);
      s.width = r.Size("width", defWidth);
      s.height = r.Size("height", defHeight);
      s.caption = r.Text("caption", leave ? "Leave a Message" : kDefaultCaption);
      if (flatStyle) {
        s.transparent = r.Bool("transparent", false);
        s.flat = r.Bool("flat", true);
      }
      break;
    }
    case SlfControl::MessageCountLabel:
      s.width = r.Size("width", 200);
      s.height = r.Size("height", 26);
      s.caption = r.Text("caption", "0 Messages");
      s.transparent = r.Bool("transparent", true);
      s.autoSize = r.Bool("autosize", true);
      s.alignment = r.Alignment();
      break;
    case SlfControl::AwayMessageLabel:
      s.width = r.Size("width", 100);
      s.height = r.Size("height", 50);
      s.caption = r.Text("caption", options.awayMessage);
      s.transparent = r.Bool("transparent", true);
      s.autoSize = r.Bool("autosize", true);
      s.alignment = r.Alignment();
      break;
    case SlfControl::AnalogClock:
      s.width = r.Size("width", 100);
      s.height = r.Size("height", 50);
      s.backColor = r.Color("color", kSlfBlack);  // read after backcolor, so it wins
      s.dotsColor = r.Color("dotscolor", *ParseSlfColor("clTeal"));
      s.showSeconds = r.Bool("showseconds", true);
      break;
    case SlfControl::ClockLabel1:
    case SlfControl::ClockLabel2:
    case SlfControl::BrivakUptimeLabel:
    case SlfControl::SystemUptimeLabel:
      s.width = r.Size("width", 100);
      s.height = r.Size("height", 50);
      s.caption = r.Text("caption", kClockCaption);
      s.transparent = r.Bool("transparent", true);
      s.autoSize = r.Bool("autosize", true);
      s.format = r.Text("format", "h:nn:ss am/pm");
      s.alignment = r.Alignment();
      break;
  }
  s.visible = r.Bool("visible", true);
  return s;
}

SlfLabelSpec ReadLabel(KeyReader& r) {
  SlfLabelSpec s;
  s.left = r.Int("left", 0);
  s.top = r.Int("top", 0);
  s.font = r.Font();
  s.backColor = r.Color("backcolor", kSlfBlack);
  s.transparent = r.Bool("transparent", true);
  s.width = r.Size("width", 200);
  s.height = r.Size("height", 26);
  s.wordWrap = r.Bool("wordwrap", false);
  s.caption = r.Text("caption", kDefaultCaption);
  s.autoSize = r.Bool("autosize", false);
  s.alignment = r.Alignment();
  s.visible = true;  // labels have no visible key
  return s;
}

bool RealFileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// The image file: as written, else in the data folder, else in its "layouts/slf/" folder.
std::optional<std::string> ResolveImage(const std::string& fileName, const SlfLoadOptions& options) {
  if (fileName.empty()) return std::nullopt;
  std::string name = fileName;
  for (char& c : name) {
    if (c == '\\') c = '/';  // layouts written on Windows
  }
  std::string folder = options.dataFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const auto exists = options.fileExists ? options.fileExists : RealFileExists;
  for (const std::string& candidate : {name, folder + name, folder + "layouts/slf/" + name}) {
    if (exists(candidate)) return candidate;
  }
  return std::nullopt;
}

void Report(SlfLayout& layout, const std::string& section, const std::vector<std::string>& errors) {
  for (const std::string& e : errors) layout.problems.push_back({section, e});
}

void ApplyFallback(SlfLayout& layout, SlfControl c, const SlfLoadOptions& options, const IniDocument& doc) {
  KeyReader defaults(doc, "", true);
  SlfControlSpec item = ReadFixed(c, defaults, options);
  std::tie(item.left, item.top) = FallbackPlace(c);
  layout.fixed[static_cast<std::size_t>(c)] = std::move(item);
}

void ApplyTarget(SlfLayout& layout, const IniDocument& doc, const std::string& section, SlfTarget target,
                 const SlfLoadOptions& options) {
  KeyReader r(doc, section, false);
  if (target == SlfTarget::Background) {
    const SlfColor color = r.Color("color", kSlfBlack);
    if (r.Errors().empty()) layout.panelColor = color;
    return Report(layout, section, r.Errors());
  }
  if (const std::optional<SlfControl> control = ControlOf(target)) {
    SlfControlSpec item = ReadFixed(*control, r, options);
    if (r.Errors().empty()) {
      layout.fixed[static_cast<std::size_t>(*control)] = std::move(item);
    } else {
      Report(layout, section, r.Errors());
      if (IsUnlockBox(*control)) ApplyFallback(layout, *control, options, doc);
    }
    return;
  }
  switch (target) {
    case SlfTarget::Label: {
      SlfLabelSpec item = ReadLabel(r);
      if (r.Errors().empty()) layout.created.emplace_back(std::move(item));
      break;
    }
    case SlfTarget::Image: {
      SlfImageSpec item;
      item.left = r.Int("left", 0);
      item.top = r.Int("top", 0);
      item.width = r.Size("width", 200);
      item.height = r.Size("height", 26);
      item.transparent = r.Bool("transparent", true);
      item.autoSize = r.Bool("autosize", true);
      item.fileName = r.Text("filename", "none");
      if (r.Errors().empty()) {
        if (std::optional<std::string> path = ResolveImage(item.fileName, options)) {
          item.path = std::move(*path);
          layout.created.emplace_back(std::move(item));
        } else {
          layout.problems.push_back({section, "image file not found: \"" + item.fileName + "\""});
        }
      }
      break;
    }
    case SlfTarget::Bevel: {
      SlfBevelSpec item;
      item.left = r.Int("left", 0);
      item.top = r.Int("top", 0);
      item.width = r.Size("width", 200);
      item.height = r.Size("height", 26);
      item.lowered = r.Bool("raised", false);  // inverted, and existing layouts rely on it
      if (r.Errors().empty()) layout.created.emplace_back(item);
      break;
    }
    case SlfTarget::GroupBox: {
      SlfGroupBoxSpec item;
      item.left = r.Int("left", 40);
      item.top = r.Int("top", 60);
      item.width = r.Size("width", 40);
      item.height = r.Size("height", 60);
      item.caption = r.Text("caption", "GroupBox%");
      item.backColor = r.Color("backcolor", kSlfBlack);
      if (r.Errors().empty()) layout.created.emplace_back(std::move(item));
      break;
    }
    case SlfTarget::PlugIn: {
      SlfPluginSpec item;
      item.left = r.Int("left", 40);
      item.top = r.Int("top", 60);
      item.width = r.Size("width", 40);
      item.height = r.Size("height", 60);
      item.fileName = r.Text("filename", "");
      if (r.Errors().empty()) layout.created.emplace_back(std::move(item));
      break;
    }
    default:
      break;
  }
  Report(layout, section, r.Errors());
}

}  // namespace

std::vector<SlfTarget> MatchSlfSection(std::string_view sectionName) {
  const std::string upper = Upper(sectionName);
  std::vector<SlfTarget> targets;
  if (Contains(sectionName, "BackGround")) targets.push_back(SlfTarget::Background);
  if (Contains(upper, "EXITUSERNAMEBOX")) targets.push_back(SlfTarget::UserNameBox);
  if (Contains(upper, "EXITPASSWORDBOX")) targets.push_back(SlfTarget::PasswordBox);
  if (upper.starts_with("LABEL")) targets.push_back(SlfTarget::Label);
  if (Contains(upper, "EXITOKBUTTON")) targets.push_back(SlfTarget::OkButtonFlat);
  if (Contains(upper, "EXITOKBUTTON2")) targets.push_back(SlfTarget::OkButton);
  if (Contains(upper, "CHANGEPASSWORDBUTTON")) targets.push_back(SlfTarget::ChangePasswordButtonFlat);
  if (Contains(upper, "CHANGEPASSWORDBUTTON2")) targets.push_back(SlfTarget::ChangePasswordButton);
  if (Contains(upper, "LEAVEMESSAGEBUTTON")) targets.push_back(SlfTarget::LeaveMessageButtonFlat);
  if (Contains(upper, "LEAVEMESSAGEBUTTON2")) targets.push_back(SlfTarget::LeaveMessageButton);
  if (Contains(upper, "MESSAGECOUNTLABEL")) targets.push_back(SlfTarget::MessageCountLabel);
  if (Contains(upper, "AWAYMESSAGELABEL")) targets.push_back(SlfTarget::AwayMessageLabel);
  if (Contains(upper, "ANALOGCLOCK")) targets.push_back(SlfTarget::AnalogClock);
  if (Contains(upper, "CLOCKLABEL")) targets.push_back(SlfTarget::ClockLabel1);
  if (Contains(upper, "CLOCKLABEL2")) targets.push_back(SlfTarget::ClockLabel2);
  if (Contains(upper, "BRIVAKUPTIMELABEL")) targets.push_back(SlfTarget::BrivakUptimeLabel);
  if (Contains(upper, "SYSTEMUPTIMELABEL")) targets.push_back(SlfTarget::SystemUptimeLabel);
  if (Contains(upper, "IMAGE")) targets.push_back(SlfTarget::Image);
  if (Contains(upper, "BEVEL")) targets.push_back(SlfTarget::Bevel);
  if (Contains(upper, "GROUPBOX")) targets.push_back(SlfTarget::GroupBox);
  if (Contains(upper, "PLUGIN")) targets.push_back(SlfTarget::PlugIn);
  return targets;
}

bool SlfLayout::HasUnlockBox() const {
  const std::optional<SlfControlSpec>& password = Fixed(SlfControl::PasswordBox);
  return password && password->visible;
}

SlfLayout LoadSlfLayout(const IniDocument& doc, const SlfLoadOptions& options) {
  SlfLayout layout;
  for (const std::string& section : doc.SectionNames()) {
    for (const SlfTarget target : MatchSlfSection(section)) {
      ApplyTarget(layout, doc, section, target, options);
    }
  }
  return layout;
}

SlfLayout LoadSlfLayoutFile(const std::string& path, const SlfLoadOptions& options) {
  std::ifstream in;
  if (RealFileExists(path)) in.open(path, std::ios::binary);
  if (!in.is_open()) {
    SlfLayout layout;
    layout.problems.push_back({path, "layout file cannot be read"});
    const IniDocument empty;
    for (const SlfControl c : {SlfControl::PasswordBox, SlfControl::OkButton}) {
      ApplyFallback(layout, c, options, empty);
    }
    return layout;
  }
  std::ostringstream text;
  text << in.rdbuf();  // an empty file reads as no sections
  return LoadSlfLayout(IniDocument::Parse(text.str()), options);
}

std::optional<std::string> SlfLiveLabelText(SlfControl control, const SlfControlSpec& item,
                                            const platform::LocalTime& now, long long lockSeconds,
                                            long long systemSeconds) {
  switch (control) {
    case SlfControl::ClockLabel1:
    case SlfControl::ClockLabel2:
      return FormatSlfClock(item.format, now);
    case SlfControl::BrivakUptimeLabel:
      return SecondsToTimeStr(lockSeconds);
    case SlfControl::SystemUptimeLabel:
      return SecondsToTimeStr(systemSeconds);
    default:
      return std::nullopt;
  }
}

std::string SlfLayoutTitle(const IniDocument& doc) {
  return doc.ReadString("Layout", "Title", "Untitled");
}

}  // namespace brivak::core
