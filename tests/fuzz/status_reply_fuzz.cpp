// libFuzzer target for the manager's readers of locker replies: the status record of "/query"
// (with and without the answering address), the layout list and the log list. A usable record
// carries a computer name and the address it came from; an unusable one says why.
#include <string>

#include "manager/core/CommandUrls.h"
#include "manager/core/Computer.h"
#include "manager/core/RemoteLogs.h"
#include "FuzzSupport.h"

using namespace brivak;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::AsText(data, size);
  const manager::ParsedReply fromPeer = manager::ParseQueryReply(text, "127.0.0.1");
  Check(fromPeer.record.has_value() != !fromPeer.error.empty());
  if (fromPeer.record) Check(fromPeer.record->RemoteIP == "127.0.0.1");
  const manager::ParsedReply bare = manager::ParseQueryReply(text);
  Check(bare.record.has_value() == fromPeer.record.has_value());
  (void)manager::TagValue(text, "computername");
  (void)manager::ParseLayoutList(text);
  manager::HttpLookupResult result;
  result.outcome = manager::HttpLookupResult::Outcome::Ok;
  result.status = 200;
  result.body = std::string(text);
  (void)manager::ParseLogListReply(result);
  return 0;
}
