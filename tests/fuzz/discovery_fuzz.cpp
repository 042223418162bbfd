// libFuzzer target for the discovery datagram on the locker's port 8777: an answer goes out exactly
// when the datagram asks "/query?", and it is the one byte the manager expects. The security and
// power event datagrams the locker builds from outside text are checked alongside: one "/se:" or
// "/pe:" datagram whose text survives the manager's reader as one line.
#include <string>

#include "manager/core/EventDatagram.h"
#include "proj/core/RemoteRequest.h"
#include "FuzzSupport.h"

using namespace brivak;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::AsText(data, size);
  const std::optional<std::string> answer = core::DiscoveryAnswer(text, "127.0.0.1");
  Check(answer.has_value() == (text.find("/query?") != std::string_view::npos));
  if (answer) Check(*answer == "1");
  Check(!core::DiscoveryAnswer(text, "").has_value());

  const std::string security = core::SecurityEventDatagram(text);
  Check(security.starts_with("/se:"));
  Check(manager::EventDatagramLine(security, "127.0.0.1", 8777).starts_with("UDP: Security Event: "));
  const std::string power = core::PowerEventDatagram(text);
  Check(power.starts_with("/pe:"));
  return 0;
}
