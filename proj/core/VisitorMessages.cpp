#include "proj/core/VisitorMessages.h"

#include "common/Stools.h"

namespace brivak::core {

const TMessageObject& TMessageList::NewMessage(const platform::LocalTime& now, std::string from,
                                               std::string subject, std::string body) {
  items_.emplace_back(TMessageData{now, std::move(from), std::move(subject), std::move(body)});
  return items_.back();
}

std::string MessageCountText(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " Message" : " Messages");
}

std::string RemoteNoteBody(const RemoteMessage& message) {
  return message.body + "\r\n\r\nFrom email: " + message.email;
}

std::optional<NoteProblem> CheckNote(const MessageSettings& settings, const NoteEntry& entry) {
  if (settings.reqName && entry.from.empty()) {
    return NoteProblem{"You must enter in your name into the From field.", NoteField::From};
  }
  if (settings.reqSubject && entry.subject.empty()) {
    return NoteProblem{"You must enter in a subject.", NoteField::Subject};
  }
  if (settings.reqEmail && !ValidEmail(entry.email)) {
    return NoteProblem{"You must enter in a valid email address.", NoteField::Email};
  }
  if (entry.message.empty()) return NoteProblem{"You must enter a message!", std::nullopt};
  return std::nullopt;
}

std::string MessageEntryCaption(std::size_t index) { return "Message " + std::to_string(index + 1); }

std::string MessageReaderText(const TMessageData& message, const std::string& timeText) {
  return "From   : " + message.From + "\r\n" + "Subject: " + message.Subject + "\r\n" + "Time   : " + timeText +
         "\r\n\r\n\r\n" + message.Body;
}

void MessageReader::Select(std::size_t index) {
  if (index < count_) current_ = index;
}

void MessageReader::First() { current_ = 0; }

void MessageReader::Previous() {
  if (current_ > 0) --current_;
}

void MessageReader::Next() {
  if (current_ + 1 < count_) ++current_;
}

void MessageReader::Last() {
  if (count_ > 0) current_ = count_ - 1;
}

}  // namespace brivak::core
