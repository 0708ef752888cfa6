#include <gtest/gtest.h>

#include <string>

#include "core/Text.h"

namespace skyrelle::core {
namespace {

const std::string Bad = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

TEST(TextTest, Utf8ToUtf16) {
  const struct {
    std::string Utf8;
    std::u16string Utf16;
  } cases[] = {
      {"", u""},
      {"abc", u"abc"},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
      {"\xC3\xA9", u"\u00E9"},
      {"\xE2\x82\xAC", u"\u20AC"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},  // a surrogate pair
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      // Malformed input: one U+FFFD per broken sequence, the rest kept.
      {"\xC3", u"\uFFFD"},
      {"\x80x", u"\uFFFDx"},
      {"a\xFF"
       "b",
       u"a\uFFFDb"},
      {"\xE2\x82"
       "a",
       u"\uFFFDa"},
      {"\xC0\xAF", u"\uFFFD"},          // overlong "/"
      {"\xED\xA0\x80", u"\uFFFD"},      // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD"},  // beyond U+10FFFF
      {"\xF8\x88\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.Utf8), c.Utf16) << c.Utf8;
}

TEST(TextTest, Utf16ToUtf8) {
  const struct {
    std::u16string Utf16;
    std::string Utf8;
  } cases[] = {
      {u"", ""},
      {u"C:\\Pics", "C:\\Pics"},
      {u"\u00E9\u20AC", "\xC3\xA9\xE2\x82\xAC"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      {u"\xD83D", Bad},              // high surrogate at the end
      {u"\xD83Dx", Bad + "x"},       // high surrogate not followed by a low one
      {u"\xDE00x", Bad + "x"},       // lone low surrogate
      {u"\xDE00\xD83D", Bad + Bad},  // pair in the wrong order
  };
  for (const auto& c : cases) EXPECT_EQ(Utf16ToUtf8(c.Utf16), c.Utf8) << c.Utf8;
}

// File names are bytes: whatever they hold comes back from UTF-16 unchanged.
TEST(TextTest, BytesRoundTripThroughUtf16) {
  const struct {
    std::string Bytes;
    std::u16string Utf16;
  } cases[] = {
      {"caf\xE9.jpg", u"caf\xDCE9.jpg"},  // Latin-1
      {"\xC3\xA9\xF0\x9F\x98\x80", u"\u00E9\U0001F600"},
      {"\xC3", u"\xDCC3"},  // cut short
      {"\xE2\x82"
       "a",
       u"\xDCE2\xDC82"
       u"a"},
      {"\xC0\xAF", u"\xDCC0\xDCAF"},            // overlong
      {"\xED\xB2\x80", u"\xDCED\xDCB2\xDC80"},  // an encoded escape is no escape
      {"\xFF\xFE", u"\xDCFF\xDCFE"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BytesToUtf16(c.Bytes), c.Utf16) << c.Bytes;
    EXPECT_EQ(Utf16ToBytes(c.Utf16), c.Bytes) << c.Bytes;
    EXPECT_EQ(Utf16Length(c.Bytes), c.Utf16.size()) << c.Bytes;
  }
  // Lone surrogates that escape no byte, from a store written elsewhere, show as U+FFFD.
  EXPECT_EQ(Utf16ToBytes(u"\xDC7F\xD800x"), Bad + Bad + "x");
  EXPECT_TRUE(HasUndecodableBytes("caf\xE9"));
  EXPECT_FALSE(HasUndecodableBytes("caf\xC3\xA9"));
}

TEST(TextTest, UndecodableBytesKeepNamesApart) {
  EXPECT_NE(FoldCase("caf\xE9"), FoldCase("caf\xE8"));
  EXPECT_EQ(FoldCase("CAF\xE9"), "caf\xE9");
  EXPECT_NE(CompareText("caf\xE9.jpg", "caf\xE8.jpg"), 0);
  EXPECT_EQ(CompareText("CAF\xE9.jpg", "caf\xE9.JPG"), 0);
}

TEST(TextTest, Utf16LengthCountsCodeUnits) {
  EXPECT_EQ(Utf16Length(""), 0u);
  EXPECT_EQ(Utf16Length("a\xC3\xA9\xE2\x82\xAC"), 3u);
  EXPECT_EQ(Utf16Length("\xF0\x9F\x98\x80"), 2u);
  EXPECT_EQ(Utf16Length("\xC3"), 1u);
}

TEST(TextTest, AsciiLowerCaseLeavesOtherBytesAlone) {
  EXPECT_EQ(AsciiLowerCase("REG_SZ Ä@[`{"), "reg_sz Ä@[`{");
}

TEST(TextTest, FoldCaseMakesCaseVariantsEqual) {
  const struct {
    std::string A;
    std::string B;
  } same[] = {
      {"Software\\Halvorn\\hvnSkyrelle", "SOFTWARE\\halvorn\\HVNSKYRELLE"},
      {"\xC3\x84rger", "\xC3\xA4RGER"},                          // Ärger, äRGER
      {"\xCE\xA3\xCE\x91\xCE\xA3", "\xCF\x83\xCE\xB1\xCF\x82"},  // ΣΑΣ, σας with a final sigma
  };
  for (const auto& c : same) EXPECT_EQ(FoldCase(c.A), FoldCase(c.B)) << c.A;
  EXPECT_NE(FoldCase("cafe"), FoldCase("caf\xC3\xA9"));
  EXPECT_EQ(FoldCase("a\\B"), "a\\b");
}

TEST(TextTest, CompareTextIgnoresCaseOnly) {
  EXPECT_EQ(CompareText("C:\\Pics\\Bay.jpg", "c:\\pics\\BAY.JPG"), 0);
  EXPECT_LT(CompareText("apple", "Banana"), 0);
  EXPECT_GT(CompareText("Banana", "apple"), 0);
  EXPECT_NE(CompareText("cafe", "caf\xC3\xA9"), 0);
  EXPECT_EQ(CompareText("", ""), 0);
  EXPECT_LT(CompareText("", "a"), 0);
}

}  // namespace
}  // namespace skyrelle::core
