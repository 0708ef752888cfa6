#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/IWallpaperSetter.h"
#include "platform/linux/CommandRunner.h"

namespace skyrelle::platform {

// Wayland compositors without a desktop shell: the compositor's own command or the
// wallpaper daemon the user runs.

std::unique_ptr<IWallpaperSetter> MakeSwayWallpaperSetter(TCommandRunner Runner);
std::unique_ptr<IWallpaperSetter> MakeHyprpaperWallpaperSetter(TCommandRunner Runner);
// Program: "swww" or "awww" (the same tool under its later name).
std::unique_ptr<IWallpaperSetter> MakeSwwwWallpaperSetter(TCommandRunner Runner,
                                                          std::string Program);

// Starts a new swaybg for the picture, then ends the ones that ran before (listed by
// RunningSwaybgs, called before the start).
std::unique_ptr<IWallpaperSetter> MakeSwaybgWallpaperSetter(
    TCommandRunner Runner, std::function<std::vector<pid_t>()> RunningSwaybgs);
// The current user's swaybg processes.
std::vector<pid_t> UsersSwaybgs();

// wpaperd has no command to take a picture; it follows its configuration file, read from
// ConfigFile (empty: the user's own) and reloaded by wpaperd on every change.
std::unique_ptr<IWallpaperSetter> MakeWpaperdWallpaperSetter(std::string ConfigFile = {});

// The wpaperd configuration Text with every "path" set to FileName, or an "[any]" section
// holding it added when none has one. Other lines stay as they are.
std::string WpaperdConfigWithPath(const std::string& Text, const std::string& FileName);

}  // namespace skyrelle::platform
