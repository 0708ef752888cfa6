#include "update/Version.h"

#include <gtest/gtest.h>

namespace skyrelle::update {
namespace {

TEST(ParseVersion, ReadsUpToFourTrimmedDecimalPieces) {
  const struct {
    const char* Text;
    TVersion Expected;
  } cases[] = {
      {"2.1.0.15", {2, 1, 0, 15}},
      {"2.1", {2, 1, 0, 0}},
      {"1.2.3.4.5", {1, 2, 3, 4}},
      {"1..2", {1, 0, 2, 0}},
      {"a.b.c.d", {0, 0, 0, 0}},
      {"", {0, 0, 0, 0}},
      {" 3 .\t4. 5 ", {3, 4, 5, 0}},
      {"1.2x.3", {1, 0, 3, 0}},
      {"-1.+2", {-1, 2, 0, 0}},
      {"2147483647.-2147483648", {2147483647, -2147483647 - 1, 0, 0}},
      {"2147483648.1", {0, 1, 0, 0}},  // beyond 32 bits: not a number
      {"0x10.1", {0, 1, 0, 0}},        // decimal only
      {"1. 2 3", {1, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(ParseVersion(c.Text), c.Expected);
  }
}

TEST(IsNewerVersion, ComparesNumbersFromMajorToBuild) {
  const struct {
    const char* Candidate;
    const char* Current;
    bool Newer;
  } cases[] = {
      {"1.10.0.0", "1.9.0.0", true},  // numbers, not text
      {"1.2.3.4", "1.2.3.4", false},
      {"1.2.3.5", "1.2.3.4", true},
      {"1.2.3.4", "1.3.0.0", false},
      {"0.0.0.1", "", true},
      {"", "", false},
      {"2", "1.99.99.99", true},
      {"-1.0.0.0", "0.0.0.0", false},  // signed comparison
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Candidate) + " vs " + c.Current);
    EXPECT_EQ(IsNewerVersion(c.Candidate, c.Current), c.Newer);
  }
}

TEST(ParseNoticeVersion, LastPieceLandsInBuildAndNumbersWrapAt16Bits) {
  const struct {
    const char* Text;
    TFileVersion Expected;
  } cases[] = {
      {"2.1.0.7", {2, 1, 0, 7}},
      {"2.1", {2, 0, 0, 1}},
      {"2", {0, 0, 0, 2}},
      {"1.2.3.4.5", {1, 2, 3, 0}},  // the rest "4.5" is not a number
      {"65537.0.0.0", {1, 0, 0, 0}},
      {"-1.0.0.65536", {65535, 0, 0, 0}},
      {"", {0, 0, 0, 0}},
      {" 2.1.0.7", {0, 1, 0, 7}},  // pieces are not trimmed
      {"1..3.4", {1, 0, 3, 4}},
      {"9999999999.1.1.1", {0, 1, 1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(ParseNoticeVersion(c.Text), c.Expected);
  }
}

TEST(ParseNoticeVersion, ShortVersionAgainstTheProgramsNumbers) {
  // A descriptor offering "2.1" reads as 2.0.0.1.
  EXPECT_GT(ParseNoticeVersion("2.1"), (TFileVersion{1, 9, 0, 0}));
  EXPECT_FALSE(ParseNoticeVersion("2.1") > (TFileVersion{2, 0, 0, 5}));
  EXPECT_FALSE(ParseNoticeVersion("1.0.0.1") > (TFileVersion{1, 0, 0, 1}));
  EXPECT_FALSE(ParseNoticeVersion("") > (TFileVersion{0, 0, 0, 0}));
  EXPECT_GT(ParseNoticeVersion("1.0.0.40000"), (TFileVersion{1, 0, 0, 39999}));  // unsigned
}

TEST(FormatVersion, WritesFourDecimalNumbers) {
  EXPECT_EQ(FormatVersion({2, 1, 0, 15}), "2.1.0.15");
  EXPECT_EQ(FormatVersion({65535, 0, 0, 65535}), "65535.0.0.65535");
}

TEST(ReleaseNotesWithLineBreaks, TurnsBackslashNInEitherCaseIntoLineFeeds) {
  const struct {
    const char* Text;
    const char* Expected;
  } cases[] = {
      {"Faster\\nFewer crashes\\NNew icon", "Faster\nFewer crashes\nNew icon"},
      {"no breaks", "no breaks"},
      {"\\", "\\"},
      {"ends with \\", "ends with \\"},
      {"\\\\n", "\\\n"},
      {"\\t stays", "\\t stays"},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(ReleaseNotesWithLineBreaks(c.Text), c.Expected);
  }
}

}  // namespace
}  // namespace skyrelle::update
