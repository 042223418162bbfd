#include "common/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/Files.h"
#include "support/TempDir.h"
#include "support/Disk.h"
#include "support/ParamNames.h"

namespace brivak {
namespace {

using test::TempDir;
using test::ReadAll;
using test::WriteAll;

unsigned ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// ---- Parsing and reading -------------------------------------------------------------------------

struct ReadCase {
  const char* name;
  const char* text;
  const char* section;
  const char* key;
  const char* expected;  // nullptr: missing
};

class IniFileReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniFileReadTest, ReadsValue) {
  const ReadCase& c = GetParam();
  const IniDocument doc = IniDocument::Parse(c.text);
  const std::optional<std::string> v = doc.Read(c.section, c.key);
  if (c.expected == nullptr) {
    EXPECT_FALSE(v.has_value()) << *v;
  } else {
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(*v, c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniFileReadTest,
    ::testing::Values(
        ReadCase{"Plain", "[Main]\nKey=Value\n", "Main", "Key", "Value"},
        ReadCase{"SectionCase", "[Main]\nKey=v\n", "mAIN", "Key", "v"},
        ReadCase{"KeyCase", "[Main]\nPassword=v\n", "Main", "PASSWORD", "v"},
        ReadCase{"FirstDuplicateKeyWins", "[s]\nk=first\nK=second\n", "s", "k", "first"},
        ReadCase{"FirstDuplicateSectionWins", "[s]\na=1\n[S]\na=2\nb=3\n", "s", "a", "1"},
        ReadCase{"LaterDuplicateSectionNotSearched", "[s]\na=1\n[S]\nb=3\n", "s", "b", nullptr},
        ReadCase{"TrimsNamesAndValues", "[ s \t]\n \tk \t=  v w \t\n", "s", "k", "v w"},
        ReadCase{"TrimsHeaderLine", "  [s]  \nk=v\n", "s", "k", "v"},
        ReadCase{"CrLf", "[s]\r\nk=v\r\nx=y\r\n", "s", "k", "v"},
        ReadCase{"CrLfNoTrailingCr", "[s]\r\nk=v\r\n", "s", "k", "v"},
        ReadCase{"LastLineWithoutEnd", "[s]\nk=v", "s", "k", "v"},
        ReadCase{"LastLineWithoutEndCrLf", "[s]\r\na=1\r\nk=v", "s", "k", "v"},
        ReadCase{"EmptyValue", "[s]\nk=\n", "s", "k", ""},
        ReadCase{"ValueWithEquals", "[s]\nk=a=b\n", "s", "k", "a=b"},
        ReadCase{"CommentIgnored", "[s]\n;k=v\n", "s", ";k", nullptr},
        ReadCase{"IndentedComment", "[s]\n  ; k=v\nk=w\n", "s", "k", "w"},
        ReadCase{"LineWithoutEqualsIgnored", "[s]\ngarbage\nk=v\n", "s", "garbage", nullptr},
        ReadCase{"GarbageDoesNotHideKey", "[s]\ngarbage\nk=v\n", "s", "k", "v"},
        ReadCase{"BeforeFirstSectionIgnored", "k=v\n[s]\n", "s", "k", nullptr},
        ReadCase{"BeforeFirstSectionNotInSection", "k=v\n[s]\nx=1\n", "", "k", nullptr},
        ReadCase{"UnclosedHeaderIgnored", "[s]\n[broken\nk=v\n", "s", "k", "v"},
        ReadCase{"BracketInSectionName", "[a]b]\nk=v\n", "a]b", "k", "v"},
        ReadCase{"MissingSection", "[s]\nk=v\n", "t", "k", nullptr},
        ReadCase{"MissingKey", "[s]\nk=v\n", "s", "q", nullptr},
        ReadCase{"EmptyText", "", "s", "k", nullptr}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(IniDocumentTest, SectionNamesInFileOrderOncePerName) {
  const IniDocument doc = IniDocument::Parse("[b]\n[A]\n[c]\n[a]\nk=v\n");
  EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"b", "A", "c"}));
  EXPECT_TRUE(doc.SectionExists("C"));
  EXPECT_FALSE(doc.SectionExists("d"));
}

TEST(IniDocumentTest, KeyNamesInFileOrderFirstOfDuplicates) {
  const IniDocument doc = IniDocument::Parse("[s]\nb=1\nA=2\nB=3\nc=4\n");
  EXPECT_EQ(doc.KeyNames("S"), (std::vector<std::string>{"b", "A", "c"}));
  EXPECT_TRUE(doc.KeyNames("missing").empty());
}

TEST(IniDocumentTest, ReadStringDefaultOnlyWhenMissing) {
  const IniDocument doc = IniDocument::Parse("[s]\nempty=\n");
  EXPECT_EQ(doc.ReadString("s", "empty", "def"), "");
  EXPECT_EQ(doc.ReadString("s", "none", "def"), "def");
}

struct IntCase {
  const char* value;
  int expected;  // with default 77
};

class IniFileIntegerTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(IniFileIntegerTest, ReadsWholeDecimalInRange) {
  const IniDocument doc = IniDocument::Parse(std::string("[s]\nk=") + GetParam().value + "\n");
  EXPECT_EQ(doc.ReadInteger("s", "k", 77), GetParam().expected) << '"' << GetParam().value << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniFileIntegerTest,
    ::testing::Values(IntCase{"0", 0}, IntCase{"42", 42}, IntCase{"-5", -5}, IntCase{"+7", 7},
                      IntCase{"  13  ", 13}, IntCase{"007", 7}, IntCase{"2147483647", 2147483647},
                      IntCase{"-2147483648", -2147483647 - 1}, IntCase{"2147483648", 77},
                      IntCase{"-2147483649", 77}, IntCase{"4294967297", 77},
                      IntCase{"99999999999999999999", 77}, IntCase{"12abc", 77}, IntCase{"abc", 77},
                      IntCase{"", 77}, IntCase{"-", 77}, IntCase{"+", 77}, IntCase{"+-5", 77},
                      IntCase{"--5", 77}, IntCase{"1 2", 77}, IntCase{"0x10", 77}, IntCase{"1.5", 77}),
    brivak::test::NamedBy<IntCase>([](const IntCase& c) { return std::string(c.value); }));

TEST(IniDocumentTest, ReadIntegerDefaultWhenMissing) {
  const IniDocument doc = IniDocument::Parse("[s]\n");
  EXPECT_EQ(doc.ReadInteger("s", "k", -3), -3);
}

TEST(IniDocumentTest, ReadBoolIsNonZeroInteger) {
  const IniDocument doc = IniDocument::Parse("[s]\nzero=0\none=1\ntwo=-2\nword=yes\n");
  EXPECT_FALSE(doc.ReadBool("s", "zero", true));
  EXPECT_TRUE(doc.ReadBool("s", "one", false));
  EXPECT_TRUE(doc.ReadBool("s", "two", false));
  EXPECT_TRUE(doc.ReadBool("s", "word", true));
  EXPECT_FALSE(doc.ReadBool("s", "word", false));
  EXPECT_TRUE(doc.ReadBool("s", "missing", true));
}

// ---- Writing -------------------------------------------------------------------------------------

TEST(IniDocumentTest, WriteKeepsExistingSpellingAndReplacesTheReadDuplicate) {
  IniDocument doc = IniDocument::Parse("[Main]\nPassWord=old\npassword=shadow\n");
  doc.Write("MAIN", "PASSWORD", "new");
  EXPECT_EQ(doc.Serialize(), "[Main]\r\nPassWord=new\r\npassword=shadow\r\n");
  EXPECT_EQ(doc.ReadString("main", "password", ""), "new");
}

TEST(IniDocumentTest, WriteAppendsKeyAndSection) {
  IniDocument doc = IniDocument::Parse("[a]\nx=1\n");
  doc.Write("a", "y", "2");
  doc.Write("B", "z", "3");
  doc.WriteInteger("B", "n", -9000000000LL);
  doc.WriteBool("B", "t", true);
  doc.WriteBool("B", "f", false);
  EXPECT_EQ(doc.Serialize(),
            "[a]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\nn=-9000000000\r\nt=1\r\nf=0\r\n");
}

TEST(IniDocumentTest, WriteCannotInjectLines) {
  IniDocument doc;
  doc.Write("s", "k", "v\r\n[evil]\nPassword=x");
  const IniDocument back = IniDocument::Parse(doc.Serialize());
  EXPECT_EQ(back.SectionNames(), (std::vector<std::string>{"s"}));
  EXPECT_EQ(back.ReadString("s", "k", ""), "v  [evil] Password=x");
}

TEST(IniDocumentTest, EraseSectionRemovesEverySectionOfThatName) {
  IniDocument doc = IniDocument::Parse("[a]\nk=1\n[B]\nk=2\n[b]\nk=3\n[c]\nk=4\n");
  doc.EraseSection("b");
  EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"a", "c"}));
  EXPECT_FALSE(doc.Read("b", "k").has_value());
}

