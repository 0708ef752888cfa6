#include "platform/linux/DesktopDetection.h"

#include <array>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Text.h"
#include "platform/linux/ProcessList.h"

namespace skyrelle::platform {
namespace {

constexpr std::array SessionVariables = {"XDG_CURRENT_DESKTOP",
                                         "XDG_SESSION_DESKTOP",
                                         "DESKTOP_SESSION",
                                         "WAYLAND_DISPLAY",
                                         "SWAYSOCK",
                                         "HYPRLAND_INSTANCE_SIGNATURE",
                                         "DISPLAY"};

enum class TFamily { Desktop, Sway, Hyprland };

struct TKnownName {
  std::string_view Name;  // lower case
  TFamily Family;
  TDesktop Desktop;
};

// Names the desktops put in XDG_CURRENT_DESKTOP (colon-separated) or their session names.
constexpr std::array<TKnownName, 29> KnownNames = {{
    {"gnome", TFamily::Desktop, TDesktop::Gnome},
    {"gnome-classic", TFamily::Desktop, TDesktop::Gnome},
    {"gnome-flashback", TFamily::Desktop, TDesktop::Gnome},
    {"gnome-xorg", TFamily::Desktop, TDesktop::Gnome},
    {"gnome-wayland", TFamily::Desktop, TDesktop::Gnome},
    {"ubuntu", TFamily::Desktop, TDesktop::Gnome},
    {"ubuntu-xorg", TFamily::Desktop, TDesktop::Gnome},
    {"ubuntu-wayland", TFamily::Desktop, TDesktop::Gnome},
    {"budgie", TFamily::Desktop, TDesktop::Gnome},
    {"budgie-desktop", TFamily::Desktop, TDesktop::Gnome},
    {"pantheon", TFamily::Desktop, TDesktop::Gnome},
    {"unity", TFamily::Desktop, TDesktop::Gnome},
    {"x-cinnamon", TFamily::Desktop, TDesktop::Cinnamon},
    {"cinnamon", TFamily::Desktop, TDesktop::Cinnamon},
    {"cinnamon2d", TFamily::Desktop, TDesktop::Cinnamon},
    {"cinnamon-wayland", TFamily::Desktop, TDesktop::Cinnamon},
    {"mate", TFamily::Desktop, TDesktop::Mate},
    {"kde", TFamily::Desktop, TDesktop::Kde},
    {"plasma", TFamily::Desktop, TDesktop::Kde},
    {"plasmawayland", TFamily::Desktop, TDesktop::Kde},
    {"plasmax11", TFamily::Desktop, TDesktop::Kde},
    {"kde-plasma", TFamily::Desktop, TDesktop::Kde},
    {"xfce", TFamily::Desktop, TDesktop::Xfce},
    {"xfce4", TFamily::Desktop, TDesktop::Xfce},
    {"xubuntu", TFamily::Desktop, TDesktop::Xfce},
    {"lxde", TFamily::Desktop, TDesktop::Lxde},
    {"lxqt", TFamily::Desktop, TDesktop::Lxqt},
    {"sway", TFamily::Sway, TDesktop::None},
    {"hyprland", TFamily::Hyprland, TDesktop::None},
}};

std::string Variable(const TSession& Session, const std::string& Name) {
  const auto it = Session.Environment.find(Name);
  return it == Session.Environment.end() ? std::string() : it->second;
}

// Every name the session gives itself, most telling first.
std::vector<std::string> SessionNames(const TSession& Session) {
  std::vector<std::string> names;
  std::string current = Variable(Session, "XDG_CURRENT_DESKTOP");
  for (std::size_t start = 0; start <= current.size();) {
    const std::size_t colon = std::min(current.find(':', start), current.size());
    names.push_back(core::AsciiLowerCase(current.substr(start, colon - start)));
    start = colon + 1;
  }
  names.push_back(core::AsciiLowerCase(Variable(Session, "XDG_SESSION_DESKTOP")));
  // Some display managers put the session file's path here.
  std::string session = Variable(Session, "DESKTOP_SESSION");
  names.push_back(core::AsciiLowerCase(session.substr(session.rfind('/') + 1)));
  return names;
}

std::optional<TKnownName> KnownSessionName(const TSession& Session) {
  for (const std::string& name : SessionNames(Session))
    for (const TKnownName& known : KnownNames)
      if (known.Name == name) return known;
  return std::nullopt;
}

bool Running(const TSession& Session, const char* Name) {
  return Session.RunningProcesses.count(Name) != 0;
}

// A wallpaper daemon the user started wins over our own way on Wayland compositors.
std::optional<TDesktop> RunningDaemon(const TSession& Session) {
  if (Running(Session, "hyprpaper")) return TDesktop::Hyprpaper;
  if (Running(Session, "awww-daemon")) return TDesktop::Awww;
  if (Running(Session, "swww-daemon")) return TDesktop::Swww;
  if (Running(Session, "wpaperd")) return TDesktop::Wpaperd;
  return std::nullopt;
}

TDesktop WaylandDesktop(const TSession& Session, TDesktop Fallback) {
  return RunningDaemon(Session).value_or(Fallback);
}

}  // namespace

TDesktop DetectDesktop(const TSession& Session) {
  const std::optional<TKnownName> known = KnownSessionName(Session);
  if (known && known->Family == TFamily::Desktop) return known->Desktop;
  if ((known && known->Family == TFamily::Hyprland) ||
      !Variable(Session, "HYPRLAND_INSTANCE_SIGNATURE").empty())
    return WaylandDesktop(Session, TDesktop::Swaybg);
  if ((known && known->Family == TFamily::Sway) || !Variable(Session, "SWAYSOCK").empty())
    return WaylandDesktop(Session, TDesktop::Sway);
  // Other Wayland compositors: most are wlroots-based and take a layer-shell background.
  if (!Variable(Session, "WAYLAND_DISPLAY").empty())
    return WaylandDesktop(Session, TDesktop::Swaybg);
  if (!Variable(Session, "DISPLAY").empty()) return TDesktop::X11Root;
  return TDesktop::None;
}

TSession CurrentSession() {
  TSession session;
  for (const char* name : SessionVariables)
    if (const char* value = std::getenv(name); value != nullptr)
      session.Environment.emplace(name, value);
  for (const TProcess& process : RunningProcesses()) session.RunningProcesses.insert(process.Name);
  return session;
}

std::string DesktopName(TDesktop Desktop) {
  switch (Desktop) {
    case TDesktop::Gnome:
      return "GNOME";
    case TDesktop::Cinnamon:
      return "Cinnamon";
    case TDesktop::Mate:
      return "MATE";
    case TDesktop::Kde:
      return "KDE Plasma";
    case TDesktop::Xfce:
      return "Xfce";
    case TDesktop::Lxde:
      return "LXDE";
    case TDesktop::Lxqt:
      return "LXQt";
    case TDesktop::Sway:
      return "sway";
    case TDesktop::Hyprpaper:
      return "hyprpaper";
    case TDesktop::Swww:
      return "swww";
    case TDesktop::Awww:
      return "awww";
    case TDesktop::Wpaperd:
      return "wpaperd";
    case TDesktop::Swaybg:
      return "swaybg";
    case TDesktop::X11Root:
      return "the X11 root window";
    case TDesktop::None:
      break;
  }
  return "this session";
}

}  // namespace skyrelle::platform
