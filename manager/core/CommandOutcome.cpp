#include "manager/core/CommandOutcome.h"

#include <array>

namespace brivak::manager {

namespace {

constexpr std::string_view kPageStart = "<HTML><BODY><B>200 ";
constexpr std::string_view kPageEnd = "</B></BODY></HTML>";
constexpr std::string_view kAddressRefusedText =
    "OK (an empty reply: the locker's allowed addresses do not include this manager)";

// How an allowed reply of one command reads.
enum class DoneRule {
  Exact,       // the text equals `done`
  Contains,    // the text contains `done` (the data replies: "<computername>", "<userlist>", ...)
  AnyText,     // any non-empty text (a script, a day's log)
  AcceptedOk,  // "OK": the word is unknown to the locker, which only checked the credentials
};

// What an empty "OK" means when the address filter let the request through.
enum class EmptyOk { NeverAllowed, Done, Failed };

struct CommandRule {
  std::string_view command;
  DoneRule rule;
  std::string_view done;
  std::string_view refused;  // the command's own refusal text
  EmptyOk emptyOk = EmptyOk::NeverAllowed;
  std::string_view emptyOkText = {};  // the failure text when EmptyOk::Failed
};

constexpr std::array kRules = {
    CommandRule{"query", DoneRule::Contains, "<computername>", "unauthenticated,  you are not admin"},
    CommandRule{"listlayouts", DoneRule::Contains, "<layoutlist>", "unauthenticated"},
    CommandRule{"listlogs", DoneRule::Contains, "<loglist>", "unauthenticated"},
    CommandRule{"getlog", DoneRule::AnyText, "", "unauthenticated", EmptyOk::Failed,
                "OK (no log was sent: the locker is serving another log, or could not read this one)"},
    CommandRule{"lock", DoneRule::Exact, "locked", "cant lock, not authenticated"},
    CommandRule{"changelayout", DoneRule::Exact, "locked", "cant lock, not authenticated"},
    CommandRule{"viewupdatescript", DoneRule::AnyText, "", "cant view script, not authenticated"},
    CommandRule{"runupdatescript", DoneRule::Exact, "Script was run.", "cant run update script, not authenticated",
                EmptyOk::Failed, "OK (nothing was run: the locker has no update script)"},
    CommandRule{"update", DoneRule::Exact, "Update initiated", "cant update, not authenticated"},
    CommandRule{"halt", DoneRule::Exact, "OK, halting.", "cant halt, not authenticated"},
    CommandRule{"getuserlist", DoneRule::Contains, "<userlist>", "cant fetch user list, not authenticated"},
    CommandRule{"unlock", DoneRule::Exact, "unlocking", "cant Shutdown, not authenticated"},
    CommandRule{"standby", DoneRule::Exact, "Standing by..", "Cant Standby, not authenticated"},
    CommandRule{"hibernate", DoneRule::Exact, "Hibernating...", "Cant Hibernbate, not authenticated"},
    CommandRule{"remotemessage", DoneRule::Exact, "leaving msg...", "Cant message, not authenticated"},
};

// The words the locker does not know answer with the credential check alone.
constexpr CommandRule kUnknownWord{"", DoneRule::AcceptedOk, "OK", "", EmptyOk::Done};

// The credential check's own texts, which stay when no command overwrites them.
constexpr std::array<std::string_view, 3> kCredentialTexts = {"user not found", "incorrect password", "no access"};

const CommandRule& RuleOf(std::string_view command) {
  for (const CommandRule& rule : kRules)
    if (rule.command == command) return rule;
  return kUnknownWord;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string WithAddress(std::string text, std::string_view address) {
  if (!address.empty()) text += " (" + std::string(address) + ")";
  return text;
}

CommandOutcome Make(Outcome outcome, std::string text, Refusal refusal = Refusal::None) {
  CommandOutcome result;
  result.outcome = outcome;
  result.refusal = refusal;
  result.text = std::move(text);
  return result;
}

// The reply to `rule` when the address filter let it through and it is not an empty "OK".
CommandOutcome ClassifyText(const CommandRule& rule, const std::string& text) {
  if (!rule.refused.empty() && text == rule.refused) return Make(Outcome::Refused, text, Refusal::Credentials);
  for (std::string_view credential : kCredentialTexts)
    if (text == credential) return Make(Outcome::Refused, text, Refusal::Credentials);
  bool done = false;
  switch (rule.rule) {
    case DoneRule::Exact:
    case DoneRule::AcceptedOk:
      done = text == rule.done;
      break;
    case DoneRule::Contains:
      done = text.find(rule.done) != std::string::npos;
      break;
    case DoneRule::AnyText:
      done = !text.empty();
      break;
  }
  if (done) return Make(Outcome::Done, text);
  return Make(Outcome::Failed, "unexpected reply: " + (text.empty() ? std::string("(empty)") : text));
}

}  // namespace

std::string_view OutcomeWord(Outcome outcome) {
  switch (outcome) {
    case Outcome::Done: return "done";
    case Outcome::Refused: return "refused";
    case Outcome::Failed: return "failed";
  }
  return "failed";
}

bool IsEmptyOk(const HttpLookupResult& result) {
  return result.outcome == HttpLookupResult::Outcome::Ok && result.status == 200 && result.body.empty() &&
         result.reason == "OK";
}

std::string ReplyText(const HttpLookupResult& result) {
  if (result.body.empty()) return result.reason;
  std::string_view body = result.body;
  while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.remove_suffix(1);
  if (StartsWith(body, kPageStart) && body.size() >= kPageStart.size() + kPageEnd.size() &&
      body.substr(body.size() - kPageEnd.size()) == kPageEnd) {
    body = body.substr(kPageStart.size(), body.size() - kPageStart.size() - kPageEnd.size());
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.remove_suffix(1);
  }
  return std::string(body);
}

CommandOutcome ClassifyReply(std::string_view command, const HttpLookupResult& result, std::string_view address) {
  using O = HttpLookupResult::Outcome;
  switch (result.outcome) {
    case O::ConnectTimeout: return Make(Outcome::Failed, WithAddress("Connection timed out", address));
    case O::ReadTimeout: return Make(Outcome::Failed, WithAddress("No reply in time", address));
    case O::Failed:
      return Make(Outcome::Failed, WithAddress(result.error.empty() ? "Request failed" : result.error, address));
    case O::Ok: break;
  }
  if (result.status != 200) {
    std::string text = "HTTP error " + std::to_string(result.status);
    const std::string reply = ReplyText(result);
    if (!reply.empty()) text += ": " + reply;
    return Make(Outcome::Failed, WithAddress(text, address));
  }
  const CommandRule& rule = RuleOf(command);
  if (IsEmptyOk(result)) {
    if (rule.emptyOk == EmptyOk::NeverAllowed) return Make(Outcome::Refused, std::string(kAddressRefusedText), Refusal::AddressFilter);
    CommandOutcome pending = Make(Outcome::Failed, "OK");
    pending.needsAddressProbe = true;
    return pending;
  }
  return ClassifyText(rule, ReplyText(result));
}

CommandOutcome ResolveWithProbe(std::string_view command, const CommandOutcome& first, const HttpLookupResult& probe) {
  if (!first.needsAddressProbe) return first;
  if (IsEmptyOk(probe)) return Make(Outcome::Refused, std::string(kAddressRefusedText), Refusal::AddressFilter);
  const CommandRule& rule = RuleOf(command);
  if (probe.outcome != HttpLookupResult::Outcome::Ok) {
    return Make(Outcome::Failed, "OK (the locker did not answer the check of its address filter: " +
                                     ClassifyReply("query", probe).text + ")");
  }
  if (rule.emptyOk == EmptyOk::Done) return Make(Outcome::Done, "OK");
  return Make(Outcome::Failed, std::string(rule.emptyOkText));
}

std::string OutcomeLine(const CommandOutcome& outcome) {
  return std::string(OutcomeWord(outcome.outcome)) + ": " + outcome.text;
}

void OutcomeCounts::Add(Outcome outcome) {
  switch (outcome) {
    case Outcome::Done: ++done; break;
    case Outcome::Refused: ++refused; break;
    case Outcome::Failed: ++failed; break;
  }
}

std::string CountsText(const OutcomeCounts& counts) {
  return std::to_string(counts.done) + " done, " + std::to_string(counts.refused) + " refused, " +
         std::to_string(counts.failed) + " failed";
}

}  // namespace brivak::manager