TEST(IniDocumentTest, EraseKeyRemovesDuplicatesToo) {
  IniDocument doc = IniDocument::Parse("[s]\nk=1\nK=2\nx=3\n");
  doc.EraseKey("S", "k");
  EXPECT_FALSE(doc.Read("s", "k").has_value());
  EXPECT_EQ(doc.KeyNames("s"), (std::vector<std::string>{"x"}));
}

TEST(IniDocumentTest, RoundTripKeepsSectionsAndKeys) {
  const std::string text = "; header\r\n[One]\r\na=1\r\nB = two words \r\n\r\n[Two]\r\nc=\r\n";
  const IniDocument doc = IniDocument::Parse(text);
  const IniDocument back = IniDocument::Parse(doc.Serialize());
  ASSERT_EQ(back.Sections().size(), 2u);
  EXPECT_EQ(back.SectionNames(), (std::vector<std::string>{"One", "Two"}));
  EXPECT_EQ(back.ReadString("one", "b", "?"), "two words");
  EXPECT_EQ(back.ReadString("two", "c", "?"), "");
  EXPECT_EQ(back.Serialize(), doc.Serialize());
}

// ---- Files ---------------------------------------------------------------------------------------

TEST(IniFileTest, MissingFileReadsEmptyAndWriteCreatesIt) {
  TempDir dir;
  IniFile file(brivak::test::Disk(), dir.File("a.ini"));
  EXPECT_FALSE(file.Exists());
  EXPECT_TRUE(file.SectionNames().empty());
  EXPECT_EQ(file.ReadString("s", "k", "def"), "def");
  file.WriteString("s", "k", "v");
  EXPECT_TRUE(file.Exists());
  EXPECT_EQ(ReadAll(file.Path()), "[s]\r\nk=v\r\n");
  EXPECT_EQ(ModeOf(file.Path()), 0644u);
}

