#pragma once

#include "core/DateTime.h"
#include "platform/LocalTime.h"

namespace skyrelle::platform {

// The local wall clock; the schedule is measured in local time, so tests substitute it.
class IClock {
 public:
  virtual ~IClock() = default;
  virtual core::TDateTime Now() const = 0;
};

class TSystemClock final : public IClock {
 public:
  core::TDateTime Now() const override { return NowLocal(); }
};

}  // namespace skyrelle::platform
