#pragma once

#include <memory>

#include "platform/IWallpaperSetter.h"
#include "platform/linux/CommandRunner.h"
#include "platform/linux/DesktopDetection.h"

namespace skyrelle::platform {

// The setter for this session, made once at start. It looks at the session again on every
// call (a wallpaper daemon may start after Skyrelle), and reports a failure both in its
// result and on standard error.
std::unique_ptr<IWallpaperSetter> CreateDesktopWallpaperSetter();

// The setter for one way of setting the wallpaper; null for TDesktop::None.
std::unique_ptr<IWallpaperSetter> CreateWallpaperSetter(TDesktop Desktop,
                                                        TCommandRunner Runner = TCommandRunner());

}  // namespace skyrelle::platform
