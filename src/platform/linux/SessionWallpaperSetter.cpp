#include "platform/linux/SessionWallpaperSetter.h"

#include <iostream>
#include <map>

#include "platform/linux/DesktopEnvironmentSetters.h"
#include "platform/linux/WaylandWallpaperSetters.h"
#include "platform/linux/X11RootWallpaperSetter.h"
#include "platform/linux/X11Screen.h"

namespace skyrelle::platform {
namespace {

class TSessionWallpaperSetter final : public IWallpaperSetter {
 public:
  TWallpaperResult SetWallpaper(const std::string& FileName) override {
    TWallpaperResult result;
    try {
      result = SetOn(DetectDesktop(CurrentSession()), FileName);
    } catch (const std::exception& error) {
      result = {false, error.what()};
    }
    if (!result.Applied) std::cerr << "skyrelle: " << result.Error << std::endl;
    return result;
  }

 private:
  TWallpaperResult SetOn(TDesktop Desktop, const std::string& FileName) {
    if (Desktop == TDesktop::None)
      return {false,
              "The wallpaper could not be set: no desktop session was found (neither DISPLAY "
              "nor WAYLAND_DISPLAY is set)"};
    std::unique_ptr<IWallpaperSetter>& setter = FSetters[Desktop];
    if (!setter) setter = CreateDesktopSetter(Desktop);
    TWallpaperResult result = setter->SetWallpaper(FileName);
    if (!result.Applied)
      result.Error =
          "The wallpaper could not be set on " + DesktopName(Desktop) + ": " + result.Error;
    return result;
  }

  std::map<TDesktop, std::unique_ptr<IWallpaperSetter>> FSetters;
};

}  // namespace

std::unique_ptr<IWallpaperSetter> CreateWallpaperSetter() {
  return std::make_unique<TSessionWallpaperSetter>();
}

std::unique_ptr<IWallpaperSetter> CreateDesktopSetter(TDesktop Desktop, TCommandRunner Runner) {
  switch (Desktop) {
    case TDesktop::Gnome:
      return MakeGnomeWallpaperSetter(Runner);
    case TDesktop::Cinnamon:
      return MakeCinnamonWallpaperSetter(Runner);
    case TDesktop::Mate:
      return MakeMateWallpaperSetter(Runner);
    case TDesktop::Kde:
      return MakeKdeWallpaperSetter(Runner);
    case TDesktop::Xfce:
      return MakeXfceWallpaperSetter(Runner, CurrentXfceTarget);
    case TDesktop::Lxde:
      return MakeLxdeWallpaperSetter(Runner);
    case TDesktop::Lxqt:
      return MakeLxqtWallpaperSetter(Runner);
    case TDesktop::Sway:
      return MakeSwayWallpaperSetter(Runner);
    case TDesktop::Hyprpaper:
      return MakeHyprpaperWallpaperSetter(Runner);
    case TDesktop::Swww:
      return MakeSwwwWallpaperSetter(Runner, "swww");
    case TDesktop::Awww:
      return MakeSwwwWallpaperSetter(Runner, "awww");
    case TDesktop::Wpaperd:
      return MakeWpaperdWallpaperSetter();
    case TDesktop::Swaybg:
      return MakeSwaybgWallpaperSetter(Runner, UsersSwaybgs);
    case TDesktop::X11Root:
      return std::make_unique<TX11RootWallpaperSetter>();
    case TDesktop::None:
      break;
  }
  return nullptr;
}

}  // namespace skyrelle::platform
