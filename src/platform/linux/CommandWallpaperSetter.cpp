#include "platform/linux/CommandWallpaperSetter.h"

#include <sys/stat.h>

#include <filesystem>

namespace skyrelle::platform {

TWallpaperResult TCommandWallpaperSetter::SetWallpaper(const std::string& FileName) {
  try {
    // Absolute, so that no tool mistakes it for an option or looks for it elsewhere.
    const std::string file = std::filesystem::absolute(FileName).lexically_normal().string();
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
      return {false, "The file \"" + file + "\" does not exist"};
    const std::string shown = FNames->Make(file);
    FReachedDesktop = false;
    std::string error;
    try {
      error = Show(shown);
    } catch (...) {
      DropUnlessReached(shown);
      throw;
    }
    if (!error.empty()) {
      DropUnlessReached(shown);
      return {false, error};
    }
    FNames->Keep(file, shown);
    return {true, {}};
  } catch (const std::exception& error) {
    return {false, error.what()};
  } catch (...) {
    return {false, "Unknown error"};
  }
}

// Once a tool has run, the desktop may hold the new name even though the tool then failed;
// that name is left for the next successful setting to clear away.
void TCommandWallpaperSetter::DropUnlessReached(const std::string& Shown) {
  if (!FReachedDesktop) FNames->Drop(Shown);
}

TCommandResult TCommandWallpaperSetter::RunCommand(const std::vector<std::string>& Arguments) {
  TCommandResult result = FRunner.Run(Arguments);
  if (result.Outcome == TCommandResult::TOutcome::Finished ||
      result.Outcome == TCommandResult::TOutcome::TimedOut)
    FReachedDesktop = true;
  return result;
}

std::string TCommandWallpaperSetter::Run(const std::vector<std::string>& Arguments,
                                         std::string* Output) {
  const TCommandResult result = RunCommand(Arguments);
  if (Output != nullptr) *Output = result.Output;
  return CommandFailure(Arguments, result, FRunner.Timeout());
}

}  // namespace skyrelle::platform
