#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace skyrelle::platform {

// The distribution's own name and version, from os-release.
struct TOsRelease {
  std::string Name = "Linux";  // NAME; os-release's default when it gives none
  std::string VersionId;       // VERSION_ID; empty on rolling releases
};

// Reads the shell-style assignments of an os-release text: quoting and escapes as the shell
// has them, the last assignment of a name wins. Values are valid UTF-8 on one line.
TOsRelease ParseOsRelease(std::string_view Text);

// /etc/os-release, or /usr/lib/os-release when that is missing; the defaults without either.
TOsRelease ReadOsRelease();

struct TKernelInfo {
  std::string Release;  // "6.1.0-18-amd64"
  std::string Machine;  // the kernel's native architecture: "x86_64", "aarch64", ...
};

TKernelInfo ReadKernelInfo();

// What Windows says of itself (Windows build only): RtlGetVersion's numbers, product type and
// service pack; for releases after 6.1 the numbers, the display version and the update build
// revision of the machine key "SOFTWARE\Microsoft\Windows NT\CurrentVersion"; the native
// processor architecture.
struct TWindowsVersion {
  std::uint32_t Major = 0;
  std::uint32_t Minor = 0;
  std::uint32_t Build = 0;
  bool Workstation = true;
  bool ServerR2 = false;
  std::uint32_t ServicePackMajor = 0;
  std::string DisplayVersion;  // major 10 and later only: "DisplayVersion", else "ReleaseId"
  std::uint32_t UpdateBuildRevision = 0;
  bool Native64Bit = false;  // x64 or ARM64
};

TWindowsVersion ReadWindowsVersion();

}  // namespace skyrelle::platform
