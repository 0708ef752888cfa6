#pragma once

#include <memory>

#include "platform/IWallpaperSetter.h"
#include "platform/linux/CommandRunner.h"
#include "platform/linux/DesktopDetection.h"

namespace skyrelle::platform {

// CreateWallpaperSetter() gives the setter for the session: it looks at the session again on
// every call (a wallpaper daemon may start after Skyrelle) and hands the picture to the
// setter of the desktop it finds.

// The setter for one way of setting the wallpaper; null for TDesktop::None.
std::unique_ptr<IWallpaperSetter> CreateDesktopSetter(TDesktop Desktop,
                                                      TCommandRunner Runner = TCommandRunner());

}  // namespace skyrelle::platform
