// The "~" copy of HTML layouts: its encoding, its name, its writing and its removal.
#include <gtest/gtest.h>

#include "platform/fake/MemoryFileSystem.h"
#include "proj/core/HtmlLayout.h"
#include "proj/core/HtmlLayoutCopy.h"
#include "unit/common/RecordingLogSink.h"

namespace brivak::core {
namespace {

HtmlTagValues Values() {
  HtmlTagValues v;
  v.computerName = "Zoë";
  v.awayMessage = "Café <b>";
  return v;
}

TEST(HtmlLayoutCopy, EncodingOfPages) {
  struct Case {
    std::string page;
    PageEncoding encoding;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF<html>", PageEncoding::Utf8},
      {"<meta charset=\"UTF-8\">", PageEncoding::Utf8},
      {"<meta charset=utf-8>", PageEncoding::Utf8},
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">", PageEncoding::Utf8},
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", PageEncoding::Utf8},
      {"<meta charset=\"windows-1252\">", PageEncoding::Other},
      {"<meta charset=\"iso-8859-1\">", PageEncoding::Other},
      {"<html>no declaration</html>", PageEncoding::Other},
      {"\xFF\xFE<\0h\0", PageEncoding::Utf16},
      {std::string(5000, ' ') + "<meta charset=utf-8>", PageEncoding::Other},  // too far in
  };
  for (const Case& c : cases) EXPECT_EQ(DetectPageEncoding(c.page), c.encoding) << c.page;
}

TEST(HtmlLayoutCopy, TheCopyKeepsThePagesEncoding) {
  const HtmlTagValues v = Values();
  // UTF-8 with a byte-order mark: the mark stays, the values go in as UTF-8.
  EXPECT_EQ(SubstitutePage("\xEF\xBB\xBF<p>%COMPUTERNAME% é</p>", v), "\xEF\xBB\xBF<p>Zoë é</p>");
  EXPECT_EQ(SubstitutePage("<meta charset=utf-8>%awaymessage%", v), "<meta charset=utf-8>Café &lt;b&gt;");
  // Latin-1 page: its own bytes stay, the values' non-ASCII characters become references.
  const std::string latin1 = "<meta charset=\"iso-8859-1\"><p>\xE9t\xE9 %COMPUTERNAME%</p>";
  EXPECT_EQ(SubstitutePage(latin1, v), "<meta charset=\"iso-8859-1\"><p>\xE9t\xE9 Zo&#235;</p>");
  EXPECT_EQ(SubstitutePage("%AWAYMESSAGE%", v), "Caf&#233; &lt;b&gt;");
  // UTF-16 is left alone.
  const std::string utf16("\xFF\xFE%\0T\0I\0M\0E\0%\0", 14);
  EXPECT_EQ(SubstitutePage(utf16, v), utf16);
}

TEST(HtmlLayoutCopy, CharacterReferences) {
  EXPECT_EQ(ToCharacterReferences("abc"), "abc");
  EXPECT_EQ(ToCharacterReferences("\xE2\x82\xAC"), "&#8364;");
  EXPECT_EQ(ToCharacterReferences("\xF0\x9F\x98\x80"), "&#128512;");
  EXPECT_EQ(ToCharacterReferences("\xC3"), "&#65533;");                // cut short
  EXPECT_EQ(ToCharacterReferences("\xC0\xAF"), "&#65533;&#65533;");    // overlong
  EXPECT_EQ(ToCharacterReferences("\xED\xA0\x80"), "&#65533;&#65533;&#65533;");  // a surrogate
}

TEST(HtmlLayoutCopy, NamesOfCopies) {
  EXPECT_EQ(SubstitutedCopyPath("/d/layouts/html/bluegeneric.html"), "/d/layouts/html/~bluegeneric.html");
  EXPECT_EQ(SubstitutedCopyPath("page.htm"), "~page.htm");
  for (const char* yes : {"~a.html", "~A.HTM", "~x.php", "~y.mht"}) EXPECT_TRUE(IsSubstitutedCopyName(yes)) << yes;
  for (const char* no : {"a.html", "~notes.txt", "~", "x~.html"}) EXPECT_FALSE(IsSubstitutedCopyName(no)) << no;
}

TEST(HtmlLayoutCopy, LeftoverCopiesAreRemoved) {
  platform::MemoryFileSystem files;
  files.Put("/d/html/page.html", "p");
  files.Put("/d/html/~page.html", "old copy");
  files.Put("/d/html/~other.htm", "old copy");
  files.Put("/d/html/~keep.txt", "not a copy");
  const std::vector<std::string> removed = RemoveLeftoverCopies(files, "/d/html/");
  EXPECT_EQ(removed, (std::vector<std::string>{"/d/html/~other.htm", "/d/html/~page.html"}));
  EXPECT_TRUE(files.IsFile("/d/html/page.html"));
  EXPECT_TRUE(files.IsFile("/d/html/~keep.txt"));
  EXPECT_FALSE(files.IsFile("/d/html/~page.html"));
}

class HtmlLayoutTest : public ::testing::Test {
 protected:
  HtmlLayoutTest()
      : layout_(files_, log_, [this](const std::string& page) {
          HtmlTagValues v = Values();
          v.pagePath = page;
          ++substitutions_;
          return v;
        }) {}
  platform::MemoryFileSystem files_;
  test::RecordingLogSink log_;
  int substitutions_ = 0;
  HtmlLayout layout_;
};

TEST_F(HtmlLayoutTest, WritesTheCopyListsItAndDeletesItAtTheEnd) {
  files_.Put("/d/html/p.html",
             "<meta charset=utf-8>%computername%|%CURPAGEURL%<!--BRIVAKPLUGIN clock 1 2 3 4--><!--brivakplugin clock 1 2 3 4-->");
  const SwapResult first = layout_.SwapHTMLtags("/d/html/p.html");
  EXPECT_TRUE(first.copyWritten);
  EXPECT_EQ(first.url, "/d/html/~p.html");
  EXPECT_EQ(files_.ReadFile("/d/html/~p.html"),
            "<meta charset=utf-8>Zoë|file:///d/html/p.html<!--BRIVAKPLUGIN clock 1 2 3 4--><!--brivakplugin clock 1 2 3 4-->");
  EXPECT_EQ(first.plugins.size(), 2u);
  EXPECT_EQ(files_.Mode("/d/html/~p.html"), 0600u);
  layout_.SwapHTMLtags("/d/html/p.html");  // a reload rewrites the same copy
  EXPECT_EQ(layout_.FilesToDelete(), (std::vector<std::string>{"/d/html/~p.html"}));
  EXPECT_EQ(substitutions_, 2);
  layout_.DeleteTemporaryFiles();
  EXPECT_FALSE(files_.IsFile("/d/html/~p.html"));
  EXPECT_TRUE(files_.IsFile("/d/html/p.html"));
  EXPECT_TRUE(layout_.FilesToDelete().empty());
}

TEST_F(HtmlLayoutTest, ACopyThatCannotBeWrittenGivesTheLayoutItself) {
  files_.Put("/d/html/p.html", "%TIME%");
  files_.FailRenames();
  const SwapResult failed = layout_.SwapHTMLtags("/d/html/p.html");
  EXPECT_FALSE(failed.copyWritten);
  EXPECT_EQ(failed.url, "/d/html/p.html");
  EXPECT_FALSE(files_.IsFile("/d/html/~p.html"));
  ASSERT_EQ(log_.Channel("log").size(), 1u);
  EXPECT_NE(log_.Channel("log")[0].find("could not be written"), std::string::npos);
  files_.SetReadOnly("/d/html");
  EXPECT_FALSE(layout_.SwapHTMLtags("/d/html/p.html").copyWritten);
  files_.SetReadOnly("/d/html", false);
  EXPECT_TRUE(layout_.SwapHTMLtags("/d/html/p.html").copyWritten);
}

TEST_F(HtmlLayoutTest, AMissingLayoutIsLogged) {
  const SwapResult missing = layout_.SwapHTMLtags("/d/html/none.html");
  EXPECT_FALSE(missing.copyWritten);
  EXPECT_EQ(missing.url, "/d/html/none.html");
  EXPECT_EQ(log_.Channel("log").size(), 1u);
  EXPECT_TRUE(layout_.FilesToDelete().empty());
}

}  // namespace
}  // namespace brivak::core
