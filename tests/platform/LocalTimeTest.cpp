#include "platform/LocalTime.h"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>

#include "support/DateTimePrinting.h"
#include "support/ScopedVariable.h"

namespace skyrelle::platform {
namespace {

using core::DecodeDateTime;
using core::TDateTimeParts;

constexpr double Second = 1.0 / 86400.0;

// Sets the process's time zone for one test, from a POSIX rule so no zone files are needed.
class LocalTimeTest : public ::testing::Test {
 protected:
  void UseZone(const char* Rule) {
    FZone.reset();
    FZone.emplace("TZ", Rule);
    tzset();
  }
  void TearDown() override {
    FZone.reset();
    tzset();
  }

 private:
  std::optional<test_support::TScopedVariable> FZone;
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
}  // namespace skyrelle::platform
