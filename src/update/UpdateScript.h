#pragma once

#include <string>
#include <string_view>

namespace skyrelle::update {

// Set to "1" in the environment of the program that the replacement script starts, which then
// skips its update check once: a descriptor that always asks for the package must not make
// the program replace itself and restart for ever.
constexpr std::string_view UpdatedMark = "SKYRELLE_UPDATED";

// What the replacement script puts where.
struct TReplacement {
  std::string ProgramPath;
  // Copy mode: the folder of the expanded package, whose every file goes into the program's
  // folder. Move mode: the downloaded program file, which takes the program file's place.
  std::string Source;
  std::string UpdateFolder;  // removed with everything in it once the program runs again
  bool CopyMode = false;
};

// The script beside UpdateFolder: "hvnportal_update.sh" (Linux) or "hvnportal_update.bat"
// (Windows) in the same folder.
std::string UpdateScriptPath(const std::string& AUpdateFolder);

// Linux: the replacement script for a POSIX shell. Every value is quoted, so no file name runs
// as code. It waits, polling once a second, until no process runs whose program file bears the
// program's file name; puts the new files in place, each whole (a copy beside the old file
// with its permissions, renamed over it); starts the program detached with UpdatedMark set in
// its environment; removes UpdateFolder, ignoring errors; and deletes itself.
//
// Windows: the eleven lines of "hvnportal_update.bat" for the command interpreter, in the ANSI
// code page, each ended by CR LF; the script names itself, so AScriptPath is not used. A path
// that the script could not carry faithfully is refused with std::runtime_error: a character
// that the ANSI code page cannot hold, or that the interpreter, which reads in the OEM code
// page, would read as another, and a "%", which it would expand.
std::string UpdateScriptText(const TReplacement& AReplacement, const std::string& AScriptPath);

// Writes the script whole and starts it so that it outlives the program (Linux: mode 0700, in
// a session of its own; Windows: ShellExecuteW, hidden, with UpdatedMark set in the
// environment it inherits), and ends the program with exit code 0, whether or not the script
// started. Raises std::runtime_error, without starting anything, when the script cannot be
// made or written.
[[noreturn]] void LaunchUpdateScript(const TReplacement& AReplacement);

}  // namespace skyrelle::update
