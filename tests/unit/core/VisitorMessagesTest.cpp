#include "proj/core/VisitorMessages.h"

#include <gtest/gtest.h>

namespace brivak::core {
namespace {

TEST(VisitorMessagesTest, CountTextsSayMessageOnlyForOne) {
  const std::pair<std::size_t, const char*> cases[] = {
      {0, "0 Messages"}, {1, "1 Message"}, {2, "2 Messages"}, {11, "11 Messages"}};
  for (const auto& [count, text] : cases) EXPECT_EQ(MessageCountText(count), text) << count;
}

TEST(VisitorMessagesTest, NotesAreFiledInOrderWithTheirStamp) {
  TMessageList list;
  EXPECT_TRUE(list.Empty());
  platform::LocalTime at;
  at.hour = 9;
  list.NewMessage(at, "ann", "lunch", "back at 2");
  at.hour = 10;
  list.NewMessage(at, "", "", "second");
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.At(0).Data().From, "ann");
  EXPECT_EQ(list.At(0).Data().TimeStamp.hour, 9);
  EXPECT_EQ(list.Newest().Data().Body, "second");
  EXPECT_EQ(list.Newest().Data().TimeStamp.hour, 10);
}

TEST(VisitorMessagesTest, RemoteNotesCarryTheSendersAddressAfterAnEmptyLine) {
  EXPECT_EQ(RemoteNoteBody({"adm", "s", "Call me", "adm@example.org"}), "Call me\r\n\r\nFrom email: adm@example.org");
  EXPECT_EQ(RemoteNoteBody({"adm", "s", "Call me", ""}), "Call me\r\n\r\nFrom email: ");
}

// The four checks stop at the first failure, in this order.
TEST(VisitorMessagesTest, NoteChecksInTheirOrder) {
  MessageSettings all;
  all.reqName = all.reqSubject = all.reqEmail = true;
  MessageSettings none;
  struct Case {
    const char* what;
    MessageSettings settings;
    NoteEntry entry;
    std::optional<std::string> problem;
    std::optional<NoteField> focus;
  };
  const Case cases[] = {
      {"everything missing", all, {}, "You must enter in your name into the From field.", NoteField::From},
      {"name given", all, {"ann", "", "", ""}, "You must enter in a subject.", NoteField::Subject},
      {"bad address", all, {"ann", "hi", "nope", ""}, "You must enter in a valid email address.", NoteField::Email},
      {"no text", all, {"ann", "hi", "ann@example.org", ""}, "You must enter a message!", std::nullopt},
      {"complete", all, {"ann", "hi", "ann@example.org", "text"}, std::nullopt, std::nullopt},
      {"nothing required", none, {"", "", "", "text"}, std::nullopt, std::nullopt},
      {"nothing required, no text", none, {"", "", "", ""}, "You must enter a message!", std::nullopt},
  };
  for (const Case& c : cases) {
    const auto problem = CheckNote(c.settings, c.entry);
    ASSERT_EQ(problem.has_value(), c.problem.has_value()) << c.what;
    if (!problem) continue;
    EXPECT_EQ(problem->text, *c.problem) << c.what;
    EXPECT_EQ(problem->focus, c.focus) << c.what;
  }
}

TEST(VisitorMessagesTest, AHiddenRequiredNameAlwaysStopsTheNote) {
  MessageSettings settings;
  settings.askName = false;  // the From panel is hidden: its text stays empty
  settings.reqName = true;
  const auto problem = CheckNote(settings, {"", "", "", "a note"});
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->text, "You must enter in your name into the From field.");
}

TEST(VisitorMessagesTest, ReaderTextAndCaptions) {
  TMessageData data{{}, "ann", "lunch", "line 1\r\nline 2"};
  EXPECT_EQ(MessageReaderText(data, "12/9/2026 1:02:03 PM"),
            "From   : ann\r\nSubject: lunch\r\nTime   : 12/9/2026 1:02:03 PM\r\n\r\n\r\nline 1\r\nline 2");
  EXPECT_EQ(MessageEntryCaption(0), "Message 1");
  EXPECT_EQ(MessageEntryCaption(2), "Message 3");
}

// The buttons select a message and the panel shows it.
TEST(VisitorMessagesTest, ReaderNavigation) {
  MessageReader reader(3);
  EXPECT_EQ(reader.Current(), 0u);
  reader.Previous();
  EXPECT_EQ(reader.Current(), 0u) << "nothing before the first";
  reader.Next();
  EXPECT_EQ(reader.Current(), 1u);
  reader.Last();
  EXPECT_EQ(reader.Current(), 2u);
  reader.Next();
  EXPECT_EQ(reader.Current(), 2u) << "nothing after the last";
  reader.Previous();
  EXPECT_EQ(reader.Current(), 1u);
  reader.First();
  EXPECT_EQ(reader.Current(), 0u);
  reader.Select(2);
  EXPECT_EQ(reader.Current(), 2u);
  reader.Select(7);
  EXPECT_EQ(reader.Current(), 2u) << "an entry past the end selects nothing new";

  MessageReader empty(0);
  EXPECT_FALSE(empty.Current());
  empty.Last();
  empty.Next();
  EXPECT_FALSE(empty.Current());
}

}  // namespace
}  // namespace brivak::core
