#include <mutex>

#include "about/OSVersion.h"

namespace skyrelle::about {
namespace {

TOSVersionValues ValuesOf(const platform::TWindowsVersion& Version) {
  TOSVersionValues values;
  values.Major = Version.Major;
  values.Minor = Version.Minor;
  values.Build = Version.Build;
  values.ProductType = Version.Workstation ? TProductType::Workstation : TProductType::Server;
  values.ServerR2 = Version.ServerR2;
  values.ServicePackMajor = Version.ServicePackMajor;
  values.DisplayVersion = Version.DisplayVersion;
  values.UpdateBuildRevision = Version.UpdateBuildRevision;
  values.Architecture = Version.Native64Bit ? TArchitecture::X64 : TArchitecture::X86;
  return values;
}

// Worked out once, under a lock: the About window and the usage event's thread may ask at once.
const TOSVersionValues& RunningSystem() {
  static std::once_flag once;
  static TOSVersionValues values;
  std::call_once(once, [] { values = ValuesOf(platform::ReadWindowsVersion()); });
  return values;
}

}  // namespace

std::string GetOSVersionText() {
  return FormatOSVersionText(WindowsProductName(RunningSystem()), RunningSystem());
}

// The release itself: a shell before Vista (5) has no known-folder service.
std::uint32_t GetOSMajorVersion() { return RunningSystem().Major; }

}  // namespace skyrelle::about
