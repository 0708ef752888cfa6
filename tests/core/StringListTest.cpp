#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/StringList.h"
#include "core/Text.h"

namespace skyrelle::core {
namespace {

using ::testing::ElementsAre;
using Entries = std::vector<std::string>;

TStringList ListOf(const Entries& Items) {
  TStringList list;
  for (const std::string& item : Items) list.Add(item);
  return list;
}

struct DelimitedCase {
  Entries List;
  std::string Text;
};

// Written and read alike: each row is also a round trip.
const DelimitedCase BothWays[] = {
    {{}, ""},
    {{""}, "\"\""},
    {{"a"}, "a"},
    {{"C:\\Pics\\b.jpg", "D:\\x;y\\c.png"}, "C:\\Pics\\b.jpg;\"D:\\x;y\\c.png\""},
    {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
    {{"\""}, "\"\"\"\""},
    {{" a ", "\t", "b c"}, " a ;\t;b c"},
    {{"", ""}, ";"},
    {{"a", ""}, "a;"},
    {{"", "a"}, ";a"},
    {{"a", "", "b"}, "a;;b"},
    {{"/home/me/Pictures/über.jpg", "/x/y.png"}, "/home/me/Pictures/über.jpg;/x/y.png"},
};

TEST(StringListDelimitedTest, WritesEachEntryQuotedOnlyWhenItMustBe) {
  for (const auto& c : BothWays) EXPECT_EQ(ListOf(c.List).DelimitedText(), c.Text) << c.Text;
}

TEST(StringListDelimitedTest, ReadsWhatItWrites) {
  for (const auto& c : BothWays) {
    TStringList list;
    list.SetDelimitedText(c.Text);
    EXPECT_EQ(list.Items(), c.List) << c.Text;
  }
}

TEST(StringListDelimitedTest, ReadsTextItWouldNotWrite) {
  const DelimitedCase cases[] = {
      {{"ab", "cd", "e"}, "\"ab\"cd;e"},        // characters after a closing quote
      {{"a", "b\"c\"", "d"}, "\"a\"b\"c\";d"},  // a quote inside an unquoted entry is kept
      {{"abc"}, "\"abc"},                       // unclosed quote runs to the end
      {{"a;b", ""}, "\"a;b\";"},                // trailing ";" after a quoted entry
      {{"ab\""}, "\"ab\"\""},                   // doubled quote, then no closing one
      {{"a\"b"}, "\"a\"\"b\""},
      {{"x", ""}, "\"x\";\""},  // a lone quote at the end is an empty entry
      {{""}, "\""},
      {{"a", "b"}, "\"a\";\"b\""},
      {{" a", "b "}, " a;b "},  // never trimmed
  };
  for (const auto& c : cases) {
    TStringList list;
    list.SetDelimitedText(c.Text);
    EXPECT_EQ(list.Items(), c.List) << c.Text;
  }
}

TEST(StringListDelimitedTest, ReadingReplacesTheEntries) {
  TStringList list = ListOf({"old", "entries"});
  list.SetDelimitedText("new");
  EXPECT_THAT(list.Items(), ElementsAre("new"));
  list.SetDelimitedText("");
  EXPECT_TRUE(list.Empty());
}

TEST(StringListTest, LookupIsCaseInsensitiveAmongEntriesOfEqualLength) {
  const TStringList list =
      ListOf({"c:\\pics\\other.jpg", "c:\\pics\\BAY.JPG", "C:\\Pics\\Bay.jpg", "FILE", "cafe"});
  EXPECT_EQ(list.IndexOf("C:\\Pics\\Bay.jpg"), 1);  // the first of two equal entries
  EXPECT_EQ(list.IndexOf("c:\\PICS\\OTHER.JPG"), 0);
  EXPECT_EQ(list.IndexOf("C:\\Pics\\Bay.jpeg"), -1);
  EXPECT_EQ(list.IndexOf("café"), -1);  // accents count
  // The ligature "ﬁ" collates like "fi", but the texts differ in length, so they do not match.
  EXPECT_EQ(CompareText("\xEF\xAC\x81le", "FILE"), 0);
  EXPECT_EQ(list.IndexOf("\xEF\xAC\x81le"), -1);
  EXPECT_EQ(TStringList().IndexOf(""), -1);
}

TEST(StringListTest, SortIgnoresCaseButNotAccents) {
  TStringList list = ListOf({"Zebra", "éclair", "apple", "eclair", "Banana"});
  list.Sort();
  EXPECT_THAT(list.Items(), ElementsAre("apple", "Banana", "eclair", "éclair", "Zebra"));
}

TEST(StringListTest, InsertAndDeleteKeepOrderAndCheckPositions) {
  TStringList list = ListOf({"a", "c"});
  list.Insert(1, "b");
  list.Insert(3, "d");
  list.Insert(0, "a");  // duplicates are allowed
  EXPECT_THAT(list.Items(), ElementsAre("a", "a", "b", "c", "d"));
  list.Delete(4);
  list.Delete(0);
  EXPECT_THAT(list.Items(), ElementsAre("a", "b", "c"));
  EXPECT_THROW(list.Insert(4, "x"), std::out_of_range);
  EXPECT_THROW(list.Insert(-1, "x"), std::out_of_range);
  EXPECT_THROW(list.Delete(3), std::out_of_range);
  EXPECT_THROW(list.Delete(-1), std::out_of_range);
  EXPECT_THROW(list[3], std::out_of_range);
  EXPECT_EQ(list.Count(), 3);
}

}  // namespace
}  // namespace skyrelle::core
