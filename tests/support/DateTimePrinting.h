#pragma once

#include <ostream>

#include "core/DateTime.h"

namespace skyrelle::core {

// Found by argument-dependent lookup, so it must live in the type's own namespace.
inline void PrintTo(const TDateTimeParts& P, std::ostream* Out) {
  *Out << P.Year << "-" << P.Month << "-" << P.Day << " " << P.Hour << ":" << P.Minute << ":"
       << P.Second << "." << P.Millisecond;
}

}  // namespace skyrelle::core
