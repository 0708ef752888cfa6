#include "platform/SystemInfo.h"

#include <windows.h>

#include <charconv>
#include <optional>
#include <string_view>

#include "platform/windows/RegistryKey.h"

namespace skyrelle::platform {
namespace {

using windows::TRegistryKey;

using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);

// RtlGetVersion tells the truth whatever the program's manifest claims; GetVersionExW does not.
OSVERSIONINFOEXW SystemVersion() {
  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof version;
  const auto getVersion = reinterpret_cast<TRtlGetVersion>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  if (getVersion != nullptr) getVersion(&version);
  return version;
}

// A whole decimal number and nothing else.
std::optional<std::uint32_t> WholeNumber(std::string_view Text) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), value);
  if (Text.empty() || error != std::errc() || end != Text.data() + Text.size()) return std::nullopt;
  return value;
}

// "6.3" gives 6 and 3; anything but exactly two numbers gives nothing.
bool SplitVersion(const std::string& Text, std::uint32_t& Major, std::uint32_t& Minor) {
  const std::size_t dot = Text.find('.');
  if (dot == std::string::npos) return false;
  const auto major = WholeNumber(std::string_view(Text).substr(0, dot));
  const auto minor = WholeNumber(std::string_view(Text).substr(dot + 1));
  if (!major || !minor) return false;
  Major = *major;
  Minor = *minor;
  return true;
}

void ReadCurrentVersionKey(TWindowsVersion& Version) {
  const TRegistryKey key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                         KEY_READ | KEY_WOW64_64KEY);
  if (!key.IsOpen()) return;
  if (const auto major = key.ReadNumber("CurrentMajorVersionNumber")) {
    Version.Major = *major;
    Version.Minor = key.ReadNumber("CurrentMinorVersionNumber").value_or(0);
  } else if (const auto text = key.ReadText("CurrentVersion")) {
    SplitVersion(*text, Version.Major, Version.Minor);
  }
  std::optional<std::uint32_t> build;
  if (const auto text = key.ReadText("CurrentBuild")) build = WholeNumber(*text);
  if (!build)
    if (const auto text = key.ReadText("CurrentBuildNumber")) build = WholeNumber(*text);
  if (build) Version.Build = *build;
  if (Version.Major >= 10) {
    Version.DisplayVersion = key.ReadText("DisplayVersion").value_or("");
    if (Version.DisplayVersion.empty())
      Version.DisplayVersion = key.ReadText("ReleaseId").value_or("");
  }
  Version.UpdateBuildRevision = key.ReadNumber("UBR").value_or(0);
}

}  // namespace

TWindowsVersion ReadWindowsVersion() {
  const OSVERSIONINFOEXW system = SystemVersion();
  TWindowsVersion version;
  version.Major = system.dwMajorVersion;
  version.Minor = system.dwMinorVersion;
  version.Build = system.dwBuildNumber;
  version.Workstation = system.wProductType == VER_NT_WORKSTATION;
  version.ServerR2 = GetSystemMetrics(SM_SERVERR2) != 0;
  version.ServicePackMajor = system.wServicePackMajor;
  if (version.Major > 6 || (version.Major == 6 && version.Minor > 1))
    ReadCurrentVersionKey(version);
  SYSTEM_INFO processor{};
  GetNativeSystemInfo(&processor);
  version.Native64Bit = processor.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                        processor.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64;
  return version;
}

}  // namespace skyrelle::platform
