#pragma once

#include <string>
#include <vector>

namespace skyrelle::update {

// A package that would expand to more than this is no program package.
constexpr unsigned long long MaxExpandedCabinetSize = 512ULL * 1024 * 1024;

// Expands every file of the cabinet archive into ATargetFolder, which is created with its
// parents and not emptied. Only plain file names are written: a cabinet that names a folder,
// an absolute or ".." path, or that would expand beyond MaxExpandedCabinetSize is refused
// whole, so that a hostile package writes nothing outside the folder and nothing half. False
// when the file is no cabinet or a file cannot be written. Never raises. On Windows the
// system's expand tool expands it once its file table passed these checks:
// "%WINDIR%\System32\expand.exe -F:* <cabinet> <folder>", hidden, true on its exit code 0.
bool ExpandCabinet(const std::string& ACabinetFile, const std::string& ATargetFolder);

struct TCabinetFile {
  std::string Name;  // as stored, "\" separating folders
  std::string Bytes;
  bool Executable = false;
};

// The bytes of a cabinet archive holding the files, compressed (Linux, for the publishing
// tool). Raises std::runtime_error.
std::string MakeCabinet(const std::vector<TCabinetFile>& AFiles);

}  // namespace skyrelle::update
