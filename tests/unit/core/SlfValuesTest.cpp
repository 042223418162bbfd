#include "proj/core/SlfValues.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace brivak::core {
namespace {

TEST(SlfValues, IntegersAreDecimalOrDollarHexadecimal) {
  struct Case {
    std::string text;
    std::optional<int> value;
  };
  const Case cases[] = {
      {"0", 0},
      {"120", 120},
      {"-15", -15},
      {"+7", 7},
      {" 42 ", 42},
      {"$10", 16},
      {"$ff", 255},
      {"$7FFFFFFF", 2147483647},
      {"$FFFFFFFF", -1},
      {"-$10", -16},
      {"2147483647", 2147483647},
      {"2147483648", std::nullopt},
      {"12px", std::nullopt},
      {"", std::nullopt},
      {"$", std::nullopt},
      {"0x10", std::nullopt},
      {"1.5", std::nullopt},
      {"+-3", std::nullopt},
      {"$1FFFFFFFF", std::nullopt},
      {"ten", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseSlfInteger(c.text), c.value) << c.text;
}

TEST(SlfValues, BooleansAreIntegersZeroOrNot) {
  EXPECT_EQ(ParseSlfBool("0"), false);
  EXPECT_EQ(ParseSlfBool("1"), true);
  EXPECT_EQ(ParseSlfBool("-1"), true);
  EXPECT_EQ(ParseSlfBool("$0"), false);
  EXPECT_EQ(ParseSlfBool("true"), std::nullopt);
}

TEST(SlfValues, ColoursByNameNumberOrSystemIndex) {
  struct Case {
    std::string text;
    std::optional<SlfColor> value;
  };
  const Case cases[] = {
      {"clBlack", 0x000000},     {"clLime", 0x00FF00},        {"clTeal", 0x808000},
      {"clRed", 0x0000FF},       {"CLWHITE", 0xFFFFFF},       {"clSkyBlue", 0xF0CAA6},
      {"$00303030", 0x303030},   {"$000000FF", 0x0000FF},     {"$FF", 0x0000FF},
      {"16777215", 0xFFFFFF},    {"clBtnFace", 0xF0F0F0},     {"$80000005", 0xFFFFFF},
      {"-2147483643", 0xFFFFFF}, {" clNavy ", 0x800000},      {"clPink", std::nullopt},
      {"", std::nullopt},        {"$01000000", std::nullopt}, {"$80000099", std::nullopt},
      {"#FF0000", std::nullopt}, {"black", std::nullopt},     {"16777216", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseSlfColor(c.text), c.value) << c.text;
}

TEST(SlfValues, ColourTextRoundTrips) {
  for (const SlfColor color : {0x000000u, 0x303030u, 0xF0CAA6u, 0xFFFFFFu}) {
    EXPECT_EQ(ParseSlfColor(SlfColorText(color)), color) << SlfColorText(color);
  }
  EXPECT_EQ(SlfColorText(0x00A0B0C0), "$00A0B0C0");
}

TEST(SlfValues, FontTextWithReadableColour) {
  const std::optional<SlfFont> font = ParseSlfFont(",MS Sans Serif,10,bi,clLime,1,");
  ASSERT_TRUE(font);
  EXPECT_EQ(font->face.name, "MS Sans Serif");
  EXPECT_EQ(font->face.size, 10);
  EXPECT_TRUE(font->face.bold);
  EXPECT_TRUE(font->face.italic);
  EXPECT_FALSE(font->face.underline);
  EXPECT_EQ(font->color, 0x00FF00u);

  const std::optional<SlfFont> numeric = ParseSlfFont(",Courier New,28,b,$00102030,0,");
  ASSERT_TRUE(numeric);
  EXPECT_EQ(numeric->color, 0x102030u);

  for (const std::string bad : {",Tahoma,big,,clLime,1,", ",Tahoma,8,,clPink,1,", ",Tahoma,0,,clLime,1,",
                                ",Tahoma,8,,clLime,x,", ",,8,,clLime,1,", ""}) {
    EXPECT_EQ(ParseSlfFont(bad), std::nullopt) << bad;
  }
}

TEST(SlfValues, Alignments) {
  EXPECT_EQ(ParseSlfAlignment("taLeftJustify"), SlfAlignment::Left);
  EXPECT_EQ(ParseSlfAlignment("tacenter"), SlfAlignment::Center);
  EXPECT_EQ(ParseSlfAlignment("taRightJustify"), SlfAlignment::Right);
  EXPECT_EQ(ParseSlfAlignment("Right"), SlfAlignment::Right);
  EXPECT_EQ(ParseSlfAlignment("middle"), std::nullopt);
}

}  // namespace
}  // namespace brivak::core
