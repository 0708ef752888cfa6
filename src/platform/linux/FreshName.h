#pragma once

#include <memory>
#include <string>

namespace skyrelle::platform {

// Most desktops skip a wallpaper value equal to the one they hold, so every setting points
// them at a new name for the picture; the older names are removed once the new one is taken.
class IFreshName {
 public:
  virtual ~IFreshName() = default;
  // A new name showing FileName's current content. Raises std::runtime_error.
  virtual std::string Make(const std::string& FileName) = 0;
  // The desktop took Fresh: names made before it are no longer needed.
  virtual void Keep(const std::string& FileName, const std::string& Fresh) = 0;
  // The desktop refused Fresh.
  virtual void Drop(const std::string& Fresh) = 0;
};

// The file name itself, for tools that read the file anew every time.
std::unique_ptr<IFreshName> SameName();

// "<stem>-<16 hex digits><extension>" beside the file: a hard link (a copy where the file
// system has none). It stays valid across sessions, for desktops that store the path.
std::unique_ptr<IFreshName> AliasBeside();

// "$XDG_RUNTIME_DIR/skyrelle/wallpaper-<16 hex digits>.bmp", a symbolic link to the file: a
// name of plain characters for tools that pass the path through a command parser or shell
// expansion (sway, hyprctl). Lasts for the session, as the settings of those tools do.
std::unique_ptr<IFreshName> RuntimeLink();

}  // namespace skyrelle::platform
