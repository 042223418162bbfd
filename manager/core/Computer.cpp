#include "manager/core/Computer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <stdexcept>

#include "common/Stools.h"

namespace brivak::manager {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The whole text as a 32-bit decimal integer (optional sign), else nothing.
std::optional<std::int32_t> ReadNumber(std::string_view text) {
  try {
    return StrToInt(text);
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  }
}

// A `cpu`/`ram` tag: missing reads as 0; present, it must be a decimal integer.
bool ReadNumberTag(std::string_view reply, std::string_view tag, std::int32_t& out, std::string& error) {
  const std::optional<std::string> text = FindTagValue(reply, tag);
  if (!text) {
    out = 0;
    return true;
  }
  const std::optional<std::int32_t> value = ReadNumber(*text);
  if (!value) {
    error = "'" + CutToCapacity(*text, 40) + "' in <" + std::string(tag) + "> is not a valid integer value";
    return false;
  }
  out = *value;
  return true;
}

constexpr std::array<std::string_view, kColumnCount> kCaptions = {
    "Computer",  "IP Address", "Status",    "Current User", "Idle",        "System Uptime",
    "Last Lock", "Version",    "Layout",    "Comments",     "MAC Address", "Group",
    "Master IP", "AdminMode",  "SysUpTime", "CPU Use",      "RAM Use"};

}  // namespace

std::optional<std::string> FindTagValue(std::string_view reply, std::string_view tag) {
  const std::string open = "<" + std::string(tag) + ">";
  const std::string close = "</" + std::string(tag) + ">";
  const std::size_t start = reply.find(open);
  if (start == std::string_view::npos) return std::nullopt;
  const std::size_t from = start + open.size();
  const std::size_t end = reply.find(close, from);
  if (end == std::string_view::npos) return std::nullopt;
  return std::string(reply.substr(from, end - from));
}

std::string TagValue(std::string_view reply, std::string_view tag) {
  return FindTagValue(reply, tag).value_or(std::string());
}

std::string CutToCapacity(std::string_view text, std::size_t capacity) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) == 0x80) continue;  // continuation byte of the current character
    if (characters == capacity) return std::string(text.substr(0, i));
    ++characters;
  }
  return std::string(text);
}

ParsedReply ParseQueryReply(std::string_view reply, std::string_view fromAddress) {
  ParsedReply out;
  const std::optional<std::string> name = FindTagValue(reply, "computername");
  if (!name) {
    out.error = "the reply holds no <computername>";
    return out;
  }
  TComputer c;
  auto text = [&](std::string_view tag, std::size_t capacity) {
    return CutToCapacity(TagValue(reply, tag), capacity);
  };
  c.ComputerName = CutToCapacity(*name, kNameCapacity);
  c.RemoteIP = CutToCapacity(fromAddress.empty() ? TagValue(reply, "internalip") : std::string(fromAddress),
                             kRemoteIPCapacity);
  c.MACaddress = text("mac", kMACCapacity);
  c.StatusStr = text("status", kTextCapacity);
  c.CurrentUser = text("currentuser", kTextCapacity);
  c.IdleTime = text("idletime", kTextCapacity);
  c.UpTime = text("uptime", kTextCapacity);
  c.WorkGroup = text("group", kTextCapacity);
  c.BrivakVersion = text("brivakversion", kTextCapacity);
  c.Comments = text("comments", kTextCapacity);
  c.MasterIP = text("masterip", kTextCapacity);
  c.LayoutFile = text("layout", kTextCapacity);
  c.RDP = text("rdp", kRDPCapacity);
  c.LockTime = text("locktime", kTextCapacity);
  if (!ReadNumberTag(reply, "cpu", c.CPUUse, out.error) ||
      !ReadNumberTag(reply, "ram", c.RAMUse, out.error)) {
    return out;
  }
  out.record = std::move(c);
  return out;
}

ApplyResult TComputerList::ResponseToLV(std::string_view reply, std::string_view fromAddress) {
  ParsedReply parsed = ParseQueryReply(reply, fromAddress);
  if (!parsed.record) {
    ApplyResult rejected;
    rejected.error = std::move(parsed.error);
    return rejected;
  }
  return Apply(*parsed.record);
}

