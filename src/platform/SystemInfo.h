#pragma once

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

}  // namespace skyrelle::platform
