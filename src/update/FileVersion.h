#pragma once

#include <string>

#include "update/Version.h"

namespace skyrelle::update {

// A program file carries its four version numbers as the build stamps them into it
// (skyrelle_add_version_record in cmake/BuildStamp.cmake): on Linux a small record that these
// find in any file, on Windows the file version of its VERSIONINFO resource, read through
// GetFileVersionInfoW (platform/windows/FileVersion.cpp).

// "%d.%d.%d.%d" of the file's version; the empty text when the file cannot be read or holds
// none. Never raises.
std::string GetFileVersionText(const std::string& FileName);

// The same numbers, for callers that must not go on without them: raises EOSError with the
// system's error code when the file cannot be read or holds no version (Linux: ENODATA for a
// file without a record).
TFileVersion ReadFileVersion(const std::string& FileName);

// Writes Version into the record that a program file's bytes hold, so that a release can be
// published under other numbers than the build's. False when the bytes hold no record.
bool StampVersionRecord(std::string& ProgramBytes, const TFileVersion& Version);

}  // namespace skyrelle::update
