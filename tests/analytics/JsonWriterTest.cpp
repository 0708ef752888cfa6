#include "analytics/JsonWriter.h"

#include <gtest/gtest.h>

namespace skyrelle::analytics {
namespace {

struct TEscapeCase {
  const char* Name;
  std::string Text;  // UTF-8
  std::string Written;
};

void PrintTo(const TEscapeCase& Case, std::ostream* Out) { *Out << Case.Name; }

class JsonStringTest : public testing::TestWithParam<TEscapeCase> {};

TEST_P(JsonStringTest, WritesEachCodeUnitByTheEscapeTable) {
  const std::string written = JsonString(GetParam().Text);
  EXPECT_EQ(written, GetParam().Written);
  for (const char c : written) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << "not ASCII";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, JsonStringTest,
    testing::Values(TEscapeCase{"Empty", "", R"("")"},
                    TEscapeCase{"Plain", "Skyrelle 1.0.0.1", R"("Skyrelle 1.0.0.1")"},
                    TEscapeCase{"QuotationMark", "say \"hi\"", R"("say \"hi\"")"},
                    TEscapeCase{"Backslash", "C:\\Apps", R"("C:\\Apps")"},
                    TEscapeCase{"SolidusUnchanged", "a/b</c", R"("a/b</c")"},
                    TEscapeCase{"Delete", "\x7F", "\"\x7F\""},
                    TEscapeCase{"ShortEscapes", "\b\t\n\f\r", R"("\b\t\n\f\r")"},
                    TEscapeCase{"OtherControls", std::string("\0\x01\x0B\x1F", 4),
                                R"("\u0000\u0001\u000B\u001F")"},
                    TEscapeCase{"Latin", "Skyrell\xC3\xA9", R"("Skyrell\u00E9")"},
                    TEscapeCase{"UpperCaseDigits", "\xEA\xAF\x8D\xEF\xBB\xBF", R"("\uABCD\uFEFF")"},
                    TEscapeCase{"OutsideTheBasicPlane", "\xF0\x9F\x98\x80", R"("\uD83D\uDE00")"},
                    TEscapeCase{"MalformedUtf8", "a\xFF", R"("a\uFFFD")"}),
    [](const testing::TestParamInfo<TEscapeCase>& Case) { return Case.param.Name; });

TEST(JsonWriterTest, ObjectsAndArraysHaveNoWhitespaceAndKeepTheirOrder) {
  EXPECT_EQ(JsonObject({}), "{}");
  EXPECT_EQ(JsonArray({}), "[]");
  EXPECT_EQ(JsonObject({{"z", JsonString("1")}, {"a", JsonArray({"{}", JsonString("x")})}}),
            R"({"z":"1","a":[{},"x"]})");
  EXPECT_EQ(JsonObject({{"na\"me", "0"}}), R"({"na\"me":0})");
}

}  // namespace
}  // namespace skyrelle::analytics
