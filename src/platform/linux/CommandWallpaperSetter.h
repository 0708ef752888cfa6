#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/IWallpaperSetter.h"
#include "platform/linux/CommandRunner.h"
#include "platform/linux/FreshName.h"

namespace skyrelle::platform {

// A wallpaper handed over by running the desktop's own tools.
class TCommandWallpaperSetter : public IWallpaperSetter {
 public:
  TWallpaperResult SetWallpaper(const std::string& FileName) final;

 protected:
  TCommandWallpaperSetter(TCommandRunner Runner, std::unique_ptr<IFreshName> Names)
      : FRunner(Runner), FNames(std::move(Names)) {}

  // Hands Shown (a name for the picture, absolute) to the desktop. Returns the reason when
  // the desktop did not take it, empty when it did. May raise std::runtime_error.
  virtual std::string Show(const std::string& Shown) = 0;

  TCommandResult RunCommand(const std::vector<std::string>& Arguments);
  // Empty on success, else the reason. Output receives the program's standard output.
  std::string Run(const std::vector<std::string>& Arguments, std::string* Output = nullptr);

  const TCommandRunner FRunner;

 private:
  void DropUnlessReached(const std::string& Shown);

  std::unique_ptr<IFreshName> FNames;
  bool FReachedDesktop = false;
};

}  // namespace skyrelle::platform