ApplyResult TComputerList::Apply(const TComputer& parsed) {
  ApplyResult result;
  const auto it = std::find_if(items_.begin(), items_.end(),
                               [&](const TComputer& c) { return c.ComputerName == parsed.ComputerName; });
  if (it != items_.end()) {
    // The row's images belong to the list, not to the reply.
    const ComputerId id = it->id;
    const std::int32_t stateIndex = it->StateIndex;
    const std::int32_t imageIndex = it->ImageIndex;
    *it = parsed;
    it->id = id;
    it->StateIndex = stateIndex;
    it->ImageIndex = imageIndex;
    result.outcome = ReplyOutcome::Updated;
    result.index = static_cast<int>(it - items_.begin());
    result.id = id;
    return result;
  }
  TComputer added = parsed;
  added.id = nextId_++;
  added.StateIndex = 0;
  added.ImageIndex = 0;
  items_.push_back(std::move(added));
  result.outcome = ReplyOutcome::Added;
  result.index = Count() - 1;
  result.id = items_.back().id;
  return result;
}

int TComputerList::Put(const TComputer& record, bool* appended) {
  const int index = IndexOf(record.id);
  if (appended != nullptr) *appended = index < 0;
  if (index >= 0) {
    items_[static_cast<std::size_t>(index)] = record;
    return index;
  }
  items_.push_back(record);
  if (record.id >= nextId_) nextId_ = record.id + 1;
  return Count() - 1;
}

const TComputer* TComputerList::Row(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &items_[static_cast<std::size_t>(index)];
}

const TComputer* TComputerList::Find(ComputerId id) const {
  return Row(IndexOf(id));
}

int TComputerList::IndexOf(ComputerId id) const {
  if (id == kNoComputer) return -1;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].id == id) return static_cast<int>(i);
  }
  return -1;
}

int TComputerList::ComputerGetIndex(std::string_view name, const DebugLineFn& debugLine) const {
  if (debugLine) debugLine("ComputerGetIndex:" + std::string(name));
  for (int i = Count() - 1; i >= 0; --i) {
    if (items_[static_cast<std::size_t>(i)].ComputerName == name) {
      if (debugLine) debugLine("ComputerGetIndex: Found: " + std::to_string(i));
      return i;
    }
  }
  if (debugLine) debugLine("ComputerGetIndex: NOT Found: -1");
  return -1;
}

std::vector<ComputerId> TComputerList::RemoveSilent(const std::vector<std::string>& answered) {
  std::vector<ComputerId> removed;
  for (std::size_t i = items_.size(); i-- > 0;) {
    if (std::find(answered.begin(), answered.end(), items_[i].RemoteIP) == answered.end()) {
      removed.push_back(items_[i].id);
      items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  return removed;
}

bool TComputerList::Remove(ComputerId id) {
  const int index = IndexOf(id);
  if (index < 0) return false;
  items_.erase(items_.begin() + index);
  return true;
}

void TComputerList::Clear() {
  items_.clear();
}

void TComputerList::StableSort(const std::function<bool(const TComputer&, const TComputer&)>& less) {
  std::stable_sort(items_.begin(), items_.end(), less);
}

bool IsInvalidIP(std::string_view text) {
  if (std::count(text.begin(), text.end(), '.') != 3) return true;
  std::size_t groupStart = 0;
  for (int group = 0; group < 4; ++group) {
    const std::size_t dot = group < 3 ? text.find('.', groupStart) : text.size();
    const std::string_view digits = text.substr(groupStart, dot - groupStart);
    groupStart = dot + 1;
    if (digits.empty()) return true;
    if (group < 3 && digits.size() > 3) return true;
    int value = 0;
    for (const char c : digits) {
      if (!IsDigit(c)) return true;
      value = std::min(value * 10 + (c - '0'), 256);  // saturates: anything above 255 is invalid
    }
    if (value > 255) return true;
    if (digits.front() == '0' && (group == 0 || value != 0)) return true;
  }
  return false;
}

std::string SecondsText(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  if (digits.empty() || !IsDigit(digits.front())) return "(n/a)";
  long long value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size()) return "(n/a)";
  return SecondsToTimeStr(value);
}

std::string_view ColumnCaption(int column) {
  if (column < 1 || column > kColumnCount) return {};
  return kCaptions[static_cast<std::size_t>(column - 1)];
}

std::string ColumnText(const TComputer& c, int column) {
  switch (column) {
    case 1:
      return c.ComputerName;
    case 2:
      return c.RemoteIP;
    case 3:
      return c.StatusStr;
    case 4:
      return c.CurrentUser;
    case 5:
      return SecondsText(c.IdleTime);
    case 6:
      return SecondsText(c.UpTime);
    case 7:
      return SecondsText(c.LockTime);
    case 8:
      return c.BrivakVersion;
    case 9:
      return c.LayoutFile;
    case 10:
      return c.Comments;
    case 11:
      return c.MACaddress;
    case 12:
      return c.WorkGroup;
    case 13:
      return c.MasterIP;
    case 16:
      return std::to_string(c.CPUUse) + "%";
    case 17:
      return std::to_string(c.RAMUse) + "%";
    default:
      return {};
  }
}

}  // namespace brivak::manager
