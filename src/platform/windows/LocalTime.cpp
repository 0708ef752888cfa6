#include "platform/LocalTime.h"

#include <windows.h>

#include <cstdint>

namespace skyrelle::platform {
namespace {

// 100-nanosecond ticks from 1 January 1601 to 1 January 1970.
constexpr std::int64_t UnixEpochTicks = 116444736000000000;
constexpr std::int64_t TicksPerSecond = 10000000;

core::TDateTime FromSystemTime(const SYSTEMTIME& Time) {
  return core::EncodeDateTime({Time.wYear, Time.wMonth, Time.wDay, Time.wHour, Time.wMinute,
                               Time.wSecond, Time.wMilliseconds});
}

}  // namespace

core::TDateTime FromUnixTime(std::time_t Seconds, int Millisecond) {
  const std::int64_t ticks = UnixEpochTicks + static_cast<std::int64_t>(Seconds) * TicksPerSecond;
  const FILETIME universal{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  FileTimeToSystemTime(&universal, &utc);
  SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
  local.wMilliseconds = static_cast<WORD>(Millisecond);
  return FromSystemTime(local);
}

std::time_t ToUnixTime(core::TDateTime Value) {
  const core::TDateTimeParts parts = core::DecodeDateTime(Value);
  const SYSTEMTIME local{static_cast<WORD>(parts.Year),
                         static_cast<WORD>(parts.Month),
                         0,
                         static_cast<WORD>(parts.Day),
                         static_cast<WORD>(parts.Hour),
                         static_cast<WORD>(parts.Minute),
                         static_cast<WORD>(parts.Second),
                         0};
  SYSTEMTIME utc{};
  FILETIME universal{};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
      !SystemTimeToFileTime(&utc, &universal))
    return -1;
  const std::int64_t ticks =
      (static_cast<std::int64_t>(universal.dwHighDateTime) << 32) | universal.dwLowDateTime;
  return static_cast<std::time_t>((ticks - UnixEpochTicks) / TicksPerSecond);
}

// The local wall clock as Windows keeps it.
core::TDateTime NowLocal() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return FromSystemTime(now);
}

}  // namespace skyrelle::platform
