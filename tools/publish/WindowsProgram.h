#pragma once

#include <string_view>

#include "update/Version.h"

namespace skyrelle::publish {

// True when the bytes begin as a Windows program file does (the "MZ" of its DOS header).
bool IsWindowsProgram(std::string_view AFileBytes);

// The file version of a Windows program's VERSIONINFO resource, read from its bytes as
// GetFileVersionInfoW and VerQueryValueW would read it on Windows. Every offset in the file is
// checked before it is followed, so a damaged or hostile file gets an error, never a read
// outside it. Raises std::runtime_error with a text that says what is wrong.
update::TFileVersion ReadWindowsFileVersion(std::string_view AFileBytes);

}  // namespace skyrelle::publish