TEST(IniFileTest, EachOperationSeesChangesMadeByOthers) {
  TempDir dir;
  IniFile file(brivak::test::Disk(), dir.File("a.ini"));
  WriteAll(file.Path(), "[s]\nn=1\n");
  EXPECT_EQ(file.ReadInteger("s", "n", 0), 1);
  WriteAll(file.Path(), "[s]\nn=2\nflag=1\n[t]\n");
  EXPECT_EQ(file.ReadInteger("s", "n", 0), 2);
  EXPECT_TRUE(file.ReadBool("s", "flag", false));
  EXPECT_TRUE(file.SectionExists("T"));
  file.EraseSection("S");
  EXPECT_EQ(file.SectionNames(), (std::vector<std::string>{"t"}));
}

TEST(IniFileTest, PrivateFileIsCreatedOwnerOnly) {
  TempDir dir;
  IniFile file(brivak::test::Disk(), dir.File("users.dat"),
               IniFile::Options{.privateFile = true, .processLock = false});
  file.WriteString("u", "Password", "h");
  EXPECT_EQ(ModeOf(file.Path()), 0600u);
}

TEST(IniFileTest, ExistingFileKeepsItsMode) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  WriteAll(path, "[s]\n");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  IniFile file(brivak::test::Disk(), path, IniFile::Options{.privateFile = true, .processLock = false});
  file.WriteString("s", "k", "v");
  EXPECT_EQ(ModeOf(path), 0640u);
}

