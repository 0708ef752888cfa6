#include <mutex>

#include "about/OSVersion.h"

namespace skyrelle::about {
namespace {

// Worked out once, under a lock: the About window and the usage event's thread may ask at once.
const TOSDescription& RunningSystem() {
  static std::once_flag once;
  static TOSDescription description;
  std::call_once(once, [] {
    description = DescribeLinux(platform::ReadOsRelease(), platform::ReadKernelInfo());
  });
  return description;
}

}  // namespace

std::string GetOSVersionText() {
  const TOSDescription& system = RunningSystem();
  return FormatOSVersionText(system.Name, system.Values);
}

std::uint32_t GetOSMajorVersion() { return KnownFolderRelease(RunningSystem().Values); }

}  // namespace skyrelle::about
