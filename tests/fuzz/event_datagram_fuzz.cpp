// libFuzzer target for the event reports that lockers send to the manager's port 8778: any
// datagram makes exactly one log line, of bounded length, in one of its three forms.
#include <string>

#include "manager/core/EventDatagram.h"
#include "FuzzSupport.h"

using namespace brivak;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line = manager::EventDatagramLine(fuzz::AsText(data, size), "127.0.0.1", 40000);
  Check(fuzz::OneLine(line));
  Check(line.size() <= manager::kEventTextLimit + 64);
  Check(line.starts_with("UDP: Security Event: From 127.0.0.1:40000 : ") ||
        line.starts_with("UDP: Power Event: From 127.0.0.1:40000 : ") ||
        line.starts_with("Unknown UDP datagram: "));
  return 0;
}
