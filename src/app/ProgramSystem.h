#pragma once

#include <memory>
#include <string>

#include "app/MainWindowLogic.h"
#include "app/ReportingWallpaperSetter.h"
#include "core/Random.h"
#include "platform/IClock.h"
#include "platform/IScreen.h"

namespace skyrelle::app {

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
