// What a locker's reply to one command means: done, refused or failed. A locker answers HTTP 200
// to nearly everything, refusals included, so the outcome is read from the reply text of the
// command that was sent, once, here; the log panel, the status bar, the headless output and the
// web pages all show this outcome and never decide for themselves.
//
// The reply text is the page body's text (between "<HTML><BODY><B>200 " and "</B></BODY></HTML>")
// or, for a status-only reply, the status line's text. An empty "OK" (status-only, no body) is
// what a locker answers when its address filter refuses the caller; for "runupdatescript" (no
// script), "getlog" (busy, unreadable) and the words the locker does not know ("readlog",
// "shutdowncomp") it is also an allowed reply. Those replies come back as NeedsAddressProbe: the
// caller asks the same locker for "/query" and ResolveWithProbe decides from that answer (a
// refused address answers every request with the empty "OK").
//
// Pure functions; safe on any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "manager/core/HttpLookup.h"

namespace brivak::manager {

enum class Outcome { Done, Refused, Failed };

enum class Refusal {
  None,
  Credentials,    // wrong password, unknown user, too low a level ("cant lock, not authenticated", ...)
  AddressFilter,  // the locker's allowed-address list does not hold this manager
};

struct CommandOutcome {
  Outcome outcome = Outcome::Failed;
  Refusal refusal = Refusal::None;
  // The locker's own text ("locked", "cant lock, not authenticated"), or why it failed.
  std::string text;
  // An empty "OK" that an allowed request may also get: ask "/query" and ResolveWithProbe.
  bool needsAddressProbe = false;
};

// "done", "refused", "failed".
std::string_view OutcomeWord(Outcome outcome);

// The text of a reply: a page's text, or the status line's text of a status-only reply.
std::string ReplyText(const HttpLookupResult& result);
// True for the status-only "OK" with no body.
bool IsEmptyOk(const HttpLookupResult& result);

// The outcome of `result`, the reply to the command word `command` ("lock", "query", ...).
// `address` goes into the failure texts ("Connection timed out (127.0.0.2)").
CommandOutcome ClassifyReply(std::string_view command, const HttpLookupResult& result,
                             std::string_view address = {});

// For an outcome that needs the probe: `probe` is the same locker's reply to "/query" with the
// same credentials. An empty "OK" there too means the address filter refused this manager.
CommandOutcome ResolveWithProbe(std::string_view command, const CommandOutcome& first,
                                const HttpLookupResult& probe);

// One line for the log panel and the headless output: "done: locked",
// "refused: cant lock, not authenticated", "failed: Connection timed out (127.0.0.2)".
std::string OutcomeLine(const CommandOutcome& outcome);

// How a command sent to several computers ended.
struct OutcomeCounts {
  std::size_t done = 0;
  std::size_t refused = 0;
  std::size_t failed = 0;
  void Add(Outcome outcome);
  std::size_t Total() const { return done + refused + failed; }
};

// "3 done, 1 refused, 0 failed".
std::string CountsText(const OutcomeCounts& counts);

}  // namespace brivak::manager
