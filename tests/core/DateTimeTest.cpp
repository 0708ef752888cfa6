#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <ostream>
#include <string>

#include "core/DateTime.h"

namespace skyrelle::core {

// Found by argument-dependent lookup, so it must live in the type's own namespace.
void PrintTo(const TDateTimeParts& P, std::ostream* Out) {
  *Out << P.Year << "-" << P.Month << "-" << P.Day << " " << P.Hour << ":" << P.Minute << ":"
       << P.Second << "." << P.Millisecond;
}

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

// Sets the process's time zone for one test, from a POSIX rule so no zone files are needed.
class LocalTimeTest : public ::testing::Test {
 protected:
  void UseZone(const char* Rule) {
    setenv("TZ", Rule, 1);
    tzset();
  }
  void SetUp() override {
    if (const char* old = std::getenv("TZ")) FOld = old;
  }
  void TearDown() override {
    if (FOld) {
      setenv("TZ", FOld->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> FOld;
};

constexpr const char* Paris = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr const char* NewYork = "EST5EDT,M3.2.0,M11.1.0";

TEST_F(LocalTimeTest, ConvertsThroughTheLocalClock) {
  const struct {
    const char* Zone;
    std::time_t Unix;
    TDateTimeParts Local;
  } cases[] = {
      {"UTC0", 0, {1970, 1, 1, 0, 0, 0, 0}},
      {Paris, 1704106800, {2024, 1, 1, 12, 0, 0, 0}},     // 11:00 UTC in winter
      {Paris, 1719835200, {2024, 7, 1, 14, 0, 0, 0}},     // 12:00 UTC in summer
      {NewYork, 1704128400, {2024, 1, 1, 12, 0, 0, 0}},   // 17:00 UTC
      {Paris, 1711846799, {2024, 3, 31, 1, 59, 59, 0}},   // the second before the spring change
      {Paris, 1711846800, {2024, 3, 31, 3, 0, 0, 0}},     // ... and the one after it
      {Paris, 1729990799, {2024, 10, 27, 2, 59, 59, 0}},  // the last summer second
      {Paris, 1729990800, {2024, 10, 27, 2, 0, 0, 0}},    // an hour repeats
  };
  for (const auto& c : cases) {
    UseZone(c.Zone);
    EXPECT_EQ(DecodeDateTime(FromUnixTime(c.Unix)), c.Local) << c.Zone << " " << c.Unix;
  }
  UseZone(Paris);
  EXPECT_DOUBLE_EQ(FromUnixTime(1704106800), 45292.5);
}

TEST_F(LocalTimeTest, LocalTimeJumpsAtDaylightSavingChanges) {
  UseZone(Paris);
  // One second of real time is an hour and a second of wall-clock time in spring...
  EXPECT_NEAR(FromUnixTime(1711846800) - FromUnixTime(1711846799), 3601 * Second, 1e-9);
  // ...and goes back an hour less a second in autumn.
  EXPECT_NEAR(FromUnixTime(1729990800) - FromUnixTime(1729990799), -3599 * Second, 1e-9);
}

TEST_F(LocalTimeTest, ToUnixTimeInvertsFromUnixTime) {
  for (const char* zone : {"UTC0", Paris, NewYork}) {
    UseZone(zone);
    for (const std::time_t t :
         {std::time_t{0}, std::time_t{1704106800}, std::time_t{1711846799}, std::time_t{1711846800},
          std::time_t{1719835200}, std::time_t{1893456000}})
      EXPECT_EQ(ToUnixTime(FromUnixTime(t)), t) << zone << " " << t;
  }
}

TEST_F(LocalTimeTest, MillisecondsAreKept) {
  UseZone(Paris);
  EXPECT_EQ(DecodeDateTime(FromUnixTime(1704106800, 250)).Millisecond, 250);
  EXPECT_EQ(ToUnixTime(FromUnixTime(1704106800, 999)), 1704106800);
}

TEST_F(LocalTimeTest, NowIsTheLocalClock) {
  UseZone(NewYork);
  const double before = FromUnixTime(std::time(nullptr));
  const double now = NowLocal();
  EXPECT_GE(now, before);
  EXPECT_LT(now - before, 2 * Second);
}

}  // namespace
}  // namespace skyrelle::core
