#include "support/VersionRecord.h"

// Built into the test program by skyrelle_add_version_record.
extern "C" const unsigned char skyrelle_version_record[32];

namespace skyrelle::test_support {

std::string VersionRecordFor(std::uint16_t Major, std::uint16_t Minor, std::uint16_t Release,
                             std::uint16_t Build) {
  std::string record(reinterpret_cast<const char*>(skyrelle_version_record), 32);
  const std::uint16_t numbers[] = {Major, Minor, Release, Build};
  for (int i = 0; i < 4; ++i) {
    record[16 + 2 * i] = static_cast<char>(numbers[i] & 0xFF);
    record[17 + 2 * i] = static_cast<char>(numbers[i] >> 8);
  }
  for (int i = 0; i < 8; ++i) record[24 + i] = static_cast<char>(~record[16 + i]);
  return record;
}

}  // namespace skyrelle::test_support
