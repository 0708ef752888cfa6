#pragma once

namespace skyrelle::core {

// Days since 30 December 1899 in local wall-clock time; the fraction is the time of day.
using TDateTime = double;

constexpr double MinutesPerDay = 1440.0;

struct TDateTimeParts {
  int Year = 1899;
  int Month = 12;
  int Day = 30;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;

  bool operator==(const TDateTimeParts&) const = default;
};

// Pure calendar arithmetic on wall-clock fields: no time zone is involved.
TDateTime EncodeDateTime(const TDateTimeParts& Parts);
TDateTimeParts DecodeDateTime(TDateTime Value);

}  // namespace skyrelle::core
