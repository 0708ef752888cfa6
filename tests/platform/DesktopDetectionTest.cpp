#include <gtest/gtest.h>

#include "platform/linux/DesktopDetection.h"

namespace skyrelle::platform {
namespace {

struct TDetectionCase {
  const char* Name;
  std::map<std::string, std::string> Environment;
  std::set<std::string> Running;
  TDesktop Expected;
};

void PrintTo(const TDetectionCase& Case, std::ostream* Out) { *Out << Case.Name; }

class DesktopDetection : public ::testing::TestWithParam<TDetectionCase> {};

TEST_P(DesktopDetection, ChoosesTheDesktopsOwnWay) {
  const TDetectionCase& c = GetParam();
  EXPECT_EQ(DetectDesktop({c.Environment, c.Running}), c.Expected)
      << DesktopName(DetectDesktop({c.Environment, c.Running}));
}

const std::string X = ":0";
const std::string W = "wayland-1";

INSTANTIATE_TEST_SUITE_P(
    Sessions, DesktopDetection,
    ::testing::Values(
        TDetectionCase{"GnomeWayland",
                       {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"WAYLAND_DISPLAY", W}},
                       {},
                       TDesktop::Gnome},
        TDetectionCase{"UbuntuFirstName",
                       {{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}, {"DISPLAY", X}},
                       {},
                       TDesktop::Gnome},
        TDetectionCase{"Budgie", {{"XDG_CURRENT_DESKTOP", "Budgie:GNOME"}}, {}, TDesktop::Gnome},
        TDetectionCase{
            "Pantheon", {{"XDG_CURRENT_DESKTOP", "Pantheon"}, {"DISPLAY", X}}, {}, TDesktop::Gnome},
        TDetectionCase{"GnomeFlashback",
                       {{"XDG_CURRENT_DESKTOP", "GNOME-Flashback:GNOME"}},
                       {},
                       TDesktop::Gnome},
        TDetectionCase{"Cinnamon",
                       {{"XDG_CURRENT_DESKTOP", "X-Cinnamon"}, {"DISPLAY", X}},
                       {},
                       TDesktop::Cinnamon},
        TDetectionCase{
            "Mate", {{"XDG_CURRENT_DESKTOP", "MATE"}, {"DISPLAY", X}}, {}, TDesktop::Mate},
        TDetectionCase{"Plasma6Wayland",
                       {{"XDG_CURRENT_DESKTOP", "KDE"}, {"WAYLAND_DISPLAY", W}, {"DISPLAY", X}},
                       {"swaybg"},
                       TDesktop::Kde},
        TDetectionCase{"PlasmaBySessionOnly",
                       {{"DESKTOP_SESSION", "/usr/share/xsessions/plasma"}, {"DISPLAY", X}},
                       {},
                       TDesktop::Kde},
        TDetectionCase{
            "XfceLowerCase", {{"XDG_CURRENT_DESKTOP", "xfce"}, {"DISPLAY", X}}, {}, TDesktop::Xfce},
        TDetectionCase{"XfceBySessionDesktop",
                       {{"XDG_SESSION_DESKTOP", "xfce"}, {"DISPLAY", X}},
                       {},
                       TDesktop::Xfce},
        TDetectionCase{
            "Lxde", {{"XDG_CURRENT_DESKTOP", "LXDE"}, {"DISPLAY", X}}, {}, TDesktop::Lxde},
        TDetectionCase{
            "Lxqt", {{"XDG_CURRENT_DESKTOP", "LXQt"}, {"DISPLAY", X}}, {}, TDesktop::Lxqt},
        TDetectionCase{
            "UnknownNameThenKnown", {{"XDG_CURRENT_DESKTOP", "Custom:XFCE"}}, {}, TDesktop::Xfce},
        TDetectionCase{"SwayByName",
                       {{"XDG_CURRENT_DESKTOP", "sway"}, {"WAYLAND_DISPLAY", W}},
                       {"swaybg"},
                       TDesktop::Sway},
        TDetectionCase{"SwayBySocketOnly",
                       {{"SWAYSOCK", "/run/user/1000/sway-ipc.sock"}, {"WAYLAND_DISPLAY", W}},
                       {},
                       TDesktop::Sway},
        TDetectionCase{"SwayWithSwww",
                       {{"SWAYSOCK", "/run/sway.sock"}, {"WAYLAND_DISPLAY", W}},
                       {"swww-daemon"},
                       TDesktop::Swww},
        TDetectionCase{"HyprlandWithHyprpaper",
                       {{"HYPRLAND_INSTANCE_SIGNATURE", "abc"}, {"WAYLAND_DISPLAY", W}},
                       {"hyprpaper"},
                       TDesktop::Hyprpaper},
        TDetectionCase{"HyprlandWithAwww",
                       {{"XDG_CURRENT_DESKTOP", "Hyprland"}, {"WAYLAND_DISPLAY", W}},
                       {"awww-daemon", "swww-daemon"},
                       TDesktop::Awww},
        TDetectionCase{"HyprlandWithWpaperd",
                       {{"HYPRLAND_INSTANCE_SIGNATURE", "abc"}},
                       {"wpaperd"},
                       TDesktop::Wpaperd},
        TDetectionCase{"HyprlandWithoutDaemon",
                       {{"HYPRLAND_INSTANCE_SIGNATURE", "abc"}, {"WAYLAND_DISPLAY", W}},
                       {},
                       TDesktop::Swaybg},
        TDetectionCase{"OtherWaylandCompositor",
                       {{"XDG_CURRENT_DESKTOP", "river"}, {"WAYLAND_DISPLAY", W}},
                       {"swaybg"},
                       TDesktop::Swaybg},
        TDetectionCase{"OtherWaylandWithSwww",
                       {{"WAYLAND_DISPLAY", W}, {"DISPLAY", X}},
                       {"swww-daemon"},
                       TDesktop::Swww},
        TDetectionCase{
            "I3", {{"XDG_CURRENT_DESKTOP", "i3"}, {"DISPLAY", X}}, {}, TDesktop::X11Root},
        TDetectionCase{"BareX", {{"DISPLAY", X}}, {"swww-daemon"}, TDesktop::X11Root},
        TDetectionCase{"EmptyValuesCountAsUnset",
                       {{"XDG_CURRENT_DESKTOP", ""}, {"WAYLAND_DISPLAY", ""}, {"DISPLAY", X}},
                       {},
                       TDesktop::X11Root},
        TDetectionCase{"NoSession", {}, {}, TDesktop::None}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace skyrelle::platform
