#include "common/Hash.h"
#include "support/ParamNames.h"

#include <gtest/gtest.h>

#include <string>

namespace brivak {
namespace {

struct VectorCase {
  const char* input;
  const char* digest;
};

class HashVectorTest : public ::testing::TestWithParam<VectorCase> {};

TEST_P(HashVectorTest, MatchesFips180Vectors) {
  EXPECT_EQ(Hash(GetParam().input), GetParam().digest);
}

INSTANTIATE_TEST_SUITE_P(
    Fips, HashVectorTest,
    ::testing::Values(VectorCase{"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
                      VectorCase{"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
                      VectorCase{"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                                 "84983e441c3bd26ebaae4aa1f95129e5e54670f1"}),
    brivak::test::NamedBy<VectorCase>([](const VectorCase& c) { return std::string(c.input); }));

TEST(HashTest, MillionAs) {
  EXPECT_EQ(Hash(std::string(1000000, 'a')), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(HashTest, UsesCodePageBytesNotUtf8) {
  // "é" hashes as the single byte 0xE9 (SHA-1 of that byte), not as its two UTF-8 bytes
  // (which would give bf15be717ac1b080b4f1c456692825891ff5073d).
  EXPECT_EQ(Hash("\xC3\xA9"), "1599e9fa41ec68c80230491902786bee889f5bcb");
  EXPECT_EQ(Hash("\xE2\x82\xAC"), "c78ebd3c85a39a596d9f5cfd2b8d240bc1b9c125");  // euro: byte 0x80
}

TEST(HashTest, CharactersOutsideTheCodePageHashAsQuestionMark) {
  EXPECT_EQ(Hash("\xE4\xB8\xAD"), Hash("?"));  // CJK U+4E2D
  EXPECT_EQ(Hash("pw\xE4\xB8\xAD"), Hash("pw\xF0\x9F\x98\x80"));  // differ only there
}

TEST(HashTest, LowerCaseHexOfTwentyBytes) {
  const std::string h = Hash("Password1");
  ASSERT_EQ(h.size(), 40u);
  EXPECT_EQ(h.find_first_not_of("0123456789abcdef"), std::string::npos) << h;
}

struct ConvertCase {
  const char* name;
  std::string utf8;
  std::string cp1252;
};

class Utf8ToCp1252Test : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(Utf8ToCp1252Test, Converts) {
  EXPECT_EQ(Utf8ToCp1252(GetParam().utf8), GetParam().cp1252);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8ToCp1252Test,
    ::testing::Values(
        ConvertCase{"Ascii", "Hello, world!", "Hello, world!"},
        ConvertCase{"Nul", std::string("a\0b", 3), std::string("a\0b", 3)},
        ConvertCase{"Latin1", "\xC3\xA9\xC3\xBF\xC2\xA0\xC3\x80", "\xE9\xFF\xA0\xC0"},
        ConvertCase{"Euro", "\xE2\x82\xAC", "\x80"},
        ConvertCase{"RightQuote", "\xE2\x80\x99", "\x92"},
        ConvertCase{"HighBlock",
                    "\xE2\x80\x9A\xC6\x92\xE2\x80\x9E\xE2\x80\xA6\xE2\x80\xA0\xE2\x80\xA1\xCB\x86"
                    "\xE2\x80\xB0\xC5\xA0\xE2\x80\xB9\xC5\x92\xC5\xBD\xE2\x80\x98\xE2\x80\x9C"
                    "\xE2\x80\x9D\xE2\x80\xA2\xE2\x80\x93\xE2\x80\x94\xCB\x9C\xE2\x84\xA2\xC5\xA1"
                    "\xE2\x80\xBA\xC5\x93\xC5\xBE\xC5\xB8",
                    "\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x93\x94\x95\x96\x97\x98"
                    "\x99\x9A\x9B\x9C\x9E\x9F"},
        ConvertCase{"UndefinedFiveKeepTheirBytes", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D",
                    "\x81\x8D\x8F\x90\x9D"},
        ConvertCase{"OtherC1ControlsReplaced", "\xC2\x80\xC2\x92", "??"},
        ConvertCase{"OutsideCodePage", "\xC4\x80\xE4\xB8\xAD\xF0\x9F\x98\x80", "???"},
        ConvertCase{"StrayContinuation", "a\x80z", "a?z"},
        ConvertCase{"TruncatedAtEnd", "a\xE2\x82", "a?"},
        ConvertCase{"BrokenBeforeAscii", "\xE2\x82z", "?z"},
        ConvertCase{"Overlong", "\xC0\xAF\xE0\x80\xAF", "?????"},
        ConvertCase{"Surrogate", "\xED\xA0\x80", "???"},
        ConvertCase{"AboveUnicode", "\xF4\x90\x80\x80", "????"},
        ConvertCase{"InvalidLeads", "\xF8\xFF\xFE", "???"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace brivak
