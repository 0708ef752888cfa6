#include "core/DateTime.h"

#include <cmath>

namespace skyrelle::core {
namespace {

constexpr double SecondsPerDay = 86400.0;
// Days from 30 December 1899 to 1 January 1970.
constexpr long long UnixEpochDay = 25569;

// Days since 1 January 1970 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long DaysFromCivil(long long Year, unsigned Month, unsigned Day) {
  Year -= Month <= 2 ? 1 : 0;
  const long long era = (Year >= 0 ? Year : Year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(Year - era * 400);
  const unsigned dayOfYear = (153 * (Month > 2 ? Month - 3 : Month + 9) + 2) / 5 + Day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

void CivilFromDays(long long Days, TDateTimeParts& Parts) {
  Days += 719468;
  const long long era = (Days >= 0 ? Days : Days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(Days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  Parts.Day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  Parts.Month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  Parts.Year =
      static_cast<int>(static_cast<long long>(yearOfEra) + era * 400 + (Parts.Month <= 2 ? 1 : 0));
}

}  // namespace

TDateTime EncodeDateTime(const TDateTimeParts& Parts) {
  const long long day = DaysFromCivil(Parts.Year, static_cast<unsigned>(Parts.Month),
                                      static_cast<unsigned>(Parts.Day)) +
                        UnixEpochDay;
  const double seconds =
      Parts.Hour * 3600.0 + Parts.Minute * 60.0 + Parts.Second + Parts.Millisecond / 1000.0;
  return static_cast<double>(day) + seconds / SecondsPerDay;
}

TDateTimeParts DecodeDateTime(TDateTime Value) {
  TDateTimeParts parts;
  auto milliseconds = static_cast<long long>(std::llround(Value * SecondsPerDay * 1000.0));
  long long day = milliseconds / 86400000;
  long long inDay = milliseconds % 86400000;
  if (inDay < 0) {
    inDay += 86400000;
    --day;
  }
  CivilFromDays(day - UnixEpochDay, parts);
  parts.Hour = static_cast<int>(inDay / 3600000);
  parts.Minute = static_cast<int>(inDay / 60000 % 60);
  parts.Second = static_cast<int>(inDay / 1000 % 60);
  parts.Millisecond = static_cast<int>(inDay % 1000);
  return parts;
}

}  // namespace skyrelle::core
