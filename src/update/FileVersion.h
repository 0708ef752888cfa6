#pragma once

#include <string>

#include "update/Version.h"

namespace skyrelle::update {

// A program file carries its four version numbers in a small record that the build stamps
// into it (skyrelle_add_version_record in cmake/BuildStamp.cmake); these find the record in
// any file.

// "%d.%d.%d.%d" of the file's record; the empty text when the file cannot be read or holds
// no record. Never raises.
std::string GetFileVersionText(const std::string& FileName);

// The same numbers, for callers that must not go on without them: raises EOSError with the
// system's error code when the file cannot be read, ENODATA when it holds no record.
TFileVersion ReadFileVersion(const std::string& FileName);

// Writes Version into the record that a program file's bytes hold, so that a release can be
// published under other numbers than the build's. False when the bytes hold no record.
bool StampVersionRecord(std::string& ProgramBytes, const TFileVersion& Version);

}  // namespace skyrelle::update
