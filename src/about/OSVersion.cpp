#include "about/OSVersion.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace skyrelle::about {
namespace {

std::string ServerProductName(const TOSVersionValues& Values) {
  const auto version = std::pair(Values.Major, Values.Minor);
  if (version == std::pair(5u, 0u)) return "Windows 2000";
  if (version == std::pair(5u, 1u)) return "Windows XP";
  if (version == std::pair(5u, 2u))
    return Values.ServerR2 ? "Windows Server 2003 R2" : "Windows Server 2003";
  if (version == std::pair(6u, 0u)) return "Windows Server 2008";
  if (version == std::pair(6u, 1u)) return "Windows Server 2008 R2";
  if (version == std::pair(6u, 2u)) return "Windows Server 2012";
  if (version == std::pair(6u, 3u)) return "Windows Server 2012 R2";
  if (version == std::pair(10u, 0u)) {
    if (Values.Build >= 26100) return "Windows Server 2025";
    if (Values.Build >= 20348) return "Windows Server 2022";
    if (Values.Build >= 17763) return "Windows Server 2019";
    return "Windows Server 2016";
  }
  return "Windows";
}

std::string WorkstationProductName(const TOSVersionValues& Values) {
  const auto version = std::pair(Values.Major, Values.Minor);
  if (version == std::pair(5u, 2u))
    return Values.Architecture == TArchitecture::X64 ? "Windows XP" : ServerProductName(Values);
  if (version == std::pair(6u, 0u)) return "Windows Vista";
  if (version == std::pair(6u, 1u)) return "Windows 7";
  if (version == std::pair(6u, 2u)) return "Windows 8";
  if (version == std::pair(6u, 3u)) return "Windows 8.1";
  if (version == std::pair(10u, 0u)) return Values.Build < 22000 ? "Windows 10" : "Windows 11";
  return ServerProductName(Values);  // 5.0, 5.1 and unknown versions are named alike
}

// The leading numbers of a kernel release: "6.1.0-18-amd64" -> 6, 1, 0.
struct TKernelNumbers {
  std::uint32_t Major = 0;
  std::uint32_t Minor = 0;
  std::uint32_t Patch = 0;
};

TKernelNumbers ParseKernelRelease(std::string_view Release) {
  std::uint32_t numbers[3] = {};
  std::size_t pos = 0;
  for (std::uint32_t& number : numbers) {
    if (pos >= Release.size() || Release[pos] < '0' || Release[pos] > '9') break;
    std::uint64_t value = 0;
    for (; pos < Release.size() && Release[pos] >= '0' && Release[pos] <= '9'; ++pos)
      value = std::min<std::uint64_t>(value * 10 + static_cast<std::uint64_t>(Release[pos] - '0'),
                                      std::numeric_limits<std::uint32_t>::max());
    number = static_cast<std::uint32_t>(value);
    if (pos >= Release.size() || Release[pos] != '.') break;
    ++pos;
  }
  return {numbers[0], numbers[1], numbers[2]};
}

TArchitecture ArchitectureOf(std::string_view Machine) {
  if (Machine == "x86_64" || Machine == "amd64") return TArchitecture::X64;
  if (Machine == "aarch64" || Machine == "aarch64_be" || Machine == "arm64")
    return TArchitecture::Arm64;
  if (Machine == "i386" || Machine == "i486" || Machine == "i586" || Machine == "i686")
    return TArchitecture::X86;
  // ppc64le, riscv64, s390x, loongarch64, mips64...
  if (Machine.find("64") != std::string_view::npos || Machine == "s390x")
    return TArchitecture::Other64Bit;
  return TArchitecture::Other32Bit;
}

}  // namespace

std::string WindowsProductName(const TOSVersionValues& Values) {
  return Values.ProductType == TProductType::Workstation ? WorkstationProductName(Values)
                                                         : ServerProductName(Values);
}

std::string EditionText(TArchitecture Architecture) {
  const bool wide = Architecture == TArchitecture::X64 || Architecture == TArchitecture::Arm64 ||
                    Architecture == TArchitecture::Other64Bit;
  return wide ? "Edition 64 bits" : "Edition 32 bits";
}

std::string FormatOSVersionText(std::string_view Name, const TOSVersionValues& Values) {
  using std::to_string;
  const std::string name(Name);
  const std::string edition = EditionText(Values.Architecture);
  if (!Values.DisplayVersion.empty())
    return name + " (Version " + Values.DisplayVersion + ", Build OS " + to_string(Values.Build) +
           "." + to_string(Values.UpdateBuildRevision) + ", " + edition + ")";
  const std::string version = "(Version " + to_string(Values.Major) + "." +
                              to_string(Values.Minor) + ", Build " + to_string(Values.Build) +
                              ", " + edition + ")";
  if (Values.ServicePackMajor != 0)
    return name + " Service Pack " + to_string(Values.ServicePackMajor) + " " + version;
  return name + " " + version;
}

std::uint32_t KnownFolderRelease(const TOSVersionValues& Values) {
  return std::max(Values.Major, FirstKnownFolderRelease);
}

TOSDescription DescribeLinux(const platform::TOsRelease& Release,
                             const platform::TKernelInfo& Kernel) {
  const TKernelNumbers kernel = ParseKernelRelease(Kernel.Release);
  TOSDescription description;
  description.Name = Release.Name;
  TOSVersionValues& values = description.Values;
  values.Major = kernel.Major;
  values.Minor = kernel.Minor;
  values.DisplayVersion = Release.VersionId;
  // With a distribution version the line shows "Build OS" and two numbers: the kernel's
  // major.minor tells most. Without one it shows the kernel as version and its patch as build.
  values.Build = values.DisplayVersion.empty() ? kernel.Patch : kernel.Major;
  values.UpdateBuildRevision = kernel.Minor;
  values.Architecture = ArchitectureOf(Kernel.Machine);
  return description;
}

}  // namespace skyrelle::about
