#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PlatformTestSupport.h"
#include "platform/linux/SessionWallpaperSetter.h"

namespace skyrelle::platform {
namespace {

using ::testing::HasSubstr;
using namespace test_support;

std::uint32_t Grey(std::int32_t, std::int32_t) { return 0x5A5A5A; }

// The session as the program finds it in its environment.
class SessionWallpaperSetter : public ::testing::Test {
 protected:
  void SetUp() override { WriteBitmap24(FFile, 8, 8, Grey); }

  TStandIns FStandIns;
  TScopedVariable FPath{"PATH", FStandIns.Folder()};
  TScopedVariable FCurrent{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"};
  TScopedVariable FSession{"XDG_SESSION_DESKTOP", std::nullopt};
  TScopedVariable FDesktopSession{"DESKTOP_SESSION", std::nullopt};
  TScopedVariable FWayland{"WAYLAND_DISPLAY", std::nullopt};
  TScopedVariable FSway{"SWAYSOCK", std::nullopt};
  TScopedVariable FHyprland{"HYPRLAND_INSTANCE_SIGNATURE", std::nullopt};
  TScopedVariable FDisplay{"DISPLAY", std::nullopt};
  TTempFolder FFolder;
  std::string FFile = FFolder / "current.bmp";
};

TEST_F(SessionWallpaperSetter, UsesTheSessionsDesktop) {
  FStandIns.Add("gsettings");
  const TWallpaperResult result = CreateWallpaperSetter()->SetWallpaper(FFile);
  EXPECT_TRUE(result.Applied) << result.Error;
  ASSERT_FALSE(FStandIns.Calls().empty());
  EXPECT_EQ(FStandIns.Calls()[0],
            (TCall{"gsettings", "list-keys", "org.gnome.desktop.background"}));
}

TEST_F(SessionWallpaperSetter, NamesTheDesktopInTheErrorAndLogsIt) {
  FStandIns.Add("gsettings", "echo 'No such schema' >&2; exit 1");
  ::testing::internal::CaptureStderr();
  const TWallpaperResult result = CreateWallpaperSetter()->SetWallpaper(FFile);
  const std::string logged = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(result.Applied);
  EXPECT_EQ(result.Error,
            "The wallpaper could not be set on GNOME: gsettings failed with exit code 1: No such "
            "schema");
  EXPECT_THAT(logged, HasSubstr(result.Error));
}

TEST_F(SessionWallpaperSetter, SaysWhenThereIsNoSession) {
  TScopedVariable current{"XDG_CURRENT_DESKTOP", std::nullopt};
  ::testing::internal::CaptureStderr();
  const TWallpaperResult result = CreateWallpaperSetter()->SetWallpaper(FFile);
  ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(result.Applied);
  EXPECT_THAT(result.Error, HasSubstr("no desktop session was found"));
}

TEST_F(SessionWallpaperSetter, FallsBackToTheRootWindowOnAPlainXServer) {
  TScopedVariable current{"XDG_CURRENT_DESKTOP", "i3"};
  TScopedVariable path{"PATH", "/usr/bin:/bin"};  // for Xvfb
  TXvfb server("8x8x24");
  if (!server.Started()) GTEST_SKIP() << "Xvfb is not installed";
  const TWallpaperResult result = CreateWallpaperSetter()->SetWallpaper(FFile);
  EXPECT_TRUE(result.Applied) << result.Error;
  EXPECT_TRUE(FStandIns.Calls().empty());
}

}  // namespace
}  // namespace skyrelle::platform
