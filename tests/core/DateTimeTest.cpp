#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/DateTime.h"
#include "support/DateTimePrinting.h"

namespace skyrelle::core {

namespace {

constexpr double Second = 1.0 / 86400.0;

TEST(DateTimeTest, EncodesCalendarDatesAsDaysSinceTheEpoch) {
  const struct {
    TDateTimeParts Parts;
    double Value;
  } cases[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
      {{1899, 12, 31, 0, 0, 0, 0}, 1.0},
      {{1900, 1, 1, 0, 0, 0, 0}, 2.0},
      {{1900, 3, 1, 0, 0, 0, 0}, 61.0},  // 1900 is not a leap year
      {{1970, 1, 1, 0, 0, 0, 0}, 25569.0},
      {{2000, 2, 29, 0, 0, 0, 0}, 36585.0},
      {{2024, 1, 1, 12, 0, 0, 0}, 45292.5},
      {{2024, 1, 1, 6, 0, 0, 0}, 45292.25},
      {{2024, 12, 31, 18, 0, 0, 0}, 45657.75},
      {{9999, 12, 31, 0, 0, 0, 0}, 2958465.0},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(c.Parts), c.Value) << ::testing::PrintToString(c.Parts);
    EXPECT_EQ(DecodeDateTime(c.Value), c.Parts) << c.Value;
  }
}

TEST(DateTimeTest, NoonOnNewYear2024IsStoredAsTheseBytes) {
  const auto bits = std::bit_cast<std::uint64_t>(EncodeDateTime({2024, 1, 1, 12, 0, 0, 0}));
  const std::uint8_t expected[] = {0x00, 0x00, 0x00, 0x00, 0x90, 0x1d, 0xe6, 0x40};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(static_cast<std::uint8_t>(bits >> (8 * i)), expected[i]) << "byte " << i;
}

TEST(DateTimeTest, DecodeRoundTripsEveryMillisecondField) {
  for (int day = 0; day < 200 * 366; day += 37) {
    for (const int ms : {0, 1, 999, 43200000, 86399999, 3723004}) {
      const TDateTimeParts parts = DecodeDateTime(day + ms / 86400000.0);
      EXPECT_EQ(
          parts.Hour * 3600000 + parts.Minute * 60000 + parts.Second * 1000 + parts.Millisecond, ms)
          << day;
      EXPECT_EQ(DecodeDateTime(EncodeDateTime(parts)), parts);
    }
  }
}

TEST(DateTimeTest, JustBeforeMidnightStaysOnItsDay) {
  const TDateTimeParts parts = DecodeDateTime(45292.0 - 0.0005 * Second);
  EXPECT_EQ(parts, (TDateTimeParts{2024, 1, 1, 0, 0, 0, 0}));  // rounds to the millisecond
  EXPECT_EQ(DecodeDateTime(45292.0 - 1.0 / 86400000.0),
            (TDateTimeParts{2023, 12, 31, 23, 59, 59, 999}));
}

// A damaged stored value must decode to some date, not to nonsense fields or a crash.
TEST(DateTimeTest, DecodingAbsurdValuesGivesValidFields) {
  for (const double value :
       {std::nan(""), 1e300, -1e300, std::numeric_limits<double>::infinity()}) {
    const TDateTimeParts parts = DecodeDateTime(value);
    EXPECT_TRUE(parts.Month >= 1 && parts.Month <= 12) << value;
    EXPECT_TRUE(parts.Day >= 1 && parts.Day <= 31) << value;
    EXPECT_TRUE(parts.Hour >= 0 && parts.Hour < 24) << value;
  }
}

}  // namespace
}  // namespace skyrelle::core
