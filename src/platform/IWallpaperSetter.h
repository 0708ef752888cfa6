#pragma once

#include <memory>
#include <string>

namespace skyrelle::platform {

struct TWallpaperResult {
  bool Applied = false;
  std::string Error;  // why the desktop did not take the picture; empty when applied
};

// Hands a bitmap file to the desktop as its wallpaper. Never raises: the engine's flow
// ignores the outcome, the shell reports it.
class IWallpaperSetter {
 public:
  virtual ~IWallpaperSetter() = default;
  virtual TWallpaperResult SetWallpaper(const std::string& FileName) = 0;
};

// The desktop's own setter, made once at start. It reports a failure both in its result and
// on standard error.
std::unique_ptr<IWallpaperSetter> CreateWallpaperSetter();

}  // namespace skyrelle::platform
