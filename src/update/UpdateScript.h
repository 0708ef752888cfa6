#pragma once

#include <string>

namespace skyrelle::update {

// What the replacement script puts where.
struct TReplacement {
  std::string ProgramPath;
  // Copy mode: the folder of the expanded package, whose every file goes into the program's
  // folder. Move mode: the downloaded program file, which takes the program file's place.
  std::string Source;
  std::string UpdateFolder;  // removed with everything in it once the program runs again
  bool CopyMode = false;
};

// The script beside UpdateFolder: "hvnportal_update.sh" in the same private folder.
std::string UpdateScriptPath(const std::string& AUpdateFolder);

// The replacement script, for a POSIX shell. Every value is quoted, so no file name runs as
// code. It waits, polling once a second, until no process runs whose program file bears the
// program's file name; puts the new files in place, each whole (a copy beside the old file
// with its permissions, renamed over it); starts the program detached with SKYRELLE_UPDATED=1
// in its environment; removes UpdateFolder, ignoring errors; and deletes itself.
std::string UpdateScriptText(const TReplacement& AReplacement, const std::string& AScriptPath);

// Writes the script whole (mode 0700), starts it in a session of its own so that it outlives
// the program, and ends the program with exit code 0, whether or not the script started.
// Raises std::runtime_error, without starting anything, when the script cannot be written.
[[noreturn]] void LaunchUpdateScript(const TReplacement& AReplacement);

}  // namespace skyrelle::update
