#include "platform/LocalTime.h"

#include <gtest/gtest.h>

#include <ctime>

#include "support/DateTimePrinting.h"

namespace skyrelle::platform {
namespace {

constexpr double Second = 1.0 / 86400.0;

// Through the system's own time zone, whichever it is: there and back again, to the second.
TEST(LocalTime, ConvertsThroughTheLocalClockBothWays) {
  for (const std::time_t moment : {std::time_t{0} + 86400 * 365, std::time_t{1704110400},
                                   std::time_t{1719835200}, std::time_t{1735689599}})
    EXPECT_EQ(ToUnixTime(FromUnixTime(moment)), moment) << moment;
  EXPECT_NEAR(FromUnixTime(1704110400, 500) - FromUnixTime(1704110400), 0.5 * Second, 1e-9);
}

TEST(LocalTime, NowIsTheLocalClocksTime) {
  const core::TDateTime before = FromUnixTime(std::time(nullptr));
  const core::TDateTime now = NowLocal();
  const core::TDateTime after = FromUnixTime(std::time(nullptr) + 1);
  EXPECT_LE(before, now);
  EXPECT_LE(now, after);
}

}  // namespace
}  // namespace skyrelle::platform
