#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace skyrelle::platform {

// The Windows shell's folder services (Windows build only). The empty text when the shell
// gives no path; a path never ends in a separator.

// SHGetKnownFolderPath for the folder whose identifier has these 16 bytes (a GUID as Windows
// lays it out), looked up in shell32 on the first call so a program still starts on a shell
// without it.
std::string ShellKnownFolderPath(const std::array<std::uint8_t, 16>& FolderId);

// SHGetFolderPathW for the folder's CSIDL number, its current path.
std::string ShellFolderPath(int CSIDL);

}  // namespace skyrelle::platform
