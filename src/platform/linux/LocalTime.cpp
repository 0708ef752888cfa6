#include "platform/LocalTime.h"

#include <chrono>

namespace skyrelle::platform {

core::TDateTime FromUnixTime(std::time_t Seconds, int Millisecond) {
  std::tm local{};
  localtime_r(&Seconds, &local);
  return core::EncodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                               local.tm_min, local.tm_sec, Millisecond});
}

std::time_t ToUnixTime(core::TDateTime Value) {
  const core::TDateTimeParts parts = core::DecodeDateTime(Value);
  std::tm local{};
  local.tm_year = parts.Year - 1900;
  local.tm_mon = parts.Month - 1;
  local.tm_mday = parts.Day;
  local.tm_hour = parts.Hour;
  local.tm_min = parts.Minute;
  local.tm_sec = parts.Second;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

core::TDateTime NowLocal() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const auto sinceEpoch = duration_cast<milliseconds>(now.time_since_epoch()).count();
  return FromUnixTime(static_cast<std::time_t>(sinceEpoch / 1000),
                      static_cast<int>(sinceEpoch % 1000));
}

}  // namespace skyrelle::platform
