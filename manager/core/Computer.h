// The manager's inventory: one `TComputer` record per locker, filled from the locker's reply to
// "/query" (the status record of ReturnQuery), and the texts of the list's columns.
//
// A reply is parsed whole before anything is applied: a missing tag gives an empty field, a
// `cpu` or `ram` value that is not a decimal integer leaves the inventory unchanged.
// Every record carries an id that stays with it through updates and sorts, so selections can
// follow the record rather than its row.
//
// Thread-safety: none. The inventory lives on the manager's user-interface thread; other threads
// hand replies to that thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivak::manager {

using ComputerId = std::uint64_t;  // 0 = no record
inline constexpr ComputerId kNoComputer = 0;

// Capacities of the text fields, in characters; longer texts are cut.
inline constexpr std::size_t kNameCapacity = 255;
inline constexpr std::size_t kRemoteIPCapacity = 15;
inline constexpr std::size_t kMACCapacity = 18;
inline constexpr std::size_t kRDPCapacity = 3;
inline constexpr std::size_t kTextCapacity = 255;

struct TComputer {
  std::string ComputerName;   // computername; the record's key (exact, case-sensitive)
  std::string RemoteIP;       // the address requests go to
  std::string MACaddress;     // mac
  std::string StatusStr;      // status; "Locked" means locked
  std::string CurrentUser;    // currentuser
  std::string IdleTime;       // idletime, seconds as text
  std::string UpTime;         // uptime, seconds as text
  std::string WorkGroup;      // group
  std::string BrivakVersion;  // brivakversion
  std::string Comments;       // comments
  std::string MasterIP;       // masterip
  std::string LayoutFile;     // layout
  std::string RDP;            // rdp; "-1" inside a remote-desktop session
  std::string LockTime;       // locktime, seconds as text
  std::int32_t CPUUse = 0;    // cpu, percent
  std::int32_t RAMUse = 0;    // ram, percent
  std::int32_t StateIndex = 0;
  std::int32_t ImageIndex = 0;
  ComputerId id = kNoComputer;  // given by the inventory when the record is added

  friend bool operator==(const TComputer&, const TComputer&) = default;
};

// The value between "<tag>" and the first "</tag>" after it; nothing when either is missing.
std::optional<std::string> FindTagValue(std::string_view reply, std::string_view tag);
// `TagValue`: the same, "" when the pair is missing.
std::string TagValue(std::string_view reply, std::string_view tag);

// `text` cut to `capacity` characters (UTF-8 sequences are never split).
std::string CutToCapacity(std::string_view text, std::size_t capacity);

// The outcome of reading one reply.
struct ParsedReply {
  std::optional<TComputer> record;  // all fields read (id 0); empty when the reply is unusable
  std::string error;                // why it is unusable
};

// Reads a whole status reply (the bare record or the page around it). Unusable: no
// "<computername>" pair, or a `cpu`/`ram` value present but not a decimal integer. A missing
// `cpu`/`ram` tag reads as 0. RemoteIP is `fromAddress` when given (the address that answered),
// else the reply's `internalip`: the manager reaches and recognises a locker by the address it
// queried, whatever the locker believes its own address to be.
ParsedReply ParseQueryReply(std::string_view reply, std::string_view fromAddress = {});

enum class ReplyOutcome { Added, Updated, Rejected };

struct ApplyResult {
  ReplyOutcome outcome = ReplyOutcome::Rejected;
  int index = -1;  // row of the record, -1 when rejected
  ComputerId id = kNoComputer;
  std::string error;  // when rejected
};

// Trace-line writer of the list (the manager's `DebugLine`); may be empty.
using DebugLineFn = std::function<void(std::string_view)>;

// `TComputerList`: the inventory. Owns its records; row i of the list shows record i.
class TComputerList {
 public:
  // `ResponseToLV` without the list refresh: parses the reply whole, then updates the first record
  // of the same ComputerName (a later reply of another locker with that name wins, address
  // included) or appends a new record. Nothing changes when the reply is rejected.
  ApplyResult ResponseToLV(std::string_view reply, std::string_view fromAddress = {});
  // Applies an already parsed record the same way (its id is ignored).
  ApplyResult Apply(const TComputer& parsed);

  // A copy of another list's record (the window's mirror of the controller's inventory): replaces
  // the record of the same id, or appends it with its id. Returns its row; `appended` says which.
  int Put(const TComputer& record, bool* appended = nullptr);
  int Count() const { return static_cast<int>(items_.size()); }
  // The record at a row; nullptr beyond the inventory (such a row shows nothing).
  const TComputer* Row(int index) const;
  const TComputer* Find(ComputerId id) const;
  int IndexOf(ComputerId id) const;  // -1 when gone
  const std::vector<TComputer>& Items() const { return items_; }

  // `ComputerGetIndex`: the last record whose ComputerName equals `name` exactly, or -1. Writes
  // "ComputerGetIndex:" + name, then "ComputerGetIndex: Found: " + index or
  // "ComputerGetIndex: NOT Found: -1".
  int ComputerGetIndex(std::string_view name, const DebugLineFn& debugLine = {}) const;

  // Discovery's clean-up: removes, from the last record to the first, every record whose
  // RemoteIP is not in `answered`. Returns the ids removed.
  std::vector<ComputerId> RemoveSilent(const std::vector<std::string>& answered);
  bool Remove(ComputerId id);
  void Clear();

  // Reorders the records by `less`, keeping the order of equal ones.
  void StableSort(const std::function<bool(const TComputer&, const TComputer&)>& less);

 private:
  std::vector<TComputer> items_;
  ComputerId nextId_ = 1;
};

// `IsInvalidIP`: false only for a dotted IPv4 text: digits and exactly three dots, four non-empty
// groups, at most three digits in each of the first three, every value at most 255, no leading
// '0' in the first group, and in any other group a leading '0' only when its value is 0.
bool IsInvalidIP(std::string_view text);

// `SecondsText`: "(n/a)" unless the text is a non-negative decimal integer, else its
// SecondsToTimeStr ("59 sec", "1 hrs 0 min 0 sec", ...).
std::string SecondsText(std::string_view text);

// The list's seventeen columns, numbered from 1.
inline constexpr int kColumnCount = 17;
// Caption of a column ("Computer", "IP Address", ...); "" outside 1..17.
std::string_view ColumnCaption(int column);
// What a row shows in a column; "" outside 1..17 (and for "AdminMode", "SysUpTime").
std::string ColumnText(const TComputer& computer, int column);

}  // namespace brivak::manager
