#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "app/MainWindowLogic.h"
#include "app/ReportingWallpaperSetter.h"
#include "core/Random.h"
#include "platform/IClock.h"
#include "platform/IScreen.h"

// What the program's start does whatever toolkit draws its windows.
namespace skyrelle::app {

// The usage event's application name and its Measurement Protocol stream's secret.
inline constexpr std::string_view UsageEventAppName = "Skyrelle";
inline constexpr std::string_view AnalyticsApiSecret = "Qw7kTz4uGs9YbNc2VfH8jD";

// The app-open event with the program file's version text, on a thread of its own; nothing
// waits for it. Raises only when the thread cannot be started.
void SendUsageEvent(const std::string& ProgramPath);

// The system as the engine and the main window use it, for as long as the program runs.
class TProgramSystem {
 public:
  // Screen: the primary screen in physical pixels, as the toolkit knows it.
  explicit TProgramSystem(std::unique_ptr<platform::IScreen> Screen);

  // The engine on this system and the start entry of the program at ProgramPath. The
  // toolkit adds its tray, About window and donation prompt.
  TMainWindowServices MainWindowServices(const std::string& ProgramPath);

 private:
  platform::TSystemClock FClock;
  core::TRandom FRandom;
  std::unique_ptr<platform::IScreen> FScreen;
  TReportingWallpaperSetter FWallpaper;
};

}  // namespace skyrelle::app
