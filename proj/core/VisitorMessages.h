// Notes left for the user of this computer during one lock: by a visitor through the note form, or
// by an administrator through /remotemessage. They live in memory only, from the start of a lock to
// its end (the lock session owns the list); nothing is written to disk or sent anywhere.
//
// Also here: the count text of the lock screen, the checks of the note form in their order, and the
// navigation of the message reader. Plain values; main thread (the session's).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "proj/core/BrivakSettings.h"
#include "proj/core/CommandQueue.h"

namespace brivak::core {

// One note as filed.
struct TMessageData {
  platform::LocalTime TimeStamp;  // when it was filed (local time)
  std::string From;               // sender as typed; may be empty
  std::string Subject;            // may be empty
  std::string Body;               // may hold line breaks
};

class TMessageObject {
 public:
  explicit TMessageObject(TMessageData data) : data_(std::move(data)) {}
  const TMessageData& Data() const { return data_; }

 private:
  TMessageData data_;
};

// The notes of one lock, in filing order. Notes are only ever appended.
class TMessageList {
 public:
  // `NewMessage`: files one note stamped `now`; returns it.
  const TMessageObject& NewMessage(const platform::LocalTime& now, std::string from, std::string subject,
                                   std::string body);
  std::size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  // 0-based, in filing order; `index` < Count().
  const TMessageObject& At(std::size_t index) const { return items_.at(index); }
  const TMessageObject& Newest() const { return items_.back(); }

 private:
  std::vector<TMessageObject> items_;
};

// "0 Messages", "1 Message", "2 Messages": the message-count label and %MESSAGECOUNT%.
std::string MessageCountText(std::size_t count);

// The body a /remotemessage is filed with: the text, an empty line, then "From email: " + address.
std::string RemoteNoteBody(const RemoteMessage& message);

// --- The note form ("Leave a Secure Note") ---

enum class NoteField { From, Subject, Email, Message };

// What the form holds when "&Leave Note" is pressed. Fields of hidden panels are empty.
struct NoteEntry {
  std::string from, subject, email, message;
};

// The first check that fails: the warning (box "Leave a message", stop icon) and the field that
// gets the focus (none for the message text).
struct NoteProblem {
  std::string text;
  std::optional<NoteField> focus;
};

// The four checks in order: required name, required subject, required valid e-mail, message text.
// With a required field whose panel is hidden the form can never be sent: the field stays empty.
std::optional<NoteProblem> CheckNote(const MessageSettings& settings, const NoteEntry& entry);

// --- The message reader ("Messages") ---

// "Message " + position counted from 1: the caption of the reader's list entry `index` (0-based).
std::string MessageEntryCaption(std::size_t index);

// The text panel for one message: "From   : ", "Subject: ", "Time   : " lines, two empty lines,
// then the body. `timeText` is the stamp in the system's date-and-time format.
std::string MessageReaderText(const TMessageData& message, const std::string& timeText);

// The reader's selection. The buttons move the selection and the text panel shows the message
// selected (the buttons used to move the selection only, leaving the panel on an older message).
class MessageReader {
 public:
  // Opens on the first message; `count` may be 0 (nothing selected).
  explicit MessageReader(std::size_t count) : count_(count) {}
  std::optional<std::size_t> Current() const {
    return count_ == 0 ? std::nullopt : std::optional<std::size_t>(current_);
  }
  void Select(std::size_t index);  // a click on an entry; ignored past the end
  void First();
  void Previous();  // nothing before the first
  void Next();      // nothing after the last
  void Last();

 private:
  std::size_t count_;
  std::size_t current_ = 0;
};

}  // namespace brivak::core
