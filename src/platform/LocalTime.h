#pragma once

#include <ctime>

#include "core/DateTime.h"

namespace skyrelle::platform {

// Conversions through the local time zone, so a daylight-saving change shows as a jump.
core::TDateTime FromUnixTime(std::time_t Seconds, int Millisecond = 0);
std::time_t ToUnixTime(core::TDateTime Value);

core::TDateTime NowLocal();

}  // namespace skyrelle::platform
