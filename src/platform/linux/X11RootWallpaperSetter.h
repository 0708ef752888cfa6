#pragma once

#include <string>

#include "platform/IWallpaperSetter.h"

namespace skyrelle::platform {

// For X11 sessions without a desktop that draws its own background (i3, openbox, bspwm, a
// bare server): the picture becomes the root window's background pixmap and is published
// through _XROOTPMAP_ID and ESETROOT_PMAP_ID for compositors and transparent terminals.
// The pixmap outlives the connection; the one a previous setter left is freed, so repeated
// settings do not pile up pixmaps in the server.
class TX11RootWallpaperSetter final : public IWallpaperSetter {
 public:
  explicit TX11RootWallpaperSetter(std::string DisplayName = {})  // empty: $DISPLAY
      : FDisplayName(std::move(DisplayName)) {}

  TWallpaperResult SetWallpaper(const std::string& FileName) override;

 private:
  std::string FDisplayName;
};

}  // namespace skyrelle::platform
