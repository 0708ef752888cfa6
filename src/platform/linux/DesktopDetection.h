#pragma once

#include <map>
#include <set>
#include <string>

namespace skyrelle::platform {

// How the wallpaper is handed to the running desktop.
enum class TDesktop {
  Gnome,  // also Ubuntu, Budgie, Pantheon, Unity
  Cinnamon,
  Mate,
  Kde,  // Plasma 5 and 6
  Xfce,
  Lxde,
  Lxqt,
  Sway,       // swaymsg
  Hyprpaper,  // through hyprctl
  Swww,
  Awww,  // swww's later name
  Wpaperd,
  Swaybg,   // a wlroots compositor without a wallpaper daemon of its own choosing
  X11Root,  // any other X11 session: the root window itself
  None,     // no graphical session at all
};

// What the choice depends on: the session's variables (XDG_CURRENT_DESKTOP,
// XDG_SESSION_DESKTOP, DESKTOP_SESSION, WAYLAND_DISPLAY, SWAYSOCK,
// HYPRLAND_INSTANCE_SIGNATURE, DISPLAY) and the names of the user's running processes.
struct TSession {
  std::map<std::string, std::string> Environment;
  std::set<std::string> RunningProcesses;
};

TDesktop DetectDesktop(const TSession& Session);

// The current process's session.
TSession CurrentSession();

// For messages: "GNOME", "KDE Plasma", "the X11 root window"...
std::string DesktopName(TDesktop Desktop);

}  // namespace skyrelle::platform
