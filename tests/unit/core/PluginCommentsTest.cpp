// Plug-in comments of HTML layouts: the comment scanner and its edge cases.
#include <gtest/gtest.h>

#include "proj/core/PluginComments.h"

namespace brivak::core {
namespace {

using Found = std::vector<PluginDeclaration>;

TEST(PluginComments, TableOfPages) {
  struct Case {
    const char* why;
    std::string page;
    Found found;
  };
  const Case cases[] = {
      {"one declaration", "<p><!--BRIVAKPLUGIN clock 10 10 200 200--></p>", {{"clock", "10 10 200 200"}}},
      {"lower-case prefix", "<!--brivakplugin clock 1 2 3 4-->", {{"clock", "1 2 3 4"}}},
      {"mixed case", "<!--BrivakPlugin Weather a b-->", {{"Weather", "a b"}}},
      {"no parameters starts nothing", "<!--BRIVAKPLUGIN clock-->", {}},
      {"blank then nothing: empty parameters", "<!--BRIVAKPLUGIN clock -->", {{"clock", ""}}},
      {"'>' inside is skipped, the next one counts",
       "<!--BRIVAKPLUGIN bad 1>2--><!--BRIVAKPLUGIN good 3 4-->",
       {{"good", "3 4"}}},
      {"duplicates are listed", "<!--BRIVAKPLUGIN a 1--><!--BRIVAKPLUGIN a 1-->", {{"a", "1"}, {"a", "1"}}},
      {"unterminated", "<!--BRIVAKPLUGIN a 1 2", {}},
      {"prefix needs its blank", "<!--BRIVAKPLUGINa 1-->", {}},
      {"other comments", "<!-- a --><!--BRIVAK x--><!--PLUGIN y 1-->", {}},
      {"parameters keep their blanks", "<!--BRIVAKPLUGIN s  a  b -->", {{"s", " a  b "}}},
      {"nested prefix", "<!--BRIVAKPLUGIN <!--BRIVAKPLUGIN in 1-->", {{"<!--BRIVAKPLUGIN", "in 1"}, {"in", "1"}}},
      {"empty", "", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ScanPluginComments(c.page), c.found) << c.why;
}

TEST(PluginComments, TheEndMustLieWithinReach) {
  const std::string near = "<!--BRIVAKPLUGIN p " + std::string(64900, 'x') + "-->";
  ASSERT_EQ(ScanPluginComments(near).size(), 1u);
  const std::string far = "<!--BRIVAKPLUGIN p " + std::string(65000, 'x') + "--><!--BRIVAKPLUGIN q 1-->";
  const Found found = ScanPluginComments(far);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, "q");
}

TEST(PluginComments, SafeNames) {
  for (const char* good : {"clock", "weather.sh", "a-b_c", "x.y"}) EXPECT_TRUE(IsSafePluginName(good)) << good;
  for (const char* bad : {"", "../x", "a/b", "/bin/sh", "..", "x..y"}) EXPECT_FALSE(IsSafePluginName(bad)) << bad;
}

}  // namespace
}  // namespace brivak::core
