#pragma once

#include <cstdint>
#include <string>

namespace skyrelle::test_support {

// A version record as the build stamps it into a program file, carrying the given numbers.
// The test program must carry a record of its own (skyrelle_add_version_record), which this
// copies, so that the marker is never spelled out in a test.
std::string VersionRecordFor(std::uint16_t Major, std::uint16_t Minor, std::uint16_t Release,
                             std::uint16_t Build);

}  // namespace skyrelle::test_support