TEST(IniFileTest, ProcessLockUsesLockFileBeside) {
  TempDir dir;
  IniFile file(brivak::test::Disk(), dir.File("a.ini"),
               IniFile::Options{.privateFile = false, .processLock = true});
  file.WriteString("s", "k", "v");
  EXPECT_EQ(file.ReadString("s", "k", ""), "v");
  EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"a.ini", "a.ini.lock"}));
}

TEST(IniFileTest, ModifyThatThrowsLeavesFileUnchanged) {
  TempDir dir;
  IniFile file(brivak::test::Disk(), dir.File("a.ini"));
  file.WriteString("s", "k", "v");
  EXPECT_THROW(file.Modify([](IniDocument& doc) {
    doc.Write("s", "k", "changed");
    throw std::logic_error("stop");
  }),
               std::logic_error);
  EXPECT_EQ(file.ReadString("s", "k", ""), "v");
}

TEST(IniFileTest, FailedWriteThrowsWithPathAndLeavesNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.File("missing/a.ini");
  IniFile file(brivak::test::Disk(), path);
  try {
    file.WriteString("s", "k", "v");
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(std::strerror(ENOENT)), std::string::npos) << e.what();
  }
  EXPECT_TRUE(FilesIn(dir.Path()).empty());
}

class IniFileConcurrencyTest : public ::testing::TestWithParam<bool> {};

TEST_P(IniFileConcurrencyTest, ConcurrentModifyLosesNoKey) {
  TempDir dir;
  IniFile file(brivak::test::Disk(), dir.File("a.ini"),
               IniFile::Options{.privateFile = false, .processLock = GetParam()});
  constexpr int kThreads = 4;
  constexpr int kWrites = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&file, t] {
      for (int i = 0; i < kWrites; ++i) {
        file.WriteString("s" + std::to_string(t), "k" + std::to_string(i), std::to_string(i));
        (void)file.ReadInteger("s0", "k0", 0);
      }
    });
  }
  for (std::thread& th : threads) th.join();
  const IniDocument doc = file.Load();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(doc.KeyNames("s" + std::to_string(t)).size(), static_cast<size_t>(kWrites));
  }
}

INSTANTIATE_TEST_SUITE_P(Lock, IniFileConcurrencyTest, ::testing::Bool());

// ---- Multi-line escapes --------------------------------------------------------------------------

struct EscapeCase {
  const char* raw;
  const char* escaped;
};

class IniFileEscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(IniFileEscapeTest, EscapesAndReadsBack) {
  EXPECT_EQ(EscapeMultiline(GetParam().raw), GetParam().escaped);
  EXPECT_EQ(UnescapeMultiline(GetParam().escaped), GetParam().raw);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniFileEscapeTest,
    ::testing::Values(EscapeCase{"", ""}, EscapeCase{"plain", "plain"}, EscapeCase{"a\r\nb", "a\\nb"},
                      EscapeCase{"a\rb", "a\\rb"}, EscapeCase{"a\nb", "a\\lb"},
                      EscapeCase{"c:\\dir", "c:\\\\dir"},
                      EscapeCase{"literal \\n text", "literal \\\\n text"},
                      EscapeCase{"\n\r\r\n\\", "\\l\\r\\n\\\\"}, EscapeCase{"\r\n\r\n", "\\n\\n"}),
    brivak::test::NamedBy<EscapeCase>([](const EscapeCase& c) { return std::string(c.raw); }));

TEST(IniFileEscapeTest, UnknownEscapesAndTrailingBackslashStayVerbatim) {
  EXPECT_EQ(UnescapeMultiline("a\\tb"), "a\\tb");
  EXPECT_EQ(UnescapeMultiline("end\\"), "end\\");
  EXPECT_EQ(UnescapeMultiline("c:\\temp\\x"), "c:\\temp\\x");
}

TEST(IniFileEscapeTest, EscapedValueSurvivesFile) {
  TempDir dir;
  IniFile file(brivak::test::Disk(), dir.File("a.ini"));
  const std::string text = "line one\r\nline \\n two\nthree\r";
  file.WriteString("s", "k", EscapeMultiline(text));
  EXPECT_EQ(UnescapeMultiline(file.ReadString("s", "k", "")), text);
}

}  // namespace
}  // namespace brivak
