#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/SystemInfo.h"

namespace skyrelle::about {

// The first release with the known-folder service (Windows Vista); older ones name shell
// folders by CSIDL only.
constexpr std::uint32_t FirstKnownFolderRelease = 6;

enum class TProductType { Workstation, Server };

enum class TArchitecture { X86, X64, Arm64, Other32Bit, Other64Bit };

// What the one-line description is built from.
struct TOSVersionValues {
  std::uint32_t Major = 0;
  std::uint32_t Minor = 0;
  std::uint32_t Build = 0;
  TProductType ProductType = TProductType::Workstation;
  bool ServerR2 = false;  // the system reports itself as an R2 server release
  std::uint32_t ServicePackMajor = 0;
  std::string DisplayVersion;  // such as "23H2"; empty when the system names none
  std::uint32_t UpdateBuildRevision = 0;
  TArchitecture Architecture = TArchitecture::X86;
};

// The Windows product name for the version, product type and architecture.
std::string WindowsProductName(const TOSVersionValues& Values);

// "Edition 64 bits" on a 64-bit processor, "Edition 32 bits" otherwise.
std::string EditionText(TArchitecture Architecture);

// The line in one of its three forms: with the display version, with the service pack, or
// with version and build only.
std::string FormatOSVersionText(std::string_view Name, const TOSVersionValues& Values);

// The release the known-folder lookup switches on. Linux has no shell older than its
// known-folder service, so an old kernel's major number never selects the CSIDL path.
std::uint32_t KnownFolderRelease(const TOSVersionValues& Values);

// The running Linux described in the same terms: the distribution's name, its version as the
// display version, the kernel's numbers as version and build, the kernel's architecture.
struct TOSDescription {
  std::string Name;
  TOSVersionValues Values;
};
TOSDescription DescribeLinux(const platform::TOsRelease& Release,
                             const platform::TKernelInfo& Kernel);

// The running system's one-line description, for the About window and the usage event. The
// values are worked out once per process, whichever thread asks first.
std::string GetOSVersionText();

// KnownFolderRelease of the running system.
std::uint32_t GetOSMajorVersion();

}  // namespace skyrelle::about
