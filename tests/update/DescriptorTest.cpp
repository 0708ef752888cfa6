#include "update/Descriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/TempFolder.h"

namespace skyrelle::update {
namespace {

using namespace std::string_literals;

constexpr const char* Missing = "<default>";

const std::string Sample =
    "; update descriptor\r\n"
    "[update]\r\n"
    "unconditional=0\r\n"
    "descr=Faster\\nFewer crashes\r\n"
    "[file1]\r\n"
    "url=Skyrelle.cab\r\n"
    "newversion=2.1.0.15\r\n"
    "compressed=1\r\n"
    "filesize=0x1F4\r\n"
    "[action]\r\n"
    "runbefore=setup/SkyrelleSetup.exe\r\n";

struct TTextCase {
  const char* Name;
  std::string Descriptor;
  const char* Section;
  const char* Key;
  const char* Expected;  // Missing: the caller's default
};

void ExpectStartupText(const TTextCase& C) {
  SCOPED_TRACE(C.Name);
  const auto reader = TDescriptorReader::FromText(C.Descriptor);
  EXPECT_EQ(reader.ReadString(C.Section, C.Key, Missing), C.Expected);
}

TEST(DescriptorReader, ReadsTheTextsOfEverySection) {
  const TTextCase cases[] = {
      {"url", Sample, "file1", "url", "Skyrelle.cab"},
      {"newversion", Sample, "file1", "newversion", "2.1.0.15"},
      {"descr keeps its \\n", Sample, "update", "descr", "Faster\\nFewer crashes"},
      {"runbefore keeps its folders", Sample, "action", "runbefore", "setup/SkyrelleSetup.exe"},
      {"missing key", Sample, "file1", "localversion", Missing},
      {"missing section", Sample, "file2", "url", Missing},
      {"names without regard to case", Sample, "FILE1", "NewVersion", "2.1.0.15"},
  };
  for (const auto& c : cases) ExpectStartupText(c);
}

TEST(DescriptorReader, FollowsTheLineRules) {
  const TTextCase cases[] = {
      {"LF endings", "[s]\nk=v\n", "s", "k", "v"},
      {"CR endings", "[s]\rk=v\rj=w", "s", "j", "w"},
      {"no final line end", "[s]\nk=v", "s", "k", "v"},
      {"spaces around =", "[s]\n  key  =  some value \t\n", "s", "key", "some value"},
      {"control characters trimmed", "[s]\n\x01\x1fk=v\x7f\x02\n", "s", "k", "v\x7f"},
      {"section name trimmed", "[ s ]\nk=v\n", "s", "k", "v"},
      {"empty value is a value", "[s]\nk=\n", "s", "k", ""},
      {"line without = has no value", "[s]\nk\n", "s", "k", Missing},
      {"first = splits", "[s]\nk=a=b\n", "s", "k", "a=b"},
      {"comment line", "[s]\n;k=v\n", "s", ";k", Missing},
      {"indented comment", "[s]\n   ;k=v\n", "s", ";k", Missing},
      {"lines before any section", "k=v\n[s]\n", "s", "k", Missing},
      {"first occurrence of a key", "[s]\nk=first\nK=second\n", "s", "k", "first"},
      {"valueless first occurrence", "[s]\nk\nk=later\n", "s", "k", Missing},
      {"first occurrence of a section",
       "[file1]\nurl=a.cab\n[other]\nx=1\n[FILE1]\nurl=b.cab\nnewversion=9\n", "file1", "url",
       "a.cab"},
      {"repeated section opens nothing", "[file1]\nurl=a.cab\n[file1]\nnewversion=9\n", "file1",
       "newversion", Missing},
      {"quotes stay", "[s]\nk=\"quoted\"\n", "s", "k", "\"quoted\""},
      {"bracket line without ]", "[s]\n[t\nk=v\n", "s", "[t", Missing},
      {"empty section name", "[]\nk=v\n", "", "k", "v"},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF[s]\nk=v\n", "s", "k", "v"},
      {"UTF-8 value", "[s]\nk=Caf\xC3\xA9\n", "s", "k", "Caf\xC3\xA9"},
      {"non-ASCII names without regard to case", "[\xC3\x89T\xC3\x89]\nk=v\n", "\xC3\xA9t\xC3\xA9",
       "k", "v"},
  };
  for (const auto& c : cases) ExpectStartupText(c);
}

TEST(DescriptorReader, ReadsTheSameWithAndWithoutByteOrderMark) {
  const auto plain = TDescriptorReader::FromText(Sample);
  const auto marked = TDescriptorReader::FromText("\xEF\xBB\xBF" + Sample);
  for (const char* key : {"url", "newversion", "compressed", "filesize"}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(marked.ReadString("file1", key, Missing), plain.ReadString("file1", key, Missing));
  }
}

TEST(DescriptorReader, ReadsIntegers) {
  const struct {
    const char* Value;
    std::int32_t Expected;  // -7 is the default
  } cases[] = {
      {"500", 500},       {"0x1F4", 500},
      {"0X1f4", 500},     {"-12", -12},
      {"+12", 12},        {"0", 0},
      {"0x", -7},         {"0xG", -7},
      {"500abc", -7},     {"abc", -7},
      {"", -7},           {"2147483647", 2147483647},
      {"2147483648", -7}, {"-2147483648", -2147483647 - 1},
      {"0xFFFFFFFF", -1}, {"0x100000000", -7},
      {"1 000", -7},      {"\"5\"", -7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Value);
    const auto reader = TDescriptorReader::FromText("[file1]\nfilesize=" + std::string(c.Value));
    EXPECT_EQ(reader.ReadInteger("file1", "filesize", -7), c.Expected);
  }
  const auto reader = TDescriptorReader::FromText("[file1]\nvalueless\n");
  EXPECT_EQ(reader.ReadInteger("file1", "valueless", -7), -7);
  EXPECT_EQ(reader.ReadInteger("file1", "missing", 3), 3);
}

void ExpectAboutText(const TTextCase& C) {
  SCOPED_TRACE(C.Name);
  const auto reader = TAboutDescriptorReader::FromText(C.Descriptor);
  EXPECT_EQ(reader.ReadString(C.Section, C.Key, Missing), C.Expected);
}

TEST(AboutDescriptorReader, DecodesByByteOrderMark) {
  const TTextCase cases[] = {
      {"8-bit text is UTF-8 here", "[file1]\nnewversion=2.1\n", "file1", "newversion", "2.1"},
      {"UTF-8 mark", "\xEF\xBB\xBF[s]\nk=Caf\xC3\xA9\n", "s", "k", "Caf\xC3\xA9"},
      {"UTF-16 little-endian", "\xFF\xFE[\0s\0]\0\n\0k\0=\0\xE9\0\n\0"s, "s", "k", "\xC3\xA9"},
      {"UTF-16 big-endian", "\xFE\xFF\0[\0s\0]\0\n\0k\0=\0\xE9\0\n"s, "s", "k", "\xC3\xA9"},
      {"UTF-16 odd last byte", "\xFF\xFE[\0s\0]\0\n\0k\0=\0v\0w"s, "s", "k", "v"},
      {"UTF-16 lone surrogate", "\xFF\xFE[\0s\0]\0\n\0k\0=\0\x00\xD8"s, "s", "k", "\xEF\xBF\xBD"},
      {"sections and keys as at start-up", "[s]\nk=1\n[s]\nk=2\n", "s", "k", "1"},
  };
  for (const auto& c : cases) ExpectAboutText(c);
}

TEST(AboutDescriptorReader, RemovesOnePairOfEnclosingQuotes) {
  const TTextCase cases[] = {
      {"double", "[s]\nk=\"quoted\"\n", "s", "k", "quoted"},
      {"single", "[s]\nk='quoted'\n", "s", "k", "quoted"},
      {"one pair only", "[s]\nk=\"\"twice\"\"\n", "s", "k", "\"twice\""},
      {"mixed pair stays", "[s]\nk=\"mixed'\n", "s", "k", "\"mixed'"},
      {"lone quote stays", "[s]\nk=\"\n", "s", "k", "\""},
      {"empty quotes", "[s]\nk=\"\"\n", "s", "k", ""},
      {"inner quotes stay", "[s]\nk=a \"b\" c\n", "s", "k", "a \"b\" c"},
  };
  for (const auto& c : cases) ExpectAboutText(c);
}

TEST(AboutDescriptorReader, CutsValuesTo2047Characters) {
  const std::string descr = std::string(2046, 'a') + "\\n" + "tail";
  const auto reader = TAboutDescriptorReader::FromText("[update]\ndescr=" + descr + "\n");
  // The cut falls inside the "\n", which is then no longer a line break.
  EXPECT_EQ(reader.ReadString("update", "descr", ""), std::string(2046, 'a') + "\\");

  // Characters, not bytes; a character outside the BMP is two and is never split.
  const std::string accented = std::string(2046, 'a') + "\xC3\xA9\xC3\xA9";
  EXPECT_EQ(TAboutDescriptorReader::FromText("[s]\nk=" + accented).ReadString("s", "k", ""),
            std::string(2046, 'a') + "\xC3\xA9");
  const std::string astral = std::string(2046, 'a') + "\xF0\x9F\x98\x80";
  EXPECT_EQ(TAboutDescriptorReader::FromText("[s]\nk=" + astral).ReadString("s", "k", ""),
            std::string(2046, 'a'));
  // The quotes go first, then the cut.
  const std::string quoted = "\"" + std::string(2047, 'b') + "\"";
  EXPECT_EQ(TAboutDescriptorReader::FromText("[s]\nk=" + quoted).ReadString("s", "k", ""),
            std::string(2047, 'b'));
}

TEST(AboutDescriptorReader, DefaultIsReturnedAsGiven) {
  const auto reader = TAboutDescriptorReader::FromText("[s]\n");
  EXPECT_EQ(reader.ReadString("s", "k", "'kept'"), "'kept'");
}

// Content the site should never send, and files that are no descriptor at all.
TEST(DescriptorReaders, SurviveHostileInput) {
  const std::string hugeValue(MaxDescriptorSize - 20, 'x');
  std::string manySections;
  for (int i = 0; i < 60000; ++i) manySections += "[s" + std::to_string(i) + "]\nk=v\n";
  const struct {
    const char* Name;
    std::string Bytes;
    std::string ExpectedUrl;
  } cases[] = {
      {"NUL bytes", "[file1]\0\nurl=a\0b\n"s, "a\0b"s},
      {"NUL inside a name", "[fi\0le1]\nurl=x\n"s, Missing},
      {"invalid UTF-8", "[file1]\nurl=\xFF\xC3(\xE2\x82\n",
       "\xEF\xBF\xBD\xEF\xBF\xBD(\xEF\xBF\xBD"},
      {"truncated sequence at the end", "[file1]\nurl=\xF0\x9F", "\xEF\xBF\xBD"},
      {"huge line", "[file1]\nurl=" + hugeValue, hugeValue},
      {"many sections", manySections + "[file1]\nurl=last\n", "last"},
      {"too large", "[file1]\nurl=a\n" + std::string(MaxDescriptorSize, ' '), Missing},
      {"only line ends", std::string(100000, '\r'), Missing},
      {"binary noise", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR"s, Missing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(TDescriptorReader::FromText(c.Bytes).ReadString("file1", "url", Missing),
              c.ExpectedUrl);
    const std::string aboutUrl =
        TAboutDescriptorReader::FromText(c.Bytes).ReadString("file1", "url", Missing);
    EXPECT_EQ(aboutUrl, c.ExpectedUrl.substr(0, 2047));
  }
}

class DescriptorFile : public ::testing::Test {
 protected:
  test_support::TTempFolder FFolder;
};

TEST_F(DescriptorFile, LoadsFromAFile) {
  const std::string name = FFolder.Write("Skyrelle.inf", "\xEF\xBB\xBF" + Sample);
  EXPECT_EQ(TDescriptorReader::FromFile(name).ReadString("file1", "url", ""), "Skyrelle.cab");
  EXPECT_EQ(TDescriptorReader::FromFile(name).ReadInteger("file1", "filesize", 0), 500);
  EXPECT_EQ(TAboutDescriptorReader::FromFile(name).ReadString("file1", "newversion", ""),
            "2.1.0.15");
}

TEST_F(DescriptorFile, UnreadableFileReadsAsEmpty) {
  for (const std::string& name : {FFolder.Path() + "/missing.inf", FFolder.Path()}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(TDescriptorReader::FromFile(name).ReadString("file1", "url", Missing), Missing);
    EXPECT_EQ(TAboutDescriptorReader::FromFile(name).ReadString("file1", "url", Missing), Missing);
  }
}

TEST_F(DescriptorFile, HundredMegabyteFileIsRejectedWithoutReadingIt) {
  const std::string name = FFolder.Write("huge.inf", "[file1]\nurl=a.cab\n");
  ASSERT_EQ(truncate(name.c_str(), 100 * 1024 * 1024), 0);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(TDescriptorReader::FromFile(name).ReadString("file1", "url", Missing), Missing);
  EXPECT_EQ(TAboutDescriptorReader::FromFile(name).ReadString("file1", "url", Missing), Missing);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

TEST_F(DescriptorFile, EndlessDeviceIsCutOff) {
  EXPECT_EQ(TDescriptorReader::FromFile("/dev/zero").ReadString("file1", "url", Missing), Missing);
}

}  // namespace
}  // namespace skyrelle::update
