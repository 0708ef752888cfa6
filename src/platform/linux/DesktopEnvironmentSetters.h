#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/IWallpaperSetter.h"
#include "platform/linux/CommandRunner.h"

namespace skyrelle::platform {

// One setter per desktop family; each runs that desktop's own tools (see the .cpp).

std::unique_ptr<IWallpaperSetter> MakeGnomeWallpaperSetter(TCommandRunner Runner);
std::unique_ptr<IWallpaperSetter> MakeCinnamonWallpaperSetter(TCommandRunner Runner);
std::unique_ptr<IWallpaperSetter> MakeMateWallpaperSetter(TCommandRunner Runner);
std::unique_ptr<IWallpaperSetter> MakeKdeWallpaperSetter(TCommandRunner Runner);
// The Plasma shell script that puts the picture at Uri on every desktop.
std::string PlasmaWallpaperScript(const std::string& Uri);

// Where xfdesktop shows the picture when it has no backdrop property yet.
struct TXfceTarget {
  std::string Monitor = "0";  // the output's name, e.g. "eDP-1"
  int Workspace = 0;
};
std::unique_ptr<IWallpaperSetter> MakeXfceWallpaperSetter(
    TCommandRunner Runner, std::function<TXfceTarget()> CurrentTarget);

std::unique_ptr<IWallpaperSetter> MakeLxdeWallpaperSetter(TCommandRunner Runner);
std::unique_ptr<IWallpaperSetter> MakeLxqtWallpaperSetter(TCommandRunner Runner);

}  // namespace skyrelle::platform
