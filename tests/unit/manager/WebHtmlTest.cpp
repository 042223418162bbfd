#include "common/Stools.h"
#include "manager/core/CommandUrls.h"
#include "manager/core/WebHtml.h"

#include <gtest/gtest.h>

#include <string>

namespace brivak::manager {
namespace {

TEST(WebHtmlTest, HtmlEscapeTurnsMarkupIntoText) {
  EXPECT_EQ(HtmlEscape("<b>x</b>"), "&lt;b&gt;x&lt;/b&gt;");
  EXPECT_EQ(HtmlEscape("a & \"b\" 'c'"), "a &amp; &quot;b&quot; &#39;c&#39;");
  EXPECT_EQ(HtmlEscape("&amp;"), "&amp;amp;");
  EXPECT_EQ(HtmlEscape("plain \xC3\xA9 text"), "plain \xC3\xA9 text");
}

TEST(WebHtmlTest, QueryValueEncodingRoundTripsEveryByte) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  const std::string encoded = PercentEncode(all);
  EXPECT_EQ(encoded.find_first_of(" &=?#+<>\"'/"), std::string::npos);
  EXPECT_EQ(DecodeQueryValue(encoded), all);
  EXPECT_EQ(PercentEncode("PC 1+a"), "PC%201%2Ba");
}

TEST(WebHtmlTest, DecodeKeepsWhatIsNotAnEscape) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"PC%201", "PC 1"}, {"a+b", "a+b"},   {"100%", "100%"},   {"%4", "%4"},
      {"%zz1", "%zz1"},   {"%41%42", "AB"}, {"%3c%3E", "<>"},   {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeQueryValue(c.in), c.out) << c.in;
}

TEST(WebHtmlTest, FillTemplateReplacesEveryOccurrence) {
  EXPECT_EQ(FillTemplate("%A%-%B%-%A%", {{"%A%", "1"}, {"%B%", "2"}}), "1-2-1");
  EXPECT_EQ(FillTemplate("no placeholders here", {{"%A%", "1"}}), "no placeholders here");
  EXPECT_EQ(FillTemplate("%a%", {{"%A%", "1"}}), "%a%");  // case-sensitive
}

TEST(WebHtmlTest, FillTemplateNeverSubstitutesInsideAValue) {
  // A locker naming itself after a later placeholder must not pull that value in.
  EXPECT_EQ(FillTemplate("%NAME% / %STATUS%", {{"%NAME%", "%STATUS%"}, {"%STATUS%", "Locked"}}),
            "%STATUS% / Locked");
}

}  // namespace
}  // namespace brivak::manager
